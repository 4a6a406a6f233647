#pragma once

#include <QString>
#include <QStringList>

/// The parameters file: lines KEY=VALUE in the workstation's single-byte code
/// page (Windows-1252), ending in CR LF, LF or CR; other lines are ignored.
namespace Parametros {

/// Name of the file, appended to the application folder.
inline const QString NomeFicheiro = QStringLiteral("\\zeb_Parametros_Orlavane.zeb");

/// The value of the first line whose first len(chave)+1 characters, upper-cased,
/// are the key upper-cased followed by "="; the rest of that line unchanged.
/// Empty when no line carries the key. The file is opened and read anew on
/// every call. Raises Erro (Ficheiro) naming the file when it is missing or
/// cannot be read.
QString ler(const QString& caminho, const QString& chave);

/// The value split at every ",", nothing trimmed, empty items kept; an empty
/// value gives an empty list.
QStringList dividir(const QString& valor);

/// Decodes bytes of the parameters file (Windows-1252).
QString descodificar(const QByteArray& bytes);

} // namespace Parametros
