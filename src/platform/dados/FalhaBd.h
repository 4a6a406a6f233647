#pragma once

#include "Erro.h"

#include <QString>
#include <QStringView>

class QSqlDatabase;
class QSqlDriver;
class QSqlError;
struct sqlite3;

/// Failures of the company database in the operator's words, in one place.
///
/// The class of a failure comes from the engine's own codes, never from its
/// text: SQLite's (extended) result code, with the system's error number of a
/// read or write that failed; PostgreSQL's SQLSTATE; and, for a connection
/// that did not open or was dropped without a SQLSTATE, what libpq and Qt's
/// driver make of the connection. The class is the Erro's number
/// (Erro::BaseDadosOcupada, Erro::LigacaoPerdida, ...). Its text says what
/// happened and what to do, then a blank line and "Detalhe: " with the text
/// the failure would have had without a class: the engine's own, after the
/// program's words for what was being done.
///
/// A failure of no such class (a statement the database rejects, a missing
/// file, a closed connection) keeps the number and the text its caller gives.
namespace FalhaBd {

/// The class of a SQLite result code (primary or extended); `errnoSistema`
/// is the system's error number of a failed read or write
/// (sqlite3_system_errno), 0 when not known. 0 for a code of no class.
int classeSqlite(int codigo, int errnoSistema = 0);
/// The class of a PostgreSQL SQLSTATE; 0 for one of no class.
int classePostgres(QStringView sqlstate);
/// The class of an error that Qt's driver `driver` reported (the driver of
/// the connection the statement ran on); 0 for one of no class.
int classe(const QSqlError& erro, const QSqlDriver* driver);
/// The class of connection `db` that did not open (its lastError()). Qt's
/// PostgreSQL driver gives no SQLSTATE then: libpq's ping of the same server,
/// with the connection's own settings, tells a server that cannot be reached
/// or does not take connections now (LigacaoPerdida) from one that refused
/// this connection (AcessoRecusado: the user, the password, the database).
/// When the connection asks libpq to verify the server (sslmode verify-ca or
/// verify-full) and the ping fails, a server that sets up TLS at the same
/// address when nothing is checked is one whose certificate did not pass
/// (ServidorNaoVerificado).
int classeAbertura(const QSqlDatabase& db);

/// What the operator is told for a class: what happened and what to do.
/// Empty for a number that is no class of database failure.
QString frase(int classe);

/// The error to raise: Erro(classe, frase + blank line + "Detalhe: " + texto)
/// for a class, Erro(numero, texto) for `classe` 0.
Erro erro(int classe, int numero, const QString& texto);
/// The same for an error Qt's driver reported.
Erro erro(const QSqlError& erro, const QSqlDriver* driver, int numero, const QString& texto);
/// The same for the last failure of a SQLite connection driven through the
/// engine's own API (its extended result code and system error number).
Erro erroSqlite(sqlite3* ligacao, int numero, const QString& texto);

} // namespace FalhaBd
