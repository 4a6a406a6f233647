#pragma once

#include <QString>

/// The ERP users' passwords: stored only as salted Argon2id hashes
/// (libsodium's text form, which carries its salt and costs).
namespace Senhas {

/// A new salted hash of `password`. Raises Erro (Erp) when the library does
/// not start or memory runs short.
QString cifrar(const QString& password);

/// Whether `password` is the one `hash` was made from; the password's bytes
/// are wiped afterwards. Raises Erro (Erp) when the library does not start.
bool confere(const QString& hash, const QString& password);

} // namespace Senhas
