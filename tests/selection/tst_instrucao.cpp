#include "Apoio.h"
#include "BaseDados.h"
#include "CargaEncomendas.h"
#include "Erro.h"
#include "InstrucaoEncomendas.h"

#include <QTest>

namespace {

/// One row of the load's result, its values written in SQL.
struct Linha {
    QString tpDocum = QStringLiteral("'ENC'");
    QString nNumDoc = QStringLiteral("10");
    QString artigo = QStringLiteral("'A1'");
    QString prUnit = QStringLiteral("2.5");
    QString quant = QStringLiteral("3");
    QString serie = QStringLiteral("1");
    QString ano = QStringLiteral("2024");
    QString data = QStringLiteral("'2024-02-01 00:00:00'");
    QString vNumDoc = QStringLiteral("'R'");
    QString qtdOrig = QStringLiteral("4");
    QString numLinha = QStringLiteral("1");
    QString dataDoc = QStringLiteral("'2024-01-31 10:00:00'");
    QString sql() const {
        return QStringLiteral("SELECT %1 AS TpDocum, %2 AS NNumDoc, %3 AS Artigo, 'Artigo' AS Descr, %4 AS PrUnit,"
                              " %5 AS Quant, %6 AS Serie, %7 AS Ano, %8 AS Data, %9 AS VNumDoc, %10 AS QtdOrig,"
                              " %11 AS NumLinha, 'C1' AS Terceiro, %12 AS DataDoc")
            .arg(tpDocum, nNumDoc, artigo, prUnit, quant, serie, ano, data, vNumDoc, qtdOrig, numLinha, dataDoc);
    }
};

/// An empty database of the engine, open.
struct Base {
    explicit Base(Motor motor) : base(motor, false) {
        if (!bd.abrir(base.textoLigacao()))
            qFatal("%s", qPrintable(bd.ultimoErro()));
    }
    /// The load of a statement's result.
    std::vector<LinhaEncomenda> ler(const QString& sql, const ChavesLinhas& naGrelha = {}) {
        RecordSet rs;
        bd.consultar(sql, {}, rs);
        return lerLinhasEncomenda(rs, naGrelha);
    }
    BaseTeste base;
    BaseDados bd;
};

} // namespace

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

    void linhasRepetidasUmaSoVez_data() { adicionarMotores(); }
    void linhasRepetidasUmaSoVez() {
        // A result that names an order line twice (a header kept twice) gives
        // it once, where it first came; a line already in the grid not at all.
        QFETCH(Motor, motor);
        Base b(motor);
        auto linha = [](int numero, int numLinha, const char* data) {
            Linha l;
            l.nNumDoc = QString::number(numero);
            l.numLinha = QString::number(numLinha);
            l.data = QStringLiteral("'%1 00:00:00'").arg(QLatin1String(data));
            return l.sql();
        };
        const QString sql =
            QStringList{linha(10, 1, "2024-02-01"), linha(10, 2, "2024-02-29"), linha(11, 1, "2024-03-01"),
                        linha(10, 1, "2024-02-01"), linha(12, 1, "2024-03-02"), linha(10, 2, "2024-02-29")}
                .join(QStringLiteral(" UNION ALL "));
        ChavesLinhas naGrelha;
        naGrelha.insert({QStringLiteral("ENC"), 1, 12, 2024, 1});
        const std::vector<LinhaEncomenda> linhas = b.ler(sql, naGrelha);
        QStringList lidas;
        for (const LinhaEncomenda& l : linhas)
            lidas << l.chave.referencia() + QLatin1Char('#') + QString::number(l.chave.linha) + QLatin1Char(' ') +
                         l.data.toString(QStringLiteral("dd-MM-yyyy")) + QLatin1Char(' ') +
                         l.dataDocumento.toString(QStringLiteral("dd-MM-yyyy"));
        QCOMPARE(lidas, (QStringList{"ENC/1/10#1 01-02-2024 31-01-2024", "ENC/1/10#2 29-02-2024 31-01-2024",
                                     "ENC/1/11#1 01-03-2024 31-01-2024"}));
        QCOMPARE(linhas.at(0).preco, Moeda::deUnidades(25000));
        // The lines already in the grid, taken from the grid's own lines.
        QCOMPARE(chavesDe(linhas).size(), std::size_t(3));
        QVERIFY(chavesDe(linhas).count({QStringLiteral("ENC"), 1, 10, 2024, 2}));
    }

    void valoresTipados_data() { adicionarMotores(); }
    void valoresTipados() {
        // Every field with its type; NULL gives an empty text, a zero amount
        // and no date; decimals arrive exact.
        QFETCH(Motor, motor);
        Base b(motor);
        Linha l;
        l.nNumDoc = QStringLiteral("2147483647");
        l.prUnit = QStringLiteral("0.1");
        l.quant = QStringLiteral("1234.5678");
        l.serie = QStringLiteral("'7'"); // a series kept as text
        l.numLinha = QStringLiteral("2.0");
        Linha nulos;
        for (QString* c : {&nulos.artigo, &nulos.prUnit, &nulos.vNumDoc, &nulos.dataDoc})
            *c = QStringLiteral("NULL");
        nulos.nNumDoc = QStringLiteral("11");
        const std::vector<LinhaEncomenda> r = b.ler(l.sql() + QStringLiteral(" UNION ALL ") + nulos.sql());
        QCOMPARE(r.size(), std::size_t(2));
        const LinhaEncomenda& a = r.at(0);
        QCOMPARE(a.chave, (ChaveLinhaEncomenda{QStringLiteral("ENC"), 7, 2147483647, 2024, 2}));
        QCOMPARE(a.artigo, QStringLiteral("A1"));
        QCOMPARE(a.descricao, QStringLiteral("Artigo"));
        QCOMPARE(a.preco, Moeda::deUnidades(1000));
        QCOMPARE(a.quantidadePendente, Moeda::deUnidades(12345678));
        QCOMPARE(a.quantidadeOriginal, Moeda::deInteiro(4));
        QCOMPARE(a.data, QDate(2024, 2, 1));
        QCOMPARE(a.dataDocumento, QDate(2024, 1, 31)); // the time of day dropped
        QCOMPARE(a.requisicao, QStringLiteral("R"));
        QCOMPARE(a.terceiro, QStringLiteral("C1"));
        const LinhaEncomenda& n = r.at(1);
        QVERIFY(n.artigo.isEmpty() && n.requisicao.isEmpty());
        QCOMPARE(n.preco, Moeda());
        QVERIFY(n.dataDocumento.isNull());
    }

    void valorQueNaoCabeLevantaErro_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QString>("campo");
        QTest::addColumn<QString>("valor");
        QTest::addColumn<int>("erro");
        QTest::addColumn<QString>("mostrado");
        for (Motor m : {Motor::Sqlite, Motor::Postgres}) {
            const char* motor = m == Motor::Sqlite ? "sqlite" : "postgresql";
            auto linha = [&](const char* nome, const char* campo, const char* valor, int erro, const char* mostrado) {
                QTest::addRow("%s %s", motor, nome) << m << campo << valor << erro << mostrado;
            };
            linha("numero de 33 bits", "nNumDoc", "2147483648", Erro::Transbordo, "2147483648");
            linha("linha com fraccao", "numLinha", "2.5", Erro::TipoIncompativel, "2.5");
            linha("serie em letras", "serie", "'S1'", Erro::TipoIncompativel, "S1");
            linha("preco fora da moeda", "prUnit", "1e20", Erro::Transbordo, "1");
            linha("pendente em letras", "quant", "'muito'", Erro::TipoIncompativel, "muito");
            linha("data que nao existe", "data", "'2023-02-29 10:00:00'", Erro::TipoIncompativel, "2023-02-29");
        }
    }
    void valorQueNaoCabeLevantaErro() {
        // A value that does not fit its field is never cut: the load stops
        // with an error that names the field and the value.
        QFETCH(Motor, motor);
        QFETCH(QString, campo);
        QFETCH(QString, valor);
        QFETCH(int, erro);
        QFETCH(QString, mostrado);
        Base b(motor);
        Linha l;
        QString* c = campo == "nNumDoc"    ? &l.nNumDoc
                     : campo == "numLinha" ? &l.numLinha
                     : campo == "serie"    ? &l.serie
                     : campo == "prUnit"   ? &l.prUnit
                     : campo == "quant"    ? &l.quant
                                           : &l.data;
        *c = valor;
        try {
            b.ler(l.sql());
            QFAIL("the load took the value");
        } catch (const Erro& e) {
            QCOMPARE(e.numero(), erro);
            QVERIFY2(e.texto().contains(campo, Qt::CaseInsensitive) && e.texto().contains(mostrado),
                     qPrintable(e.texto()));
        }
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
