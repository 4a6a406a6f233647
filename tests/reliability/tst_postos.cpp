// Several workstations at once: separate processes (orlavane-posto), each with
// its own ERP session and database connection, load the same client's order
// lines, mark them and make Guias against the same lines, on SQLite and on
// PostgreSQL. Afterwards the database is checked: no order line satisfied
// beyond what was pending, every entry with its Guia or annulled, no number
// used twice, nothing stored in part.
//
// With kills: every other workstation is killed (SIGKILL) at a random point
// of a random run, up to ORLAVANE_MORTES times (2), and started again at
// once with the same name and state folder, recovering at start-up while the
// others go on saving. The same checks hold, and each workstation's entries
// are exactly those its own runs and recoveries account for: a recovering
// workstation never touches another's.
//
// Bounded: ORLAVANE_POSTOS processes (4) of at most ORLAVANE_RONDAS runs (15)
// each, none starting a run after ORLAVANE_SEGUNDOS seconds (40).

#include "BaseDados.h"
#include "CorridasDoPosto.h"
#include "Integridade.h"
#include "ProgramaPosto.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <random>

namespace {

int definido(const char* variavel, int defeito) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(variavel, &ok);
    return ok && v > 0 ? v : defeito;
}

const QStringList PontosMorte = {QStringLiteral("entrada"), QStringLiteral("gravacao"), QStringLiteral("guia"),
                                 QStringLiteral("anulacao"), QStringLiteral("anulada")};

/// One workstation through all its lives: each killed one is started again.
struct Posto {
    QString nome;
    int rondasPorFazer = 0;
    int mortesPorFazer = 0;
    std::unique_ptr<QProcess> processo;
    Resumo total; ///< the counts of every life, added up
    int mortes = 0;
    QByteArray erros;
};

} // namespace

class tst_Postos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void variosPostosAoMesmoTempo_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<bool>("comMortes");
        QTest::newRow("sqlite") << Motor::Sqlite << false;
        QTest::newRow("postgresql") << Motor::Postgres << false;
        QTest::newRow("sqlite, com mortes") << Motor::Sqlite << true;
        QTest::newRow("postgresql, com mortes") << Motor::Postgres << true;
    }
    void variosPostosAoMesmoTempo() {
        QFETCH(Motor, motor);
        QFETCH(bool, comMortes);
        const int postos = definido("ORLAVANE_POSTOS", 4);
        const int rondas = definido("ORLAVANE_RONDAS", 15);
        const int segundos = definido("ORLAVANE_SEGUNDOS", 40);

        BaseTeste base(motor);
        base.dadosBase();
        prepararErp(base);
        // Client C1: orders of four lines over both order types, with whole
        // and fractional quantities, about enough for every run to find work.
        const int encomendas = std::max(12, postos * rondas / 3);
        for (int n = 1; n <= encomendas; ++n) {
            const bool web = n % 3 == 0;
            base.encomenda(web ? QStringLiteral("ENV") : QStringLiteral("ENC"), web ? 2 : 1, 100 + n, 2026,
                           QStringLiteral("C1"), QDate(2025, 1, 1).addDays(n).toString(Qt::ISODate),
                           QStringLiteral("R%1").arg(n),
                           {{QStringLiteral("A1"), 10 + n},
                            {QStringLiteral("A2"), 6.5},
                            {QStringLiteral("A3"), 3},
                            {QStringLiteral("A1"), 20.25}});
        }
        // Another client's order, which no workstation may touch.
        base.encomenda(QStringLiteral("ENC"), 1, 900, 2026, QStringLiteral("C2"), QStringLiteral("2026-01-01"),
                       QStringLiteral("X"), {{QStringLiteral("A1"), 5}});
        const Pendentes inicio = pendentesDasEncomendas(base);

        const ProgramaPosto programa(base);
        std::mt19937 aleatorio(2000 * int(motor) + (comMortes ? 1 : 0));
        const auto ate = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(aleatorio); };
        const int mortesPorPosto = comMortes ? definido("ORLAVANE_MORTES", 2) : 0;

        std::vector<Posto> lista(static_cast<size_t>(postos));
        const auto iniciar = [&](Posto& p, int vida) {
            QStringList opcoes{QStringLiteral("--rondas"),
                               QString::number(p.rondasPorFazer),
                               QStringLiteral("--segundos"),
                               QString::number(segundos),
                               QStringLiteral("--semente"),
                               QString::number(1000 * int(motor) + 100 * vida + int(&p - lista.data()) + 1),
                               QStringLiteral("--falhas"),
                               QStringLiteral("15")};
            // Killed at a random point of a random run, the kills spread over its runs.
            if (p.mortesPorFazer > 0 && p.rondasPorFazer > 0)
                opcoes << QStringLiteral("--matar-em") << PontosMorte.at(ate(int(PontosMorte.size())))
                       << QStringLiteral("--matar-na-ronda")
                       << QString::number(1 + ate(std::max(1, p.rondasPorFazer / p.mortesPorFazer)));
            p.processo = programa.iniciar(p.nome, opcoes);
        };
        for (int i = 0; i < postos; ++i) {
            Posto& p = lista[size_t(i)];
            p.nome = QStringLiteral("POSTO%1").arg(i + 1);
            p.rondasPorFazer = rondas;
            p.mortesPorFazer = i % 2 == 1 ? mortesPorPosto : 0;
            iniciar(p, 0);
        }

        // Each workstation's lives until the last one ends by itself; one
        // killed is started again at once, while the others go on.
        QElapsedTimer relogio;
        relogio.start();
        for (bool algum = true; algum;) {
            algum = false;
            for (Posto& p : lista) {
                if (!p.processo)
                    continue;
                algum = true;
                // A bound on the wait, not a measure: each workstation stops by itself.
                QVERIFY2(relogio.elapsed() < (segundos + 120) * 1000, qPrintable(p.nome + " did not stop by itself"));
                if (!p.processo->waitForFinished(20))
                    continue;
                p.erros += p.processo->readAllStandardError();
                const Resumo r = lerResumo(p.processo->readAllStandardOutput());
                for (auto i = r.cbegin(); i != r.cend(); ++i)
                    p.total[i.key()] += i.value();
                if (morto(*p.processo)) {
                    // Killed in the run after those it finished.
                    ++p.mortes;
                    --p.mortesPorFazer;
                    p.rondasPorFazer = std::max(0, p.rondasPorFazer - r.value(QStringLiteral("rondas")) - 1);
                    iniciar(p, p.mortes);
                    continue;
                }
                QVERIFY2(p.processo->exitStatus() == QProcess::NormalExit && p.processo->exitCode() == 0 &&
                             !r.isEmpty(),
                         p.erros.constData());
                p.processo.reset();
            }
        }

        Resumo total;
        int mortes = 0;
        for (const Posto& p : lista) {
            QVERIFY2(p.total.value(QStringLiteral("outras")) == 0 && p.total.value(QStringLiteral("fatais")) == 0,
                     p.erros.constData());
            for (auto i = p.total.cbegin(); i != p.total.cend(); ++i)
                total[i.key()] += i.value();
            mortes += p.mortes;
        }
        const auto n_ = [&](const char* chave) { return total.value(QString::fromLatin1(chave)); };
        // Guias made: by the runs, and found made by the recovery of a killed run.
        const int guias = n_("guias") + n_("recuperadasGuia");
        const int anuladas = n_("recusadas") + n_("falhas") + n_("recuperadasAnuladas");

        const EstadoBase i = verificarBase(base, inicio);
        const Integridade::Contagens& n = i.contagens();
        qInfo("%s%s: %d postos, %d rondas, %d mortes: %d guias (%d encontradas feitas ao recuperar), %d recusadas por "
              "outro posto ter satisfeito antes, %d com falha injectada na guia, %d na entrada, %d sem nada pendente, "
              "%d listadas; ao recuperar %d entradas anuladas, %d sem nada guardado; %d entradas (%d anuladas), %d "
              "guias, %d problemas",
              base.motor() == Motor::Sqlite ? "SQLite" : "PostgreSQL", comMortes ? " com mortes" : "", postos,
              n_("rondas"), mortes, guias, n_("recuperadasGuia"), n_("recusadas"), n_("falhas"), n_("falhasEntrada"),
              n_("vazias"), n_("listadas"), n_("recuperadasAnuladas"), n_("recuperadasNada"), n.entradas,
              n.entradasAnuladas, n.guias, int(i.relatorio.achados.size() + i.pendentesAlterados.size()));
        QVERIFY2(i.sa(), qPrintable(i.resumo()));
        QVERIFY(n_("guias") > 0);
        if (comMortes)
            QVERIFY(mortes > 0);
        // Every Guia the workstations made is stored once with its entry; the
        // entry of every Guia that failed is annulled; no entry had to be listed.
        QCOMPARE(n.guias, guias);
        QCOMPARE(n.entradas - n.entradasAnuladas, guias);
        QCOMPARE(n.entradasAnuladas, anuladas);
        QCOMPARE(n_("listadas") + n_("recuperadasListadas"), 0);
        // Each workstation's entries are those of its own runs and recoveries:
        // none annulled, or left, by another.
        for (const Posto& p : lista) {
            const auto contar = [&](const char* anulado) {
                return base
                    .escalar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'ENT' AND POSTO = ? AND ") +
                                 QLatin1String(anulado),
                             {p.nome})
                    .toInt();
            };
            const auto v = [&](const char* chave) { return p.total.value(QString::fromLatin1(chave)); };
            QCOMPARE(contar("ANULADO <> -1"), v("guias") + v("recuperadasGuia"));
            QCOMPARE(contar("ANULADO = -1"), v("recusadas") + v("falhas") + v("recuperadasAnuladas"));
        }
        // The other client's order is untouched.
        QCOMPARE(base.escalar(QStringLiteral("SELECT QUANT FROM DOCGCLIN WHERE NNUMDOC = 900")).toDouble(), 5.0);
    }

    /// One live program per workstation name on a company database, wherever
    /// the other runs: here this process holds the name, and a workstation
    /// program with a state folder of its own is refused, naming it. Another
    /// name starts; the name is free again once its holder ends. A name longer
    /// than the documents keep is refused.
    void umProgramaPorPosto_data() {
        QTest::addColumn<Motor>("motor");
        QTest::newRow("sqlite") << Motor::Sqlite;
        QTest::newRow("postgresql") << Motor::Postgres;
    }
    void umProgramaPorPosto() {
        QFETCH(Motor, motor);
        BaseTeste base(motor);
        base.dadosBase();
        prepararErp(base);
        const ProgramaPosto programa(base);
        const QTemporaryDir estado;
        qputenv("XDG_STATE_HOME", QFile::encodeName(estado.path()));
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        auto dono = std::make_unique<CorridasDoPosto>(bd, QStringLiteral("op"), QStringLiteral("P1"));
        const QStringList nenhuma{QStringLiteral("--rondas"), QStringLiteral("0")};
        const auto segundo = programa.correr(QStringLiteral("P1"), nenhuma);
        const QByteArray erros = segundo->readAllStandardError();
        QCOMPARE(segundo->exitCode(), 3);
        QVERIFY2(erros.contains("O posto \"P1\" já está a ser usado por outro Orlavane"), erros.constData());
        QCOMPARE(programa.correr(QStringLiteral("P2"), nenhuma)->exitCode(), 0);
        dono.reset();
        QCOMPARE(programa.correr(QStringLiteral("P1"), nenhuma)->exitCode(), 0);
        // A name longer than the ERP's documents keep is refused at start-up, naming it.
        const QString cabe(CorridasDoPosto::TamanhoMaximoPosto, u'é');
        QCOMPARE(programa.correr(cabe, nenhuma)->exitCode(), 0);
        const auto longo = programa.correr(cabe + u'x', nenhuma);
        QCOMPARE(longo->exitCode(), 3);
        QVERIFY(longo->readAllStandardError().contains(
            QStringLiteral("O nome do posto \"%1x\" tem 31 caracteres").arg(cabe).toUtf8()));
    }
};

QTEST_GUILESS_MAIN(tst_Postos)
#include "tst_postos.moc"
