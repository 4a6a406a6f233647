#pragma once

#include "BaseDados.h"
#include "InstrucaoEncomendas.h"
#include "ParametrosDocumentos.h"
#include "SessaoErp.h"

#include <QIcon>
#include <QPointer>
#include <QStyle>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class CampoEntrada;
class CorridasDoPosto;
class Grelha;
class ModeloEncomendas;
enum class ColunaEncomenda : int;
class QFrame;
class QLabel;
class QPushButton;

/// The filter history: one entry per load that found lines, in order.
struct FiltrosUsados final {
    QStringList numeros;     ///< the order-number texts
    QStringList requisicoes; ///< the customer-reference texts
    QStringList artigos;     ///< the article texts
    void limpar() {
        numeros.clear();
        requisicoes.clear();
        artigos.clear();
    }
    qsizetype tamanho() const { return numeros.size(); }
};

/// The import window: the operator picks a client and filters, loads the
/// client's pending order lines, marks lines and quantities, and makes the
/// entry document and the Guia from them.
class frmImportacao final : public QWidget {
    Q_OBJECT
public:
    explicit frmImportacao(QWidget* parent = nullptr);
    ~frmImportacao() override;
    Q_DISABLE_COPY_MOVE(frmImportacao)

    /// The open company database, lent by start-up (not owned).
    BaseDados* bd = nullptr;
    /// This workstation's run journal and log, lent by start-up (not owned).
    /// Without it the runs are not journaled.
    CorridasDoPosto* corridas = nullptr;

    // Lifecycle.
    /// Runs once before the window is shown: reads the parameters, derives the
    /// save mode, clears the window. Raises Erro when the window cannot open.
    void Form_Load();
    /// Logs the ERP session off and closes the database, once.
    void Form_Terminate();

    // Window state and messages.
    void Activa();
    void DesActiva();
    void LimparForm();
    int Avisa(const QString& campo, const QString& Aviso, qint16 Tipo);
    void Act_Grelha();
    QString LerParametros(const QString& Texto) const;

    // Buttons.
    void btCancelar_Click();
    void btSair_Click();
    void btCarga_Click();
    void btMarcar_Click();
    void btEnc_Click();
    void btFx_Click(int index);

    // Grid events.
    void Grelha_ValorAlterado();
    void Grelha_AntesDeConfirmar(int linha, ColunaEncomenda coluna, const QString& texto, QVariant& anterior,
                                 bool& cancelar);

    // Field events.
    void campo_Validate(int index, bool& cancel);
    void campo_LostFocus(int index);
    void campo_KeyPress(int index, int& keyAscii);

    // Document generation: thin callers of the run (CorridaGuia), which
    // makes every call to the ERP. btEnc_Click runs it whole; these methods
    // run one step each, over the marked lines.
    std::shared_ptr<ObjectoApi> ErpCreateApiObject(const QString& sObjectName);
    /// Creates DocComercial with its header; does nothing when it exists.
    bool CriaCabecalho();
    bool LibertaDocumento();
    /// Adds the lines to DocComercial and saves it; false, with `erro` -1 and
    /// the reason in `TextoErro`, when it is not saved.
    bool CriaLinhas(qint32& erro, QString& TextoErro);
    /// Stores the entry document: `erro` -1 and its key in DocumentosCriados,
    /// or the ERP's refusal in `erro` and `TextoErro`.
    void GravaEntrada(qint32& erro, QString& TextoErro);

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
    Grelha* grelha = nullptr;                 ///< the control "Grelha"
    ModeloEncomendas* modeloLinhas = nullptr; ///< the grid's rows, which the control shows
    QLabel* estado = nullptr;                 ///< status line under the grid

    // Window-level state. The parameters, read once at load.
    std::vector<TipoEncomenda> TiposEncomenda;
    ParametrosGuia TiposGuia;
    ParametrosEntrada TiposEntrada;
    qint16 ModoGravacao = 0;
    std::shared_ptr<DocumentoComercial> DocComercial;
    bool ValidarCampo = false;
    int LinhasCarregadas = 0;
    FiltrosUsados filtrosUsados;
    /// Keys of the entry documents made by the current run; index 0 unused.
    std::vector<ChaveDocumento> DocumentosCriados{ChaveDocumento{}};

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
    /// load raises.
    class CargaEmCurso;
    /// An action handler: inside the guard, and not while a load runs.
    std::function<void()> accao(std::function<void()> f);
    void criarControlos();
    QIcon imagem(QStyle::StandardPixmap qual) const;
    QString caminhoParametros() const;
    bool m_terminado = false;
    bool m_aCarregar = false;
    bool m_fecharAposCarga = false;
};
