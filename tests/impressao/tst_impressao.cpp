// The printed Guia, rendered to PDF and read back as a person's tools read
// it: its text with pdftotext, its QR code with zbarimg on the rendered page.

#include "Apoio.h"
#include "BaseDados.h"
#include "CodigoQr.h"
#include "DesenhoGuia.h"
#include "Erro.h"
#include "LeituraGuia.h"
#include "PdfGuia.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(GuiaImpressa)

namespace {

/// Runs a tool and gives its standard output; fails the test unless it ends with `esperado`.
QByteArray correr(const QString& programa, const QStringList& argumentos, int esperado = 0) {
    QProcess p;
    p.start(programa, argumentos);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != esperado)
        qFatal("%s %s: exit %d: %s", qPrintable(programa), qPrintable(argumentos.join(u' ')), p.exitCode(),
               p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

/// The PDF's text laid out as on the page (or, with `direita`, the right
/// half of the page alone, in reading order), every run of blanks and line
/// ends made one space.
QString texto(const QString& pdf, int pagina = 0, bool direita = false) {
    QStringList a;
    if (pagina > 0)
        a << QStringLiteral("-f") << QString::number(pagina) << QStringLiteral("-l") << QString::number(pagina);
    if (direita)
        a << QStringLiteral("-x") << QStringLiteral("310") << QStringLiteral("-y") << QStringLiteral("0")
          << QStringLiteral("-W") << QStringLiteral("300") << QStringLiteral("-H") << QStringLiteral("842");
    else
        a << QStringLiteral("-layout");
    const QString t = QString::fromUtf8(correr(QStringLiteral("pdftotext"), a << pdf << QStringLiteral("-")));
    return t.simplified();
}

int paginas(const QString& pdf) {
    const QString info = QString::fromUtf8(correr(QStringLiteral("pdfinfo"), {pdf}));
    return QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
}

/// The QR codes zbarimg reads on one page rendered at 200 dpi (none: empty).
QString qr(const QString& pdf, int pagina) {
    const QString png = pdf + QStringLiteral("-p%1").arg(pagina);
    correr(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-f"),
                                        QString::number(pagina), QStringLiteral("-l"), QString::number(pagina),
                                        QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, png});
    QProcess z;
    z.start(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), png + QStringLiteral(".png")});
    z.waitForFinished(60000);
    return QString::fromUtf8(z.readAllStandardOutput()).trimmed();
}

GuiaImpressa guiaExemplo() {
    GuiaImpressa g;
    g.chave = ChaveDocumento{2026, QStringLiteral("GR"), 1, 45};
    g.nomeTipo = QStringLiteral("Guia de remessa");
    g.data = QDate(2026, 3, 5);
    g.gravadaEm = QDateTime(QDate(2026, 3, 5), QTime(10, 11, 12));
    g.empresa = {QStringLiteral("DEMO"), QStringLiteral("Demonstração Comercial, Lda"), QStringLiteral("PT501234567"),
                 QStringLiteral("Rua do Armazém, 10"), QStringLiteral("4000-001 Porto")};
    g.cliente = {QStringLiteral("C0002"), QStringLiteral("Ferragens Silva & Filhos"), QStringLiteral("123456789"),
                 QStringLiteral("Avenida Central, 5"), QStringLiteral("1000-100 Lisboa")};
    g.localCarga = QStringLiteral("Armazém 2, Maia");
    g.localDescarga = QStringLiteral("Obra da Quinta Nova, Sintra");
    g.matricula = QStringLiteral("AA-00-BB");
    g.codigoValidacao = QStringLiteral("CSDF7T5H");
    g.linhas = {{QStringLiteral("A0001"), QStringLiteral("Parafuso M6 zincado"), Moeda::deUnidades(25000),
                 QStringLiteral("UN"), OrigemImpressa{QStringLiteral("ENC"), 1, 12, 2026, 3}},
                {QStringLiteral("A0002"), QStringLiteral("Cimento cola"), Moeda::deUnidades(51250),
                 QStringLiteral("KG"), OrigemImpressa{QStringLiteral("ENW"), 1, 7, 2025, 1}}};
    return g;
}

} // namespace

class tst_impressao final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void folha_data();
    void folha();
    void milLinhas();
    void daBaseDeDados_data();
    void daBaseDeDados();

private:
    QTemporaryDir m_pasta;
};

void tst_impressao::folha_data() {
    QTest::addColumn<GuiaImpressa>("guia");
    QTest::addColumn<QStringList>("presentes");
    QTest::addColumn<QStringList>("ausentes");
    QTest::addColumn<QString>("codigo");

    const GuiaImpressa normal = guiaExemplo();
    QTest::newRow("normal") << normal
                            << QStringList{QStringLiteral("Demonstração Comercial, Lda"),
                                           QStringLiteral("NIF: PT501234567"),
                                           QStringLiteral("Rua do Armazém, 10, 4000-001 Porto"),
                                           QStringLiteral("C0002"),
                                           QStringLiteral("Ferragens Silva & Filhos"),
                                           QStringLiteral("NIF: 123456789"),
                                           QStringLiteral("Avenida Central, 5, 1000-100 Lisboa"),
                                           QStringLiteral("Guia de remessa"),
                                           QStringLiteral("GR 1/45"),
                                           QStringLiteral("Data: 05-03-2026"),
                                           QStringLiteral("INÍCIO DO TRANSPORTE"),
                                           QStringLiteral("05-03-2026 10:11"),
                                           QStringLiteral("LOCAL DE CARGA"),
                                           QStringLiteral("Armazém 2, Maia"),
                                           QStringLiteral("LOCAL DE DESCARGA"),
                                           QStringLiteral("Obra da Quinta Nova, Sintra"),
                                           QStringLiteral("MATRÍCULA"),
                                           QStringLiteral("AA-00-BB"),
                                           QStringLiteral("A0001"),
                                           QStringLiteral("Parafuso M6 zincado"),
                                           QStringLiteral("2,50"),
                                           QStringLiteral("UN"),
                                           QStringLiteral("ENC 1/12/2026, linha 3"),
                                           QStringLiteral("5,125"),
                                           QStringLiteral("KG"),
                                           QStringLiteral("ENW 1/7/2025, linha 1"),
                                           QStringLiteral("Quantidade total 7,625"),
                                           QStringLiteral("ATCUD: CSDF7T5H-45"),
                                           QStringLiteral("Página 1 de 1"),
                                           QStringLiteral("GR 1/45 · Original Página 1 de 1"),
                                           QStringLiteral("GR 1/45 · Duplicado Página 1 de 1"),
                                           QStringLiteral("GR 1/45 · Triplicado Página 1 de 1")}
                            << QStringList{QStringLiteral("2.ª via"), QStringLiteral("ANULADO")}
                            << QStringLiteral("A:501234567*B:123456789*C:PT*D:GR*E:N*F:20260305*G:GR 1/45*"
                                              "H:CSDF7T5H-45*I1:0*N:0.00*O:0.00*Q:0*R:0");

    GuiaImpressa reimpressa = normal;
    reimpressa.impressoesAnteriores = 1;
    QTest::newRow("reimpressa") << reimpressa << QStringList{QStringLiteral("GR 1/45 · Triplicado · 2.ª via")}
                                << QStringList{QStringLiteral("ANULADO")}
                                << QStringLiteral("A:501234567*B:123456789*C:PT*D:GR*E:N*F:20260305*G:GR 1/45*"
                                                  "H:CSDF7T5H-45*I1:0*N:0.00*O:0.00*Q:0*R:0");

    GuiaImpressa anulada = normal;
    anulada.anulada = true;
    anulada.motivoAnulacao = QStringLiteral("Cliente recusou a entrega");
    QTest::newRow("anulada") << anulada
                             << QStringList{QStringLiteral("ANULADO"),
                                            QStringLiteral("Anulada: Cliente recusou a entrega")}
                             << QStringList{QStringLiteral("2.ª via")}
                             << QStringLiteral("A:501234567*B:123456789*C:PT*D:GR*E:A*F:20260305*G:GR 1/45*"
                                               "H:CSDF7T5H-45*I1:0*N:0.00*O:0.00*Q:0*R:0");

    // A series without a validation code, a Guia stored by a program that
    // kept no time, a client without a tax number, no vehicle, a company
    // document type: the final consumer, ATCUD 0-n, movement type GR.
    GuiaImpressa simples = normal;
    simples.chave.TipoDoc = QStringLiteral("GX");
    simples.codigoValidacao.clear();
    simples.gravadaEm.reset();
    simples.cliente.contribuinte.clear();
    simples.matricula.clear();
    QTest::newRow("sem código") << simples
                                << QStringList{QStringLiteral("ATCUD: 0-45"), QStringLiteral("NIF: Avenida Central")}
                                << QStringList{QStringLiteral("MATRÍCULA"), QStringLiteral("10:11")}
                                << QStringLiteral("A:501234567*B:999999990*C:PT*D:GR*E:N*F:20260305*G:GX 1/45*"
                                                  "H:0-45*I1:0*N:0.00*O:0.00*Q:0*R:0");

    // What a client's name may hold: markup, control characters, the longest
    // name the column takes. It prints as it stands, controls as blanks.
    GuiaImpressa hostil = normal;
    const QString marcas = QStringLiteral("<b>Zé</b> &amp; <script>x</script> \"Lda\"");
    hostil.cliente.nome = (marcas + QStringLiteral("\n\t\x01\x1b[2J") +
                           QStringLiteral(" Comércio Geral de Máquinas e Ferramentas Industriais"))
                              .left(100);
    QTest::newRow("hostil") << hostil << QStringList{marcas + QStringLiteral(" [2J Comércio Geral de Máquinas")}
                            << QStringList{QStringLiteral("\x1b")}
                            << QStringLiteral("A:501234567*B:123456789*C:PT*D:GR*E:N*F:20260305*G:GR 1/45*"
                                              "H:CSDF7T5H-45*I1:0*N:0.00*O:0.00*Q:0*R:0");
}

void tst_impressao::folha() {
    QFETCH(GuiaImpressa, guia);
    QFETCH(QStringList, presentes);
    QFETCH(QStringList, ausentes);
    QFETCH(QString, codigo);

    const QString pdf = m_pasta.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".pdf"));
    DesenhoGuia desenho(guia);
    FicheiroPdf(pdf).escrever(desenho, 3);
    QCOMPARE(paginas(pdf), 3);
    // The right half too: the client's column whole, in reading order.
    const QString t = texto(pdf) + QLatin1Char(' ') + texto(pdf, 1, true);
    for (const QString& p : presentes)
        QVERIFY2(t.contains(p.simplified()), qPrintable(p + QStringLiteral(" not in: ") + t));
    for (const QString& a : ausentes)
        QVERIFY2(!t.contains(a), qPrintable(a));
    QCOMPARE(CodigoQr::texto(guia), codigo);
    QCOMPARE(qr(pdf, 3), codigo);
}

void tst_impressao::milLinhas() {
    GuiaImpressa guia = guiaExemplo();
    guia.linhas.clear();
    for (int i = 1; i <= 1000; ++i)
        guia.linhas.push_back({QStringLiteral("L%1").arg(i, 4, 10, QLatin1Char('0')),
                               QStringLiteral("Artigo número %1").arg(i), Moeda::deInteiro(1), QStringLiteral("UN"),
                               OrigemImpressa{QStringLiteral("ENC"), 1, i, 2026, 1}});
    const QString pdf = m_pasta.filePath(QStringLiteral("mil.pdf"));
    DesenhoGuia desenho(guia);
    const int m = desenho.paginasPorCopia();
    QVERIFY2(m > 20 && m < 50, qPrintable(QString::number(m)));
    FicheiroPdf(pdf).escrever(desenho, 2);
    QCOMPARE(paginas(pdf), 2 * m);

    // Every line once in each copy, in order, every page numbered of m.
    const QString t = texto(pdf);
    for (int i = 1; i <= 1000; ++i)
        QCOMPARE(t.count(QStringLiteral(" L%1 ").arg(i, 4, 10, QLatin1Char('0'))), 2);
    for (int p = 1; p <= m; ++p)
        QCOMPARE(t.count(QStringLiteral("Página %1 de %2").arg(p).arg(m)), 2);
    QCOMPARE(t.count(QStringLiteral("Quantidade total 1000,00")), 2);
    const QString primeira = texto(pdf, 1), ultima = texto(pdf, m);
    QVERIFY(primeira.contains(QStringLiteral("L0001")) && !primeira.contains(QStringLiteral("Quantidade total")));
    QVERIFY(ultima.contains(QStringLiteral("L1000")) && ultima.contains(QStringLiteral("Quantidade total")));
    // The QR code on the last page of each copy only.
    QCOMPARE(qr(pdf, m), CodigoQr::texto(guia));
    QCOMPARE(qr(pdf, 2 * m), CodigoQr::texto(guia));
    QCOMPARE(qr(pdf, 1), QString());
}

void tst_impressao::daBaseDeDados_data() {
    QTest::addColumn<Motor>("motor");
    QTest::newRow("sqlite") << Motor::Sqlite;
    QTest::newRow("postgresql") << Motor::Postgres;
}

void tst_impressao::daBaseDeDados() {
    QFETCH(Motor, motor);
    BaseTeste base(motor);
    base.dadosBase();
    base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo, Lda')"));
    base.executar(QStringLiteral("UPDATE Clientes SET NumContribuinte = '123456789', Morada = 'Rua A, 1',"
                                 " Localidade = 'Braga' WHERE Codigo = 'C1'"));
    base.executar(QStringLiteral("UPDATE Artigos SET Unidade = 'CX' WHERE Codigo = 'A2'"));
    // A Guia as another program may store it: no load place, an unload place
    // of its own, lines with and without an order behind them.
    base.executar(QStringLiteral("INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, LOCALDESCARGA,"
                                 " MATRICULA, ANULADO) VALUES ('GR', 1, 7, 2026, '2026-03-05 00:00:00', 'C1',"
                                 " 'Cais 3', '11-AA-22', -1)"));
    base.executar(QStringLiteral("INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, ARTIGO, DESCR, DATA,"
                                 " QTDORIG, QUANT, ORDOC, ORSERIE, ORNUM, ORANO, LINHAORIGINAL) VALUES"
                                 " ('GR', 1, 7, 2026, 2, 'A2', 'Porca', '2026-03-05 00:00:00', 3, 3, NULL, NULL,"
                                 " NULL, NULL, NULL),"
                                 " ('GR', 1, 7, 2026, 1, 'A1', 'Parafuso', '2026-03-05 00:00:00', 2.5, 2.5, 'ENC', 1,"
                                 " 12, 2026, 4)"));
    BaseDados bd;
    QVERIFY(bd.abrir(base.textoLigacao()));
    const GuiaImpressa g = lerGuia(bd, ChaveDocumento{2026, QStringLiteral("GR"), 1, 7}, QStringLiteral("DEMO"));
    QCOMPARE(g.nomeTipo, QStringLiteral("Guia de remessa"));
    QCOMPARE(g.data, QDate(2026, 3, 5));
    QVERIFY(!g.gravadaEm);
    QCOMPARE(g.empresa.nome, QStringLiteral("Demo, Lda"));
    QCOMPARE(g.cliente.nome, QStringLiteral("Cliente Um, Lda"));
    QCOMPARE(g.cliente.contribuinte, QStringLiteral("123456789"));
    QCOMPARE(g.localDescarga, QStringLiteral("Cais 3"));
    QCOMPARE(g.matricula, QStringLiteral("11-AA-22"));
    QVERIFY(g.anulada);
    QCOMPARE(g.atcud(), QStringLiteral("0-7"));
    QCOMPARE(g.linhas.size(), size_t(2));
    QCOMPARE(g.linhas[0].artigo, QStringLiteral("A1"));
    QCOMPARE(g.linhas[0].quantidade, Moeda::deUnidades(25000));
    QCOMPARE(g.linhas[0].unidade, QStringLiteral("UN"));
    QCOMPARE(g.linhas[0].origem->texto(), QStringLiteral("ENC 1/12/2026, linha 4"));
    QCOMPARE(g.linhas[1].unidade, QStringLiteral("CX"));
    QVERIFY(!g.linhas[1].origem);
    QVERIFY_THROWS_EXCEPTION(Erro,
                             lerGuia(bd, ChaveDocumento{2026, QStringLiteral("GR"), 1, 8}, QStringLiteral("DEMO")));
}

QTEST_MAIN(tst_impressao)
#include "tst_impressao.moc"
