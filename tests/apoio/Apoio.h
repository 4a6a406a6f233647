#pragma once

#include "Mensagens.h"
#include "SessaoErp.h"

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

/// Answers for the operator in tests: records every box and form, answers
/// with the queued responses (OK when none is queued), records the end of the
/// program instead of ending it.
class MensagensTeste final : public Mensagens {
public:
    struct Caixa {
        QString titulo;
        QString texto;
        Botoes botoes;
        Icone icone;
        bool cursorOcupado; ///< the busy cursor was up while the box showed
    };

    int caixa(const QString& titulo, const QString& texto, Botoes botoes, Icone icone) override;
    bool pedirValores(const QString& titulo, const QStringList& rotulos, QStringList& valores,
                      const QList<int>& segredos) override;
    /// Answers with the next of `ficheiros` (none left: cancelled); the
    /// path offered goes to `ficheirosSugeridos`.
    QString pedirFicheiro(const QString& titulo, const QString& sugerido, const QString& filtro) override;
    void terminar(int codigo) override { terminacoes.push_back(codigo); }

    /// The texts of the boxes shown, in order.
    QStringList textos() const;

    std::vector<Caixa> caixas;
    std::vector<int> respostas;           ///< answers for the next boxes, in order
    std::vector<QStringList> formularios; ///< values typed into the next forms, in order
    QStringList titulosFormularios;
    /// What each form shown was given: its labels, the values it showed and
    /// the indexes of its hidden (secret) values, in order.
    std::vector<QStringList> rotulosFormularios;
    std::vector<QStringList> valoresMostrados;
    std::vector<QList<int>> segredosFormularios;
    std::vector<int> terminacoes;
    QStringList ficheiros;
    QStringList ficheirosSugeridos;
};

/// The database engines every database test runs on.
enum class Motor {
    Sqlite,
    Postgres,
};
Q_DECLARE_METATYPE(Motor)

/// Adds the rows "sqlite" and "postgresql" of a data-driven test, with a
/// column "motor" of type Motor. Called from initTestCase_data(), it runs
/// every test function of the class once per engine (motorActual()).
void adicionarMotores();
Motor motorActual();

/// The test command's PostgreSQL servers: the one every database test runs
/// on (Unix socket, trust), and the one that takes TLS connections only
/// (scripts/pg-tls-teste.sh: over TCP on 127.0.0.1, with a SCRAM password,
/// its certificate signed by its own authority and naming "localhost").
enum class ServidorPg {
    Teste,
    Tls,
};

/// The TLS server's folder: its authority's certificate "ca.crt", another
/// authority's "outra-ca.crt"; and its TCP port. Fails the test run when the
/// test command did not start it.
QString pastaPgTls();
int portaPgTls();

/// The operator the tests' program logs in as: its ERP user and, on
/// PostgreSQL, its own login of the server (the same on every database of
/// the test server: a login is the server's, and one password for it keeps
/// tests that run at once from changing it under each other).
inline const QString OperadorPg = QStringLiteral("op");
inline const QString SenhaOperadorPg = QStringLiteral("segredo");

/// Runs one statement on the test PostgreSQL server's maintenance database
/// (databases, roles, tablespaces); fails the test run when it is rejected.
void administrarPg(const QString& sql, ServidorPg servidor = ServidorPg::Teste);

/// A new empty company database for one test: a file in a temporary folder
/// for SQLite, a new database on a test PostgreSQL server. Creates the
/// tables (unless asked not to) and removes the database at the end. On the
/// TLS server the database, its tables and the test's connection (over the
/// Unix socket) belong to the role "orlavane", which connects over TCP with
/// the password "segredo-tls".
class BaseTeste final {
public:
    explicit BaseTeste(Motor motor, bool criarTabelas = true, ServidorPg servidor = ServidorPg::Teste);
    ~BaseTeste();
    Q_DISABLE_COPY_MOVE(BaseTeste)

    Motor motor() const { return m_motor; }
    /// The connection text for BaseDados::abrir and the ERP login: on
    /// PostgreSQL as the operator OperadorPg, whom a base made with its
    /// tables has; a base the test makes itself has only its administrator.
    QString textoLigacao() const;
    /// On the TLS server: the text over TCP to `host` as "orlavane" (with
    /// its password unless `semPassword`), then libpq's keys `chaves`.
    QString textoLigacaoTls(const QString& host, const QString& chaves, bool semPassword = false) const;
    QString nomeBase() const { return m_nomeBase; }
    /// The same as the server's administrator (PostgreSQL; on SQLite the same
    /// as textoLigacao()): for tests of the connection itself.
    QString textoLigacaoAdministrador() const;
    /// A Qt connection of the test's own, to prepare and check data.
    QSqlDatabase& db() { return m_db; }
    /// Runs one statement on the test's connection; fails the test when it is rejected.
    void executar(const QString& sql, const QVariantList& parametros = {});
    /// The same, unprepared: for statements PostgreSQL does not prepare
    /// (GRANT, ALTER, CREATE ROLE ...).
    void comando(const QString& sql);
    /// The first column of the first row of a query.
    QVariant escalar(const QString& sql, const QVariantList& parametros = {});

    /// Demo-like content: document types, series, clients, articles.
    void dadosBase();
    /// One order header and its lines (line i: article, pending qty), dated `data` ("yyyy-MM-dd").
    void encomenda(const QString& tipo, int serie, int numero, int ano, const QString& cliente, const QString& data,
                   const QString& req, const std::vector<std::pair<QString, double>>& linhas);

    QString pasta() const { return m_dir.path(); }

    /// The database goes away under every connection still open on it: the
    /// file is removed (SQLite; open connections keep what they hold), the
    /// database is dropped (PostgreSQL; its connections are ended). New
    /// connections then fail to open.
    void apagar();

private:
    /// The text to the PostgreSQL database over its server's Unix socket, as `utilizador`.
    QString textoPg(const QString& utilizador) const;

    Motor m_motor;
    ServidorPg m_servidor;
    QTemporaryDir m_dir;
    QString m_nomeBase;
    QString m_nomeLigacao;
    QSqlDatabase m_db;
    bool m_operador = false;
};

/// The local ERP logged in over `base` as user "op" (OperadorPg) of company
/// "DEMO" (both created here); aborts the test run when the login fails.
std::unique_ptr<SessaoErp> erpLocalLigado(BaseTeste& base);

/// Cuts the connection of the local ERP's session in this process (there
/// must be exactly one), as a network failure or a server restart would: the
/// server ends its backend (PostgreSQL, from the test's own connection), or
/// the connection is closed under it (SQLite). Also inside a store's
/// transaction. Aborts the test run when it cannot.
void cortarLigacaoDoErp(BaseTeste& base);
