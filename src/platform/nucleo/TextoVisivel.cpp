#include "TextoVisivel.h"

namespace {

/// The bidirectional embeddings, overrides and isolates, and the marks.
bool formatoBidi(char16_t c) {
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x200e || c == 0x200f || c == 0x061c;
}

} // namespace

QString escaparControlos(const QString& texto) {
    QString r;
    r.reserve(texto.size());
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        switch (u) {
        case '\\':
            r += QLatin1String("\\\\");
            break;
        case '\t':
            r += QLatin1String("\\t");
            break;
        case '\n':
            r += QLatin1String("\\n");
            break;
        case '\r':
            r += QLatin1String("\\r");
            break;
        default:
            if (u < 0x20 || (u >= 0x7f && u <= 0x9f))
                r += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
            else if (formatoBidi(u))
                r += QStringLiteral("\\u{%1}").arg(uint(u), 4, 16, QLatin1Char('0'));
            else
                r += c;
        }
    }
    return r;
}
