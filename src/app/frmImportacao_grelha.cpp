// Marking lines and the quantity to satisfy.
#include "frmImportacao.h"

#include "ColunasGrelha.h"
#include "EdicaoLinhas.h"
#include "Grelha.h"

#include <QPushButton>

void frmImportacao::Grelha_ValorAlterado() {
    ValidarCampo = false;
    if (grelha->posicaoColunaActual() != 16)
        return;
    const int linha = grelha->linhaActual();
    const int pAN = grelha->posicaoColuna(QStringLiteral("AN"));
    const int pQtd = grelha->posicaoColuna(QStringLiteral("Qtd"));
    const int pQtdP = grelha->posicaoColuna(QStringLiteral("QtdP"));
    if (grelha->valorCelula(linha, pAN).toBool()) {
        // Ticked: nothing typed yet means the whole pending quantity.
        if (moedaOuZero(grelha->valorCelula(linha, pQtd)) == Moeda())
            grelha->definirValorCelula(linha, pQtd, grelha->valorCelula(linha, pQtdP));
    } else {
        grelha->definirValorCelula(linha, pQtd, QVariant::fromValue(Moeda()));
    }
}

void frmImportacao::Grelha_AntesDeConfirmar(int linha, int posicao, QVariant& anterior, bool& cancelar) {
    if (posicao == 9) {
        const QLocale& locale = grelha->modelo().locale();
        switch (decidirQuantidade(grelha->textoEditor(), grelha->valorCelula(linha, 8), locale)) {
        case DecisaoQuantidade::NaoNumerico:
            cancelar = true;
            grelha->definirTextoEditor(valorVazio(anterior) ? QString() : textoAnterior(anterior, locale));
            break;
        case DecisaoQuantidade::Marcar:
            grelha->definirValorCelula(linha, 16, true);
            cancelar = false;
            break;
        case DecisaoQuantidade::Desmarcar:
            grelha->definirValorCelula(linha, 16, false);
            cancelar = false;
            break;
        case DecisaoQuantidade::Invalido:
            Avisa(QString(), QStringLiteral("Valor inválido!"), 2);
            grelha->definirTextoEditor(textoAnterior(anterior, locale));
            cancelar = true;
            break;
        }
    }
    ValidarCampo = false;
}

void frmImportacao::btMarcar_Click() {
    const bool marcar = btMarcar->text() == QLatin1String("&Marcar");
    ModeloGrelha& m = grelha->modelo();
    const QVariant zero = QVariant::fromValue(Moeda());
    const int n = m.numeroLinhas();
    // Read in place: a click walks every row.
    for (int r = 0; r < n; ++r) {
        if (valorVazio(m.valorRef(r, Col::Artigo)))
            continue;
        if (marcar) {
            m.definirValor(r, Col::AN, true);
            m.definirValor(r, Col::Qtd, m.valorRef(r, Col::QtdP));
        } else {
            m.definirValor(r, Col::AN, false);
            m.definirValor(r, Col::Qtd, zero);
        }
    }
    btMarcar->setText(marcar ? QStringLiteral("&Desmarcar") : QStringLiteral("&Marcar"));
    // Only the marks and the quantities changed: only they are painted again.
    m.actualizarColunas({Col::AN, Col::Qtd});
    ValidarCampo = false;
}
