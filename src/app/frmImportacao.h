#pragma once

#include "BaseDados.h"
#include "SessaoErp.h"

#include <QIcon>
#include <QPointer>
#include <QStyle>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class CampoEntrada;
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

    // Document generation.
    std::shared_ptr<ObjectoApi> ErpCreateApiObject(const QString& sObjectName);
    bool CriaCabecalho();
    bool LibertaDocumento();
    bool CriaLinhas(qint32& erro, QString& TextoErro);
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

    // Window-level state.
    QStringList TiposEncomenda;
    QStringList TiposGuia;
    QStringList TiposEntrada;
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
    /// The fonts the window shows, from the application's font (start-up
    /// reads them ahead).
    static std::vector<QFont> letras(const QFont& normal);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void criarControlos();
    QIcon imagem(QStyle::StandardPixmap qual) const;
    void validarParametros(const QString& caminho) const;
    QString caminhoParametros() const;
    bool m_terminado = false;
};
