#include "ObjectosApi.h"

#include "Erro.h"

namespace NomesApi {

const QStringList& membrosCabecalho() {
    static const QStringList membros{
        QStringLiteral("Ano"),
        QStringLiteral("Data"),
        QStringLiteral("AreaGestao"),
        QStringLiteral("Sector"),
        QStringLiteral("Serie"),
        QStringLiteral("TipoDocumento"),
        QStringLiteral("TipoTerceiro"),
        QStringLiteral("Terceiro"),
        QStringLiteral("TipoPreco"),
        QStringLiteral("NumeroContribuinte"),
        QStringLiteral("DescontoCabecalho"),
        QStringLiteral("Processo"),
        QStringLiteral("VossoNoDocumento"),
        QStringLiteral("MeiodeTransporte"),
        QStringLiteral("Matricula"),
        QStringLiteral("LocalCarga"),
        QStringLiteral("LocalDescarga"),
        QStringLiteral("Numero"),
    };
    return membros;
}

const QStringList& membrosLinha() {
    static const QStringList membros{
        QStringLiteral("TipoDeLinha"),   QStringLiteral("Artigo"),     QStringLiteral("Armazem"),
        QStringLiteral("Descricao"),     QStringLiteral("Quantidade"), QStringLiteral("QuantidadeOrigem"),
        QStringLiteral("PrecoUnitario"), QStringLiteral("OrDoc"),      QStringLiteral("Orano"),
        QStringLiteral("OrNum"),         QStringLiteral("Orserie"),    QStringLiteral("LinhaOriginal"),
        QStringLiteral("Unidade"),
    };
    return membros;
}

} // namespace NomesApi

ObjectoMembros::ObjectoMembros(QString nome, const QStringList& membros, QStringList soLeitura)
    : m_nome(std::move(nome)), m_membros(membros), m_soLeitura(std::move(soLeitura)) {}

void ObjectoMembros::exigirMembro(const QString& membro) const {
    if (!m_membros.contains(membro))
        throw Erro(Erro::Erp, QStringLiteral("O objecto %1 não tem o membro %2.").arg(m_nome, membro));
}

void ObjectoMembros::definir(const QString& membro, const QVariant& valor) {
    exigirMembro(membro);
    if (m_soLeitura.contains(membro))
        throw Erro(Erro::Erp, QStringLiteral("O membro %2 do objecto %1 só pode ser lido.").arg(m_nome, membro));
    if (m_observador)
        m_observador(membro, valor);
    m_valores.insert(membro, valor);
}

QVariant ObjectoMembros::obter(const QString& membro) const {
    exigirMembro(membro);
    return m_valores.value(membro);
}

bool ObjectoMembros::preenchido(const QString& membro) const {
    const QVariant v = m_valores.value(membro);
    return v.isValid() && !v.isNull() && !v.toString().isEmpty();
}

void ObjectoMembros::definirInterno(const QString& membro, const QVariant& valor) {
    exigirMembro(membro);
    m_valores.insert(membro, valor);
}

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

QString textoChave(const ChaveDocumento& chave) {
    return QStringLiteral("%1/%2/%3/%4").arg(chave.TipoDoc).arg(chave.Serie).arg(chave.Numero).arg(chave.Ano);
}
