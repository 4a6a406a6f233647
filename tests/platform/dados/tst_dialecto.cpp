// The engines' dialects: each one's pieces do on its engine what they say.

#include "Apoio.h"
#include "BaseDados.h"
#include "Dialecto.h"
#include "Erro.h"
#include "LigacaoBd.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

class tst_Dialecto final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void motorDaLigacao() {
        BaseTeste base(motorActual(), false);
        const Dialecto& d = Dialecto::de(base.db());
        QCOMPARE(&d, base.motor() == Motor::Postgres ? &Dialecto::postgres() : &Dialecto::sqlite());
        QCOMPARE(Dialecto::doDriver(QString(d.driver())), &d);
        QCOMPARE(&TextoLigacao::analisar(base.textoLigacao()).dialecto(), &d);
        QVERIFY(!Dialecto::doDriver(QStringLiteral("QMYSQL")));
        try {
            Dialecto::de(QSqlDatabase());
            QFAIL("a connection without a driver has no dialect");
        } catch (const Erro& e) {
            QCOMPARE(e.numero(), int(Erro::Configuracao));
        }
    }

    void esperaPeloBloqueioDeOutroPosto() {
        // Both engines wait as long for another workstation's lock: ten
        // seconds, or what was set before the connection opened.
        BaseTeste base(motorActual(), false);
        const QString sql = base.motor() == Motor::Sqlite ? QStringLiteral("PRAGMA busy_timeout")
                                                          : QStringLiteral("SELECT current_setting('lock_timeout')");
        const auto espera = [&](const QString& sql) {
            const QString nome = QStringLiteral("espera");
            QString valor;
            {
                QSqlQuery q(TextoLigacao::analisar(base.textoLigacaoAdministrador()).abrir(nome));
                if (q.exec(sql) && q.next())
                    valor = q.value(0).toString();
            }
            QSqlDatabase::removeDatabase(nome);
            return valor;
        };
        QCOMPARE(Dialecto::espera(), std::chrono::milliseconds(10000));
        QCOMPARE(espera(sql), base.motor() == Motor::Sqlite ? QStringLiteral("10000") : QStringLiteral("10s"));
        // Nor does a server session wait long on a workstation that went away
        // in the middle of a transaction.
        if (base.motor() == Motor::Postgres)
            QCOMPARE(espera(QStringLiteral("SELECT current_setting('idle_in_transaction_session_timeout')")),
                     QStringLiteral("30s"));
        Dialecto::definirEspera(std::chrono::milliseconds(250));
        const QString curta = espera(sql);
        Dialecto::definirEspera(std::chrono::milliseconds(10000));
        QCOMPARE(curta, base.motor() == Motor::Sqlite ? QStringLiteral("250") : QStringLiteral("250ms"));
    }

    void escritaBloqueiaQuemVemDepois() {
        // A write transaction opened as the dialect says, reading its row for
        // update: another connection cannot change that row until it ends.
        BaseTeste base(motorActual(), false);
        const Dialecto& d = Dialecto::de(base.db());
        QVERIFY(QSqlQuery(base.db()).exec(
            QStringLiteral("CREATE TABLE t (k INTEGER PRIMARY KEY, d %1)").arg(d.tipoData())));
        base.executar(QStringLiteral("INSERT INTO t VALUES (1, ?)"), {QStringLiteral("2024-03-05 14:30:00")});

        const QString nome = QStringLiteral("outro-posto");
        {
            QSqlDatabase outra = TextoLigacao::analisar(base.textoLigacaoAdministrador()).abrir(nome);
            QSqlQuery o(outra);
            // Not the ten seconds a workstation waits: a short wait, then refusal.
            QVERIFY(o.exec(d.servidor() ? QStringLiteral("SET lock_timeout = 200")
                                        : QStringLiteral("PRAGMA busy_timeout = 200")));
            QVERIFY(o.exec(QStringLiteral("SELECT 1"))); // the connection reaches the database

            QSqlQuery q(base.db());
            if (d.inicioEscrita().isEmpty())
                QVERIFY(base.db().transaction());
            else
                QVERIFY2(q.exec(d.inicioEscrita()), qPrintable(q.lastError().text()));
            QVERIFY2(q.exec(QStringLiteral("SELECT d FROM t WHERE k = 1") + d.paraActualizar()),
                     qPrintable(q.lastError().text()));
            QVERIFY(q.next());
            QVERIFY(!o.exec(QStringLiteral("UPDATE t SET d = d WHERE k = 1")));
            q.finish();
            QVERIFY(base.db().commit());
            QVERIFY2(o.exec(QStringLiteral("UPDATE t SET d = d WHERE k = 1")), qPrintable(o.lastError().text()));
        }
        QSqlDatabase::removeDatabase(nome);

        // The date column keeps the day (and its time) as a date.
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacaoAdministrador()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        bd.consultar(QStringLiteral("SELECT d FROM t"), {}, rs);
        QCOMPARE(rs.data(0), QDate(2024, 3, 5));
    }
};

QTEST_GUILESS_MAIN(tst_Dialecto)
#include "tst_dialecto.moc"
