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

/// A hash of no one's password (its password was random and is gone), with
/// the costs cifrar gives: checking against it takes as long as checking a
/// user's password, for a user who does not exist.
QString hashDeNinguem();

} // namespace Senhas
