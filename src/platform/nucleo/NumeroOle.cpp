#include "NumeroOle.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace {

bool espacoLargo(char16_t c) {
    return c == u' ' || c == u'\u00A0' || c == u'\u202F';
}

bool branco(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u00A0' || c == u'\u202F';
}

/// The locale's symbols as the reader needs them.
struct Simbolos {
    QString decimal;
    QString grupo;
    QString negativo;
    QString positivo;
    char16_t zero = u'0';
    bool grupoEspaco = false; ///< the group separator is a kind of space: any space will do

    explicit Simbolos(const QLocale& locale)
        : decimal(locale.decimalPoint()), grupo(locale.groupSeparator()), negativo(locale.negativeSign()),
          positivo(locale.positiveSign()) {
        const QString z = locale.zeroDigit();
        if (z.size() == 1)
            zero = z.at(0).unicode();
        grupoEspaco = grupo.size() == 1 && espacoLargo(grupo.at(0).unicode());
    }
};

/// The symbols of the locale last read with on this thread: a quantity
/// committed in the grid is read in the workstation's locale every time, and
/// asking the locale for its five symbols again (each a new text) cost more
/// than reading the number.
const Simbolos& simbolosDe(const QLocale& locale) {
    thread_local std::optional<std::pair<QLocale, Simbolos>> ultimos;
    if (!ultimos || ultimos->first != locale)
        ultimos.emplace(locale, Simbolos(locale));
    return ultimos->second;
}

/// The value of a digit (ASCII or the locale's own), -1 for anything else.
int digito(char16_t c, char16_t zero) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (zero != u'0' && c >= zero && c <= zero + 9)
        return c - zero;
    return -1;
}

/// Reads an optional sign at `i`; -1 negative, +1 positive, 0 none.
int lerSinal(QStringView t, qsizetype& i, const Simbolos& s) {
    if (i >= t.size())
        return 0;
    const char16_t c = t[i].unicode();
    if (c == u'-') {
        ++i;
        return -1;
    }
    if (c == u'+') {
        ++i;
        return 1;
    }
    if (!s.negativo.isEmpty() && t.mid(i).startsWith(s.negativo)) {
        i += s.negativo.size();
        return -1;
    }
    if (!s.positivo.isEmpty() && t.mid(i).startsWith(s.positivo)) {
        i += s.positivo.size();
        return 1;
    }
    return 0;
}

/// Length of a group separator at `i`, 0 when there is none.
qsizetype grupoEm(QStringView t, qsizetype i, const Simbolos& s) {
    if (s.grupo.isEmpty() || i >= t.size())
        return 0;
    if (s.grupoEspaco)
        return espacoLargo(t[i].unicode()) ? 1 : 0;
    return t.mid(i).startsWith(s.grupo) ? s.grupo.size() : 0;
}

} // namespace

std::optional<double> converterNumeroOle(const QString& texto, const QLocale& locale) {
    QStringView t(texto);
    while (!t.isEmpty() && branco(t.front().unicode()))
        t = t.mid(1);
    while (!t.isEmpty() && branco(t.back().unicode()))
        t.chop(1);
    if (t.isEmpty())
        return std::nullopt;

    const Simbolos& s = simbolosDe(locale);
    qsizetype i = 0;
    int sinal = lerSinal(t, i, s);

    // Mantissa: significant digits and the power of ten that scales them.
    std::string digitos;
    long long escala = 0;
    bool algumDigito = false;
    bool anteriorDigito = false;
    for (; i < t.size();) {
        const int d = digito(t[i].unicode(), s.zero);
        if (d >= 0) {
            algumDigito = true;
            anteriorDigito = true;
            if (!(digitos.empty() && d == 0))
                digitos.push_back(static_cast<char>('0' + d));
            ++i;
            continue;
        }
        // Group separators only between two digits of the integer part.
        const qsizetype g = anteriorDigito ? grupoEm(t, i, s) : 0;
        if (g > 0 && i + g < t.size() && digito(t[i + g].unicode(), s.zero) >= 0) {
            i += g;
            continue;
        }
        break;
    }
    if (!s.decimal.isEmpty() && t.mid(i).startsWith(s.decimal)) {
        i += s.decimal.size();
        for (; i < t.size(); ++i) {
            const int d = digito(t[i].unicode(), s.zero);
            if (d < 0)
                break;
            algumDigito = true;
            if (!(digitos.empty() && d == 0))
                digitos.push_back(static_cast<char>('0' + d));
            --escala;
        }
    }
    if (!algumDigito)
        return std::nullopt;

    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        int sinalExpoente = 1;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
            sinalExpoente = t[i] == u'-' ? -1 : 1;
            ++i;
        }
        if (i >= t.size() || digito(t[i].unicode(), s.zero) < 0)
            return std::nullopt;
        long long e = 0;
        for (int d; i < t.size() && (d = digito(t[i].unicode(), s.zero)) >= 0; ++i) {
            // Beyond this the number is out of range or zero either way.
            if (e < 100000000)
                e = e * 10 + d;
        }
        escala += sinalExpoente * e;
    }

    if (sinal == 0)
        sinal = lerSinal(t, i, s);
    if (i != t.size())
        return std::nullopt;
    if (digitos.empty())
        return sinal < 0 ? -0.0 : 0.0;

    // Order of magnitude of the first significant digit: out of the range of a
    // double above, zero below.
    const long long ordem = escala + static_cast<long long>(digitos.size());
    if (ordem > 310)
        return std::nullopt;
    if (ordem < -330)
        return sinal < 0 ? -0.0 : 0.0;

    digitos += 'e';
    digitos += std::to_string(escala);
    double v = 0;
    const auto r = std::from_chars(digitos.data(), digitos.data() + digitos.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        if (ordem > 0)
            return std::nullopt;
        v = 0;
    } else if (r.ec != std::errc() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return sinal < 0 ? -v : v;
}
