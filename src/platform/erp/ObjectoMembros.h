#pragma once

#include "ObjectoApi.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

/// The members an API object has: their names, in order, found by name in
/// one look-up, and which of them the program may only read. One description
/// serves every object of a kind.
struct FormaMembros {
    FormaMembros(QString nome, const QStringList& membros, const QStringList& soLeitura);

    /// The member's place, or -1 when the object has none of that name.
    qsizetype indice(const QString& membro) const { return m_indices.value(membro, -1); }

    QString nome;
    QStringList membros;
    QList<bool> soLeitura;

private:
    QHash<QString, qsizetype> m_indices;
};

/// What an object's members hold, by name: a copy costs nothing until one of
/// them is written.
class ValoresMembros {
public:
    ValoresMembros() = default;
    explicit ValoresMembros(std::shared_ptr<const FormaMembros> forma);

    /// The member's value; an invalid QVariant when it was not written or the
    /// object has no member of that name.
    QVariant value(const QString& membro) const;

private:
    friend class ObjectoMembros;

    std::shared_ptr<const FormaMembros> m_forma;
    QList<QVariant> m_valores;
};

/// An API object whose members are kept by name. Only the members of its
/// fixed list exist (names matched exactly, case included); some of them may
/// be read only to the program.
class ObjectoMembros : public ObjectoApi {
public:
    /// Called before a member is written by the program; may raise to refuse it.
    using Observador = std::function<void(const QString& membro, const QVariant& valor)>;

    ObjectoMembros(QString nome, const QStringList& membros, QStringList soLeitura = {});
    /// An object of a kind whose description is shared by all its objects.
    explicit ObjectoMembros(std::shared_ptr<const FormaMembros> forma);

    QString nomeObjecto() const override { return forma().nome; }
    /// Raises Erro (Erp) for a member the object does not have or may not be written.
    void definir(const QString& membro, const QVariant& valor) override;
    /// Raises Erro (Erp) for a member the object does not have; an unwritten
    /// member gives an invalid QVariant.
    QVariant obter(const QString& membro) const override;

    bool temMembro(const QString& membro) const { return forma().indice(membro) >= 0; }
    /// True when the member holds a value that is not empty text.
    bool preenchido(const QString& membro) const;
    const ValoresMembros& valores() const { return m_valores; }
    /// Writes a member on the ERP's behalf: no observer, read-only members allowed.
    void definirInterno(const QString& membro, const QVariant& valor);
    void observar(Observador observador) { m_observador = std::move(observador); }

private:
    qsizetype exigirMembro(const QString& membro) const;

    const FormaMembros& forma() const { return *m_valores.m_forma; }

    ValoresMembros m_valores; ///< with the kind's description
    Observador m_observador;
};
