#include "TextoUtf8.h"

#include <cstring>

namespace {

bool soAscii(QByteArrayView b) {
    const char* u = b.data();
    const qsizetype n = b.size();
    qsizetype k = 0;
    for (; k + 8 <= n; k += 8) {
        quint64 oito;
        std::memcpy(&oito, u + k, 8);
        if (oito & 0x8080808080808080ULL)
            return false;
    }
    for (; k < n; ++k)
        if (static_cast<unsigned char>(u[k]) >= 0x80)
            return false;
    return true;
}

} // namespace

std::optional<QString> textoDeUtf8(QByteArrayView utf8) {
    if (soAscii(utf8))
        return QString::fromLatin1(utf8.data(), utf8.size());
    QString t = QString::fromUtf8(utf8);
    // A replacement character stands for bytes that were not UTF-8 (or was
    // one itself: then the caller's way gives the same text).
    if (t.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    return t;
}

std::optional<QString> TextosRepetidos::texto(int coluna, QByteArrayView utf8) {
    if (coluna < 0 || static_cast<std::size_t>(coluna) >= m_colunas.size())
        return textoDeUtf8(utf8);
    Ultimo& ultimo = m_colunas[static_cast<std::size_t>(coluna)];
    const auto n = static_cast<std::size_t>(utf8.size());
    if (ultimo.valido && ultimo.bytes.size() == n && std::memcmp(ultimo.bytes.data(), utf8.data(), n) == 0) {
        ++ultimo.repetidos;
        return ultimo.texto;
    }
    std::optional<QString> t = textoDeUtf8(utf8);
    ultimo.valido = t && (++ultimo.novos <= 16 || ultimo.repetidos * 4 >= ultimo.novos);
    if (ultimo.valido) {
        ultimo.bytes.assign(utf8.data(), n);
        ultimo.texto = *t;
    }
    return t;
}
