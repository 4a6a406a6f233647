#include "CargaEmCurso.h"

#include <QApplication>
#include <QPushButton>

#include <exception>

frmImportacao::CargaEmCurso::CargaEmCurso(frmImportacao& janela)
    : m_janela(janela), m_excecoes(std::uncaught_exceptions()), m_foco(janela.focusWidget()) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{janela.btCarga, janela.btMarcar, janela.btEnc, janela.btSair,
                                         janela.btCancelar, janela.btDocumentos, janela.btFx[0], janela.btFx[1]}) {
        m_estados.emplace_back(w, w->isEnabled());
        w->setEnabled(false);
    }
}

frmImportacao::CargaEmCurso::~CargaEmCurso() {
    // What came in while the load ran is handled while the buttons still
    // refuse it (not when an error is on its way out: that ends the program).
    if (std::uncaught_exceptions() == m_excecoes)
        QCoreApplication::processEvents();
    for (const auto& [w, activo] : m_estados)
        if (w)
            w->setEnabled(activo);
    // The load leaves the focus where it was ("&Carregar", clicked or by its
    // access key, gave it to the grid when it was disabled).
    if (m_foco && m_foco->isEnabled() && m_janela.focusWidget() != m_foco)
        m_foco->setFocus(Qt::OtherFocusReason);
    if (std::exchange(m_janela.m_fecharAposCarga, false))
        QMetaObject::invokeMethod(&m_janela, &QWidget::close, Qt::QueuedConnection);
}
