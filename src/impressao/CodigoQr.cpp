#include "CodigoQr.h"

#include "Erro.h"

#include <qrencode.h>

#include <memory>

namespace CodigoQr {

namespace {

/// A tax number without its country prefix ("PT501234567" gives "501234567").
QString semPrefixo(const QString& contribuinte) {
    const QString t = contribuinte.trimmed().remove(QLatin1Char(' '));
    if (t.size() > 2 && t.at(0).isLetter() && t.at(1).isLetter())
        return t.mid(2);
    return t;
}

/// The country of a tax number: its prefix, or Portugal when it has none.
QString pais(const QString& contribuinte) {
    const QString t = contribuinte.trimmed();
    if (t.size() > 2 && t.at(0).isLetter() && t.at(1).isLetter())
        return t.left(2).toUpper();
    return QStringLiteral("PT");
}

/// A field's value cannot hold the separator.
QString campo(const QString& valor) {
    QString v = textoImprimivel(valor);
    return v.replace(QLatin1Char('*'), QLatin1Char(' ')).trimmed();
}

} // namespace

QString texto(const GuiaImpressa& guia) {
    // The movement types of transport documents; another code of the
    // company's own is a delivery note (GR).
    static const QStringList movimentos{QStringLiteral("GR"), QStringLiteral("GT"), QStringLiteral("GA"),
                                        QStringLiteral("GC"), QStringLiteral("GD")};
    const QString tipo = guia.chave.TipoDoc.trimmed().toUpper();
    // No buyer's tax number: the final consumer's.
    const QString comprador = semPrefixo(guia.cliente.contribuinte);
    const QStringList campos{
        QStringLiteral("A:") + campo(semPrefixo(guia.empresa.contribuinte)),
        QStringLiteral("B:") + (comprador.isEmpty() ? QStringLiteral("999999990") : campo(comprador)),
        QStringLiteral("C:") + campo(pais(guia.cliente.contribuinte)),
        QStringLiteral("D:") + (movimentos.contains(tipo) ? tipo : QStringLiteral("GR")),
        QStringLiteral("E:") + (guia.anulada ? QStringLiteral("A") : QStringLiteral("N")),
        QStringLiteral("F:") + guia.data.toString(QStringLiteral("yyyyMMdd")),
        QStringLiteral("G:") + campo(guia.identificacao()),
        QStringLiteral("H:") + campo(guia.atcud()),
        QStringLiteral("I1:0"),
        QStringLiteral("N:0.00"),
        QStringLiteral("O:0.00"),
        QStringLiteral("Q:0"),
        QStringLiteral("R:0"),
    };
    return campos.join(QLatin1Char('*'));
}

Matriz codificar(const QByteArray& dados) {
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> qr(
        QRcode_encodeData(static_cast<int>(dados.size()), reinterpret_cast<const unsigned char*>(dados.constData()), 0,
                          QR_ECLEVEL_M),
        &QRcode_free);
    if (!qr)
        throw Erro(Erro::Transbordo, QStringLiteral("O código QR não foi gerado (%1 bytes).").arg(dados.size()));
    Matriz m;
    m.lado = qr->width;
    m.modulos.resize(static_cast<size_t>(m.lado) * static_cast<size_t>(m.lado));
    for (size_t i = 0; i < m.modulos.size(); ++i)
        m.modulos[i] = (qr->data[i] & 1) != 0;
    return m;
}

} // namespace CodigoQr
