#include "Apoio.h"
#include "BaseDados.h"
#include "CargaEncomendas.h"
#include "ColunasGrelha.h"
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

    void paresTipados() {
        // The parameters read into (type, series) pairs give the statement the texts give.
        const std::vector<TipoEncomenda> tipos{{"T1", 1}, {"T2", 2}};
        const Instrucao t = instrucaoEncomendas(tipos, FiltrosCarga{"C1", "", "", ""});
        const Instrucao l = instrucaoEncomendas(QStringList{"T1", "1", "T2", "2"}, FiltrosCarga{"C1", "", "", ""});
        QCOMPARE(t.sql, l.sql);
        QCOMPARE(t.parametros, l.parametros);
        QCOMPARE(t.parametros.at(3).metaType().id(), QMetaType::LongLong);
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

    void linhasRepetidasUmaSoVez_data() { adicionarMotores(); }
    void linhasRepetidasUmaSoVez() {
        // A result that names an order line twice (a header kept twice) gives
        // it once, where it first came; a line already in the grid not at all.
        QFETCH(Motor, motor);
        BaseTeste base(motor, false);
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        auto linha = [](int numero, int numLinha, const char* data) {
            return QStringLiteral("SELECT 'ENC' AS TpDocum, %1 AS NNumDoc, 'A%2' AS Artigo, 'Artigo %2' AS Descr,"
                                  " 2.5 AS PrUnit, 3 AS Quant, 1 AS Serie, 2024 AS Ano, '%3 00:00:00' AS Data,"
                                  " 'R' AS VNumDoc, 4 AS QtdOrig, %2 AS NumLinha, 'C1' AS Terceiro,"
                                  " '2024-01-31 10:00:00' AS DataDoc")
                .arg(numero)
                .arg(numLinha)
                .arg(QLatin1String(data));
        };
        const QString sql =
            QStringList{linha(10, 1, "2024-02-01"), linha(10, 2, "2024-02-29"), linha(11, 1, "2024-03-01"),
                        linha(10, 1, "2024-02-01"), linha(12, 1, "2024-03-02"), linha(10, 2, "2024-02-29")}
                .join(QStringLiteral(" UNION ALL "));
        RecordSet rs;
        bd.consultar(sql, {}, rs);
        ChavesLinhas naGrelha;
        naGrelha.insert({QStringLiteral("ENC"), 1, 12, 2024, 1});
        const std::vector<LinhaGrelha> linhas = lerLinhasEncomenda(rs, naGrelha);
        QStringList lidas;
        for (const LinhaGrelha& l : linhas)
            lidas << l[Col::NumEnc].toString() + QLatin1Char('#') + l[Col::LinhaEnc].toString() + QLatin1Char(' ') +
                         l[Col::DataEnt].toString() + QLatin1Char(' ') + l[Col::DataDoc].toString();
        QCOMPARE(lidas, (QStringList{"ENC/1/10#1 01-02-2024 31-01-2024", "ENC/1/10#2 29-02-2024 31-01-2024",
                                     "ENC/1/11#1 01-03-2024 31-01-2024"}));
        QCOMPARE(Moeda::deVariant(linhas.at(0)[Col::Preco]), std::optional<Moeda>(Moeda::deUnidades(25000)));
        QVERIFY(!linhas.at(0)[Col::AN].toBool());
    }

    void datasPorExtenso() {
        // Dates written by hand: every day of a leap year, and what the format
        // parser takes that the fast path leaves to it.
        for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1)) {
            const QString esperado = d.toString(QStringLiteral("dd-MM-yyyy"));
            QCOMPARE(dataDdMmAaaa(d), esperado);
            QCOMPARE(dataDdMmAaaa(d.toString(Qt::ISODate) + QStringLiteral(" 23:59:59")), esperado);
            QCOMPARE(dataDdMmAaaa(QDateTime(d, QTime(12, 0))), esperado);
        }
        QCOMPARE(dataDdMmAaaa(QStringLiteral("  2024-03-05")), QStringLiteral("05-03-2024"));
        QCOMPARE(dataDdMmAaaa(QStringLiteral("2023-02-29 10:00:00")), QStringLiteral("2023-02-29 10:00:00"));
        QCOMPARE(dataDdMmAaaa(QStringLiteral("0999-01-02")), QDate(999, 1, 2).toString(QStringLiteral("dd-MM-yyyy")));
        QCOMPARE(dataDdMmAaaa(QStringLiteral("2024-03-05T14:30:00Z")), QStringLiteral("05-03-2024"));
        QCOMPARE(textoSimples(-7LL), QStringLiteral("-7"));
        QCOMPARE(textoSimples(2.5), QStringLiteral("2.5"));
        QCOMPARE(textoSimples(QStringLiteral("ENC")), QStringLiteral("ENC"));
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
