#include "SessaoErp.h"

#include "CodigosErp.h"

std::function<bool()> SessaoErp::iniciarLogin(const QString& e1, const QString& e2, const QString& e3,
                                              const QString& e4, const QString& e5) {
    const bool ligado = login(e1, e2, e3, e4, e5);
    return [ligado] { return ligado; };
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
