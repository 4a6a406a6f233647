#pragma once

// Qt's SQLite statements driven through the engine's own API, for the paths
// that run one statement many times (the record set's walk, the local ERP's
// stores). Qt still prepares and owns every statement (and finalizes it when
// its connection closes); values are bound and read exactly as Qt's driver
// binds and reads them, without its per-value bookkeeping.

#include <QSql>
#include <QSqlQuery>
#include <QVariant>

struct sqlite3_stmt;

/// Whether the Qt SQL driver plugin whose file name holds `plugin` (and is
/// loaded) resolves `simbolo` to `nosso`, the library function this program
/// calls: then the driver's handles may be used from here.
bool driverPartilha(const char* plugin, const char* simbolo, void* nosso);

namespace SqliteDirecto {

/// Whether Qt's SQLite driver runs on the SQLite library this program calls:
/// only then may its statements be driven from here.
bool disponivel();

/// The statement of a prepared (or executed) query on a SQLite connection;
/// null for another driver or a statement the driver let go.
sqlite3_stmt* instrucao(const QSqlQuery& q);

/// Binds the values to the statement's parameters in order, as the driver
/// binds them. False, with nothing bound, when the count does not match or a
/// value is of a type left to the driver (the caller then goes through Qt).
bool ligar(sqlite3_stmt* instrucao, const QVariantList& valores);

/// A column of the current row with the type the driver gives it (integer
/// 64-bit, double under `politica`, text, null text, bytes).
QVariant valor(sqlite3_stmt* instrucao, int coluna, QSql::NumericalPrecisionPolicy politica);

/// Text as the driver reads it: valid UTF-8 decodes alike whichever way;
/// anything else is left to SQLite's own conversion, as the driver does.
QString texto(sqlite3_stmt* instrucao, int coluna, const char* utf8, int bytes);

/// The connection's last error text, as the driver reports it.
QString erro(sqlite3_stmt* instrucao);

} // namespace SqliteDirecto
