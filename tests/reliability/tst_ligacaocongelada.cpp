// A workstation's link to the PostgreSQL server freezes in the middle of its
// Guia (a hung machine, a cut cable: the relay between the workstation program
// and the server stops forwarding). Another workstation's Guia is made at its
// first press, at once; when the link comes back, or the first program is
// killed and started again, nothing is half-done.

#include "Integridade.h"
#include "LigacaoBd.h"
#include "ProgramaPosto.h"
#include "Rele.h"

#include <QElapsedTimer>
#include <QTest>

class tst_LigacaoCongelada : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void outroPostoNaoEspera_data() {
        QTest::addColumn<bool>("resposta"); ///< the Guia's call reached the server, its answer is held
        QTest::addColumn<bool>("reinicia"); ///< the first program is killed and started again
        QTest::newRow("pedido retido, a ligação volta") << false << false;
        QTest::newRow("pedido retido, o posto reinicia") << false << true;
        QTest::newRow("resposta retida, a ligação volta") << true << false;
        QTest::newRow("resposta retida, o posto reinicia") << true << true;
    }
    void outroPostoNaoEspera() {
        QFETCH(bool, resposta);
        QFETCH(bool, reinicia);
        BaseTeste base(Motor::Postgres);
        base.dadosBase();
        prepararErp(base);
        for (const auto& [numero, cliente] : {std::pair{10, "C1"}, std::pair{11, "C2"}})
            base.encomenda(QStringLiteral("ENC"), 1, numero, 2026, QLatin1String(cliente), QStringLiteral("2026-03-05"),
                           QStringLiteral("R"), {{QStringLiteral("A1"), 5}, {QStringLiteral("A2"), 7}});
        const Pendentes inicio = pendentesDasEncomendas(base);
        const ProgramaPosto programa(base);

        // The first workstation reaches the server through the relay, which
        // freezes at its Guia's call.
        TextoLigacao rede = TextoLigacao::analisar(base.textoLigacao());
        Rele rele(QStringLiteral("%1/.s.PGSQL.%2").arg(rede.host).arg(rede.porta).toStdString());
        rede.host = QStringLiteral("127.0.0.1");
        rede.porta = rele.porta();
        const QStringList pelaRede{QStringLiteral("--ligacao"), rede.texto()};
        rele.congelarAo("erp_grava_documento", resposta ? Rele::Momento::Resposta : Rele::Momento::Pedido);
        const auto primeiro = programa.iniciar(QStringLiteral("POSTO1"), pelaRede + QStringList{"--rondas", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(rele.congelado(), 30000);

        // Another workstation, another client: its Guia at its first press.
        QElapsedTimer relogio;
        relogio.start();
        const auto segundo = programa.iniciar(QStringLiteral("POSTO2"), {"--cliente", "C2", "--rondas", "1"});
        QVERIFY2(segundo->waitForFinished(15000), "the second workstation waited for the first");
        qInfo("o segundo posto fez a sua guia em %lld ms", relogio.elapsed());
        QCOMPARE(segundo->exitCode(), 0);
        QCOMPARE(lerResumo(segundo->readAllStandardOutput()).value(QStringLiteral("guias")), 1);
        QVERIFY(primeiro->state() == QProcess::Running);

        if (!reinicia) {
            // The link comes back: the first workstation's Guia ends as it would have.
            rele.retomar();
            QVERIFY(primeiro->waitForFinished(60000));
            QCOMPARE(primeiro->exitCode(), 0);
            QCOMPARE(lerResumo(primeiro->readAllStandardOutput()).value(QStringLiteral("guias")), 1);
        } else {
            // Killed while frozen; the link comes back (with the dead
            // program's call on it, when it was held) as it starts again.
            primeiro->kill();
            QVERIFY(primeiro->waitForFinished());
            rele.retomar();
            const auto outraVez = programa.correr(QStringLiteral("POSTO1"), pelaRede + QStringList{"--rondas", "0"});
            const QByteArray erros = outraVez->readAllStandardError();
            QCOMPARE(outraVez->exitCode(), 0);
            const Resumo r = lerResumo(outraVez->readAllStandardOutput());
            QCOMPARE(r.value(QStringLiteral("recuperadasGuia")) + r.value(QStringLiteral("recuperadasAnuladas")), 1);
            QVERIFY2(erros.contains("A execução interrompida de "), erros.constData());
        }
        // Every session of the workstations is over, whatever it was doing.
        QTRY_COMPARE_WITH_TIMEOUT(base.escalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity"
                                                              " WHERE datname = current_database()"
                                                              " AND pid <> pg_backend_pid()"))
                                      .toInt(),
                                  0, 30000);
        const EstadoBase depois = verificarBase(base, inicio);
        QVERIFY2(depois.sa(), qPrintable(depois.resumo()));
        QCOMPARE(depois.contagens().entradas, 2);
        QCOMPARE(depois.contagens().guias + depois.contagens().entradasAnuladas, 2);
    }
};

QTEST_GUILESS_MAIN(tst_LigacaoCongelada)
#include "tst_ligacaocongelada.moc"
