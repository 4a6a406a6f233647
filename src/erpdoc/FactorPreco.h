#pragma once

#include "Moeda.h"

#include <QString>

#include <cstdint>
#include <optional>

/// The entry's price factor (item 4 of the parameter ENTRADAS): the fraction
/// taken off the order price, 0 ≤ factor < 1, kept exactly as it is written.
class FactorPreco final {
public:
    /// Most decimals a factor may have (trailing zeros aside): the price times
    /// the factor is then exact in 128 bits.
    static constexpr int CasasMaximas = 18;

    /// Reads a plain decimal number with "." as separator: blanks anywhere are
    /// ignored; an optional sign, then digits with at most one point (".5"
    /// and "0." read too); empty text is 0. Nothing when the text is anything
    /// else (a comma, "%", an exponent, letters), lies outside 0 ≤ factor < 1
    /// or has more than CasasMaximas decimals.
    static std::optional<FactorPreco> ler(const QString& texto);

    /// The entry line's unit price: `preco` × (1 − factor), rounded once to
    /// cents with halves going to the even neighbour, in decimal arithmetic.
    Moeda aplicar(Moeda preco) const;

    /// The factor as "0.25" ("0" for none).
    QString texto() const;

    bool operator==(const FactorPreco&) const = default;

private:
    std::int64_t m_fraccao = 0; ///< the digits after the point, as a whole number
    int m_casas = 0;            ///< how many digits after the point (no trailing zero)
};
