#include "ObjectoMembros.h"

#include "Erro.h"

FormaMembros::FormaMembros(QString nome_, const QStringList& membros_, const QStringList& soLeitura_)
    : nome(std::move(nome_)), membros(membros_) {
    soLeitura.reserve(membros.size());
    m_indices.reserve(membros.size());
    for (qsizetype i = 0; i < membros.size(); ++i) {
        soLeitura << soLeitura_.contains(membros.at(i));
        m_indices.insert(membros.at(i), i);
    }
}

ValoresMembros::ValoresMembros(std::shared_ptr<const FormaMembros> forma)
    : m_forma(std::move(forma)), m_valores(m_forma->membros.size()) {}

QVariant ValoresMembros::value(const QString& membro) const {
    const qsizetype i = m_forma ? m_forma->indice(membro) : -1;
    return i < 0 ? QVariant() : m_valores.at(i);
}

ObjectoMembros::ObjectoMembros(QString nome, const QStringList& membros, QStringList soLeitura)
    : ObjectoMembros(std::make_shared<const FormaMembros>(std::move(nome), membros, soLeitura)) {}

ObjectoMembros::ObjectoMembros(std::shared_ptr<const FormaMembros> forma) : m_valores(std::move(forma)) {}

qsizetype ObjectoMembros::exigirMembro(const QString& membro) const {
    const qsizetype i = forma().indice(membro);
    if (i < 0)
        throw Erro(Erro::Erp, QStringLiteral("O objecto %1 não tem o membro %2.").arg(forma().nome, membro));
    return i;
}

void ObjectoMembros::definir(const QString& membro, const QVariant& valor) {
    const qsizetype i = exigirMembro(membro);
    if (forma().soLeitura.at(i))
        throw Erro(Erro::Erp, QStringLiteral("O membro %2 do objecto %1 só pode ser lido.").arg(forma().nome, membro));
    if (m_observador)
        m_observador(membro, valor);
    m_valores.m_valores[i] = valor;
}

QVariant ObjectoMembros::obter(const QString& membro) const {
    return m_valores.m_valores.at(exigirMembro(membro));
}

bool ObjectoMembros::preenchido(const QString& membro) const {
    const QVariant v = m_valores.value(membro);
    return v.isValid() && !v.isNull() && !v.toString().isEmpty();
}

void ObjectoMembros::definirInterno(const QString& membro, const QVariant& valor) {
    m_valores.m_valores[exigirMembro(membro)] = valor;
}
