// The classes of database failures from the engines' own codes, and the text
// the operator reads for each. The failures themselves, provoked for real on
// both engines, are in tst_falhasbd.

#include "Apoio.h"
#include "FalhaBd.h"
#include "LigacaoBd.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTest>

#include <cerrno>

class tst_FalhaBd final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codigosDosMotores_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<int>("errnoSistema");
        QTest::addColumn<int>("classe");
        const auto s = [](const char* nome, int codigo, int errnoSistema, int classe) {
            QTest::newRow(nome) << Motor::Sqlite << QString::number(codigo) << errnoSistema << classe;
        };
        const auto p = [](const char* sqlstate, int classe) {
            QTest::newRow(sqlstate) << Motor::Postgres << QString::fromLatin1(sqlstate) << 0 << classe;
        };
        // SQLite's result codes, primary and extended.
        s("BUSY", 5, 0, Erro::BaseDadosOcupada);
        s("BUSY_SNAPSHOT", 517, 0, Erro::BaseDadosOcupada);
        s("LOCKED", 6, 0, Erro::BaseDadosOcupada);
        s("FULL", 13, ENOSPC, Erro::DiscoCheio);
        s("READONLY", 8, 0, Erro::SoLeitura);
        s("READONLY_DBMOVED", 1032, 0, Erro::SoLeitura);
        s("READONLY_DIRECTORY", 1544, 0, Erro::SoLeitura);
        s("CANTOPEN", 14, EACCES, Erro::SemPermissao);
        s("PERM", 3, 0, Erro::SemPermissao);
        s("AUTH", 23, 0, Erro::SemPermissao);
        s("IOERR_WRITE no room", 778, ENOSPC, Erro::DiscoCheio);
        s("IOERR_WRITE over quota", 778, EDQUOT, Erro::DiscoCheio);
        s("IOERR_WRITE file too large", 778, EFBIG, Erro::DiscoCheio);
        s("IOERR_WRITE", 778, EIO, Erro::FalhaDisco);
        s("IOERR_READ", 266, 0, Erro::FalhaDisco);
        s("IOERR_NOMEM", 3082, 0, Erro::SemRecursos);
        s("NOMEM", 7, 0, Erro::SemRecursos);
        s("CORRUPT", 11, 0, Erro::BaseDadosDanificada);
        s("NOTADB", 26, 0, Erro::BaseDadosDanificada);
        s("ERROR", 1, 0, 0);
        s("CONSTRAINT_UNIQUE", 2067, 0, 0);
        // PostgreSQL's SQLSTATE. A full disk (53100) is provoked for real only
        // where a small file system can be mounted for the server: here it
        // is classified everywhere.
        p("08006", Erro::LigacaoPerdida);
        p("08001", Erro::LigacaoPerdida);
        p("57P01", Erro::LigacaoPerdida);
        p("57P02", Erro::LigacaoPerdida);
        p("57P03", Erro::LigacaoPerdida);
        p("53100", Erro::DiscoCheio);
        p("53200", Erro::SemRecursos);
        p("53300", Erro::SemRecursos);
        p("25006", Erro::SoLeitura);
        p("42501", Erro::SemPermissao);
        p("28P01", Erro::AcessoRecusado);
        p("28000", Erro::AcessoRecusado);
        p("55P03", Erro::BaseDadosOcupada);
        p("40001", Erro::BaseDadosOcupada);
        p("40P01", Erro::BaseDadosOcupada);
        p("58030", Erro::FalhaDisco);
        p("XX001", Erro::BaseDadosDanificada);
        p("42P01", 0);
        p("23505", 0);
        p("", 0);
    }
    void codigosDosMotores() {
        QFETCH(Motor, motor);
        QFETCH(QString, codigo);
        QFETCH(int, errnoSistema);
        QFETCH(int, classe);
        QCOMPARE(motor == Motor::Sqlite ? FalhaBd::classeSqlite(codigo.toInt(), errnoSistema)
                                        : FalhaBd::classePostgres(codigo),
                 classe);
    }

    void textoDoOperador() {
        // Each class has its own sentence; the detail follows after a blank line.
        QSet<QString> frases;
        for (int classe = Erro::BaseDadosOcupada; classe <= Erro::ServidorNaoVerificado; ++classe) {
            const Erro e = FalhaBd::erro(classe, Erro::Sql, QStringLiteral("database is locked"));
            QCOMPARE(e.numero(), classe);
            QVERIFY(!FalhaBd::frase(classe).isEmpty());
            QCOMPARE(e.texto(), FalhaBd::frase(classe) + QStringLiteral("\n\nDetalhe: database is locked"));
            frases << FalhaBd::frase(classe);
        }
        QCOMPARE(frases.size(), Erro::ServidorNaoVerificado - Erro::BaseDadosOcupada + 1);
        // No class: the caller's number and text, as they were.
        const Erro e = FalhaBd::erro(0, Erro::Sql, QStringLiteral("no such table: x"));
        QCOMPARE(e.numero(), int(Erro::Sql));
        QCOMPARE(e.texto(), QStringLiteral("no such table: x"));
        QVERIFY(FalhaBd::frase(Erro::Sql).isEmpty());
    }

    void ligacaoPgQueNaoAbre() {
        // Qt's driver gives no SQLSTATE for a connection that did not open:
        // a server that is not there, or one that refuses the connection.
        BaseTeste base(Motor::Postgres, false);
        const TextoLigacao t = TextoLigacao::analisar(base.textoLigacaoAdministrador());
        const auto classe = [&t](int porta, const QString& nomeBase) {
            const QString nome = QStringLiteral("nao-abre");
            int c = 0;
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nome);
                db.setHostName(t.host);
                db.setPort(porta);
                db.setUserName(t.utilizador);
                db.setDatabaseName(nomeBase);
                if (!db.open())
                    c = FalhaBd::classeAbertura(db);
            }
            QSqlDatabase::removeDatabase(nome);
            return c;
        };
        QCOMPARE(classe(1, t.base), int(Erro::LigacaoPerdida));
        QCOMPARE(classe(t.porta, QStringLiteral("base_que_nao_existe")), int(Erro::AcessoRecusado));
        QCOMPARE(classe(t.porta, t.base), 0); // it opens
    }
};

QTEST_GUILESS_MAIN(tst_FalhaBd)
#include "tst_falhabd.moc"
