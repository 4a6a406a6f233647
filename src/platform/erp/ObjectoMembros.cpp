#include "ObjectoMembros.h"

#include "Erro.h"

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
