#include "SessaoErp.h"

#include "CodigosErp.h"

std::function<bool()> SessaoErp::iniciarLogin(const QString& e1, const QString& e2, const QString& e3,
                                              const QString& e4, const QString& e5) {
    const bool ligado = login(e1, e2, e3, e4, e5);
    return [ligado] { return ligado; };
}

void SessaoErp::setMotivoAnulacao(const QString& motivo) {
    Q_UNUSED(motivo);
}

void SessaoErp::RegistaImpressao(ChaveDocumento& chave, qint32& anteriores, EstadoOperacao& estado) {
    anteriores = 0;
    estado = {CodigosErp::Recusado,
              QStringLiteral("Este ERP não regista as impressões do documento %1.").arg(textoChave(chave))};
}

QString textoChave(const ChaveDocumento& chave) {
    // Joined, not arg()-chained: a type holding "%2" stays as it is written.
    const QChar barra = QLatin1Char('/');
    return chave.TipoDoc + barra + QString::number(chave.Serie) + barra + QString::number(chave.Numero) + barra +
           QString::number(chave.Ano);
}

std::optional<ChaveDocumento> chaveDeTexto(const QString& texto) {
    const QStringList partes = texto.trimmed().split(QLatin1Char('/'));
    const qsizetype n = partes.size();
    if (n < 4)
        return std::nullopt;
    bool serieOk = false, numeroOk = false, anoOk = false;
    const int serie = partes.at(n - 3).toInt(&serieOk);
    const int numero = partes.at(n - 2).toInt(&numeroOk);
    const int ano = partes.at(n - 1).toInt(&anoOk);
    const QString tipo = partes.mid(0, n - 3).join(QLatin1Char('/'));
    if (tipo.isEmpty() || !serieOk || !numeroOk || !anoOk || serie < -32768 || serie > 32767 || ano < 1 ||
        ano > 32767 || numero < 1)
        return std::nullopt;
    return ChaveDocumento{static_cast<qint16>(ano), tipo, static_cast<qint16>(serie), numero};
}
