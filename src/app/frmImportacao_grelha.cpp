// The grid: its layout, ticks, the quantity to satisfy, and mark-all.
#include "frmImportacao.h"

#include "Grelha.h"
#include "ModeloEncomendas.h"

// The columns, laid out anew with the controller's rows.
void frmImportacao::Act_Grelha() {
    grelha->definirCorFundo(corFundo());
    grelha->definirComportamentoEnter(1);
    grelha->definirComportamentoTab(1);
    // The control's columns are the model's, under their keys.
    grelha->removerColunas();
    for (const DefinicaoColuna& c : ColunasEncomenda)
        grelha->adicionarColuna({c.chave, c.larguraTwips, c.comprimentoMaximo, c.oculta});
}

void frmImportacao::Grelha_ValorAlterado() {
    m_importacao.valorAlterado(grelha->currentIndex());
}

void frmImportacao::Grelha_AntesDeConfirmar(const QModelIndex& celula, const QString& texto, QVariant& anterior,
                                            bool& cancelar) {
    const Importacao::Confirmacao c = m_importacao.antesDeConfirmar(celula, texto, anterior);
    if (c.textoEditor)
        grelha->definirTextoEditor(*c.textoEditor);
    if (c.cancelar)
        cancelar = *c.cancelar;
}

void frmImportacao::btMarcar_Click() {
    m_importacao.marcarTodas();
}
