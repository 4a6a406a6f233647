#pragma once

#include "Importacao.h"

#include <QIcon>
#include <QStyle>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class BaseDados;
class CampoEntrada;
class CorridasDoPosto;
class CursorOcupado;
struct DocumentoDoPosto;
class Grelha;
class Guarda;
class QFrame;
class QLabel;
class QPushButton;
class SessaoErp;
class VigiaCampos;

/// The import window: a view over its controller (Importacao), which holds
/// the window's state and rules. The window lays its controls out, hands
/// each event to the controller and shows what the controller says; its
/// controls and their handlers are its own. Each control carries its name as
/// its object name ("campo1", "Label2_4", "btCarga", "Grelha", "estado" ...),
/// by which tests and tools reach it.
class frmImportacao final : public QWidget {
    Q_OBJECT
public:
    /// The window over `importacao`, which outlives it; its events run inside
    /// `guarda`, and its boxes are the guard's.
    frmImportacao(Importacao& importacao, Guarda& guarda, QWidget* parent = nullptr);
    ~frmImportacao() override;
    Q_DISABLE_COPY_MOVE(frmImportacao)

    /// The window's load, once before it is shown: start-up lends it the
    /// company database and this workstation's runs (none: the runs are not
    /// journaled) and hands it the ERP session, logged off when the window
    /// ends. Raises Erro when the window cannot open.
    void Form_Load(BaseDados& bd, std::unique_ptr<SessaoErp> sessao, CorridasDoPosto* corridas = nullptr);

    /// The window's message box, titled "Informação": type 1 "Campo
    /// obrigatório [campo].", with a warning icon; 2 `Aviso` with OK; 3 with
    /// OK and Cancel (the default); 4 with Yes and No; any other none. The
    /// button pressed for 3 and 4, else 0. Every message of the controller
    /// comes here as type 2.
    int Avisa(const QString& campo, const QString& Aviso, qint16 Tipo);

    /// The background colours of the window and of the title frame.
    static QColor corFundo();
    static QColor corTitulo();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    /// While a load runs: the buttons are disabled (their access keys with
    /// them) and the window's action handlers start nothing, so that a timer,
    /// a queued click or an access key's delayed click that comes due while
    /// the load repaints cannot start another load or the Guia in its middle.
    /// Input that arrived meanwhile is handled before the buttons come back,
    /// so a click queued on one of them does nothing; a close asked for waits
    /// for the load's end. Each control gets back its state, also when the
    /// load raises, and the focus goes back where it was.
    class CargaEmCurso;

    // Lifecycle.
    void Form_Terminate();
    // Window state and messages.
    void Activa();
    void DesActiva();
    void LimparForm();
    void Act_Grelha();
    // Buttons.
    void btCancelar_Click();
    void btSair_Click();
    void btCarga_Click();
    void btMarcar_Click();
    void btEnc_Click();
    void btFx_Click(int index);
    void btDocumentos_Click();
    // The workstation's documents.
    /// Ctrl+P: the preview of the last Guia made since the window opened.
    void imprimirUltima();
    /// The print preview of `guia` over `pai`, from which it prints or saves.
    void previsualizar(const ChaveDocumento& guia, QWidget* pai);
    /// The copies of `guia` on the default printer, the print recorded.
    void imprimir(const ChaveDocumento& guia);
    /// The copies of `guia` in a PDF file the operator names, the print
    /// recorded; false when the operator cancelled.
    bool guardarPdf(const ChaveDocumento& guia);
    /// "&Anular": the reason asked for, the annulment confirmed and done;
    /// false when it was refused or the operator gave up.
    bool anular(const DocumentoDoPosto& documento);
    /// Runs `f`; an Erro it raises is told, after `inicio` and a colon, and
    /// gives false.
    bool dizerFalha(const QString& inicio, const std::function<void()>& f);
    // Grid events.
    void Grelha_ValorAlterado();
    void Grelha_AntesDeConfirmar(const QModelIndex& celula, const QString& texto, QVariant& anterior, bool& cancelar);
    // Field events.
    void campo_Validate(int index, bool& cancel);
    void campo_LostFocus(int index);
    void campo_KeyPress(int index, int& keyAscii);

    /// An action handler: inside the guard, and not while a load runs.
    std::function<void()> accao(std::function<void()> f);
    void criarControlos();
    void ligarControlador();
    QIcon imagem(QStyle::StandardPixmap qual) const;
    CampoEntrada* campoDe(Importacao::Campo c) const { return campo[static_cast<size_t>(c)]; }

    Importacao& m_importacao;
    Guarda& m_guarda;
    /// The fields' watcher: their check runs before a click or an access key
    /// takes the focus from them.
    VigiaCampos* m_vigia = nullptr;

    // Controls, as the window lays them out.
    std::array<CampoEntrada*, 4> campo{};
    std::array<QLabel*, 6> Label2{};
    std::array<QPushButton*, 2> btFx{};
    QFrame* Frame1 = nullptr;
    QFrame* Frame4 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* btCarga = nullptr;
    QPushButton* btCancelar = nullptr;
    QPushButton* btSair = nullptr;
    QPushButton* btEnc = nullptr;
    QPushButton* btMarcar = nullptr;
    QPushButton* btDocumentos = nullptr;
    Grelha* grelha = nullptr; ///< the control "Grelha", over the controller's rows
    QLabel* estado = nullptr; ///< status line under the grid

    std::unique_ptr<CargaEmCurso> m_carga;
    std::unique_ptr<CursorOcupado> m_cursor;
    bool m_fecharAposCarga = false;
};
