// The workstation's documents list: its Guias by day, newest first, found by
// number or by client, on both engines.

#include "Apoio.h"
#include "DocumentosDoPosto.h"
#include "ModeloDocumentos.h"

#include <QAbstractItemModelTester>

#include <QtTest>

class tst_DocumentosDoPosto final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void filtros_data() {
        QTest::addColumn<QDate>("de");
        QTest::addColumn<QString>("procura");
        QTest::addColumn<QList<int>>("numeros");
        const QDate dia(2026, 3, 5);
        QTest::newRow("o dia") << dia << QString() << QList<int>{12, 11, 3};
        QTest::newRow("dois dias") << dia.addDays(-1) << QString() << QList<int>{12, 11, 3, 10};
        QTest::newRow("número") << dia << QStringLiteral("11") << QList<int>{11};
        QTest::newRow("nome sem caixa") << dia << QStringLiteral("AÇORES") << QList<int>{12};
        QTest::newRow("código") << dia << QStringLiteral("c1") << QList<int>{11, 3};
        QTest::newRow("percentagem literal") << dia << QStringLiteral("%") << QList<int>{};
    }

    void filtros() {
        QFETCH(QDate, de);
        QFETCH(QString, procura);
        QFETCH(QList<int>, numeros);
        BaseTeste base(motorActual());
        base.dadosBase();
        base.executar(QStringLiteral("UPDATE Clientes SET Nome = 'Peixaria dos Açores' WHERE Codigo = 'C2'"));
        // GR 3, 11, 12 on the day (12 annulled), 10 the day before; 20 of
        // another workstation; an entry of this one.
        const std::tuple<int, const char*, const char*, const char*, int> guias[] = {
            {3, "2026-03-05", "C1", "posto1", 0},
            {11, "2026-03-05", "C1", "posto1", 0},
            {12, "2026-03-05", "C2", "posto1", -1},
            {10, "2026-03-04", "C2", "posto1", 0},
            {20, "2026-03-05", "C1", "posto2", 0}};
        for (const auto& [numero, data, cliente, posto, anulado] : guias)
            base.executar(QStringLiteral("INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, POSTO,"
                                         " DOCRELACIONADO, ANULADO) VALUES ('GR', 1, ?, 2026, ?, ?, ?, ?, ?)"),
                          {numero, QString::fromLatin1(data) + QStringLiteral(" 00:00:00"),
                           QString::fromLatin1(cliente), QString::fromLatin1(posto),
                           QStringLiteral("ENT/1/%1/2026").arg(numero), anulado});
        base.executar(QStringLiteral("INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, POSTO) VALUES"
                                     " ('ENT', 1, 11, 2026, '2026-03-05 00:00:00', '', 'posto1')"));
        for (int n = 1; n <= 2; ++n)
            base.executar(QStringLiteral("INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, ARTIGO, DATA)"
                                         " VALUES ('GR', 1, 11, 2026, ?, 'A1', '2026-03-05 00:00:00')"),
                          {n});

        BaseDados bd;
        QVERIFY(bd.abrir(base.textoLigacao()));
        const auto r =
            documentosDoPosto(bd, {QStringLiteral("GR"), QStringLiteral("posto1"), de, QDate(2026, 3, 5), procura});
        ModeloDocumentos modelo;
        QAbstractItemModelTester verificador(&modelo, QAbstractItemModelTester::FailureReportingMode::QtTest);
        modelo.definir(r);
        QList<int> obtidos;
        for (const DocumentoDoPosto& d : r)
            obtidos << d.guia.Numero;
        QCOMPARE(obtidos, numeros);
        for (int i = 0; i < modelo.rowCount(); ++i) {
            const DocumentoDoPosto& d = modelo.documento(i);
            QCOMPARE(modelo.index(i, ModeloDocumentos::ColGuia).data().toString(), textoChave(d.guia));
            QCOMPARE(modelo.index(i, ModeloDocumentos::ColEstado).data().toString(),
                     d.anulada ? QStringLiteral("Anulada") : QStringLiteral("Emitida"));
            QCOMPARE(d.entrada, QStringLiteral("ENT/1/%1/2026").arg(d.guia.Numero));
            QCOMPARE(d.anulada, d.guia.Numero == 12);
            QCOMPARE(d.linhas, d.guia.Numero == 11 ? 2 : 0);
            QCOMPARE(d.nomeCliente, d.cliente == QStringLiteral("C2") ? QStringLiteral("Peixaria dos Açores")
                                                                      : QStringLiteral("Cliente Um, Lda"));
        }
    }
};

QTEST_GUILESS_MAIN(tst_DocumentosDoPosto)
#include "tst_documentosdoposto.moc"
