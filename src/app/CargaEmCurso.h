#pragma once

#include "frmImportacao.h"

#include <QPointer>

#include <utility>
#include <vector>

/// The state of the window while a load runs (see frmImportacao): set up when
/// the load begins, put back as it was when the load ends, however it ends.
class frmImportacao::CargaEmCurso final {
public:
    explicit CargaEmCurso(frmImportacao& janela);
    ~CargaEmCurso();
    Q_DISABLE_COPY_MOVE(CargaEmCurso)

private:
    frmImportacao& m_janela;
    const int m_excecoes; ///< errors on their way out when the load began
    std::vector<std::pair<QPointer<QWidget>, bool>> m_estados;
    /// Where the focus was: disabling the button that has it moves it away.
    QPointer<QWidget> m_foco;
};
