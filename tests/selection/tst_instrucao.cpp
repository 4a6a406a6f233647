#include "CargaEncomendas.h"
#include "InstrucaoEncomendas.h"

#include <QDateTime>
#include <QTest>

class tst_Instrucao : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exemploDeUmPar() {
        const Instrucao i = instrucaoEncomendas({"T1", "S1"}, FiltrosCarga{"C1", "", "", ""});
        const QString esperado = QStringLiteral(
            " SELECT     DOCGCLIN.TPDOCUM, DOCGCLIN.NNUMDOC, DOCGCLIN.ARTIGO, DOCGCLIN.DESCR, DOCGCLIN.PRUNIT, "
            "DOCGCLIN.QUANT, DOCGCLIN.SERIE, DOCGCLIN.ANO,  DOCGCLIN.DATA, DOCGCCAB.VNUMDOC,DOCGCLIN.QTDORIG,"
            "DOCGCLIN.NUMLINHA,DOCGCCAB.TERCEIRO,DocGcCab.Data as DataDoc FROM         DOCGCLIN INNER JOIN DOCGCCAB ON "
            "DOCGCLIN.NNUMDOC = DOCGCCAB.NNUMDOC AND DOCGCLIN.TPDOCUM = DOCGCCAB.TPDOC AND DOCGCLIN.SERIE = "
            "DOCGCCAB.SERIE AND DOCGCLIN.Ano = DOCGCCAB.Ano Where ( (DOCGCLIN.TPDOCUM ='T1' and DOCGCLIN.Serie ='S1') "
            ") "
            "and docgclin.quant>0 and docgclin.linanu<>-1 AND (DOCGCCAB.TERCEIRO = 'C1') Order by DOCGCCAB.Data");
        QCOMPARE(i.comLiterais(), esperado);
        QCOMPARE(i.comLiterais().size(), 600);
        // The database gets placeholders, never the values.
        QCOMPARE(i.parametros, (QVariantList{"T1", "S1", "C1"}));
        QVERIFY(!i.sql.contains(QStringLiteral("C1")));
        QCOMPARE(i.sql.count(QLatin1Char('?')), 3);
    }

    void paresEFiltros() {
        const Instrucao dois = instrucaoEncomendas({"T1", "1", "T2", "2"}, FiltrosCarga{"C1", "", "", ""});
        QVERIFY(dois.comLiterais().contains(
            QStringLiteral("Where ( (DOCGCLIN.TPDOCUM ='T1' and DOCGCLIN.Serie ='1') OR (DOCGCLIN.TPDOCUM ='T2' and "
                           "DOCGCLIN.Serie ='2') ) and docgclin.quant>0 and docgclin.linanu<>-1")));
        // A numeric series is bound as a number, for engines that type the comparison.
        QCOMPARE(dois.parametros.at(1).metaType().id(), QMetaType::LongLong);

        const Instrucao tres = instrucaoEncomendas({"T1", "S1", "T3"}, FiltrosCarga{"C1", "", "", ""});
        QVERIFY(!tres.comLiterais().contains(QStringLiteral("T3")));
        QVERIFY(!tres.comLiterais().contains(QStringLiteral(" OR (")));

        const Instrucao todos = instrucaoEncomendas({"T1", "S1"}, FiltrosCarga{"C1", "A1", "15", "R 1"});
        QVERIFY(todos.comLiterais().endsWith(
            QStringLiteral("AND (DOCGCCAB.TERCEIRO = 'C1') AND (DOCGCLIN.ARTIGO = 'A1') AND (DOCGCLIN.NNUMDOC = 15) "
                           "AND (DOCGCCAB.VNUMDOC = 'R 1') Order by DOCGCCAB.Data")));
        QCOMPARE(todos.parametros.at(4).metaType().id(), QMetaType::LongLong);

        // Blanks are kept as typed; a quote is doubled only when shown, bound as is.
        const Instrucao aspas = instrucaoEncomendas({"T1", "S1"}, FiltrosCarga{" O'BRIEN ", "", "", ""});
        QVERIFY(aspas.comLiterais().contains(QStringLiteral("(DOCGCCAB.TERCEIRO = ' O''BRIEN ')")));
        QCOMPARE(aspas.parametros.at(2).toString(), QStringLiteral(" O'BRIEN "));

        const Instrucao cliente = instrucaoCliente(QStringLiteral("C'1"));
        QCOMPARE(cliente.comLiterais(),
                 QStringLiteral("SELECT * FROM Clientes  where Clientes.CODIGO='C''1' and Clientes.Inactivo<>-1 "));
        QCOMPARE(instrucaoArtigo(QStringLiteral("A1")).comLiterais(),
                 QStringLiteral("SELECT * FROM Artigos  where Artigos.CODIGO='A1' and Artigos.Inactivo<>-1 "));
    }

    void conversoes() {
        QCOMPARE(dataDdMmAaaa(QDateTime(QDate(2024, 3, 5), QTime(14, 30))), QStringLiteral("05-03-2024"));
        QCOMPARE(dataDdMmAaaa(QStringLiteral("2024-03-05 14:30:00")), QStringLiteral("05-03-2024"));
        QCOMPARE(dataDdMmAaaa(QDate(2024, 12, 31)), QStringLiteral("31-12-2024"));
        QCOMPARE(dataDdMmAaaa(QVariant()), QString());
        QCOMPARE(textoSimples(15.0), QStringLiteral("15"));
        QCOMPARE(textoSimples(qlonglong(15)), QStringLiteral("15"));
        QCOMPARE(textoSimples(QStringLiteral("S")), QStringLiteral("S"));
    }

    void crescimento() {
        // Loads into a rebuilt grid of 60 rows.
        QCOMPARE(linhasDaGrelha(60, 58), 60);
        QCOMPARE(linhasDaGrelha(60, 59), 61);
        QCOMPARE(linhasDaGrelha(60, 60), 62);
        QCOMPARE(linhasDaGrelha(62, 61), 63);
        QCOMPARE(linhasDaGrelha(100, 10), 100);
    }
};

QTEST_GUILESS_MAIN(tst_Instrucao)
#include "tst_instrucao.moc"
