#include "ImpressaoGuia.h"

#include "CodigosErp.h"
#include "Erro.h"

GuiaImpressa registarImpressao(SessaoErp& sessao, GuiaImpressa guia) {
    ChaveDocumento chave = guia.chave;
    qint32 anteriores = 0;
    EstadoOperacao estado;
    sessao.RegistaImpressao(chave, anteriores, estado);
    if (estado.Codigo != CodigosErp::Feito)
        throw Erro(
            Erro::RecusadoErp,
            QStringLiteral("A impressão da guia %1 não foi registada: %2").arg(textoChave(chave), estado.TextoEstado));
    guia.impressoesAnteriores = anteriores;
    return guia;
}
