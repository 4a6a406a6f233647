#pragma once

#include <QString>

#include <optional>

/// Passwords for the administrator's programs, never on their command line.
namespace SenhaTerminal {

/// A line typed on the controlling terminal (/dev/tty) after `pergunta`,
/// without echo; nothing when there is no terminal (a program run by
/// another program, a pipe) or it cannot be read.
std::optional<QString> pedir(const QString& pergunta);

/// The PostgreSQL connection text `texto` with the password the server asks
/// for: when the text holds none and libpq finds none either (PGPASSWORD,
/// the password file PGPASSFILE or ~/.pgpass, the service file), it is asked
/// on the terminal. Otherwise, and for SQLite, the text as it is: a password
/// still missing then fails the connection with libpq's own words.
QString completar(const QString& texto);

} // namespace SenhaTerminal
