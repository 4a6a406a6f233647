#include "CodigoPagina.h"

namespace {

/// 0x80..0x9F of Windows-1252; the five bytes the code page leaves undefined
/// map to the control characters of the same value, as Windows does.
constexpr char16_t Cp1252Alto[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString deWindows1252(const QByteArray& bytes) {
    QString r(bytes.size(), Qt::Uninitialized);
    QChar* p = r.data();
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        *p++ = (c >= 0x80 && c < 0xa0) ? QChar(Cp1252Alto[c - 0x80]) : QChar(c);
    }
    return r;
}

QByteArray paraWindows1252(const QString& texto) {
    QByteArray r;
    r.reserve(texto.size());
    for (const QChar ch : texto) {
        const char16_t u = ch.unicode();
        char b = '?';
        if (u < 0x80 || (u >= 0xa0 && u <= 0xff)) {
            b = static_cast<char>(u);
        } else {
            for (int k = 0; k < 32; ++k) {
                if (Cp1252Alto[k] == u) {
                    b = static_cast<char>(0x80 + k);
                    break;
                }
            }
        }
        r.append(b);
    }
    return r;
}
