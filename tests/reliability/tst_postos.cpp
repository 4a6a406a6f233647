// Several workstations at once: separate processes (orlavane-posto), each with
// its own ERP session and database connection, load the same client's order
// lines, mark them and make Guias against the same lines, on SQLite and on
// PostgreSQL. Afterwards the database is checked: no order line satisfied
// beyond what was pending, every entry with its Guia or annulled, no number
// used twice, nothing stored in part.
//
// Bounded: ORLAVANE_POSTOS processes (4) of at most ORLAVANE_RONDAS runs (15)
// each, none starting a run after ORLAVANE_SEGUNDOS seconds (40).

#include "Integridade.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#ifndef ORLAVANE_POSTO
#error "ORLAVANE_POSTO names the workstation program"
#endif

namespace {

int definido(const char* variavel, int defeito) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(variavel, &ok);
    return ok && v > 0 ? v : defeito;
}

/// The counts one workstation printed.
using Resumo = QHash<QString, int>;

Resumo lerResumo(const QByteArray& saida) {
    static const QRegularExpression par(QStringLiteral("(\\w+)=(\\d+)"));
    Resumo r;
    for (const QByteArray& linha : saida.split('\n')) {
        if (!linha.startsWith("RESUMO "))
            continue;
        auto i = par.globalMatch(QString::fromUtf8(linha));
        while (i.hasNext()) {
            const auto m = i.next();
            r.insert(m.captured(1), m.captured(2).toInt());
        }
    }
    return r;
}

} // namespace

class tst_Postos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void variosPostosAoMesmoTempo_data() { adicionarMotores(); }
    void variosPostosAoMesmoTempo() {
        QFETCH(Motor, motor);
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

        QTemporaryDir pasta;
        QFile parametros(pasta.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
        QVERIFY(parametros.open(QIODevice::WriteOnly));
        parametros.write("ENCOMENDAS=ENC,1,ENV,2\r\nGUIAS=GR,1,2,A1\r\nENTRADAS=ENT,1,A1,Entrada,0.1\r\n");
        parametros.close();

        std::vector<std::unique_ptr<QProcess>> processos;
        for (int p = 0; p < postos; ++p) {
            auto proc = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            proc->setProcessEnvironment(env);
            proc->start(QStringLiteral(ORLAVANE_POSTO),
                        {QStringLiteral("--ligacao"),    base.textoLigacao(),
                         QStringLiteral("--pasta"),      pasta.path(),
                         QStringLiteral("--posto"),      QStringLiteral("POSTO%1").arg(p + 1),
                         QStringLiteral("--cliente"),    QStringLiteral("C1"),
                         QStringLiteral("--utilizador"), QStringLiteral("op"),
                         QStringLiteral("--password"),   QStringLiteral("segredo"),
                         QStringLiteral("--rondas"),     QString::number(rondas),
                         QStringLiteral("--segundos"),   QString::number(segundos),
                         QStringLiteral("--semente"),    QString::number(1000 * int(motor) + p + 1),
                         QStringLiteral("--falhas"),     QStringLiteral("15")});
            QVERIFY2(proc->waitForStarted(), qPrintable(proc->errorString()));
            processos.push_back(std::move(proc));
        }

        Resumo total;
        for (auto& proc : processos) {
            // A bound on the wait, not a measure: each workstation stops by itself.
            if (!proc->waitForFinished((segundos + 120) * 1000)) {
                proc->kill();
                proc->waitForFinished();
                QFAIL("a workstation did not stop by itself");
            }
            const QByteArray erros = proc->readAllStandardError();
            const Resumo r = lerResumo(proc->readAllStandardOutput());
            QVERIFY2(proc->exitStatus() == QProcess::NormalExit && proc->exitCode() == 0 && !r.isEmpty(),
                     erros.constData());
            QVERIFY2(r.value(QStringLiteral("outras")) == 0 && r.value(QStringLiteral("fatais")) == 0,
                     erros.constData());
            for (auto i = r.cbegin(); i != r.cend(); ++i)
                total[i.key()] += i.value();
        }

        const EstadoBase i = verificarBase(base, inicio);
        const Integridade::Contagens& n = i.contagens();
        qInfo("%s: %d postos, %d rondas: %d guias, %d recusadas por outro posto ter satisfeito antes, %d com falha "
              "injectada na guia, %d na entrada, %d sem nada pendente, %d listadas; %d entradas (%d anuladas), %d "
              "guias, %d problemas",
              base.motor() == Motor::Sqlite ? "SQLite" : "PostgreSQL", postos, total.value(QStringLiteral("rondas")),
              total.value(QStringLiteral("guias")), total.value(QStringLiteral("recusadas")),
              total.value(QStringLiteral("falhas")), total.value(QStringLiteral("falhasEntrada")),
              total.value(QStringLiteral("vazias")), total.value(QStringLiteral("listadas")), n.entradas,
              n.entradasAnuladas, n.guias, int(i.relatorio.achados.size() + i.pendentesAlterados.size()));
        QVERIFY2(i.sa(), qPrintable(i.resumo()));
        QVERIFY(total.value(QStringLiteral("guias")) > 0);
        // Every Guia the workstations made is stored once with its entry; the
        // entry of every Guia that failed is annulled; no entry had to be listed.
        QCOMPARE(n.guias, total.value(QStringLiteral("guias")));
        QCOMPARE(n.entradas - n.entradasAnuladas, total.value(QStringLiteral("guias")));
        QCOMPARE(n.entradasAnuladas, total.value(QStringLiteral("recusadas")) + total.value(QStringLiteral("falhas")));
        QCOMPARE(total.value(QStringLiteral("listadas")), 0);
        // The other client's order is untouched.
        QCOMPARE(base.escalar(QStringLiteral("SELECT QUANT FROM DOCGCLIN WHERE NNUMDOC = 900")).toDouble(), 5.0);
    }
};

QTEST_GUILESS_MAIN(tst_Postos)
#include "tst_postos.moc"
