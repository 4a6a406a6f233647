#include "Moeda.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <type_traits>

namespace {

constexpr std::int64_t Maximo = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t Minimo = std::numeric_limits<std::int64_t>::min();

/// Converts an exact decimal, given as its digits and a power of ten
/// (value = digitos * 10^expoente), to ten-thousandths, rounding halves away
/// from zero. False when the magnitude does not fit.
bool paraUnidades(std::string_view digitos, std::int64_t expoente, bool negativo, std::int64_t& resultado) {
    while (!digitos.empty() && digitos.front() == '0')
        digitos.remove_prefix(1);
    if (digitos.empty()) {
        resultado = 0;
        return true;
    }
    // Scale to ten-thousandths: the digits times 10^k.
    const std::int64_t k = expoente + 4;
    std::size_t inteiros = digitos.size();
    bool arredondarAcima = false;
    if (k < 0) {
        const std::uint64_t cortados = static_cast<std::uint64_t>(-k);
        if (cortados > digitos.size()) {
            // Every digit lies below half a unit.
            resultado = 0;
            return true;
        }
        inteiros = digitos.size() - static_cast<std::size_t>(cortados);
        arredondarAcima = digitos[inteiros] >= '5';
    } else if (k > 19) {
        return false;
    }

    std::uint64_t magnitude = 0;
    for (std::size_t i = 0; i < inteiros; ++i) {
        if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
            __builtin_add_overflow(magnitude, static_cast<unsigned>(digitos[i] - '0'), &magnitude))
            return false;
    }
    for (std::int64_t i = 0; i < k; ++i) {
        if (__builtin_mul_overflow(magnitude, 10u, &magnitude))
            return false;
    }
    if (arredondarAcima && __builtin_add_overflow(magnitude, 1u, &magnitude))
        return false;

    const std::uint64_t limite = negativo ? static_cast<std::uint64_t>(Maximo) + 1 : static_cast<std::uint64_t>(Maximo);
    if (magnitude > limite)
        return false;
    if (negativo)
        resultado = magnitude == limite ? Minimo : -static_cast<std::int64_t>(magnitude);
    else
        resultado = static_cast<std::int64_t>(magnitude);
    return true;
}

enum class Leitura {
    Valor,
    NaoNumerico,
    ForaDeLimites,
};

/// Reads a C-form decimal: optional sign, digits with at most one point and
/// at least one digit, optional exponent; surrounding blanks allowed.
Leitura lerDecimalC(std::string_view t, std::int64_t& unidades) {
    auto branco = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!t.empty() && branco(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && branco(t.back()))
        t.remove_suffix(1);

    std::size_t i = 0;
    bool negativo = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negativo = t[i] == '-';
        ++i;
    }

    std::string digitos;
    digitos.reserve(t.size());
    std::int64_t expoente = 0;
    bool algumDigito = false;
    bool ponto = false;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            algumDigito = true;
            // Leading zeros carry nothing; skipping them keeps the digit string short.
            if (digitos.empty() && c == '0') {
                if (ponto)
                    --expoente;
                continue;
            }
            digitos.push_back(c);
            if (ponto)
                --expoente;
        } else if (c == '.' && !ponto) {
            ponto = true;
        } else {
            break;
        }
    }
    if (!algumDigito)
        return Leitura::NaoNumerico;

    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool expNegativo = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            expNegativo = t[i] == '-';
            ++i;
        }
        if (i >= t.size() || t[i] < '0' || t[i] > '9')
            return Leitura::NaoNumerico;
        std::int64_t e = 0;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
            // Past a million the result is zero or out of range either way.
            if (e < 1000000)
                e = e * 10 + (t[i] - '0');
        }
        expoente += expNegativo ? -e : e;
    }
    if (i != t.size())
        return Leitura::NaoNumerico;
    return paraUnidades(digitos, expoente, negativo, unidades) ? Leitura::Valor : Leitura::ForaDeLimites;
}

/// The shortest decimal text that reads back as `v` ("0.1", "1e+20"), rounded
/// to ten-thousandths.
template <typename Real> std::int64_t unidadesDeReal(Real v) {
    // Below 2^33 distinct ten-thousandths are distinct doubles, far apart: when
    // the nearest one reads back as `v`, it is that shortest text's value.
    if constexpr (std::is_same_v<Real, double>) {
        if (std::fabs(v) < 8589934592.0) {
            const std::int64_t u = std::llround(v * 10000.0);
            if (static_cast<double>(u) / 10000.0 == v)
                return u;
        }
    }
    if (std::isnan(v))
        return 0;
    if (std::isinf(v))
        return v > 0 ? Maximo : Minimo;
    char texto[64];
    const auto fim = std::to_chars(texto, texto + sizeof texto, v);
    std::int64_t unidades = 0;
    if (fim.ec != std::errc() ||
        lerDecimalC(std::string_view(texto, static_cast<std::size_t>(fim.ptr - texto)), unidades) != Leitura::Valor)
        return v > 0 ? Maximo : Minimo;
    return unidades;
}

std::optional<Moeda> deReal(double v) {
    // The range of the type, with a margin for the rounding to four decimals.
    constexpr double Limite = 922337203685477.0;
    if (!std::isfinite(v) || std::fabs(v) > Limite)
        return std::nullopt;
    return Moeda::deDouble(v);
}

std::optional<Moeda> deInteiroVerificado(std::int64_t v) {
    if (v > Maximo / Moeda::Escala || v < Minimo / Moeda::Escala)
        return std::nullopt;
    return Moeda::deInteiro(v);
}

/// Digits of a magnitude, most significant first, into `fim` (backwards).
QChar* escreverDigitos(std::uint64_t v, QChar* fim, int minimo, QStringView separadorGrupo, int& escritos) {
    QChar* p = fim;
    int n = 0;
    do {
        if (n > 0 && n % 3 == 0 && !separadorGrupo.isEmpty()) {
            for (qsizetype s = separadorGrupo.size(); s > 0; --s)
                *--p = separadorGrupo[s - 1];
        }
        *--p = QLatin1Char(static_cast<char>('0' + v % 10));
        v /= 10;
        ++n;
    } while (v != 0 || n < minimo);
    escritos = static_cast<int>(fim - p);
    return p;
}

std::uint64_t magnitude(std::int64_t v) {
    return v < 0 ? static_cast<std::uint64_t>(-(v + 1)) + 1 : static_cast<std::uint64_t>(v);
}

[[maybe_unused]] const bool tipoRegistado = [] {
    qRegisterMetaType<Moeda>();
    // Lets QVariant::toString()/toDouble() read a currency value (in C form).
    QMetaType::registerConverter<Moeda, QString>(&Moeda::paraTextoC);
    QMetaType::registerConverter<Moeda, double>(&Moeda::paraDouble);
    return true;
}();

} // namespace

Moeda Moeda::deDouble(double v) {
    return deUnidades(unidadesDeReal(v));
}

std::optional<Moeda> Moeda::deTextoC(const QString& texto) {
    const QByteArray latin = texto.toLatin1();
    return deTextoC(QLatin1String(latin));
}

std::optional<Moeda> Moeda::deTextoC(QLatin1String texto) {
    std::int64_t unidades = 0;
    if (lerDecimalC(std::string_view(texto.data(), static_cast<std::size_t>(texto.size())), unidades) != Leitura::Valor)
        return std::nullopt;
    return deUnidades(unidades);
}

std::optional<Moeda> Moeda::deVariant(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return std::nullopt;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return deInteiroVerificado(v.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = v.toULongLong();
        if (u > static_cast<qulonglong>(Maximo))
            return std::nullopt;
        return deInteiroVerificado(static_cast<std::int64_t>(u));
    }
    case QMetaType::Double:
        return deReal(v.toDouble());
    case QMetaType::Float: {
        const float f = v.toFloat();
        if (!std::isfinite(f) || std::fabs(f) > 9.2e14f)
            return std::nullopt;
        // The float's own shortest text, so that 0.1f reads as 0.1.
        return deUnidades(unidadesDeReal(f));
    }
    case QMetaType::QString:
        return deTextoC(v.toString());
    case QMetaType::QByteArray:
        return deTextoC(QString::fromLatin1(v.toByteArray()));
    default:
        break;
    }
    if (v.metaType() == QMetaType::fromType<Moeda>())
        return v.value<Moeda>();
    return std::nullopt;
}

Moeda Moeda::arredondadoPar(int casas) const {
    if (casas >= 4)
        return *this;
    if (casas < 0)
        casas = 0;
    std::int64_t passo = 1;
    for (int i = casas; i < 4; ++i)
        passo *= 10;
    const std::int64_t quociente = m_valor / passo;
    const std::int64_t resto = m_valor % passo; // same sign as m_valor
    const std::int64_t dobro = 2 * (resto < 0 ? -resto : resto);
    std::int64_t q = quociente;
    if (dobro > passo || (dobro == passo && quociente % 2 != 0))
        q += m_valor < 0 ? -1 : 1;
    std::int64_t r = 0;
    if (__builtin_mul_overflow(q, passo, &r))
        return deUnidades(quociente * passo);
    return deUnidades(r);
}

QString Moeda::formatar(const QLocale& locale) const {
    // Cents, halves away from zero, as the display format shows them.
    const std::uint64_t centimos = (magnitude(m_valor) + 50) / 100;
    const QString grupo = locale.groupSeparator();
    const QString decimal = locale.decimalPoint();

    QChar buffer[64];
    QChar* fim = buffer + 64;
    int n = 0;
    QChar* p = escreverDigitos(centimos % 100, fim, 2, {}, n);
    for (qsizetype s = decimal.size(); s > 0; --s)
        *--p = decimal[s - 1];
    p = escreverDigitos(centimos / 100, p, 1, grupo, n);

    QString r;
    if (m_valor < 0 && centimos != 0)
        r = locale.negativeSign();
    r.append(p, fim - p);
    return r;
}

QString Moeda::paraTexto(QStringView separador, int casasMinimas) const {
    const std::uint64_t m = magnitude(m_valor);
    // Four decimals, the trailing zeros dropped down to the minimum.
    std::uint64_t fraccao = m % Escala;
    int casas = 4;
    while (casas > std::max(casasMinimas, 0) && fraccao % 10 == 0) {
        fraccao /= 10;
        --casas;
    }
    QChar digitos[32];
    QChar* fim = digitos + 32;
    int n = 0;
    QChar* inteiros = escreverDigitos(m / Escala, fim, 1, {}, n);
    QString r;
    r.reserve(n + 1 + separador.size() + casas);
    if (m_valor < 0)
        r.append(QLatin1Char('-'));
    r.append(inteiros, n);
    if (casas > 0) {
        r.append(separador);
        const QChar* decimais = escreverDigitos(fraccao, fim, casas, {}, n);
        r.append(decimais, n);
    }
    return r;
}
