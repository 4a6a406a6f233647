// The grid: its layout, marking lines and the quantity to satisfy.
#include "frmImportacao.h"

#include "EdicaoLinhas.h"
#include "Grelha.h"
#include "ModeloEncomendas.h"

#include <QLabel>
#include <QPushButton>

namespace {

/// Rows the grid holds after every rebuild.
constexpr int LinhasIniciais = 60;

} // namespace

void frmImportacao::Act_Grelha() {
    grelha->definirCorFundo(corFundo());
    grelha->definirComportamentoEnter(1);
    grelha->definirComportamentoTab(1);
    modeloLinhas->recomecar(LinhasIniciais);
    // The control's columns are the model's, under their keys.
    grelha->removerColunas();
    for (const DefinicaoColuna& c : ColunasEncomenda)
        grelha->adicionarColuna({c.chave, c.larguraTwips, c.comprimentoMaximo, c.oculta});
    filtrosUsados.limpar();
    // What the status line said was about the grid just discarded.
    estado->clear();
}

void frmImportacao::Grelha_ValorAlterado() {
    ValidarCampo = false;
    const QModelIndex actual = grelha->currentIndex();
    if (!actual.isValid() || ModeloEncomendas::coluna(actual) != ColunaEncomenda::AN)
        return;
    ModeloEncomendas& m = *modeloLinhas;
    const int linha = actual.row();
    if (m.marcada(linha)) {
        // Ticked: nothing typed yet means the whole pending quantity.
        if (m.quantidade(linha).value_or(Moeda()) == Moeda())
            m.definirQuantidade(linha, m.quantidadePendente(linha));
    } else {
        m.definirQuantidade(linha, Moeda());
    }
}

void frmImportacao::Grelha_AntesDeConfirmar(int linha, ColunaEncomenda coluna, const QString& texto, QVariant& anterior,
                                            bool& cancelar) {
    if (coluna == ColunaEncomenda::Qtd) {
        ModeloEncomendas& m = *modeloLinhas;
        // The quantity being committed is the text typed: the cell keeps the
        // previous one until the commit.
        switch (decidirQuantidade(texto, m.quantidadePendente(linha).value_or(Moeda()), m.locale())) {
        case DecisaoQuantidade::NaoNumerico:
            cancelar = true;
            grelha->definirTextoEditor(valorVazio(anterior) ? QString() : textoAnterior(anterior));
            break;
        case DecisaoQuantidade::Marcar:
            m.definirMarca(linha, true);
            cancelar = false;
            break;
        case DecisaoQuantidade::Desmarcar:
            m.definirMarca(linha, false);
            cancelar = false;
            break;
        case DecisaoQuantidade::Invalido:
            Avisa(QString(), QStringLiteral("Valor inválido!"), 2);
            grelha->definirTextoEditor(textoAnterior(anterior));
            cancelar = true;
            break;
        }
    }
    ValidarCampo = false;
}

void frmImportacao::btMarcar_Click() {
    const bool marcar = btMarcar->text() == QLatin1String("&Marcar");
    modeloLinhas->marcarTodas(marcar);
    btMarcar->setText(marcar ? QStringLiteral("&Desmarcar") : QStringLiteral("&Marcar"));
    ValidarCampo = false;
}
