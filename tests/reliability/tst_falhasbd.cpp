// The company database failing under the operator, for real, on both engines,
// through the paths the operator meets: the program's start-up, the load
// ("&Carregar") and "&Guia" with the local ERP. Each time the operator reads
// what happened and what to do (the failure's class), then the database's
// own text as detail; "&Guia" stores nothing.
//
// Root reads and writes every file whatever its permissions: the cases that
// rest on a file's permissions run with the capabilities that allow that
// dropped, so they hold for root (as in CI) as for any other user.

#include "CampoEntrada.h"
#include "Dialecto.h"
#include "ErpLocal.h"
#include "FalhaBd.h"
#include "JanelaTeste.h"
#include "LigacaoBd.h"
#include "ModeloEncomendas.h"
#include "PostoArranque.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

#include <linux/capability.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <optional>
#include <vector>

using namespace std::chrono_literals;

namespace {

enum class Caso {
    Ocupada,      ///< another connection holds the database (or its tables) exclusively
    Perdida,      ///< no server, or the session's connection ended by the server
    SoLeitura,    ///< a read-only file, or a database whose transactions are read-only
    PastaFechada, ///< a read-only folder: no journal can be made beside the file
    DiscoCheio,   ///< the database's files cannot grow
    SemPermissao, ///< a file this user cannot open, or tables this role may not touch
};

enum class Caminho {
    Arranque,
    Carga,
    Guia,
};

} // namespace

Q_DECLARE_METATYPE(Caso)
Q_DECLARE_METATYPE(Caminho)

namespace {

/// Drops, for the calling thread, the capabilities that let root ignore a
/// file's permissions, and gives them back; nothing for a user without them.
class PermissoesDeFicheiros final {
public:
    PermissoesDeFicheiros() {
        if (syscall(SYS_capget, &m_cabecalho, m_antes) != 0)
            qFatal("capget failed");
        __user_cap_data_struct depois[2] = {m_antes[0], m_antes[1]};
        for (const int c : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            depois[c / 32].effective &= ~(1u << (c % 32));
        if (syscall(SYS_capset, &m_cabecalho, depois) != 0)
            qFatal("capset failed");
    }
    ~PermissoesDeFicheiros() { syscall(SYS_capset, &m_cabecalho, m_antes); }
    Q_DISABLE_COPY_MOVE(PermissoesDeFicheiros)

private:
    __user_cap_header_struct m_cabecalho{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_antes[2]{};
};

/// No file of this process grows beyond `bytes` while it lives (the signal
/// that would end the process is ignored: the write fails instead).
class LimiteFicheiros final {
public:
    explicit LimiteFicheiros(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_antes);
        m_sinal = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limite{bytes, m_antes.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteFicheiros() {
        setrlimit(RLIMIT_FSIZE, &m_antes);
        std::signal(SIGXFSZ, m_sinal);
    }
    Q_DISABLE_COPY_MOVE(LimiteFicheiros)

private:
    rlimit m_antes{};
    void (*m_sinal)(int) = nullptr;
};

/// A full tablespace on the test server: a small tmpfs mounted for the test,
/// filled once a table is moved onto it. Mounting needs root with the right to
/// mount; without it, montado() is false.
class TablespaceCheio final {
public:
    TablespaceCheio() {
        const passwd* pg = getpwnam("postgres");
        if (!pg || geteuid() != 0)
            return;
        // The server must reach the folder.
        QFile::setPermissions(m_pasta.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                  QFile::ExeOther);
        const QByteArray opcoes = "size=256k,mode=0700,uid=" + QByteArray::number(pg->pw_uid);
        if (mount("tmpfs", QFile::encodeName(m_pasta.path()).constData(), "tmpfs", 0, opcoes.constData()) != 0)
            return;
        m_montado = true;
        m_nome = QStringLiteral("cheio_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        administrarPg(QStringLiteral("CREATE TABLESPACE %1 LOCATION '%2'").arg(m_nome, m_pasta.path()));
    }
    ~TablespaceCheio() {
        if (!m_montado)
            return;
        QFile::remove(m_pasta.filePath(QStringLiteral("enchimento")));
        administrarPg(QStringLiteral("DROP TABLESPACE IF EXISTS %1").arg(m_nome));
        umount2(QFile::encodeName(m_pasta.path()).constData(), MNT_DETACH);
    }
    Q_DISABLE_COPY_MOVE(TablespaceCheio)

    bool montado() const { return m_montado; }

    /// Moves `tabela` onto the tablespace, then fills what is left of it.
    void encher(BaseTeste& base, const QString& tabela) {
        base.comando(QStringLiteral("ALTER TABLE %1 SET TABLESPACE %2").arg(tabela, m_nome));
        QFile f(m_pasta.filePath(QStringLiteral("enchimento")));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot fill the tablespace");
        const QByteArray bloco(4096, 'x');
        while (f.write(bloco) == bloco.size() && f.flush()) {
        }
    }

private:
    QTemporaryDir m_pasta{QDir::tempPath() + QStringLiteral("/orlavane-cheio-XXXXXX")};
    bool m_montado = false;
    QString m_nome;
};

/// An ERP user whose login of the server may read every table of the company
/// database but those of `semLeitura`, and call none of the stores (it is not
/// in the operators' group). Dropped once the program's connections are closed.
class Papel final {
public:
    Papel(PostoArranque& p, const QStringList& semLeitura) : m_p(p) {
        nome = QStringLiteral("orlavane_op_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        administrarPg(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(nome, Senha));
        const QString base = TextoLigacao::analisar(p.base.textoLigacao()).base;
        p.base.comando(QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2").arg(base, nome));
        p.base.comando(QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(nome));
        p.base.comando(QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA public TO %1").arg(nome));
        for (const QString& t : semLeitura)
            p.base.comando(QStringLiteral("REVOKE SELECT ON %1 FROM %2").arg(t, nome));
        p.base.executar(QStringLiteral("INSERT INTO ErpUtilizadores (Utilizador, Activo) VALUES (?, 1)"), {nome});
    }
    ~Papel() {
        // The program closes in its own order (the window logs the ERP off,
        // the workstation's lock goes before the database it is held on).
        m_p.programa.fechar();
        m_p.base.comando(QStringLiteral("DROP OWNED BY %1").arg(nome));
        administrarPg(QStringLiteral("DROP ROLE %1").arg(nome));
    }
    Q_DISABLE_COPY_MOVE(Papel)

    /// The workstation's configuration with this user, for the ERP and the database.
    void configurar() {
        auto e = m_p.erp();
        auto d = m_p.bd();
        e[0] = nome;
        e[1] = Senha;
        d[2] = nome;
        d[3] = Senha;
        m_p.configurar(e, d);
    }

    QString nome;
    const QString Senha = QStringLiteral("papel-sem-direitos");

private:
    PostoArranque& m_p;
};

/// Another connection to the company database holding it exclusively (SQLite)
/// or holding its tables so (PostgreSQL) until it goes.
class OutroPosto final {
public:
    explicit OutroPosto(const BaseTeste& base) {
        m_db = TextoLigacao::analisar(base.textoLigacaoAdministrador()).abrir(m_nome);
        QSqlQuery q(m_db);
        const bool feito =
            base.motor() == Motor::Sqlite
                ? q.exec(QStringLiteral("PRAGMA busy_timeout = 0")) && q.exec(QStringLiteral("BEGIN EXCLUSIVE"))
                : m_db.transaction() && q.exec(QStringLiteral("LOCK TABLE ErpUtilizadores, DOCGCLIN, ErpNumeracao"
                                                              " IN ACCESS EXCLUSIVE MODE"));
        if (!feito)
            qFatal("the other workstation could not take the database: %s", qPrintable(q.lastError().text()));
    }
    ~OutroPosto() {
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_nome);
    }
    Q_DISABLE_COPY_MOVE(OutroPosto)

private:
    QString m_nome = QStringLiteral("outro-posto");
    QSqlDatabase m_db;
};

/// Ends the server processes of the other connections to the test database
/// (all of them, or those in the middle of a transaction).
void terminarLigacoes(BaseTeste& base, bool soEmTransaccao) {
    const int terminadas =
        base.escalar(QStringLiteral("SELECT count(pg_terminate_backend(pid, 10000)) FROM pg_stat_activity"
                                    " WHERE datname = current_database() AND pid <> pg_backend_pid()%1")
                         .arg(soEmTransaccao ? QStringLiteral(" AND state = 'idle in transaction'") : QString()))
            .toInt();
    if (terminadas == 0)
        qFatal("no connection of the program to end");
}

/// Gives back a file's or folder's permissions when it goes.
struct Permissoes final {
    Permissoes(QString caminho, mode_t modo) : caminho(std::move(caminho)) {
        struct stat s {};
        stat(QFile::encodeName(this->caminho).constData(), &s);
        antes = s.st_mode & 07777;
        chmod(QFile::encodeName(this->caminho).constData(), modo);
    }
    ~Permissoes() { chmod(QFile::encodeName(caminho).constData(), antes); }
    Q_DISABLE_COPY_MOVE(Permissoes)
    QString caminho;
    mode_t antes = 0;
};

} // namespace

class tst_FalhasBd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // A workstation waits ten seconds for another's lock; here less.
        Dialecto::definirEspera(300ms);
    }
    void cleanupTestCase() { Dialecto::definirEspera(10s); }

    void falhaDaBaseDados_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<Caso>("caso");
        QTest::addColumn<Caminho>("caminho");
        QTest::addColumn<int>("classe");
        QTest::addColumn<QString>("detalhe"); ///< the engine's own text, kept as detail
        const auto linha = [](const char* nome, Motor m, Caso c, Caminho w, Erro::Numero classe, const char* detalhe) {
            QTest::newRow(nome) << m << c << w << int(classe) << QString::fromUtf8(detalhe);
        };
        const Motor S = Motor::Sqlite, P = Motor::Postgres;
        linha("ocupada/sqlite/arranque", S, Caso::Ocupada, Caminho::Arranque, Erro::BaseDadosOcupada, "locked");
        linha("ocupada/sqlite/carga", S, Caso::Ocupada, Caminho::Carga, Erro::BaseDadosOcupada, "locked");
        linha("ocupada/sqlite/guia", S, Caso::Ocupada, Caminho::Guia, Erro::BaseDadosOcupada, "locked");
        linha("ocupada/postgresql/arranque", P, Caso::Ocupada, Caminho::Arranque, Erro::BaseDadosOcupada,
              "lock timeout");
        linha("ocupada/postgresql/carga", P, Caso::Ocupada, Caminho::Carga, Erro::BaseDadosOcupada, "lock timeout");
        linha("ocupada/postgresql/guia", P, Caso::Ocupada, Caminho::Guia, Erro::BaseDadosOcupada, "lock timeout");
        // A SQLite database is a file this process opens: there is no
        // connection to a server to lose, so no row of SQLite here.
        linha("perdida/postgresql/arranque", P, Caso::Perdida, Caminho::Arranque, Erro::LigacaoPerdida,
              "connection to server");
        linha("perdida/postgresql/carga", P, Caso::Perdida, Caminho::Carga, Erro::LigacaoPerdida,
              "terminating connection");
        linha("perdida/postgresql/guia", P, Caso::Perdida, Caminho::Guia, Erro::LigacaoPerdida,
              "terminating connection");
        // Reading works on a read-only database: the load and start-up are
        // fine, "&Guia" is refused.
        linha("so leitura/sqlite/guia", S, Caso::SoLeitura, Caminho::Guia, Erro::SoLeitura, "readonly database");
        linha("pasta fechada/sqlite/guia", S, Caso::PastaFechada, Caminho::Guia, Erro::SoLeitura, "readonly database");
        linha("so leitura/postgresql/guia", P, Caso::SoLeitura, Caminho::Guia, Erro::SoLeitura, "read-only");
        linha("disco cheio/sqlite/guia", S, Caso::DiscoCheio, Caminho::Guia, Erro::DiscoCheio, "disk I/O error");
        linha("disco cheio/postgresql/guia", P, Caso::DiscoCheio, Caminho::Guia, Erro::DiscoCheio,
              "No space left on device");
        // A SQLite file this user may not read cannot be opened at all: the
        // program stops at start-up.
        linha("sem permissao/sqlite/arranque", S, Caso::SemPermissao, Caminho::Arranque, Erro::SemPermissao,
              "unable to open database file");
        linha("sem permissao/postgresql/arranque", P, Caso::SemPermissao, Caminho::Arranque, Erro::SemPermissao,
              "permission denied");
        linha("sem permissao/postgresql/carga", P, Caso::SemPermissao, Caminho::Carga, Erro::SemPermissao,
              "permission denied");
        linha("sem permissao/postgresql/guia", P, Caso::SemPermissao, Caminho::Guia, Erro::SemPermissao,
              "permission denied");
    }

    void falhaDaBaseDados() {
        QFETCH(Motor, motor);
        QFETCH(Caso, caso);
        QFETCH(Caminho, caminho);
        QFETCH(int, classe);
        QFETCH(QString, detalhe);

        std::optional<TablespaceCheio> tablespace;
        if (caso == Caso::DiscoCheio && motor == Motor::Postgres && !tablespace.emplace().montado())
            QSKIP("No file system can be mounted here (root with the right to mount is needed) to fill the "
                  "server's disk; PostgreSQL's disk full (53100) is classified in tst_falhabd.");
        PostoArranque p(motor);
        p.base.encomenda("ENC", 1, 10, 2026, "C1", "2026-03-05", "R1", {{"A1", 5}, {"A2", 7}});
        const QString ficheiro = p.base.pasta() + QStringLiteral("/empresa.db");

        // What holds from before the program starts to after the operator acted.
        std::vector<std::shared_ptr<void>> provocacao;
        std::unique_ptr<Papel> papel;
        const auto manter = [&provocacao](auto* objecto) { provocacao.emplace_back(objecto); };
        switch (caso) {
        case Caso::SoLeitura:
            if (motor == Motor::Sqlite)
                manter(new Permissoes(ficheiro, 0444));
            else
                p.base.comando(QStringLiteral("ALTER DATABASE %1 SET default_transaction_read_only = on")
                                   .arg(TextoLigacao::analisar(p.base.textoLigacao()).base));
            break;
        case Caso::PastaFechada:
            manter(new Permissoes(p.base.pasta(), 0555));
            break;
        case Caso::SemPermissao:
            if (motor == Motor::Sqlite) {
                manter(new Permissoes(ficheiro, 0));
                break;
            }
            // Unable to read who the ERP's users are, or the order lines, or
            // (reading everything) to call the stores.
            papel =
                std::make_unique<Papel>(p, caminho == Caminho::Arranque ? QStringList{QStringLiteral("ErpUtilizadores")}
                                           : caminho == Caminho::Carga  ? QStringList{QStringLiteral("DOCGCLIN")}
                                                                        : QStringList());
            papel->configurar();
            break;
        case Caso::Perdida:
            if (caminho == Caminho::Arranque) {
                // No server where the configuration points.
                TextoLigacao t = TextoLigacao::analisar(p.base.textoLigacao());
                t.porta = 1;
                auto e = p.erp();
                e[3] = t.texto();
                p.configurar(e, p.bd());
            }
            break;
        default:
            break;
        }
        if (motor == Motor::Sqlite)
            manter(new PermissoesDeFicheiros);
        if (caso == Caso::Ocupada && caminho == Caminho::Arranque)
            manter(new OutroPosto(p.base));

        p.arrancar();
        MensagensTeste& m = p.mensagens;
        // The operator's box: what happened and what to do, then the detail.
        QString esperado = FalhaBd::frase(classe) + QStringLiteral("\n\nDetalhe: ");
        std::unique_ptr<LimiteFicheiros> limite;
        if (caminho == Caminho::Arranque) {
            esperado = Arranque::MensagemLoginFalhado + QStringLiteral("\n\n") + esperado;
        } else {
            QVERIFY2(p.janelaAberta(), qPrintable(m.textos().join('|')));
            frmImportacao& w = *p.programa.janela;
            porNome<QLineEdit>(w, "campo1")->setText(QStringLiteral("C1"));
            if (caminho == Caminho::Guia) {
                carregarEMarcar(p);
                QVERIFY2(m.caixas.empty(), qPrintable(m.textos().join('|')));
            }
            if (caso == Caso::Ocupada)
                manter(new OutroPosto(p.base));
            if (caso == Caso::Perdida && caminho == Caminho::Carga)
                terminarLigacoes(p.base, false);
            if (caso == Caso::Perdida && caminho == Caminho::Guia)
                // In the middle of the entry's store, before its commit.
                p.erpLocal->definirAccaoNoMeio([&p](const QString&) { terminarLigacoes(p.base, true); });
            if (caso == Caso::DiscoCheio && motor == Motor::Postgres)
                tablespace->encher(p.base, QStringLiteral("ErpNumeracao"));
            if (caso == Caso::DiscoCheio && motor == Motor::Sqlite)
                limite = std::make_unique<LimiteFicheiros>(2000);
            if (caminho == Caminho::Carga) {
                // The load lets the error go: the program's box, then its end.
                porNome<QPushButton>(w, "btCarga")->click();
                esperado = QStringLiteral("Erro %1: ").arg(classe) + esperado;
            } else {
                porNome<QPushButton>(w, "btEnc")->click();
            }
        }
        limite.reset();
        provocacao.clear();

        QCOMPARE(m.caixas.size(), size_t(1));
        const QString texto = m.caixas.at(0).texto;
        // A lock met before the run starts (SQLite's lock also stops reads)
        // says first that nothing was stored.
        const bool antesDaCorrida =
            caminho == Caminho::Guia && texto.startsWith(QStringLiteral("Nada foi guardado: ") + esperado);
        QVERIFY2((texto.startsWith(esperado) || antesDaCorrida) && texto.contains(detalhe), qPrintable(texto));
        switch (caminho) {
        case Caminho::Arranque:
            QVERIFY(!p.janelaAberta());
            break;
        case Caminho::Carga:
            QCOMPARE(m.terminacoes, std::vector<int>{1});
            break;
        case Caminho::Guia: {
            // Nothing stored, the window cleared; once the cause is gone, the
            // operator tries again and the documents are made.
            QVERIFY(m.terminacoes.empty());
            QCOMPARE(documentos(p.base), 0);
            QCOMPARE(p.base.escalar(QStringLiteral("SELECT sum(QUANT) FROM DOCGCLIN")).toDouble(), 12.0);
            frmImportacao& w = *p.programa.janela;
            QCOMPARE(p.programa.importacao->linhasCarregadas(), 0);
            if (caso == Caso::Ocupada || caso == Caso::Perdida ||
                (caso == Caso::DiscoCheio && motor == Motor::Sqlite)) {
                p.erpLocal->definirAccaoNoMeio({});
                m.caixas.clear();
                porNome<QLineEdit>(w, "campo1")->setText(QStringLiteral("C1"));
                carregarEMarcar(p);
                porNome<QPushButton>(w, "btEnc")->click();
                QVERIFY2(m.caixas.empty(), qPrintable(m.textos().join('|')));
                QCOMPARE(documentos(p.base), 2);
            }
            break;
        }
        }
    }

private:
    /// Loads client C1's two lines and marks both, one unit each.
    static void carregarEMarcar(PostoArranque& p) {
        porNome<QPushButton>(*p.programa.janela, "btCarga")->click();
        ModeloEncomendas& m = p.programa.importacao->linhas();
        for (const int l : {0, 1}) {
            m.definirMarca(l, true);
            m.definirQuantidade(l, Moeda::deInteiro(1));
        }
    }
    /// The documents stored besides the orders.
    static int documentos(BaseTeste& base) {
        return base.escalar(QStringLiteral("SELECT count(*) FROM DOCGCCAB WHERE TPDOC <> 'ENC'")).toInt();
    }
};

QTEST_MAIN(tst_FalhasBd)
#include "tst_falhasbd.moc"
