#pragma once

// The local ERP's inner parts, shared by its source files only.

#include "CodigosErp.h"
#include "FalhasSimuladas.h"
#include "Moeda.h"
#include "NomesApi.h"
#include "ObjectoMembros.h"

#include <QDate>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

/// The state of one local ERP session, shared with the API objects it hands
/// out (they hold it weakly: a document outliving its session cannot reach
/// the database any more).
struct NucleoErp {
    QString nomeLigacao; ///< empty when not logged in
    /// The connection of a login begun and not yet concluded.
    QString ligacaoPorConcluir;
    QString utilizador;
    QString empresa;
    QString posto;
    int definicao = 0;
    bool opcaoEntrada1 = false;
    bool opcaoEntrada2 = false;
    qint32 codigoErro = CodigosErp::Feito;
    QString textoErro;
    QString motivoFalhaLogin;
    /// The key text of the last entry this session stored that no Guia has
    /// named yet.
    QString entradaPorLigar;
    /// The reason the next annulment keeps with its document.
    QString motivoAnulacao;
    FalhasSimuladas falhas;
    std::function<void(const QString&)> accaoNoMeio;
    std::function<void(const QString&)> accaoEmCurso;
    std::function<void(const QString&)> accaoDepois;

    bool ligado() const { return !nomeLigacao.isEmpty(); }
    QSqlDatabase db() const { return QSqlDatabase::database(nomeLigacao, false); }
    void registar(qint32 codigo, const QString& texto) {
        codigoErro = codigo;
        textoErro = texto;
    }
};

/// A refusal by the ERP's rules, raised inside a store and turned into an
/// outcome code and text.
struct Recusa {
    QString texto;
};

namespace ErpBd {

/// Runs a statement with its values bound in order; raises Erro (Sql) with
/// the database's text when it is rejected, or of the failure's class
/// (FalhaBd) when the operator can act on it.
QSqlQuery executar(const QSqlDatabase& db, const QString& sql, const QVariantList& valores = {});
/// Runs a statement that writes and gives the number of rows it changed. It is
/// prepared once per text and connection (as are primeiraLinha's).
int escrever(const QSqlDatabase& db, const QString& sql, const QVariantList& valores);
/// Lets go of the statements prepared on a connection: before it is closed
/// for good or opened again.
void esquecerPreparadas(const QString& nomeLigacao);
/// The first row of a query, or nothing when it has none.
std::optional<QVariantList> primeiraLinha(const QSqlDatabase& db, const QString& sql, const QVariantList& valores);

/// One write transaction. On SQLite the write lock is taken (waiting out the
/// busy timeout) before anything is read (Dialecto::inicioEscrita); on
/// PostgreSQL rows are locked as they are written. Rolls back unless confirmed.
class Transaccao final {
public:
    explicit Transaccao(QSqlDatabase db);
    ~Transaccao();
    Q_DISABLE_COPY_MOVE(Transaccao)
    void confirmar();

private:
    QSqlDatabase m_db;
    bool m_servidor;
    bool m_aberta = false;
};

/// SQLite takes and drops its file lock around every statement read outside
/// a transaction (several system calls each). Lookups made one after another
/// in the same event (a document's blocks of articles for its lines'
/// suggestions) share one read transaction instead: it ends when control
/// returns to the event loop, when the session starts a store, or with
/// terminarLeitura(). Nothing on PostgreSQL or without an event loop.
void lerEmGrupo(const QSqlDatabase& db);
void terminarLeitura(const QSqlDatabase& db);

/// Settings of the session's own connection, right after it opens.
void ajustarLigacao(const QSqlDatabase& db);

/// Closes and opens a PostgreSQL connection again (after the server dropped
/// it); raises Erro (BaseDadosFechada, or the failure's class) when it does
/// not open.
void reabrir(QSqlDatabase db);

/// The next number of (type, series, year), unique among sessions: the
/// numbering row is locked until the transaction ends. Never below a number
/// already stored in DOCGCCAB.
qint32 proximoNumero(const QSqlDatabase& db, const QString& tipo, int serie, int ano);

/// Refusal text when the client is missing or inactive, else nothing.
std::optional<QString> verificarCliente(const QSqlDatabase& db, const QString& cliente);
/// Refusal text when the type is not in TpDoc or the series not in NOMSERIE for it.
std::optional<QString> verificarTipoSerie(const QSqlDatabase& db, const QString& tipo, int serie);

/// What a document's header is checked against (its client, type and
/// series), read in one statement: the same refusals as verificarCliente and
/// verificarTipoSerie.
class CabecalhoNaBase final {
public:
    /// `serie` nothing when the header's is no number (no series is then looked up).
    static CabecalhoNaBase ler(const QSqlDatabase& db, const QString& cliente, const QString& tipo,
                               std::optional<int> serie);
    std::optional<QString> motivoCliente() const;
    std::optional<QString> motivoTipoSerie() const;
    QString contribuinte; ///< the client's, when it is there

private:
    QString m_cliente;
    QString m_tipo;
    std::optional<int> m_serie;
    bool m_clienteActivo = false;
    bool m_tipoExiste = false;
    bool m_serieExiste = false;
};
bool artigoExiste(const QSqlDatabase& db, const QString& artigo);
/// The articles looked up together, at most this many at once.
inline constexpr int ArtigosPorConsulta = 100;
/// Whether every one of `artigos` (at most ArtigosPorConsulta, no two
/// alike) is in Artigos, in one statement. False may also mean that two of
/// them name the same article; artigoExiste tells them apart.
bool artigosExistem(const QSqlDatabase& db, const QStringList& artigos);

/// What a line's suggestion takes from its article.
struct ArtigoSugerido {
    QString nome;
    Moeda preco;
    QString unidade;
    QString armazem;
};
/// The articles of `artigos` that are in Artigos, by code: a block of
/// ArtigosPorConsulta to a statement, or on a server up to a thousand in
/// one round trip.
QHash<QString, ArtigoSugerido> lerArtigos(const QSqlDatabase& db, const QStringList& artigos);

/// Whether a value holds a whole number of a type that needs no reading
/// (int, short, long long, unsigned).
bool tipoInteiro(const QVariant& valor);
/// A whole number as the program may hand it (integer, numeric text with
/// blanks, currency without decimals); nothing for an empty or other value.
std::optional<qint64> inteiroDe(const QVariant& valor);

/// "yyyy-MM-dd 00:00:00", how a date is stored (text on SQLite, timestamp on PostgreSQL).
QString textoData(const QDate& data);
/// A quantity for the operator: comma, at least two decimals ("2,00", "2,125").
inline QString textoQuantidade(Moeda valor) {
    return valor.paraTexto(u",", 2);
}

} // namespace ErpBd

/// One line of a document about to be stored.
struct LinhaGravar {
    int tipoLinha = 1;
    QString artigo;
    QString descricao;
    QString armazem;
    Moeda quantidade;
    Moeda quantidadeOrigem;
    Moeda preco;
    /// The order line satisfied, when the line has an origin.
    struct Origem {
        QString tipo;
        int serie = 0;
        qint32 numero = 0;
        int ano = 0;
        int linha = 0;
        QString texto() const;
        auto chave() const { return std::tie(tipo, serie, numero, ano, linha); }
    };
    std::optional<Origem> origem;
};

/// A document header about to be stored.
struct CabecalhoGravar {
    QString tipo;
    int serie = 0;
    int ano = 0;
    QDate data;
    QString terceiro;
    int tipoTerceiro = 0;
    QString vossoNumero;
    int areaGestao = 0;
    QString sector;
    int tipoPreco = 0;
    QString contribuinte;
    Moeda desconto;
    QString processo;
    QString meioTransporte;
    QString matricula;
    QString localCarga;
    QString localDescarga;
    QString armazem;
    QString observacoes;
    int modo = 0;
    QString relacionado;
};

namespace ErpBd {
/// Inserts the header and its lines under `numero`.
void inserirDocumento(const QSqlDatabase& db, const CabecalhoGravar& cab, qint32 numero,
                      const std::vector<LinhaGravar>& linhas, const NucleoErp& nucleo);
/// Takes `quantidade` off the pending quantity of the order line `origem`;
/// refuses (Recusa) when the line is missing, annulled, of another client or
/// has less pending. The update is conditional, so two sessions can never
/// together take more than is pending.
void satisfazer(const QSqlDatabase& db, const LinhaGravar::Origem& origem, Moeda quantidade, const QString& cliente);
} // namespace ErpBd

/// What SugereValoresLin fills in a line from its article: kept on the line
/// until the article is read, for all the lines of a document at once when it
/// is saved (or for this line alone when one of these members is read
/// first). A member written after the suggestion keeps what was written.
struct SugestaoArtigo {
    QString artigo;
    bool descricao = false; ///< b1
    bool preco = false;     ///< b2
    bool armazem = false;   ///< b4, when the line had no warehouse
    bool unidade = false;   ///< b5

    bool vazia() const { return !descricao && !preco && !armazem && !unidade; }
    /// Whether it still fills `membro`.
    bool preenche(const QString& membro) const;
    /// `membro` was written: it fills it no more.
    void esquecer(const QString& membro);
    /// Writes the members it fills.
    void aplicar(ObjectoMembros& destino, const ErpBd::ArtigoSugerido& a) const {
        if (descricao)
            destino.definirInterno(QStringLiteral("Descricao"), a.nome);
        if (preco)
            destino.definirInterno(QStringLiteral("PrecoUnitario"), QVariant::fromValue(a.preco));
        if (armazem)
            destino.definirInterno(QStringLiteral("Armazem"), a.armazem);
        if (unidade)
            destino.definirInterno(QStringLiteral("Unidade"), a.unidade);
    }
};

/// ErpApi.DocumentosGcLin of the local ERP: a line whose suggested values
/// wait for its article to be read.
class LinhaLocal final : public ObjectoMembros {
public:
    LinhaLocal(std::shared_ptr<const FormaMembros> forma, std::weak_ptr<NucleoErp> nucleo);
    void definir(const QString& membro, const QVariant& valor) override;
    /// A member the suggestion still fills is read from its article first.
    QVariant obter(const QString& membro) const override;

    const std::optional<SugestaoArtigo>& sugestao() const { return m_sugestao; }
    void sugerir(SugestaoArtigo s);
    /// Reads the article now and fills what the suggestion still fills.
    void completar();

private:
    std::weak_ptr<NucleoErp> m_nucleo;
    std::optional<SugestaoArtigo> m_sugestao;
};

/// ErpApi.DocumentoComercial of the local ERP.
class DocumentoLocal final : public DocumentoComercial {
public:
    explicit DocumentoLocal(std::weak_ptr<NucleoErp> nucleo);

    QString nomeObjecto() const override { return NomesApi::Documento; }
    /// The document itself has no members of its own: its header is Cab().
    void definir(const QString& membro, const QVariant& valor) override;
    QVariant obter(const QString& membro) const override;

    ObjectoApi& Cab() override { return m_cab; }
    /// Checks the client (exists, active), the type and the series, and fills
    /// NumeroContribuinte from the client. False, with the reason in
    /// motivoValidacao(), when something is wrong.
    bool Validar() override;
    /// Fills the line from its article: b1 Descricao, b2 PrecoUnitario,
    /// b4 Armazem (only when empty), b5 Unidade; b3, b6 and b7 (discounts, tax,
    /// others) have nothing to fill here. An unknown article is left as it is.
    /// Nothing is read here: the article is read when the values are needed
    /// (SugestaoArtigo).
    void SugereValoresLin(ObjectoApi& linha, bool b1, bool b2, bool b3, bool b4, bool b5, bool b6, bool b7) override;
    /// Copies the line's values into the document; false (nothing added) once saved.
    bool AdicionaLinha(ObjectoApi& linha) override;

    const ObjectoMembros& cabecalho() const { return m_cab; }
    /// The lines added, their suggested values filled (the articles of all of
    /// them read at once); raises Erro when the database fails.
    const std::vector<ObjectoMembros>& linhas();
    /// The lines as added, their suggestions not yet filled.
    const std::vector<ObjectoMembros>& linhasAdicionadas() const { return m_linhas; }
    QString motivoValidacao() const { return m_motivoValidacao; }
    bool gravado() const { return m_gravado; }
    void marcarGravado(qint32 numero);

private:
    std::shared_ptr<NucleoErp> nucleoLigado() const;

    std::weak_ptr<NucleoErp> m_nucleo;
    ObjectoMembros m_cab;
    /// Copies of the lines added, with their values as they were then.
    std::vector<ObjectoMembros> m_linhas;
    /// The lines added whose suggestion waits for their articles.
    std::vector<std::pair<size_t, SugestaoArtigo>> m_porSugerir;
    QString m_motivoValidacao;
    bool m_gravado = false;
};
