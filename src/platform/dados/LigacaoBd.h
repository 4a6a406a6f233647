#pragma once

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>

class Dialecto;
class Pastas;
class QSqlError;

/// The database's own text of an error, the driver's when the database gives
/// none, and a fixed text when neither says anything.
QString textoErroBd(const QSqlError& erro);

/// libpq's own connection keys, each with its value as written, in order.
using OpcoesLibpq = QList<QPair<QString, QString>>;

/// Builds the connection text handed to BaseDados::abrir and to the ERP login:
/// "Provider=MSDataShape;Driver=QSQLITE;Database=/abs/demo.db;User=...;Password=..."
/// or with Driver=QPSQL and Host/Port. Values holding ';' or '"' are quoted.
class LigacaoBd final {
public:
    /// Resolving with `opcao` 1 against the application folder of `pastas`.
    explicit LigacaoBd(const Pastas& pastas);

    /// `opcao` 1 resolves a relative SQLite file against the application
    /// folder, any other against the current folder.
    /// `opcoes` are libpq's own keys for the server connection (TextoLigacao::opcoes).
    QString construir(const QString& fornecedor, int opcao, const QString& d1, const QString& d2, const QString& d3,
                      const QString& d4, const OpcoesLibpq& opcoes = {}) const;

private:
    QString m_pastaAplicacao;
};

/// A connection text taken apart (keys without regard to case).
///
/// Besides the program's own keys (Provider, Driver, Host or Server, Port,
/// Database, User, Password), a PostgreSQL text takes libpq's own connection
/// keys for TLS (sslmode, sslrootcert, sslcert, sslkey, sslcrl, sslcrldir,
/// channel_binding), TCP keepalives (keepalives, keepalives_idle,
/// keepalives_interval, keepalives_count, tcp_user_timeout) and the service
/// file (service), handed to libpq as they are. Any other key is refused:
/// a setting written and silently not used (sslmode=verify-full) would be
/// worse than none.
struct TextoLigacao final {
    QString driver; ///< "QSQLITE" or "QPSQL"
    QString host;
    int porta = -1;
    QString base; ///< file or database name
    QString utilizador;
    QString password;
    QString fornecedor;
    /// libpq's keys (in lower case) and their values, in the order written;
    /// when a key is written twice the last one counts, as in libpq.
    OpcoesLibpq opcoes;

    /// Raises Erro (Configuracao) when the text names no usable driver or
    /// base (a PostgreSQL text with a service may leave the base to it), holds
    /// a key the program does not know (the text names it), or holds libpq's
    /// keys for SQLite.
    static TextoLigacao analisar(const QString& texto);
    /// Whether `chave` (any case) is one of libpq's keys a text may hold.
    static bool chaveLibpq(const QString& chave);
    /// The first key of a connection text that is neither the program's nor
    /// one of libpq's it takes; empty when there is none.
    static QString chaveDesconhecida(const QString& texto);
    /// The value of libpq's key `chave` (lower case); empty when not given.
    QString opcao(const QString& chave) const;
    /// The engine's dialect; raises Erro (Configuracao) for a driver that is
    /// none of the program's.
    const Dialecto& dialecto() const;
    /// The connection text again (what analisar reads back).
    QString texto() const;
    /// Where the database is, for messages: never the password.
    QString descricao() const;
    /// PostgreSQL: whether the server asks for a password that neither the
    /// text nor libpq (PGPASSWORD, the password file, the service file) has,
    /// found by connecting once with these settings. False for SQLite, and
    /// when the connection fails for another reason or succeeds.
    bool pedePassword() const;
    /// PostgreSQL: whether the server refused these settings' password (it
    /// asked for one and the connection failed), found as pedePassword finds
    /// its answer. False for SQLite, without a password, and when the server
    /// refused the connection before asking for one or it succeeds.
    bool passwordRecusada() const;
    /// Opens a new Qt connection under `nomeLigacao` with these settings: the
    /// program's own connect options (Dialecto::opcoesLigacao) first, then
    /// libpq's keys of the text, which thus win where both set one.
    /// Raises Erro naming the database when it does not open: of the
    /// failure's class (FalhaBd) when it has one, else BaseDadosFechada.
    QSqlDatabase abrir(const QString& nomeLigacao) const;
};
