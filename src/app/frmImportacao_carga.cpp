// The pending-order load ("&Carregar") and "&Guia": the fields' texts go to the controller.
#include "frmImportacao.h"

#include "CampoEntrada.h"

void frmImportacao::btCarga_Click() {
    m_importacao.carregar(FiltrosCarga{campo[1]->text(), campo[0]->text(), campo[2]->text(), campo[3]->text()});
}

void frmImportacao::btEnc_Click() {
    m_importacao.fazerGuia(campo[1]->text());
}
