#include "FalhasSimuladas.h"

#include "Erro.h"

void FalhasSimuladas::armar(const QString& operacao, int ocorrencia) {
    m_armadas.insert(operacao, Armada{qMax(1, ocorrencia), 0});
}

bool FalhasSimuladas::deveFalhar(const QString& operacao) {
    const auto it = m_armadas.find(operacao);
    if (it == m_armadas.end())
        return false;
    if (++it->vistas < it->ocorrencia)
        return false;
    m_armadas.erase(it);
    return true;
}

void FalhasSimuladas::verificar(const QString& operacao) {
    if (deveFalhar(operacao))
        throw Erro(Erro::Erp, texto(operacao));
}

QString FalhasSimuladas::texto(const QString& operacao) {
    return QStringLiteral("Falha simulada em %1.").arg(operacao);
}
