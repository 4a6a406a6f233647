#include "Senhas.h"

#include "Erro.h"

#include <QByteArray>

#include <sodium.h>

namespace Senhas {

namespace {

void iniciar() {
    if (sodium_init() < 0)
        throw Erro(Erro::Erp, QStringLiteral("A biblioteca de cifra não arrancou."));
}

} // namespace

QString cifrar(const QString& password) {
    iniciar();
    const QByteArray pw = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, pw.constData(), static_cast<unsigned long long>(pw.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw Erro(Erro::Erp, QStringLiteral("Memória insuficiente para cifrar a palavra-passe."));
    return QString::fromLatin1(hash);
}

bool confere(const QString& hash, const QString& password) {
    iniciar();
    const QByteArray h = hash.toLatin1();
    if (h.size() >= crypto_pwhash_STRBYTES)
        return false;
    QByteArray pw = password.toUtf8();
    const bool ok =
        crypto_pwhash_str_verify(h.constData(), pw.constData(), static_cast<unsigned long long>(pw.size())) == 0;
    sodium_memzero(pw.data(), static_cast<size_t>(pw.size()));
    return ok;
}

QString hashDeNinguem() {
    // The costs in the text are cifrar's.
    static_assert(crypto_pwhash_OPSLIMIT_INTERACTIVE == 2 && crypto_pwhash_MEMLIMIT_INTERACTIVE == 65536 * 1024);
    return QStringLiteral(
        "$argon2id$v=19$m=65536,t=2,p=1$IfymH8s4nn3bZLCoa70DOA$Ew0ADN/qL4UrIKmvjM7Vyw0o5Qt8Xa7qSOXHXZ9AoZ0");
}

} // namespace Senhas
