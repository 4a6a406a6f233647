#pragma once

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

/// The folders the program knows of.
class Pastas final {
public:
    /// The base folder under which the maker's folder "tarnix" is looked for,
    /// without a trailing separator: the user's configuration folder
    /// (~/.config on Linux) unless a test set its own.
    QString pastaBase() const;
    /// The folder of the program's executable, without a trailing separator.
    static QString pastaAplicacao();

    /// Lets tests point the base folder (and the application folder) at folders
    /// of their own; an empty text puts the real one back.
    static void definirPastaBase(const QString& pasta);
    static void definirPastaAplicacao(const QString& pasta);
};

class Ficheiros final {
public:
    bool existePasta(const QString& caminho) const;
};

/// Joins a folder and a name written with backslashes ("\tarnix",
/// "\Catalogos\bd.sql"), using the platform's separator.
QString juntarCaminho(const QString& pasta, const QString& nomeComBarras);

/// The ERP login values, read from the section [ERP] of the configuration file:
/// E1 user, E2 password (may be empty), E3 company, E4 instance (a connection
/// text, see LigacaoBd), E5 workstation.
class ConfigErp final {
public:
    /// Reads the file. A missing file leaves every value empty; an unreadable
    /// one raises Erro naming the file.
    void ler(const QString& caminhoConfiguracao);
    /// Asks the operator for the values still empty. Result ignored by callers.
    bool completar();
    /// E1..E5 (index 0 is E1).
    const std::array<QString, 5>& valores() const { return m_valores; }

private:
    std::array<QString, 5> m_valores;
    QString m_caminho;
};

/// The company database values, read from the section [BaseDados]:
/// D1 server ("sqlite" for the embedded engine, else a PostgreSQL host, a
/// Unix socket folder, optionally ":port"), D2 database (SQLite file, relative
/// to the application folder, or PostgreSQL database name), D3 user,
/// D4 password (may be empty).
class ConfigBd final {
public:
    void ler(const QString& caminhoConfiguracao);
    /// Reads the fall-back settings (same format) to complete from.
    void lerAlternativo(const QString& caminhoAlternativo);
    /// 0: complete only from the fall-back settings; 1: also ask the operator.
    void definicao(int valor) { m_definicao = valor; }
    /// Fills the empty values from the fall-back settings (and, with setting 1,
    /// from the operator).
    bool completar();
    const std::array<QString, 4>& valores() const { return m_valores; }

private:
    std::array<QString, 4> m_valores;
    std::array<QString, 4> m_alternativos;
    int m_definicao = 1;
};

/// Writes a configuration file that ConfigErp and ConfigBd read back: UTF-8,
/// sections [ERP] and [BaseDados], readable and writable by its owner only
/// (it holds passwords). Raises Erro (Ficheiro) when it cannot be written and
/// Erro (Configuracao) for a value holding a line break.
void escreverConfiguracao(const QString& caminho, const std::array<QString, 5>& erp,
                          const std::array<QString, 4>& bd);

/// Text in the Windows single-byte code page 1252, the one the ERP's
/// workstations write their text files in. Done by table, so that it does not
/// depend on the codecs the Qt build carries; a character the code page
/// lacks is written as '?'.
QString deWindows1252(const QByteArray& bytes);
QByteArray paraWindows1252(const QString& texto);

/// Builds the connection text handed to BaseDados::abrir and to the ERP login:
/// "Provider=MSDataShape;Driver=QSQLITE;Database=/abs/demo.db;User=...;Password=..."
/// or with Driver=QPSQL and Host/Port. Values holding ';' or '"' are quoted.
class LigacaoBd final {
public:
    /// `opcao` 1 resolves a relative SQLite file against the application folder.
    QString construir(const QString& fornecedor, int opcao, const QString& d1, const QString& d2, const QString& d3,
                      const QString& d4) const;
};

/// A connection text taken apart (keys without regard to case).
struct TextoLigacao final {
    QString driver;   ///< "QSQLITE" or "QPSQL"
    QString host;
    int porta = -1;
    QString base;     ///< file or database name
    QString utilizador;
    QString password;
    QString fornecedor;

    /// Raises Erro (Configuracao) when the text names no usable driver or base.
    static TextoLigacao analisar(const QString& texto);
    /// The connection text again (what analisar reads back).
    QString texto() const;
    /// Where the database is, for messages: never the password.
    QString descricao() const;
    /// Opens a new Qt connection under `nomeLigacao` with these settings.
    /// Raises Erro (BaseDadosFechada) naming the database when it does not open.
    QSqlDatabase abrir(const QString& nomeLigacao) const;
};

/// The cursor a record set reads; one per driver family.
class CursorDados {
public:
    virtual ~CursorDados() = default;
    virtual QStringList nomes() const = 0;
    /// Moves to the next row; false at the end. Raises Erro on a database error.
    virtual bool avancar() = 0;
    virtual QVariant valor(int indice) const = 0;
    /// A text value's UTF-8 bytes as the engine holds them, for a reader that
    /// converts them itself; nothing when the value is not text or the cursor
    /// cannot hand them out. Valid until the cursor moves.
    virtual std::optional<QByteArrayView> textoUtf8(int indice) const {
        Q_UNUSED(indice);
        return std::nullopt;
    }
    /// Lets go of what the cursor holds in the database (its statement) once
    /// its reader has taken out every row it wants; avancar() is false after.
    virtual void libertar() {}

    /// Installed by the record set reading the cursor. A cursor whose
    /// connection is about to serve another statement (which would drop the
    /// rows not yet read) calls it through pedirRetencao(), so that the reader
    /// takes those rows out first.
    void definirRetencao(std::function<void()> reter) { m_reter = std::move(reter); }

protected:
    void pedirRetencao() {
        if (m_reter)
            m_reter();
    }

private:
    std::function<void()> m_reter;
};

/// The result of a query, read forward only.
class RecordSet final {
public:
    RecordSet();
    ~RecordSet();
    RecordSet(RecordSet&&) noexcept;
    RecordSet& operator=(RecordSet&&) noexcept;
    Q_DISABLE_COPY(RecordSet)

    /// Exact number of records of the result, on every driver.
    int contagem();
    /// True past the last record (and for an empty or closed record set).
    bool fim() const;
    void seguinte();
    /// A field of the current record by name, without regard to case.
    /// Raises Erro when there is no current record or no such field.
    QVariant campo(const QString& nome) const;
    /// The index of a field by name (without regard to case), -1 when absent;
    /// with valor(), lets a walk over many records look the name up once.
    int indiceCampo(const QString& nome) const;
    QVariant valor(int indice) const;
    /// The current record's text value as UTF-8 bytes, when the cursor can hand
    /// them out without making a string (see CursorDados::textoUtf8); a reader
    /// that gets nothing uses valor(). Valid until the record set moves.
    std::optional<QByteArrayView> textoUtf8(int indice) const;
    QStringList nomes() const;

    /// Used by BaseDados: takes over a cursor positioned before its first row.
    void abrir(std::unique_ptr<CursorDados> cursor);
    void fechar();

private:
    struct Dados;
    std::unique_ptr<Dados> d;
};

/// A database connection handed out to a component (the look-up list).
class Ligacao final {
public:
    explicit Ligacao(QSqlDatabase db) : m_db(std::move(db)) {}
    ~Ligacao();
    Q_DISABLE_COPY_MOVE(Ligacao)
    QSqlDatabase& db() { return m_db; }

private:
    QSqlDatabase m_db;
};

/// The one open company database.
class BaseDados final {
public:
    BaseDados();
    ~BaseDados();
    Q_DISABLE_COPY_MOVE(BaseDados)

    /// Opens the database described by the connection text. Returns false
    /// (and keeps the reason in ultimoErro()) when it does not open.
    bool abrir(const QString& textoLigacao);
    bool aberta() const;
    /// Why the last abrir failed: names the database, never the password.
    QString ultimoErro() const { return m_ultimoErro; }

    /// Runs a statement and puts its result in `rs` (whatever `rs` held before
    /// is dropped first). `parametros` are bound to the "?" placeholders in
    /// order. Raises Erro (Sql) with the database's text when it rejects it.
    ///
    /// The first form takes every argument explicitly: with default values,
    /// consultar(sql, {texto}, rs) would pick it (a braced QString converts to
    /// QString better than to QVariantList) and run `texto` as the statement.
    bool consultar(const QString& nome, const QString& sql, RecordSet& rs, int tipoCursor, int opcoes);
    void consultar(const QString& sql, const QVariantList& parametros, RecordSet& rs);

    /// A new connection open on the same database, for a component of its own.
    /// Raises Erro (BaseDadosFechada) when it does not open.
    std::unique_ptr<Ligacao> novaLigacao();
    bool fechar();

    /// The Qt connection (for the look-up list and the ERP).
    QSqlDatabase db() const;
    const TextoLigacao& ligacao() const { return m_texto; }

    /// Makes every record set still being read from this connection take out
    /// its remaining rows. consultar() and fechar() do it themselves; code
    /// that runs statements of its own on db() while a record set of this
    /// database is being read calls it first: on PostgreSQL a connection
    /// streams one result at a time and another statement drops the rest.
    void reterRegistos();

    struct Cursores;

private:
    void exigirAberta() const;

    QString m_nome;
    TextoLigacao m_texto;
    QString m_ultimoErro;
    std::shared_ptr<Cursores> m_cursores;
};
