#pragma once

#include <QSqlDatabase>
#include <QStringList>

/// The company database's tables, as the ERP keeps them, for SQLite and
/// PostgreSQL alike.
namespace Esquema {

/// The statements that create every table and index (idempotent: "IF NOT EXISTS").
QStringList instrucoes(const QSqlDatabase& db);

/// Creates the tables on `db` in one transaction, and gives a database that
/// has none its identity (ErpIdentidade: a new UUID); on a server also the
/// stores and the operators' rights (FuncoesServidor). Raises Erro on failure.
void criar(QSqlDatabase& db);

/// The names of the tables instrucoes() creates, in the order it creates them.
QStringList tabelas(const QSqlDatabase& db);

/// Drops every table of tabelas() that exists, in one transaction (to make a
/// database anew). Raises Erro on failure.
void apagar(QSqlDatabase& db);

/// Adds (or replaces) an ERP user: in a file with a salted hash of its
/// password; on a server as an operator, a login of the server
/// (FuncoesServidor::definirOperador).
void definirUtilizadorErp(QSqlDatabase& db, const QString& utilizador, const QString& password);

} // namespace Esquema
