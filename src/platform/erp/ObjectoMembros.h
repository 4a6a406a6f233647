#pragma once

#include "ObjectoApi.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

/// An API object whose members are kept by name in a map. Only the members of
/// its fixed list exist (names matched exactly, case included); some of them
/// may be read only to the program.
class ObjectoMembros : public ObjectoApi {
public:
    /// Called before a member is written by the program; may raise to refuse it.
    using Observador = std::function<void(const QString& membro, const QVariant& valor)>;

    ObjectoMembros(QString nome, const QStringList& membros, QStringList soLeitura = {});

    QString nomeObjecto() const override { return m_nome; }
    /// Raises Erro (Erp) for a member the object does not have or may not be written.
    void definir(const QString& membro, const QVariant& valor) override;
    /// Raises Erro (Erp) for a member the object does not have; an unwritten
    /// member gives an invalid QVariant.
    QVariant obter(const QString& membro) const override;

    bool temMembro(const QString& membro) const { return m_membros.contains(membro); }
    /// True when the member holds a value that is not empty text.
    bool preenchido(const QString& membro) const;
    const QMap<QString, QVariant>& valores() const { return m_valores; }
    /// Writes a member on the ERP's behalf: no observer, read-only members allowed.
    void definirInterno(const QString& membro, const QVariant& valor);
    void observar(Observador observador) { m_observador = std::move(observador); }

private:
    void exigirMembro(const QString& membro) const;

    QString m_nome;
    QStringList m_membros;
    QStringList m_soLeitura;
    QMap<QString, QVariant> m_valores;
    Observador m_observador;
};
