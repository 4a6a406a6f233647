// Interrupted runs: the workstation program (orlavane-posto: the real window,
// offscreen) is killed with SIGKILL at each point between the steps of a Guia
// run, on SQLite and PostgreSQL, and started again with the same workstation
// name and state folder. Its start-up recovery must leave no entry without
// its Guia, no Guia without its entry, and every order line's pending
// quantity as the documents say; the journal and the run log say which run
// was recovered and how. The same for a Guia's annulment, killed at each
// point between its two stores.

#include "DiarioCorridas.h"
#include "Integridade.h"
#include "ProgramaPosto.h"

#include <QTest>

using Integridade::Categoria;

class tst_Interrupcoes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mortoACadaPasso_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QString>("ponto");
        QTest::addColumn<int>("orfas");    ///< entries without a Guia left by the kill
        QTest::addColumn<int>("desfecho"); ///< FimCorrida::Tipo recovery closes the run with
        QTest::addColumn<QString>("registo");
        const int feita = int(FimCorrida::Tipo::GuiaFeita);
        const int anulada = int(FimCorrida::Tipo::EntradaAnulada);
        for (const Motor motor : {Motor::Sqlite, Motor::Postgres}) {
            const char* m = motor == Motor::Sqlite ? "sqlite" : "postgresql";
            const auto linha = [&](const char* ponto, int orfas, int desfecho, const char* registo) {
                QTest::addRow("%s: %s", m, ponto)
                    << motor << QString::fromLatin1(ponto) << orfas << desfecho << QString::fromLatin1(registo);
            };
            // On PostgreSQL a store is one statement, which the server
            // completes once it has it: killed while it is on its way, the
            // workstation finds it done at the next start.
            const bool pg = motor == Motor::Postgres;
            const int orfaEmCurso = pg ? 0 : 1;
            const int guiaEmCurso = pg ? feita : anulada;
            const char* registoEmCurso = pg ? "guia" : "entrada-anulada";
            // clang-format off
            linha("entrada",  1,           anulada,     "entrada-anulada"); // after the entry's commit
            linha("gravacao", orfaEmCurso, guiaEmCurso, registoEmCurso);    // in the course of the Guia's save
            linha("guia",     0,           feita,       "guia");            // after the Guia's commit
            linha("anulacao", orfaEmCurso, anulada,     "entrada-anulada"); // in the course of the annulment
            linha("anulada",  0,           anulada,     "entrada-anulada"); // after the annulment's commit
            // clang-format on
        }
    }
    void mortoACadaPasso() {
        QFETCH(Motor, motor);
        QFETCH(QString, ponto);
        QFETCH(int, orfas);
        QFETCH(int, desfecho);
        QFETCH(QString, registo);

        BaseTeste base(motor);
        base.dadosBase();
        prepararErp(base);
        base.encomenda(QStringLiteral("ENC"), 1, 10, 2026, QStringLiteral("C1"), QStringLiteral("2026-03-05"),
                       QStringLiteral("R1"), {{QStringLiteral("A1"), 5}, {QStringLiteral("A2"), 7.5}});
        base.encomenda(QStringLiteral("ENV"), 2, 11, 2026, QStringLiteral("C1"), QStringLiteral("2026-03-06"),
                       QStringLiteral("R2"), {{QStringLiteral("A3"), 2}, {QStringLiteral("A1"), 4}});
        const Pendentes inicio = pendentesDasEncomendas(base);
        const ProgramaPosto programa(base);

        // Killed in its first run.
        const auto primeira =
            programa.correr(QStringLiteral("POSTO1"),
                            {QStringLiteral("--rondas"), QStringLiteral("1"), QStringLiteral("--matar-em"), ponto});
        QVERIFY2(morto(*primeira), primeira->readAllStandardError().constData());
        // The server has ended the killed workstation's sessions, and with
        // them any statement it was still running for it.
        if (motor == Motor::Postgres)
            QTRY_COMPARE_WITH_TIMEOUT(base.escalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity"
                                                                  " WHERE datname = current_database()"
                                                                  " AND pid <> pg_backend_pid()"))
                                          .toInt(),
                                      0, 20000);
        const EstadoBase antes = verificarBase(base, inicio);
        QCOMPARE(antes.quantos(Categoria::EntradaSemGuia), orfas);
        QCOMPARE(antes.quantos(Categoria::MeioGuardado), 0);
        std::vector<CorridaDiario> diario = DiarioCorridas::lerFicheiro(programa.diario(QStringLiteral("POSTO1")));
        QCOMPARE(diario.size(), size_t(1));
        QVERIFY(!diario[0].fim);
        QVERIFY(programa.registo().isEmpty());

        // Started again: recovery at start-up, then no run.
        const auto segunda =
            programa.correr(QStringLiteral("POSTO1"), {QStringLiteral("--rondas"), QStringLiteral("0")});
        const QByteArray erros = segunda->readAllStandardError();
        QVERIFY2(segunda->exitStatus() == QProcess::NormalExit && segunda->exitCode() == 0, erros.constData());
        const Resumo r = lerResumo(segunda->readAllStandardOutput());
        QCOMPARE(r.value(QStringLiteral("recuperadasGuia")) + r.value(QStringLiteral("recuperadasAnuladas")), 1);

        const EstadoBase depois = verificarBase(base, inicio);
        const Integridade::Contagens& n = depois.contagens();
        qInfo("%s, %s: %d entrada(s) sem guia antes de recuperar, %d depois; %d guia(s), %d entrada(s) anulada(s)",
              motor == Motor::Sqlite ? "SQLite" : "PostgreSQL", qPrintable(ponto), orfas,
              depois.quantos(Categoria::EntradaSemGuia), n.guias, n.entradasAnuladas);
        // Nothing half-done: no orphan entry, no Guia without its entry,
        // pending quantities as the live Guias say.
        QVERIFY2(depois.sa(), qPrintable(depois.resumo()));
        QCOMPARE(n.entradas, 1);
        QCOMPARE(n.guias, desfecho == int(FimCorrida::Tipo::GuiaFeita) ? 1 : 0);
        QCOMPARE(n.entradasAnuladas, 1 - n.guias);

        // The journal and the log say which run was recovered and how; the
        // operator was told, naming the entry.
        diario = DiarioCorridas::lerFicheiro(programa.diario(QStringLiteral("POSTO1")));
        QCOMPARE(diario.size(), size_t(1));
        QVERIFY(diario[0].fim && diario[0].recuperada);
        QCOMPARE(int(diario[0].fim->tipo), desfecho);
        const QString entrada = textoChave(*diario[0].fim->entrada);
        QVERIFY2(QString::fromUtf8(erros).contains(QStringLiteral("A execução interrompida de ")) &&
                     QString::fromUtf8(erros).contains(entrada),
                 erros.constData());
        const QStringList linhas = programa.registo();
        QCOMPARE(linhas.size(), 1);
        QVERIFY2(linhas[0].contains(QStringLiteral("\torigem=recuperacao\t")) &&
                     linhas[0].contains(QStringLiteral("\tdesfecho=") + registo + QLatin1Char('\t')) &&
                     linhas[0].contains(entrada),
                 qPrintable(linhas[0]));
    }

    void anulacaoMortaACadaPasso_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QString>("ponto");
        QTest::addColumn<int>("guiasAnuladas"); ///< Guias annulled when the process died
        for (const Motor motor : {Motor::Sqlite, Motor::Postgres}) {
            const char* m = motor == Motor::Sqlite ? "sqlite" : "postgresql";
            // clang-format off
            QTest::addRow("%s: anular-guia", m)     << motor << QStringLiteral("anular-guia")     << 0;
            QTest::addRow("%s: guia-anulada", m)    << motor << QStringLiteral("guia-anulada")    << 1;
            QTest::addRow("%s: anular-entrada", m)  << motor << QStringLiteral("anular-entrada")  << 1;
            QTest::addRow("%s: entrada-anulada", m) << motor << QStringLiteral("entrada-anulada") << 1;
            // clang-format on
        }
    }
    void anulacaoMortaACadaPasso() {
        // A Guia made, then its annulment killed at each point: the next
        // start annuls the Guia and its entry, the order lines pending again
        // exactly as before the Guia, and says so.
        QFETCH(Motor, motor);
        QFETCH(QString, ponto);
        QFETCH(int, guiasAnuladas);

        BaseTeste base(motor);
        base.dadosBase();
        prepararErp(base);
        base.encomenda(QStringLiteral("ENC"), 1, 10, 2026, QStringLiteral("C1"), QStringLiteral("2026-03-05"),
                       QStringLiteral("R1"), {{QStringLiteral("A1"), 5}, {QStringLiteral("A2"), 7.5}});
        const Pendentes inicio = pendentesDasEncomendas(base);
        const ProgramaPosto programa(base);
        const auto feita = programa.correr(QStringLiteral("POSTO1"), {QStringLiteral("--rondas"), QStringLiteral("1")});
        QCOMPARE(lerResumo(feita->readAllStandardOutput()).value(QStringLiteral("guias")), 1);
        QVERIFY(pendentesDasEncomendas(base) != inicio);

        const auto morta = programa.correr(QStringLiteral("POSTO1"),
                                           {QStringLiteral("--rondas"), QStringLiteral("0"), QStringLiteral("--anular"),
                                            QStringLiteral("Engano no cliente"), QStringLiteral("--matar-em"), ponto});
        QVERIFY2(morto(*morta), morta->readAllStandardError().constData());
        const EstadoBase antes = verificarBase(base, inicio);
        QCOMPARE(antes.contagens().guiasAnuladas, guiasAnuladas);
        std::vector<CorridaDiario> diario = DiarioCorridas::lerFicheiro(programa.diario(QStringLiteral("POSTO1")));
        // The journal keeps unfinished runs only (the Guia's was closed).
        QCOMPARE(diario.size(), size_t(1));
        QVERIFY(diario[0].inicio.anulacao && !diario[0].fim);

        const auto segunda =
            programa.correr(QStringLiteral("POSTO1"), {QStringLiteral("--rondas"), QStringLiteral("0")});
        const QString erros = QString::fromUtf8(segunda->readAllStandardError());
        QVERIFY2(segunda->exitStatus() == QProcess::NormalExit && segunda->exitCode() == 0, qPrintable(erros));
        QCOMPARE(lerResumo(segunda->readAllStandardOutput()).value(QStringLiteral("recuperadasAnulacao")), 1);
        const EstadoBase depois = verificarBase(base, inicio);
        qInfo("%s, %s: %d guia(s) anulada(s) ao morrer, %d achado(s) antes de recuperar; depois %d guia(s) e %d "
              "entrada(s) anuladas",
              motor == Motor::Sqlite ? "SQLite" : "PostgreSQL", qPrintable(ponto), guiasAnuladas,
              int(antes.relatorio.achados.size()), depois.contagens().guiasAnuladas,
              depois.contagens().entradasAnuladas);
        QVERIFY2(depois.sa(), qPrintable(depois.resumo()));
        QCOMPARE(depois.contagens().guiasAnuladas, 1);
        QCOMPARE(depois.contagens().entradasAnuladas, 1);
        QCOMPARE(pendentesDasEncomendas(base), inicio);

        // The operator was told; the journal and the log say how it ended, with the reason.
        QVERIFY2(erros.contains(QStringLiteral("A anulação interrompida de ")), qPrintable(erros));
        diario = DiarioCorridas::lerFicheiro(programa.diario(QStringLiteral("POSTO1")));
        QCOMPARE(diario.size(), size_t(1));
        QVERIFY(diario[0].fim && diario[0].recuperada);
        QCOMPARE(diario[0].fim->tipo, FimCorrida::Tipo::GuiaAnulada);
        const QStringList linhas = programa.registo();
        QCOMPARE(linhas.size(), 2);
        QVERIFY2(linhas[1].contains(QStringLiteral("\torigem=recuperacao\t")) &&
                     linhas[1].contains(QStringLiteral("\tdesfecho=guia-anulada\t")) &&
                     linhas[1].endsWith(QStringLiteral("\tmotivo=Engano no cliente")),
                 qPrintable(linhas[1]));
    }
};

QTEST_GUILESS_MAIN(tst_Interrupcoes)
#include "tst_interrupcoes.moc"
