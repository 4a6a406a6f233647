#pragma once

#include <QSqlDatabase>
#include <QStringList>

/// The company database's tables, as the ERP keeps them, for SQLite and
/// PostgreSQL alike.
namespace Esquema {

/// The statements that create every table and index (idempotent: "IF NOT EXISTS").
QStringList instrucoes(const QSqlDatabase& db);

/// Creates the tables on `db` in one transaction. Raises Erro on failure.
void criar(QSqlDatabase& db);

/// Adds (or replaces) an ERP user with a salted hash of its password.
void definirUtilizadorErp(QSqlDatabase& db, const QString& utilizador, const QString& password);

} // namespace Esquema
