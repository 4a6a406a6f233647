// Secrets: the ERP users' passwords are kept as salted hashes only; no
// password, of the ERP or of the database, appears in a box, in a form
// field that is not hidden, in an error text or in a log line, through
// failed logins, databases that do not open (a real PostgreSQL server
// refusing a wrong password included) and broken configuration files; and
// start-up warns once, without refusing, about a configuration file holding a
// password that other users can read.

#include "Configuracao.h"
#include "ErpLocal.h"
#include "Esquema.h"
#include "FalhaBd.h"
#include "Guarda.h"
#include "Integridade.h"
#include "LigacaoBd.h"
#include "PostoArranque.h"
#include "frmImportacao.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

#include <algorithm>
#include <ctime>

namespace {

const QString SenhaErp = QStringLiteral("Erp-Segredo-7731;\"x#");
const QString SenhaBd = QStringLiteral("Bd-Segredo-4410'y\\z;");
/// A piece of both passwords: no text may hold it.
const QString Marca = QStringLiteral("Segredo-");

/// Every log line (qDebug, qWarning, ...) written while the tests run.
QStringList registos;
QtMessageHandler anterior = nullptr;

void registar(QtMsgType tipo, const QMessageLogContext& contexto, const QString& texto) {
    registos << texto;
    if (anterior)
        anterior(tipo, contexto, texto);
}

/// A PostgreSQL login of its own, an operator with its password.
struct PapelComPassword {
    PapelComPassword(BaseTeste& base, const QString& password) : m_base(base) {
        nome = QStringLiteral("orlavane_pw_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        Esquema::definirUtilizadorErp(base.db(), nome, password);
    }
    ~PapelComPassword() {
        m_base.comando(QStringLiteral("DELETE FROM ErpUtilizadores WHERE Utilizador = '%1'").arg(nome));
        m_base.comando(QStringLiteral("DROP OWNED BY %1").arg(nome));
        m_base.comando(QStringLiteral("DROP ROLE %1").arg(nome));
    }
    Q_DISABLE_COPY_MOVE(PapelComPassword)

    /// The connection text of the test's database as this role with `password`.
    QString textoLigacao(const QString& password) const {
        TextoLigacao t = TextoLigacao::analisar(m_base.textoLigacao());
        t.utilizador = nome;
        t.password = password;
        return t.texto();
    }

    QString nome;

private:
    BaseTeste& m_base;
};

} // namespace

class tst_Segredos : public QObject {
    Q_OBJECT

private:
    /// No text the operator or a log reader sees holds a password.
    void semSegredos(const MensagensTeste& m, const QStringList& outros = {}) {
        QStringList textos = m.textos() + m.titulosFormularios + outros + registos;
        for (const QStringList& r : m.rotulosFormularios)
            textos += r;
        // A form shows the current values: the passwords only in hidden fields.
        for (size_t i = 0; i < m.valoresMostrados.size(); ++i)
            for (qsizetype k = 0; k < m.valoresMostrados[i].size(); ++k)
                if (!m.segredosFormularios[i].contains(int(k)))
                    textos << m.valoresMostrados[i].at(k);
        for (const QString& t : textos)
            QVERIFY2(!t.contains(Marca), qPrintable(t));
    }

private Q_SLOTS:
    void initTestCase() { anterior = qInstallMessageHandler(registar); }
    void cleanupTestCase() { qInstallMessageHandler(anterior); }
    void init() { registos.clear(); }

    void senhasDoErpSoComoHashSalgado() {
        BaseTeste base(Motor::Sqlite);
        Esquema::definirUtilizadorErp(base.db(), QStringLiteral("um"), SenhaErp);
        Esquema::definirUtilizadorErp(base.db(), QStringLiteral("dois"), SenhaErp);
        const QString h1 =
            base.escalar(QStringLiteral("SELECT HashPassword FROM ErpUtilizadores WHERE Utilizador = 'um'")).toString();
        const QString h2 =
            base.escalar(QStringLiteral("SELECT HashPassword FROM ErpUtilizadores WHERE Utilizador = 'dois'"))
                .toString();
        QVERIFY2(h1.startsWith(QStringLiteral("$argon2id$")), qPrintable(h1));
        QVERIFY(h1 != h2); // salted: the same password never gives the same text
        QVERIFY(!retratoDaBase(base).contains(Marca));
        base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
        ErpLocal erp;
        QVERIFY(erp.login(QStringLiteral("um"), SenhaErp, QStringLiteral("DEMO"), base.textoLigacao(),
                          QStringLiteral("p")));
        QVERIFY(!erp.login(QStringLiteral("um"), SenhaErp + QLatin1Char('x'), QStringLiteral("DEMO"),
                           base.textoLigacao(), QStringLiteral("p")));
        QVERIFY(!erp.motivoFalhaLogin().contains(Marca));
        MensagensTeste m;
        semSegredos(m);
    }

    /// A refused login costs as much whoever it names: a user who does not
    /// exist, or is not active (with the right password), costs the password
    /// check a wrong password costs. Measured in the process's processor
    /// time, which other work on the machine does not add to: the median of
    /// three logins.
    void recusaSemDizerQuemExiste_data() {
        QTest::addColumn<QString>("utilizador");
        QTest::newRow("desconhecido") << "ninguem";
        QTest::newRow("inactivo") << "parado";
    }
    void recusaSemDizerQuemExiste() {
        QFETCH(QString, utilizador);
        BaseTeste base(Motor::Sqlite);
        base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
        Esquema::definirUtilizadorErp(base.db(), QStringLiteral("um"), SenhaErp);
        Esquema::definirUtilizadorErp(base.db(), QStringLiteral("parado"), SenhaErp);
        base.executar(QStringLiteral("UPDATE ErpUtilizadores SET Activo = 0 WHERE Utilizador = 'parado'"));
        ErpLocal erp;
        const auto custo = [&](const QString& u, const QString& password) {
            std::array<std::clock_t, 3> t{};
            for (std::clock_t& x : t) {
                const std::clock_t antes = std::clock();
                if (erp.login(u, password, QStringLiteral("DEMO"), base.textoLigacao(), QStringLiteral("p")))
                    qFatal("the login of %s was accepted", qPrintable(u));
                x = std::clock() - antes;
            }
            std::sort(t.begin(), t.end());
            return t[1];
        };
        const std::clock_t errada = custo(QStringLiteral("um"), SenhaErp + QLatin1Char('x'));
        const std::clock_t recusado = custo(utilizador, SenhaErp);
        QVERIFY2(2 * recusado > errada, qPrintable(QStringLiteral("%1 against %2").arg(recusado).arg(errada)));
        QCOMPARE(erp.motivoFalhaLogin(), QStringLiteral("Utilizador ou palavra-passe do ERP inválidos."));
    }

    void loginDoErpFalhado_data() { adicionarMotores(); }
    void loginDoErpFalhado() {
        QFETCH(Motor, motor);
        // The configuration holds a wrong ERP password: one box, the fixed text.
        PostoArranque p(motor);
        auto e = p.erp();
        e[1] = SenhaErp;
        p.configurar(e, p.bd());
        p.arrancar();
        QCOMPARE(p.mensagens.textos(), QStringList{Arranque::MensagemLoginFalhado});
        QStringList motivos;
        // The ERP's database refuses (a wrong database password inside E4), or is not there.
        ErpLocal erp;
        if (motor == Motor::Postgres) {
            PapelComPassword papel(p.base, QStringLiteral("certa"));
            QVERIFY(!erp.login(QStringLiteral("op"), SenhaErp, QStringLiteral("DEMO"), papel.textoLigacao(SenhaBd),
                               QStringLiteral("p")));
            QVERIFY2(erp.motivoFalhaLogin().contains(QStringLiteral("password authentication failed")),
                     qPrintable(erp.motivoFalhaLogin()));
            motivos << erp.motivoFalhaLogin();
        }
        QVERIFY(!erp.login(QStringLiteral("op"), SenhaErp, QStringLiteral("DEMO"),
                           QStringLiteral("Driver=QSQLITE;Database=/nao/existe.db;Password=\"%1\"").arg(SenhaBd),
                           QStringLiteral("p")));
        motivos << erp.motivoFalhaLogin();
        QVERIFY(
            !erp.login(QStringLiteral("op"), SenhaErp, QStringLiteral("DEMO"),
                       QStringLiteral("Driver=QPSQL;Host=/nao/existe;Database=x;User=y;Password=\"%1\"").arg(SenhaBd),
                       QStringLiteral("p")));
        motivos << erp.motivoFalhaLogin();
        semSegredos(p.mensagens, motivos);
    }

    void baseQueNaoAbre_data() { adicionarMotores(); }
    void baseQueNaoAbre() {
        QFETCH(Motor, motor);
        PostoArranque p(motor);
        std::unique_ptr<PapelComPassword> papel;
        auto d = p.bd();
        if (motor == Motor::Postgres) {
            // A real server refusing a wrong password.
            papel = std::make_unique<PapelComPassword>(p.base, QStringLiteral("certa"));
            d[2] = papel->nome;
        } else {
            // A file that is not a database.
            d[1] = p.app.filePath(QStringLiteral("nao-e-base.db"));
            PostoArranque::escrever(d[1], QByteArray(200, 'x'));
        }
        d[3] = SenhaBd;
        p.configurar(p.erp(), d);
        p.arrancar();
        QVERIFY(!p.janelaAberta());
        const QStringList caixas = p.mensagens.textos();
        QCOMPARE(caixas.size(), 1);
        // What the operator can do first (a refused password, a file that is
        // no database), then which database and why.
        QVERIFY2(caixas.at(0).startsWith(
                     FalhaBd::frase(motor == Motor::Postgres ? Erro::AcessoRecusado : Erro::BaseDadosDanificada)),
                 qPrintable(caixas.at(0)));
        QVERIFY2(caixas.at(0).contains(QStringLiteral("\n\nDetalhe: Não foi possível abrir a base de dados ")),
                 qPrintable(caixas.at(0)));
        if (motor == Motor::Postgres)
            QVERIFY2(caixas.at(0).contains(QStringLiteral("password authentication failed")), qPrintable(caixas.at(0)));
        semSegredos(p.mensagens);
    }

    void textosDoQtSql() {
        // What Qt's PostgreSQL driver itself says of a wrong password.
        BaseTeste base(Motor::Postgres);
        PapelComPassword papel(base, QStringLiteral("certa"));
        const TextoLigacao t = TextoLigacao::analisar(papel.textoLigacao(SenhaBd));
        QStringList textos;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("segredos"));
            db.setHostName(t.host);
            db.setPort(t.porta);
            db.setDatabaseName(t.base);
            db.setUserName(t.utilizador);
            db.setPassword(SenhaBd);
            QVERIFY(!db.open());
            textos << db.lastError().text() << db.lastError().databaseText() << db.lastError().driverText();
            QVERIFY2(textos.at(0).contains(QStringLiteral("password authentication failed")), qPrintable(textos.at(0)));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("segredos"));
        // A second connection asked for after the password changed on the server.
        BaseDados bd;
        QVERIFY2(bd.abrir(papel.textoLigacao(QStringLiteral("certa"))), qPrintable(bd.ultimoErro()));
        base.comando(QStringLiteral("ALTER ROLE %1 PASSWORD 'outra'").arg(papel.nome));
        try {
            bd.novaLigacao();
            QFAIL("the second connection opened with the old password");
        } catch (const Erro& e) {
            textos << e.texto();
        }
        bd.fechar();
        MensagensTeste m;
        semSegredos(m, textos);
    }

    void formularioEscondeAsSenhas() {
        PostoArranque p;
        auto e = p.erp();
        e[0].clear(); // the user is asked for: the form shows the other values
        e[1] = SenhaErp;
        auto d = p.bd();
        d[0].clear();
        d[3] = SenhaBd;
        p.configurar(e, d);
        p.arrancar();
        QCOMPARE(p.mensagens.titulosFormularios.size(), 1);
        QCOMPARE(p.mensagens.segredosFormularios.at(0), QList<int>{1});
        QCOMPARE(p.mensagens.valoresMostrados.at(0).at(1), SenhaErp);
        semSegredos(p.mensagens);
    }

    void ficheirosComErro() {
        // Whatever is wrong with a file that holds passwords, its message quotes none.
        PostoArranque p;
        QStringList textos;
        const QList<QByteArray> conteudos = {
            "[ERP]\nPassword = " + SenhaErp.toUtf8() + "\x01\n",
            "[ERP]\nPassword = " + SenhaErp.toUtf8() + QByteArray(70 * 1024, 'x') + "\n",
            "[BaseDados]\nPassword = " + SenhaBd.toUtf8() + QByteArray("\n\0", 2),
        };
        for (const QByteArray& c : conteudos) {
            PostoArranque::escrever(p.configuracao(), c);
            try {
                ConfigErp().ler(p.configuracao());
                QFAIL("the file was read");
            } catch (const Erro& e) {
                textos << e.texto();
            }
        }
        try {
            escreverConfiguracao(p.configuracao(), {QString(), SenhaErp + QLatin1Char('\n'), {}, {}, {}}, {});
            QFAIL("a password with a line break was written");
        } catch (const Erro& e) {
            textos << e.texto();
        }
        try {
            // A password written without quotes that holds ";Port=": its end is taken for the port.
            TextoLigacao::analisar(QStringLiteral("Driver=QPSQL;Database=x;Password=ab;Port=%1").arg(Marca));
            QFAIL("a port that is no number was taken");
        } catch (const Erro& e) {
            textos << e.texto();
        }
        QCOMPARE(textos.size(), 5);
        semSegredos(p.mensagens, textos);
    }

    void avisoDePermissoes_data() {
        QTest::addColumn<int>("modo");            // of the configuration file
        QTest::addColumn<int>("modoAlternativo"); // of Catalogos/bd.sql, 0 when there is none
        QTest::addColumn<QString>("caso");
        QTest::addColumn<int>("avisados"); // files named in the warning
        QTest::newRow("600, com senhas") << 0600 << 0 << "senhas" << 0;
        QTest::newRow("644, com senhas") << 0644 << 0 << "senhas" << 1;
        QTest::newRow("640, legivel pelo grupo") << 0640 << 0 << "senhas" << 1;
        QTest::newRow("604, legivel pelos outros") << 0604 << 0 << "senhas" << 1;
        QTest::newRow("644, sem senhas") << 0644 << 0 << "sem senhas" << 0;
        QTest::newRow("644, senha so na instancia") << 0644 << 0 << "instancia" << 1;
        QTest::newRow("644, senha escrita pelo operador") << 0644 << 0 << "formulario" << 0;
        QTest::newRow("600, bd.sql 644 com a senha da base") << 0600 << 0644 << "alternativo" << 1;
        QTest::newRow("600, bd.sql 600 com a senha da base") << 0600 << 0600 << "alternativo" << 0;
        QTest::newRow("644 e bd.sql 644") << 0644 << 0644 << "senhas e alternativo" << 2;
    }
    void avisoDePermissoes() {
        QFETCH(int, modo);
        QFETCH(int, modoAlternativo);
        QFETCH(QString, caso);
        QFETCH(int, avisados);
        PostoArranque p;
        Esquema::definirUtilizadorErp(p.base.db(), QStringLiteral("livre"), QString());
        auto e = p.erp();
        auto d = p.bd();
        // "senhas": the ERP user's password is in the file.
        if (caso == QLatin1String("sem senhas") || caso == QLatin1String("instancia") ||
            caso == QLatin1String("alternativo")) {
            e[0] = QStringLiteral("livre");
            e[1].clear();
        }
        if (caso == QLatin1String("instancia"))
            e[3] += QStringLiteral(";Password=") + SenhaBd;
        if (caso == QLatin1String("formulario")) {
            e[0].clear();
            e[1].clear();
            p.mensagens.formularios.push_back({QStringLiteral("op"), QStringLiteral("segredo"), e[2], e[3], e[4]});
        }
        if (caso.contains(QLatin1String("alternativo"))) {
            d[0].clear(); // taken from Catalogos/bd.sql, with its password
            PostoArranque::escrever(p.alternativo(), QStringLiteral("[BaseDados]\nServidor = sqlite\nBaseDados = %1\n"
                                                                    "Utilizador = op\nPassword = %2\n")
                                                         .arg(p.bd()[1], QStringLiteral("da-base"))
                                                         .toUtf8());
        }
        p.configurar(e, d);
        const auto permissoes = [](int m) {
            // Unix mode bits to Qt's: owner, group, others (Qt keeps the user's as the owner's).
            QFile::Permissions r;
            if (m & 0400)
                r |= QFile::ReadOwner | QFile::ReadUser;
            if (m & 0200)
                r |= QFile::WriteOwner | QFile::WriteUser;
            if (m & 040)
                r |= QFile::ReadGroup;
            if (m & 020)
                r |= QFile::WriteGroup;
            if (m & 04)
                r |= QFile::ReadOther;
            if (m & 02)
                r |= QFile::WriteOther;
            return r;
        };
        QVERIFY(QFile::setPermissions(p.configuracao(), permissoes(modo)));
        if (modoAlternativo)
            QVERIFY(QFile::setPermissions(p.alternativo(), permissoes(modoAlternativo)));
        p.arrancar();
        // The warning never stops the program.
        QVERIFY2(p.janelaAberta(), qPrintable(p.mensagens.textos().join('|')));
        std::vector<MensagensTeste::Caixa> avisos;
        for (const auto& c : p.mensagens.caixas)
            if (c.texto.contains(QStringLiteral("chmod 600")))
                avisos.push_back(c);
        QCOMPARE(p.mensagens.caixas.size(), avisos.size()); // nothing else was said
        if (avisados == 0) {
            QVERIFY(avisos.empty());
            return;
        }
        QCOMPARE(avisos.size(), size_t(1)); // once, whatever the number of files
        QCOMPARE(avisos[0].icone, Mensagens::Icone::Aviso);
        QCOMPARE(avisos[0].titulo, QStringLiteral("Orlavane"));
        const bool principal = caso != QLatin1String("alternativo");
        QCOMPARE(avisos[0].texto.contains(QLatin1Char('"') + p.configuracao() + QLatin1Char('"')), principal);
        QCOMPARE(avisos[0].texto.contains(QLatin1Char('"') + p.alternativo() + QLatin1Char('"')),
                 caso.contains(QLatin1String("alternativo")));
        semSegredos(p.mensagens);
    }
};

QTEST_MAIN(tst_Segredos)
#include "tst_segredos.moc"
