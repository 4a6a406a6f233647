#include "EdicaoLinhas.h"

#include "NumeroOle.h"

#include <cmath>

bool valorVazio(const QVariant& v) {
    if (!v.isValid())
        return true;
    if (v.metaType() == QMetaType::fromType<QString>())
        return v.isNull() || static_cast<const QString*>(v.constData())->isEmpty();
    return v.isNull();
}

DecisaoQuantidade decidirQuantidade(const QString& texto, Moeda pendente, const QLocale& locale) {
    const std::optional<double> q = converterNumeroOle(texto, locale);
    if (!q)
        return DecisaoQuantidade::NaoNumerico;
    // Far beyond any quantity: refused as above the pending quantity.
    if (std::fabs(*q) >= 1e14)
        return DecisaoQuantidade::Invalido;
    const Moeda quantidade = Moeda::deDouble(*q);
    if (quantidade == Moeda())
        return DecisaoQuantidade::Desmarcar;
    if (quantidade < Moeda())
        return DecisaoQuantidade::Invalido;
    return quantidade <= pendente ? DecisaoQuantidade::Marcar : DecisaoQuantidade::Invalido;
}

QString textoAnterior(const QVariant& anterior) {
    return valorVazio(anterior) ? QStringLiteral("0") : anterior.toString();
}
