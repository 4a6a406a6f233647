#pragma once

#include <QIODevice>
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
/// every call. Raises Erro (Ficheiro) naming the file when it is missing, is
/// not a regular file (a folder, a pipe, a device), cannot be read or holds
/// more than 16 MiB.
QString ler(const QString& caminho, const QString& chave);

/// ler() over an open device: the value of the first line that carries
/// `chave`, read `tamanhoBloco` bytes at a time. Raises Erro (Ficheiro) naming
/// `nome` when the device fails to read or holds more than 16 MiB.
QString procurar(QIODevice& origem, const QString& chave, const QString& nome, qint64 tamanhoBloco = 65536);

/// The value split at every ",", nothing trimmed, empty items kept; an empty
/// value gives an empty list.
QStringList dividir(const QString& valor);

/// Decodes bytes of the parameters file (Windows-1252).
QString descodificar(const QByteArray& bytes);

} // namespace Parametros
