#pragma once

#include <QLocale>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <compare>
#include <cstdint>
#include <optional>

/// Currency: a fixed-point decimal with four decimal places, held as a whole
/// number of ten-thousandths, so that comparisons are exact.
class Moeda final {
public:
    static constexpr std::int64_t Escala = 10000;

    constexpr Moeda() = default;
    static constexpr Moeda deUnidades(std::int64_t decimosMilesimos) {
        Moeda m;
        m.m_valor = decimosMilesimos;
        return m;
    }
    static constexpr Moeda deInteiro(std::int64_t v) { return deUnidades(v * Escala); }
    /// Rounds to four decimals, halves away from zero.
    static Moeda deDouble(double v);
    /// Reads "-1234.5678" (C locale, point as separator; more than four
    /// decimals are rounded). Empty optional when the text is not a number.
    static std::optional<Moeda> deTextoC(const QString& texto);
    /// The same, of text in single bytes (a database's decimal text).
    static std::optional<Moeda> deTextoC(QLatin1String texto);
    /// Converts a value as the database or the grid holds it: Moeda, integer,
    /// floating point or numeric text. Empty optional for an empty or
    /// non-numeric value.
    static std::optional<Moeda> deVariant(const QVariant& v);

    constexpr std::int64_t unidades() const { return m_valor; }
    double paraDouble() const { return static_cast<double>(m_valor) / Escala; }
    /// Rounds to `casas` decimals (0 to 4), halves to the even neighbour.
    Moeda arredondadoPar(int casas) const;

    /// "##,###0.00" under the given locale: group separators, at least one
    /// digit before the decimal separator, exactly two decimals.
    QString formatar(const QLocale& locale = QLocale()) const;
    /// Plain text with "." and as many decimals as needed ("7", "7.5", "7.0001").
    QString paraTextoC() const { return paraTexto(u".", 0); }
    /// Plain text, no grouping, with this decimal separator and at least
    /// `casasMinimas` decimals (0 to 4): paraTexto(u",", 2) gives "2,00", "2,125".
    QString paraTexto(QStringView separador, int casasMinimas) const;

    friend constexpr auto operator<=>(Moeda a, Moeda b) = default;
    friend constexpr Moeda operator+(Moeda a, Moeda b) { return deUnidades(a.m_valor + b.m_valor); }
    friend constexpr Moeda operator-(Moeda a, Moeda b) { return deUnidades(a.m_valor - b.m_valor); }

private:
    std::int64_t m_valor = 0;
};

Q_DECLARE_METATYPE(Moeda)
