// The filter fields: checks on leaving, keys, and the look-up lists.
#include "frmImportacao.h"

#include "BaseDados.h"
#include "CampoEntrada.h"
#include "ListaPesquisa.h"

namespace {

Importacao::Campo campoDoIndice(int index) {
    return static_cast<Importacao::Campo>(index);
}

} // namespace

void frmImportacao::campo_Validate(int index, bool& cancel) {
    CampoEntrada* f = campo[static_cast<size_t>(index)];
    if (!m_importacao.sairDoCampo(campoDoIndice(index), f->text())) {
        f->setFocus();
        cancel = true;
    }
}

void frmImportacao::campo_LostFocus(int index) {
    m_importacao.campoDeixado(campoDoIndice(index), campo[static_cast<size_t>(index)]->text());
}

void frmImportacao::campo_KeyPress(int index, int& keyAscii) {
    m_importacao.definirValidarCampo(true);
    if (keyAscii != 27)
        return;
    keyAscii = 0;
    m_importacao.definirValidarCampo(false);
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
    if (const auto l = m_importacao.lista(campoDoIndice(index))) {
        ListaPesquisa lista(m_importacao.ligacaoLista(), m_guarda, this);
        lista.definirTitulo(l->titulo);
        lista.definirConsulta(l->consulta);
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
    m_importacao.definirValidarCampo(true);
    f->avancar(false);
}
