#include "PrecoEntrada.h"

#include <cmath>

double factorPreco(const QString& texto) {
    // Blanks anywhere are skipped; the number is the longest prefix of
    // sign, digits, one point and an exponent.
    QString s;
    s.reserve(texto.size());
    for (const QChar c : texto)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            s += c;
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto digito = [&](qsizetype k) { return k < n && s.at(k) >= QLatin1Char('0') && s.at(k) <= QLatin1Char('9'); };
    if (i < n && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        ++i;
    bool algum = false;
    while (digito(i)) {
        ++i;
        algum = true;
    }
    if (i < n && s.at(i) == QLatin1Char('.')) {
        ++i;
        while (digito(i)) {
            ++i;
            algum = true;
        }
    }
    if (!algum)
        return 0.0;
    qsizetype fim = i;
    if (i < n && (s.at(i) == QLatin1Char('e') || s.at(i) == QLatin1Char('E'))) {
        qsizetype k = i + 1;
        if (k < n && (s.at(k) == QLatin1Char('+') || s.at(k) == QLatin1Char('-')))
            ++k;
        if (digito(k)) {
            while (digito(k))
                ++k;
            fim = k;
        }
    }
    bool ok = false;
    const double v = s.left(fim).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

double precoEntrada(const Moeda& preco, double factor) {
    const double bruto = preco.paraDouble() * (1.0 - factor);
    // Round to cents, halves to even, on the decimal value: work in
    // ten-thousandths first so that 9.005 is seen as exactly half a cent.
    const Moeda quatro = Moeda::deDouble(bruto);
    return quatro.arredondadoPar(2).paraDouble();
}
