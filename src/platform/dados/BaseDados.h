#pragma once

#include "LigacaoBd.h"
#include "RecordSet.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <memory>

/// A database connection handed out to a component (the look-up list).
class Ligacao final {
public:
    explicit Ligacao(QSqlDatabase db) : m_db(std::move(db)) {}
    ~Ligacao();
    Q_DISABLE_COPY_MOVE(Ligacao)
    QSqlDatabase& db() { return m_db; }

private:
    QSqlDatabase m_db;
};

/// The one open company database.
class BaseDados final {
public:
    BaseDados();
    ~BaseDados();
    Q_DISABLE_COPY_MOVE(BaseDados)

    /// Opens the database described by the connection text. Returns false
    /// (and keeps the reason in ultimoErro()) when it does not open.
    bool abrir(const QString& textoLigacao);
    bool aberta() const;
    /// Why the last abrir failed: names the database, never the password.
    QString ultimoErro() const { return m_ultimoErro; }

    /// Runs a statement and puts its result in `rs` (whatever `rs` held before
    /// is dropped first). `parametros` are bound to the "?" placeholders in
    /// order. Raises Erro (Sql) with the database's text when it rejects it,
    /// or of the failure's class (FalhaBd) when the operator can act on it.
    ///
    /// The first form takes every argument explicitly: with default values,
    /// consultar(sql, {texto}, rs) would pick it (a braced QString converts to
    /// QString better than to QVariantList) and run `texto` as the statement.
    bool consultar(const QString& nome, const QString& sql, RecordSet& rs, int tipoCursor, int opcoes);
    void consultar(const QString& sql, const QVariantList& parametros, RecordSet& rs);

    /// A new connection open on the same database, for a component of its own.
    /// Raises Erro (BaseDadosFechada, or the failure's class) when it does not open.
    std::unique_ptr<Ligacao> novaLigacao();
    bool fechar();

    /// The Qt connection (for the look-up list and the ERP).
    QSqlDatabase db() const;
    const TextoLigacao& ligacao() const { return m_texto; }

    /// Makes every record set still being read from this connection take out
    /// its remaining rows. consultar() and fechar() do it themselves; code
    /// that runs statements of its own on db() while a record set of this
    /// database is being read calls it first: on PostgreSQL a connection
    /// streams one result at a time and another statement drops the rest.
    void reterRegistos();

    struct Cursores;

private:
    void exigirAberta() const;

    QString m_nome;
    TextoLigacao m_texto;
    QString m_ultimoErro;
    std::shared_ptr<Cursores> m_cursores;
};
