// orlavane-guia as an administrator runs it: beside its configuration and
// parameters file, on both engines, one print at a time and several at once.

#include "Apoio.h"
#include "Configuracao.h"
#include "LigacaoBd.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifndef ORLAVANE_GUIA
#error "ORLAVANE_GUIA names the program"
#endif

namespace {

struct Execucao {
    int codigo = -1;
    QString erros;
};

QString textoPdf(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

} // namespace

class tst_OrlavaneGuia final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }
    void init();
    void imprimir();
    void recusas_data();
    void recusas();
    void variosPostos();

private:
    std::unique_ptr<QProcess> iniciar(const QStringList& argumentos);
    Execucao executar(const QStringList& argumentos);
    int impressoes() {
        return m_base->escalar(QStringLiteral("SELECT IMPRESSOES FROM DOCGCCAB WHERE NNUMDOC = 7")).toInt();
    }

    std::unique_ptr<BaseTeste> m_base;
    std::unique_ptr<QTemporaryDir> m_pasta, m_semFabricante;
    QString m_programa;
};

void tst_OrlavaneGuia::init() {
    m_base = std::make_unique<BaseTeste>(motorActual());
    m_base->dadosBase();
    erpLocalLigado(*m_base);
    m_base->executar(QStringLiteral("INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO) VALUES"
                                    " ('GR', 1, 7, 2026, '2026-03-05 00:00:00', 'C1')"));
    m_base->executar(QStringLiteral("INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, ARTIGO, DESCR, DATA,"
                                    " QTDORIG, QUANT) VALUES ('GR', 1, 7, 2026, 1, 'A1', 'Parafuso',"
                                    " '2026-03-05 00:00:00', 2, 2)"));
    // The program in a folder of its own, its configuration beside it (no
    // maker's folder under the base folder), two copies in its parameters.
    m_pasta = std::make_unique<QTemporaryDir>();
    m_semFabricante = std::make_unique<QTemporaryDir>();
    m_programa = m_pasta->filePath(QStringLiteral("orlavane-guia"));
    QVERIFY(QFile::copy(QStringLiteral(ORLAVANE_GUIA), m_programa));
    const TextoLigacao l = TextoLigacao::analisar(m_base->textoLigacao());
    const bool sqlite = m_base->motor() == Motor::Sqlite;
    escreverConfiguracao(m_pasta->filePath(QStringLiteral("Orlavane.zeb")),
                         {QStringLiteral("op"), QStringLiteral("segredo"), QStringLiteral("DEMO"),
                          m_base->textoLigacao(), QStringLiteral("posto9")},
                         {sqlite ? QStringLiteral("sqlite") : QStringLiteral("%1:%2").arg(l.host).arg(l.porta), l.base,
                          sqlite ? QStringLiteral("demo") : l.utilizador, sqlite ? QString() : l.password});
    QFile parametros(m_pasta->filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
    QVERIFY(parametros.open(QIODevice::WriteOnly));
    parametros.write("GUIAS=GR,1,1,A1\r\nCOPIAS=2\r\n");
}

std::unique_ptr<QProcess> tst_OrlavaneGuia::iniciar(const QStringList& argumentos) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_semFabricante->path());
    p->setProcessEnvironment(env);
    p->start(m_programa, argumentos);
    return p;
}

Execucao tst_OrlavaneGuia::executar(const QStringList& argumentos) {
    const auto p = iniciar(argumentos);
    if (!p->waitForFinished(60000) || p->exitStatus() != QProcess::NormalExit)
        qFatal("orlavane-guia did not end by itself");
    return {p->exitCode(), QString::fromUtf8(p->readAllStandardError())};
}

void tst_OrlavaneGuia::imprimir() {
    // The parameters' two copies, the original.
    const QString primeira = m_pasta->filePath(QStringLiteral("primeira.pdf"));
    Execucao x = executar({QStringLiteral("--pdf"), primeira, QStringLiteral("GR/1/7/2026")});
    QVERIFY2(x.codigo == 0, qPrintable(x.erros));
    QString t = textoPdf(primeira);
    QVERIFY2(t.contains(QStringLiteral("GR 1/7 · Original Página 1 de 1")) &&
                 t.contains(QStringLiteral("GR 1/7 · Duplicado Página 1 de 1")) &&
                 !t.contains(QStringLiteral("Triplicado")) && !t.contains(QStringLiteral("2.ª via")),
             qPrintable(t));
    QVERIFY(t.contains(QStringLiteral("Cliente Um, Lda")) && t.contains(QStringLiteral("Parafuso")));
    QCOMPARE(impressoes(), 1);

    // Asked for one copy, on a database named on the command line: a reprint.
    const QString segunda = m_pasta->filePath(QStringLiteral("segunda.pdf"));
    x = executar({QStringLiteral("--pdf"), segunda, QStringLiteral("--copias"), QStringLiteral("1"),
                  QStringLiteral("--ligacao"), m_base->textoLigacao(), QStringLiteral("GR/1/7/2026")});
    QVERIFY2(x.codigo == 0, qPrintable(x.erros));
    t = textoPdf(segunda);
    QVERIFY2(t.contains(QStringLiteral("GR 1/7 · Original · 2.ª via Página 1 de 1")) &&
                 !t.contains(QStringLiteral("Duplicado")),
             qPrintable(t));
    QCOMPARE(impressoes(), 2);
}

void tst_OrlavaneGuia::recusas_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("codigo");
    QTest::addColumn<QString>("motivo");
    const QString pdf = QStringLiteral("x.pdf");
    QTest::newRow("sem guia") << QStringList{QStringLiteral("--pdf"), pdf} << 2 << QStringLiteral("falta a guia");
    QTest::newRow("chave") << QStringList{QStringLiteral("GR-1-7")} << 2 << QStringLiteral("não é uma guia");
    QTest::newRow("copias") << QStringList{QStringLiteral("--copias"), QStringLiteral("0"),
                                           QStringLiteral("GR/1/7/2026")}
                            << 2 << QStringLiteral("a chave COPIAS deve ser");
    QTest::newRow("opção") << QStringList{QStringLiteral("--cor"), QStringLiteral("GR/1/7/2026")} << 2
                           << QStringLiteral("opção desconhecida: cor");
    QTest::newRow("inexistente") << QStringList{QStringLiteral("--pdf"), pdf, QStringLiteral("GR/1/8/2026")} << 1
                                 << QStringLiteral("O documento GR/1/8/2026 não existe.");
    QTest::newRow("pasta inexistente") << QStringList{QStringLiteral("--pdf"), QStringLiteral("/nao/existe/x.pdf"),
                                                      QStringLiteral("GR/1/7/2026")}
                                       << 1 << QStringLiteral("Não foi possível escrever \"/nao/existe/x.pdf\"");
}

void tst_OrlavaneGuia::recusas() {
    QFETCH(QStringList, argumentos);
    QFETCH(int, codigo);
    QFETCH(QString, motivo);
    const Execucao x = executar(argumentos);
    QCOMPARE(x.codigo, codigo);
    QVERIFY2(x.erros.contains(motivo), qPrintable(x.erros));
    // Nothing printed, nothing counted.
    QCOMPARE(impressoes(), 0);
    QVERIFY(!QFile::exists(QStringLiteral("x.pdf")));
}

void tst_OrlavaneGuia::variosPostos() {
    // Four prints at once: each gets a count of its own, one the original.
    std::vector<std::unique_ptr<QProcess>> processos;
    for (int i = 0; i < 4; ++i)
        processos.push_back(iniciar({QStringLiteral("--pdf"), m_pasta->filePath(QStringLiteral("p%1.pdf").arg(i)),
                                     QStringLiteral("GR/1/7/2026")}));
    int originais = 0;
    for (int i = 0; i < 4; ++i) {
        QVERIFY(processos[size_t(i)]->waitForFinished(60000));
        QVERIFY2(processos[size_t(i)]->exitCode() == 0, processos[size_t(i)]->readAllStandardError().constData());
        if (!textoPdf(m_pasta->filePath(QStringLiteral("p%1.pdf").arg(i))).contains(QStringLiteral("2.ª via")))
            ++originais;
    }
    QCOMPARE(originais, 1);
    QCOMPARE(impressoes(), 4);
}

QTEST_GUILESS_MAIN(tst_OrlavaneGuia)
#include "tst_orlavaneguia.moc"
