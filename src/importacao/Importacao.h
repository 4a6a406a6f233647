#pragma once

#include "AnulacaoGuia.h"
#include "CorridaGuia.h"
#include "DocumentosDoPosto.h"
#include "GuiaImpressa.h"
#include "InstrucaoEncomendas.h"
#include "ParametrosDocumentos.h"

#include <QModelIndex>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class BaseDados;
class CorridasDoPosto;
class Ligacao;
class ModeloEncomendas;
class Pastas;
class SessaoErp;

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

/// The import window's state and rules, without a widget: the parameters and
/// the save mode read at the window's load, the grid's rows (a table model the
/// window's grid shows), the loaded lines' count, the filter history, whether
/// the field being left is to be checked, the client's and the article's
/// names, the status line and the last run's outcome; the field checks, the
/// look-up lists' statements, the load and its refusals, marking and the
/// quantity rules, and the run of "&Guia".
///
/// The window hands each of its events to one method here and shows what the
/// signals say: a message for the operator (aviso), the field the focus goes
/// to, a name, the status, the mark-all button's caption, the window cleared,
/// and the spans of a load or a run. Every method runs on the window's thread
/// and raises what it does not handle (Erro or another), as the window's
/// events do; the window's guard takes it.
class Importacao final : public QObject {
    Q_OBJECT
public:
    /// The filter fields, numbered as the window's fields campo(0) to campo(3).
    enum class Campo : int {
        Artigo = 0,
        Cliente = 1,
        Numero = 2,     ///< the order number
        Requisicao = 3, ///< the customer reference
    };
    Q_ENUM(Campo)

    /// A look-up list: its title and the statement that fills it.
    struct Lista final {
        QString titulo;
        QString consulta;
    };

    /// What becomes of a cell's edit about to be committed.
    struct Confirmacao final {
        std::optional<bool> cancelar;       ///< set the grid's cancel flag to this; none: leave it
        std::optional<QString> textoEditor; ///< put this text back into the cell editor
    };

    /// The controller of a window whose parameters file is in the application
    /// folder of `pastas`.
    explicit Importacao(const Pastas& pastas, QObject* parent = nullptr);
    /// Ends as terminar() does.
    ~Importacao() override;
    Q_DISABLE_COPY_MOVE(Importacao)

    // Lifecycle.
    /// The window's load: takes the company database `bd` (lent), the ERP
    /// session (logged off and dropped by terminar()) and this workstation's
    /// runs (lent; none: the runs are not journaled); reads the parameters
    /// file, derives the save mode from the Guia's type and series, and
    /// clears. Raises Erro when the window cannot open (the parameters file,
    /// a Guia type the company does not have, the database).
    void abrir(BaseDados& bd, std::unique_ptr<SessaoErp> sessao, CorridasDoPosto* corridas = nullptr);
    /// The ERP company the session logged in to (ErpEmpresas), whose row the
    /// printed Guia shows.
    void definirEmpresa(const QString& empresa) { m_empresa = empresa; }
    /// Logs the ERP session off and closes the database, once.
    void terminar();
    /// The value of key `Texto` in the parameters file of the program's folder.
    QString LerParametros(const QString& Texto) const;

    // State.
    const std::vector<TipoEncomenda>& tiposEncomenda() const { return m_tiposEncomenda; }
    const ParametrosGuia& tiposGuia() const { return m_tiposGuia; }
    const ParametrosEntrada& tiposEntrada() const { return m_tiposEntrada; }
    qint16 modoGravacao() const { return m_modoGravacao; }
    /// The grid's rows.
    ModeloEncomendas& linhas() { return *m_linhas; }
    const ModeloEncomendas& linhas() const { return *m_linhas; }
    /// The order lines loaded into the grid, which is also the row the next
    /// load writes to; 0 makes the next load start a fresh grid.
    int linhasCarregadas() const { return m_linhasCarregadas; }
    const FiltrosUsados& filtrosUsados() const { return m_filtrosUsados; }
    /// Whether the field being left was typed into or filled from a list
    /// since its last check (ValidarCampo), so that leaving it checks it.
    bool validarCampo() const { return m_validarCampo; }
    void definirValidarCampo(bool validar) { m_validarCampo = validar; }
    /// The client's (or the article's) name found by its field's check.
    QString nome(Campo campo) const;
    /// What the last load or Guia did, for the status line.
    const QString& estado() const { return m_estado; }
    /// Whether mark-all marks (its caption "&Marcar") or unmarks ("&Desmarcar").
    bool marcarSeguinte() const { return m_marcarSeguinte; }
    /// Whether a load is reading: no action is to start meanwhile.
    bool aCarregar() const { return m_aCarregar; }
    /// The outcome of the last run of "&Guia" since the window opened.
    const std::optional<ResultadoCorrida>& ultimaCorrida() const { return m_ultimaCorrida; }

    // Window state.
    /// The window as after its load: the grid laid out anew, no names, no
    /// loaded line, no history, mark-all ready to mark; then limpo().
    void limpar();
    /// The grid laid out anew: its empty rows, no history, no status; then grelhaRefeita().
    void refazerGrelha();

    // Filter fields.
    /// The focus is about to leave `campo`, holding `texto`: its check, while
    /// validarCampo() holds (which it then no longer does). False keeps the
    /// focus in the field.
    bool sairDoCampo(Campo campo, const QString& texto);
    /// The focus left `campo`, holding `texto`.
    void campoDeixado(Campo campo, const QString& texto);
    /// The look-up list of `campo`; none for a field without one.
    std::optional<Lista> lista(Campo campo) const;
    /// A connection of its own for a look-up list. Raises Erro when it does not open.
    std::unique_ptr<Ligacao> ligacaoLista();

    // Load.
    /// "&Carregar" with the four fields' texts: refused without a client or
    /// with filters used together before; otherwise the pending lines are
    /// written below those already loaded (into a fresh grid when none is).
    void carregar(const FiltrosCarga& filtros);

    // Grid.
    /// The operator changed the value of `celula` (the grid's current cell; a
    /// tick or untick when it is in the mark's column).
    void valorAlterado(const QModelIndex& celula);
    /// An edit of `celula` is about to be committed with `texto`, over the
    /// cell's `anterior` value: the quantity to satisfy is checked.
    Confirmacao antesDeConfirmar(const QModelIndex& celula, const QString& texto, const QVariant& anterior);
    /// "&Marcar" / "&Desmarcar".
    void marcarTodas();

    // "&Guia".
    /// The entry document and the Guia from the marked lines, for the client
    /// `cliente` of the client field.
    void fazerGuia(const QString& cliente);

    // The workstation's documents.
    /// The last Guia made since the window opened, for Ctrl+P; none before.
    std::optional<ChaveDocumento> ultimaGuia() const;
    /// This workstation's Guias of the days `de` to `ate` that `procura`
    /// takes (a number or a text in the client's code or name), newest first.
    std::vector<DocumentoDoPosto> documentos(const QDate& de, const QDate& ate, const QString& procura);
    /// The copies one print makes (COPIAS in the parameters file).
    int copias() const;
    /// The Guia as the company database holds it now: what the preview
    /// shows, "2.ª via" when it was printed before.
    GuiaImpressa guiaImpressa(const ChaveDocumento& guia);
    /// One more print of the Guia recorded through the ERP session; the Guia
    /// as that print shows it. Raises Erro when the ERP does not record it.
    GuiaImpressa registarImpressao(const ChaveDocumento& guia);
    /// Why the Guia cannot be annulled here; nothing when it can.
    std::optional<QString> recusaAnulacao(const ChaveDocumento& guia) const;
    /// Why `motivo` cannot be the reason of the annulment; nothing when it can.
    static std::optional<QString> recusaMotivo(const ChaveDocumento& guia, const QString& motivo);
    /// The Guia and its entry annulled with the operator's reason, through
    /// the run journal; what happened is told (aviso).
    ResultadoAnulacao anular(const ChaveDocumento& guia, const QString& motivo);

Q_SIGNALS:
    /// A message for the operator, to be shown and acknowledged before the method goes on.
    void aviso(const QString& texto);
    /// The focus is to go to this field.
    void focoPedido(Importacao::Campo campo);
    /// A name beside a field changed (the client's or the article's).
    void nomeMudou(Importacao::Campo campo, const QString& nome);
    void estadoMudou(const QString& estado);
    void marcacaoMudou(bool marcarSeguinte);
    /// The window was cleared (limpar): its fields empty and its actions enabled.
    void limpo();
    /// The grid's rows were laid out anew: the grid lays its columns out anew.
    void grelhaRefeita();
    /// A load began (true) or ended (false, also when it raises): no action
    /// is to start in between.
    void cargaEmCurso(bool emCurso);
    /// The database or the ERP works (true) until false, before any message.
    void ocupado(bool emCurso);
    /// A load is reading: the window may repaint.
    void progresso();
    /// A run of "&Guia" begins: the actions are disabled until the window is cleared.
    void corridaIniciada();

private:
    /// Emits `sinal(true)` now and `sinal(false)` when it goes, however the scope ends.
    class Vao;
    void definirNome(Campo campo, const QString& nome);
    void definirEstado(const QString& estado);
    void definirMarcarSeguinte(bool marcar);
    CorridaGuia corrida();
    QString caminhoParametros() const;

    QString m_pastaAplicacao;
    BaseDados* m_bd = nullptr;
    std::unique_ptr<SessaoErp> m_sessao;
    CorridasDoPosto* m_corridas = nullptr;
    QString m_empresa;
    bool m_terminado = false;

    std::vector<TipoEncomenda> m_tiposEncomenda;
    ParametrosGuia m_tiposGuia;
    ParametrosEntrada m_tiposEntrada;
    qint16 m_modoGravacao = 0;

    ModeloEncomendas* m_linhas; ///< a child of this object
    int m_linhasCarregadas = 0;
    FiltrosUsados m_filtrosUsados;
    bool m_validarCampo = false;
    QString m_nomeCliente;
    QString m_nomeArtigo;
    QString m_estado;
    bool m_marcarSeguinte = true;
    bool m_aCarregar = false;
    std::optional<ResultadoCorrida> m_ultimaCorrida;
};
