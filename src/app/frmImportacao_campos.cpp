// The filter fields: checks on leaving, keys, and the look-up lists.
#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "InstrucaoEncomendas.h"
#include "ListaPesquisa.h"

#include <QLabel>

void frmImportacao::campo_Validate(int index, bool& cancel) {
    CampoEntrada* f = campo[static_cast<size_t>(index)];
    if (index == 1 && ValidarCampo) {
        if (f->text().isEmpty()) {
            Avisa(QString(), QStringLiteral("Campo obrigatório!"), 2);
            f->setFocus();
            cancel = true;
        } else {
            const Instrucao i = instrucaoCliente(f->text());
            RecordSet rs;
            bd->consultar(i.sql, i.parametros, rs);
            if (rs.contagem() < 1) {
                Avisa(QString(), QStringLiteral("Cliente não existente!"), 2);
                f->setFocus();
                cancel = true;
            } else {
                Label2[4]->setText(rs.campo(QStringLiteral("Nome")).toString());
                // A client accepted: the next load starts a fresh grid.
                LinhasCarregadas = 0;
            }
        }
    } else if (index == 0 && ValidarCampo) {
        if (f->text().isEmpty()) {
            Label2[5]->clear();
        } else {
            const Instrucao i = instrucaoArtigo(f->text());
            RecordSet rs;
            bd->consultar(i.sql, i.parametros, rs);
            if (rs.contagem() < 1) {
                Avisa(QString(), QStringLiteral("Artigo não existente!"), 2);
                Label2[5]->clear();
                f->setFocus();
                cancel = true;
            } else {
                Label2[5]->setText(rs.campo(QStringLiteral("Nome")).toString());
            }
        }
    }
    ValidarCampo = false;
}

void frmImportacao::campo_LostFocus(int index) {
    if (index == 0 && campo[0]->text().isEmpty())
        Label2[5]->clear();
}

void frmImportacao::campo_KeyPress(int index, int& keyAscii) {
    ValidarCampo = true;
    if (keyAscii != 27)
        return;
    keyAscii = 0;
    ValidarCampo = false;
    if (index == 1) {
        // Escape in the first field closes the window.
        close();
        return;
    }
    // Back one control; with nothing typed, leaving runs no check.
    campo[static_cast<size_t>(index)]->avancar(true);
}

void frmImportacao::btFx_Click(int index) {
    CampoEntrada* f = campo[static_cast<size_t>(index)];
    QString codigo;
    if (index == 0 || index == 1) {
        ListaPesquisa lista(bd->novaLigacao(), this);
        if (index == 1) {
            lista.definirTitulo(QStringLiteral("Clientes"));
            lista.definirConsulta(
                QStringLiteral("SELECT Codigo AS Cliente, Nome AS Nome From Clientes  ORDER BY Codigo"));
        } else {
            lista.definirTitulo(QStringLiteral("Artigos"));
            lista.definirConsulta(
                QStringLiteral("SELECT Codigo AS Artigo, Nome AS Nome From Artigos  ORDER BY Codigo"));
        }
        lista.definirLargura(8000);
        lista.carregar();
        lista.definirLarguraColuna(1, 1500);
        lista.definirLarguraColuna(2, 5000);
        codigo = lista.mostrar();
        activateWindow();
    }
    if (codigo.isEmpty()) {
        f->setFocus();
        return;
    }
    // Whole, even beyond the 15 characters a typed code may have.
    f->tomarEscolha(codigo);
    f->setSelection(0, static_cast<int>(codigo.size()));
    f->setFocus();
    // Move on as a Tab would: the field's check runs for the code just taken.
    ValidarCampo = true;
    f->avancar(false);
}
