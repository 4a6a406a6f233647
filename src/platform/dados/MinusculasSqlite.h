#pragma once

#include <QSqlDatabase>

/// Gives an open SQLite connection a LOWER() that lowers every letter, as
/// PostgreSQL's does: SQLite's own lowers ASCII letters only, so a search
/// without regard to case would not find "AÇORES" by "açores", nor even by
/// "AÇORES" once the typed text is lowered. Only this connection changes.
/// False when the connection is not an open SQLite one.
bool minusculasUnicode(const QSqlDatabase& db);

/// The pattern of LIKE ... ESCAPE '\\' that finds `texto` anywhere, as typed
/// (its "%", "_" and "\\" taken literally), lowered for a comparison with
/// LOWER() of the column.
QString padraoLike(const QString& texto);
