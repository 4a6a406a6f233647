// Window state: enabling the action controls, clearing, messages, cancel and exit.
#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "Grelha.h"
#include "Guarda.h"

#include <QLabel>
#include <QPushButton>

void frmImportacao::Activa() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{btCarga, btMarcar, btEnc, btSair, btCancelar, btDocumentos, grelha})
        w->setEnabled(true);
}

void frmImportacao::DesActiva() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{btCarga, btMarcar, btEnc, btSair, btCancelar, btDocumentos, grelha})
        w->setEnabled(false);
}

// The window's side of the controller's clearing (which lays the grid out
// anew, empties the names, the loaded lines, the history, and makes mark-all
// mark): the fields empty, the action controls enabled. The focus stays.
void frmImportacao::LimparForm() {
    for (CampoEntrada* c : campo)
        c->clear();
    Activa();
}

int frmImportacao::Avisa(const QString& nomeCampo, const QString& Aviso, qint16 Tipo) {
    Mensagens& m = m_guarda.mensagens();
    const QString titulo = QStringLiteral("Informação");
    switch (Tipo) {
    case 1:
        m.caixa(titulo, QStringLiteral("Campo obrigatório") + QStringLiteral(" [") + nomeCampo + QStringLiteral("]."),
                Mensagens::Botoes::Ok, Mensagens::Icone::Aviso);
        return 0;
    case 2:
        m.caixa(titulo, Aviso, Mensagens::Botoes::Ok, Mensagens::Icone::Informacao);
        return 0;
    case 3:
        return m.caixa(titulo, Aviso, Mensagens::Botoes::OkCancelar, Mensagens::Icone::Informacao);
    case 4:
        return m.caixa(titulo, Aviso, Mensagens::Botoes::SimNao, Mensagens::Icone::Informacao);
    default:
        return 0;
    }
}

void frmImportacao::btCancelar_Click() {
    m_importacao.limpar();
    campo[1]->setFocus();
}

void frmImportacao::btSair_Click() {
    close();
}
