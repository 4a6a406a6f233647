// Handlers still to come.
#include "frmImportacao.h"

void frmImportacao::btCarga_Click() {}
void frmImportacao::btMarcar_Click() {}
void frmImportacao::btEnc_Click() {}
void frmImportacao::btFx_Click(int) {}
void frmImportacao::Grelha_ValorAlterado() {}
void frmImportacao::Grelha_AntesDeConfirmar(int, int, QVariant&, bool&) {}
void frmImportacao::campo_Validate(int, bool&) {}
void frmImportacao::campo_LostFocus(int) {}
void frmImportacao::campo_KeyPress(int, int&) {}
std::shared_ptr<ObjectoApi> frmImportacao::SageCreateApiObject(const QString&) { return {}; }
bool frmImportacao::CriaCabecalho() { return true; }
bool frmImportacao::LibertaDocumento() { return true; }
bool frmImportacao::CriaLinhas(qint32&, QString&) { return false; }
void frmImportacao::GravaEntrada(qint32&, QString&) {}
