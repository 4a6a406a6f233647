#include "FalhasSimuladas.h"

#include "Erro.h"

#include <stdexcept>

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
    if (m_armadas.isEmpty())
        return;
    const QString outra = operacao + QStringLiteral(":std");
    if (deveFalhar(outra))
        throw std::runtime_error(texto(outra).toStdString());
}

QString FalhasSimuladas::texto(const QString& operacao) {
    return QStringLiteral("Falha simulada em %1.").arg(operacao);
}
