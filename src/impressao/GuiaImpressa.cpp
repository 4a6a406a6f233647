#include "GuiaImpressa.h"

QString EntidadeImpressa::moradaCompleta() const {
    const QString m = morada.trimmed(), l = localidade.trimmed();
    if (m.isEmpty() || l.isEmpty())
        return m + l;
    return m + QStringLiteral(", ") + l;
}

QString OrigemImpressa::texto() const {
    return QStringLiteral("%1 %2/%3/%4, linha %5").arg(tipo).arg(serie).arg(numero).arg(ano).arg(linha);
}

QString GuiaImpressa::identificacao() const {
    return QStringLiteral("%1 %2/%3").arg(chave.TipoDoc).arg(chave.Serie).arg(chave.Numero);
}

QString GuiaImpressa::atcud() const {
    const QString codigo = codigoValidacao.trimmed();
    return (codigo.isEmpty() ? QStringLiteral("0") : codigo) + QLatin1Char('-') + QString::number(chave.Numero);
}

Moeda GuiaImpressa::quantidadeTotal() const {
    Moeda total;
    for (const LinhaImpressa& l : linhas)
        total = total + l.quantidade;
    return total;
}

QString textoImprimivel(const QString& texto) {
    QString r = texto;
    for (QChar& c : r) {
        const QChar::Category k = c.category();
        if (k == QChar::Other_Control || k == QChar::Separator_Line || k == QChar::Separator_Paragraph ||
            k == QChar::Other_Format)
            c = QLatin1Char(' ');
    }
    return r;
}
