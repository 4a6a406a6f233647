// The numeric text of the quantity editor (converterNumeroOle) and the
// decision on a typed quantity (decidirQuantidade).
//
// Input: byte 0 chooses the workstation's locale, bytes 1..8 the pending
// quantity (ten-thousandths); the rest is the typed text (UTF-8).
// Checks:
//  - a number read is finite, and blanks around the text change nothing;
//  - the locale's own writing of a number read, with four decimals, reads
//    back as that number rounded to four decimals;
//  - the decision agrees with the number: not numeric exactly when no number
//    is read; "mark" only above zero and up to the pending quantity; "unmark"
//    only for zero; "invalid" only below zero or above the pending quantity.

#include "EdicaoLinhas.h"
#include "Moeda.h"
#include "NumeroOle.h"

#include <QLocale>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void exigir(bool condicao) {
    if (!condicao)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    if (tamanho < 9)
        return 0;
    static const QList<QLocale> locais = {
        QLocale::c(),
        QLocale(QLocale::Portuguese, QLocale::Portugal),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),      // a narrow no-break space between groups
        QLocale(QLocale::German, QLocale::Switzerland), // an apostrophe between groups
        QLocale(QLocale::Arabic, QLocale::Egypt),       // digits of its own
        QLocale(QLocale::Persian, QLocale::Iran),       // a minus sign of its own
    };
    const QLocale& locale = locais.at(dados[0] % locais.size());
    std::int64_t unidades = 0;
    std::memcpy(&unidades, dados + 1, sizeof unidades);
    const Moeda pendente = Moeda::deUnidades(unidades % (std::int64_t(1) << 50));
    const QString texto =
        QString::fromUtf8(reinterpret_cast<const char*>(dados + 9), static_cast<qsizetype>(tamanho - 9));

    const std::optional<double> v = converterNumeroOle(texto, locale);
    exigir(converterNumeroOle(QStringLiteral("  ") + texto + QStringLiteral(" "), locale) == v);
    if (v) {
        exigir(std::isfinite(*v));
        if (std::fabs(*v) < 1e12) {
            const double arredondado = Moeda::deDouble(*v).paraDouble();
            const auto outra = converterNumeroOle(locale.toString(arredondado, 'f', 4), locale);
            exigir(outra && Moeda::deDouble(*outra) == Moeda::deDouble(arredondado));
        }
    }

    const DecisaoQuantidade d = decidirQuantidade(texto, pendente, locale);
    exigir((d == DecisaoQuantidade::NaoNumerico) == !v.has_value());
    if (v) {
        const bool enorme = std::fabs(*v) >= 1e14;
        const Moeda q = enorme ? Moeda() : Moeda::deDouble(*v);
        switch (d) {
        case DecisaoQuantidade::Marcar:
            exigir(!enorme && Moeda() < q && q <= pendente);
            break;
        case DecisaoQuantidade::Desmarcar:
            exigir(!enorme && q == Moeda());
            break;
        case DecisaoQuantidade::Invalido:
            exigir(enorme || q < Moeda() || q > pendente);
            break;
        case DecisaoQuantidade::NaoNumerico:
            std::abort();
        }
    }
    return 0;
}
