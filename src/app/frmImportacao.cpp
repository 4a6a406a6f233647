#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "CargaEmCurso.h"
#include "CursorOcupado.h"
#include "Grelha.h"
#include "Guarda.h"
#include "SessaoErp.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

QColor frmImportacao::corFundo() {
    return QColor(213, 222, 242);
}
QColor frmImportacao::corTitulo() {
    return QColor(245, 240, 214);
}

frmImportacao::frmImportacao(Importacao& importacao, Guarda& guarda, QWidget* parent)
    : QWidget(parent), m_importacao(importacao), m_guarda(guarda), m_vigia(new VigiaCampos(this)) {
    criarControlos();
    ligarControlador();
}

frmImportacao::~frmImportacao() {
    Form_Terminate();
}

void frmImportacao::ligarControlador() {
    Importacao& i = m_importacao;
    // The controller's messages are the window's boxes, shown before it goes on.
    connect(&i, &Importacao::aviso, this, [this](const QString& texto) { Avisa(QString(), texto, 2); });
    connect(&i, &Importacao::focoPedido, this, [this](Importacao::Campo c) { campoDe(c)->setFocus(); });
    connect(&i, &Importacao::nomeMudou, this, [this](Importacao::Campo c, const QString& nome) {
        Label2[c == Importacao::Campo::Cliente ? 4 : 5]->setText(nome);
    });
    connect(&i, &Importacao::estadoMudou, estado, &QLabel::setText);
    connect(&i, &Importacao::marcacaoMudou, this, [this](bool marcar) {
        btMarcar->setText(marcar ? QStringLiteral("&Marcar") : QStringLiteral("&Desmarcar"));
    });
    connect(&i, &Importacao::limpo, this, &frmImportacao::LimparForm);
    connect(&i, &Importacao::grelhaRefeita, this, &frmImportacao::Act_Grelha);
    connect(&i, &Importacao::corridaIniciada, this, &frmImportacao::DesActiva);
    connect(&i, &Importacao::cargaEmCurso, this, [this](bool emCurso) {
        if (emCurso)
            m_carga = std::make_unique<CargaEmCurso>(*this);
        else
            m_carga.reset();
    });
    connect(&i, &Importacao::ocupado, this, [this](bool emCurso) {
        if (emCurso)
            m_cursor = std::make_unique<CursorOcupado>();
        else
            m_cursor.reset();
    });
    // The window repaints now and then while a load reads.
    connect(&i, &Importacao::progresso, this,
            [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

void frmImportacao::Form_Load(BaseDados& bd, std::unique_ptr<SessaoErp> sessao, CorridasDoPosto* corridas) {
    m_importacao.abrir(bd, std::move(sessao), corridas);
}

void frmImportacao::Form_Terminate() {
    m_importacao.terminar();
}

void frmImportacao::closeEvent(QCloseEvent* event) {
    // A close asked for while a load reads waits for its end: the database
    // must not close under it.
    if (m_importacao.aCarregar()) {
        m_fecharAposCarga = true;
        event->ignore();
        return;
    }
    // Unload does nothing: the window always closes, and with it the program.
    event->accept();
    m_guarda([this] { Form_Terminate(); });
}
