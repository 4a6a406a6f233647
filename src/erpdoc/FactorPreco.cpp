#include "FactorPreco.h"

namespace {

__extension__ using Inteiro128 = __int128;

bool digito(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

std::int64_t potenciaDez(int n) {
    std::int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

std::optional<FactorPreco> FactorPreco::ler(const QString& texto) {
    QString s;
    s.reserve(texto.size());
    for (const QChar c : texto)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            s += c;
    if (s.isEmpty())
        return FactorPreco();

    qsizetype i = 0;
    const bool negativo = s.at(0) == QLatin1Char('-');
    if (negativo || s.at(0) == QLatin1Char('+'))
        ++i;
    bool algum = false;
    bool inteiroNaoNulo = false;
    for (; i < s.size() && digito(s.at(i)); ++i) {
        algum = true;
        inteiroNaoNulo = inteiroNaoNulo || s.at(i) != QLatin1Char('0');
    }
    QString decimais;
    if (i < s.size() && s.at(i) == QLatin1Char('.'))
        for (++i; i < s.size() && digito(s.at(i)); ++i) {
            algum = true;
            decimais += s.at(i);
        }
    if (!algum || i != s.size() || inteiroNaoNulo)
        return std::nullopt;
    while (decimais.endsWith(QLatin1Char('0')))
        decimais.chop(1);
    if (decimais.size() > CasasMaximas || (negativo && !decimais.isEmpty()))
        return std::nullopt;

    FactorPreco f;
    f.m_casas = static_cast<int>(decimais.size());
    f.m_fraccao = decimais.isEmpty() ? 0 : decimais.toLongLong();
    return f;
}

Moeda FactorPreco::aplicar(Moeda preco) const {
    // price × (1 − fraccao / 10^casas) in cents: the price is in ten-thousandths.
    const std::int64_t escala = potenciaDez(m_casas);
    const Inteiro128 numerador = static_cast<Inteiro128>(preco.unidades()) * (escala - m_fraccao);
    const Inteiro128 denominador = static_cast<Inteiro128>(escala) * (Moeda::Escala / 100);
    Inteiro128 centimos = numerador / denominador;
    const Inteiro128 resto = numerador % denominador; // the sign of the numerator
    const Inteiro128 dobro = 2 * (resto < 0 ? -resto : resto);
    if (dobro > denominador || (dobro == denominador && centimos % 2 != 0))
        centimos += numerador < 0 ? -1 : 1;
    std::int64_t unidades = 0;
    // Only a price at the very end of the currency's range rounds out of it: it stays truncated.
    if (__builtin_mul_overflow(static_cast<std::int64_t>(centimos), Moeda::Escala / 100, &unidades))
        unidades = static_cast<std::int64_t>(numerador / denominador) * (Moeda::Escala / 100);
    return Moeda::deUnidades(unidades);
}

QString FactorPreco::texto() const {
    if (m_casas == 0)
        return QStringLiteral("0");
    return QStringLiteral("0.") + QString::number(m_fraccao).rightJustified(m_casas, QLatin1Char('0'));
}
