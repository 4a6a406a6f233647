// The grid's rows: the loaded lines, marks and quantities, what the cells
// show, what the operator may change, and the signals the views get.

#include "Erro.h"
#include "ModeloEncomendas.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {

using C = ColunaEncomenda;

/// Line i: ENC/1/(10 + i) line i + 1, article Ai, price 1.5 × i, i + 1 pending.
LinhaEncomenda linha(int i) {
    LinhaEncomenda l;
    l.chave = {QStringLiteral("ENC"), 1, 10 + i, 2024, i + 1};
    l.artigo = QStringLiteral("A%1").arg(i);
    l.descricao = QStringLiteral("Artigo %1").arg(i);
    l.data = QDate(2024, 3, 5);
    l.requisicao = QStringLiteral("R%1").arg(i);
    l.preco = Moeda::deUnidades(15000LL * i);
    l.quantidadeOriginal = Moeda::deInteiro(i + 2);
    l.quantidadePendente = Moeda::deInteiro(i + 1);
    l.terceiro = QStringLiteral("C1");
    l.dataDocumento = QDate(2024, 1, 31);
    return l;
}

std::vector<LinhaEncomenda> linhas(int de, int quantas) {
    std::vector<LinhaEncomenda> r;
    for (int i = de; i < de + quantas; ++i)
        r.push_back(linha(i));
    return r;
}

int erroDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const Erro& e) {
        return e.numero();
    }
    return 0;
}

} // namespace

class TestModeloEncomendas final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void colunas();
    void foraDosLimitesLevantaErro();
    void acrescentarEmBloco();
    void marcarTodasUmSinalPorColuna();
    void linhasMarcadas();
    void apresentacao_data();
    void apresentacao();
    void datasPorExtenso();
    void papeisEFlags();
    void edicaoDoOperador_data();
    void edicaoDoOperador();

private:
    std::unique_ptr<ModeloEncomendas> m_modelo;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestModeloEncomendas::init() {
    m_modelo = std::make_unique<ModeloEncomendas>();
    m_tester = std::make_unique<QAbstractItemModelTester>(m_modelo.get(),
                                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_modelo->definirLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    m_modelo->recomecar(10);
}

void TestModeloEncomendas::cleanup() {
    m_tester.reset();
    m_modelo.reset();
}

void TestModeloEncomendas::colunas() {
    ModeloEncomendas& m = *m_modelo;
    QCOMPARE(m.columnCount(), 17);
    QCOMPARE(m.headerData(int(C::Qtd), Qt::Horizontal).toString(), QStringLiteral("Qtd a Satisfazer"));
    QCOMPARE(m.headerData(int(C::Designacao), Qt::Horizontal).toString(), QStringLiteral("Designação"));
    QCOMPARE(m.headerData(0, Qt::Vertical).toString(), QString()); // no row numbers
    // The heading may show its caption cut: the whole caption is its tooltip;
    // a cell, empty row or not, tells a screen reader its column's caption.
    for (const DefinicaoColuna& d : ColunasEncomenda) {
        const int c = int(d.coluna);
        QCOMPARE(m.headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString(), d.titulo.toString());
        QCOMPARE(m.data(m.index(9, c), Qt::AccessibleDescriptionRole).toString(), d.titulo.toString());
    }
    QCOMPARE(m.headerData(int(C::QtdP), Qt::Horizontal, Qt::ToolTipRole).toString(), QStringLiteral("Qtd Pendente"));
    QVERIFY(!m.headerData(0, Qt::Horizontal, Qt::WhatsThisRole).isValid());
    // Keys are unaccented; captions are what the operator reads.
    QCOMPARE(definicao(C::Designacao).chave, QLatin1String("Designacao"));
    QCOMPARE(definicao(C::DataDoc).chave, QLatin1String("DataDoc"));
    QCOMPARE(ModeloEncomendas::coluna(m.indice(3, C::AN)), C::AN);
    QCOMPARE(m.indice(3, C::AN).column(), 15);

    // A quantity is empty until written; a new start has no values.
    QVERIFY(!m.quantidade(0));
    m.definirMarca(3, true);
    m.definirQuantidade(3, Moeda::deInteiro(2));
    m.recomecar(60);
    QCOMPARE(m.numeroLinhas(), 60);
    QVERIFY(!m.marcada(3));
    QVERIFY(!m.quantidade(3));
}

void TestModeloEncomendas::foraDosLimitesLevantaErro() {
    ModeloEncomendas& m = *m_modelo;
    const int grelha = Erro::Grelha;
    QCOMPARE(erroDe([&] { m.encomenda(-1); }), grelha);
    QCOMPARE(erroDe([&] { m.marcada(10); }), grelha);
    QCOMPARE(erroDe([&] { m.definirMarca(10, true); }), grelha);
    QCOMPARE(erroDe([&] { m.definirQuantidade(-1, Moeda()); }), grelha);
    QCOMPARE(erroDe([&] { m.recomecar(-1); }), grelha);
    QCOMPARE(erroDe([&] { m.quantidadePendente(9); }), 0);
    QCOMPARE(m.numeroLinhas(), 10);
}

void TestModeloEncomendas::acrescentarEmBloco() {
    ModeloEncomendas& m = *m_modelo;
    m.definirMarca(5, true); // a mark in the empty area
    QSignalSpy inseridas(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy alteradas(&m, &QAbstractItemModel::dataChanged);

    m.acrescentarLinhas(linhas(0, 100), 0);
    QCOMPARE(m.numeroLinhas(), 100);
    QCOMPARE(inseridas.count(), 1);
    QCOMPARE(inseridas.at(0).at(1).toInt(), 10);
    QCOMPARE(inseridas.at(0).at(2).toInt(), 99);
    // The rows that were there: one change over all their cells.
    QCOMPARE(alteradas.count(), 1);
    QCOMPARE(alteradas.at(0).at(0).value<QModelIndex>(), m.index(0, 0));
    QCOMPARE(alteradas.at(0).at(1).value<QModelIndex>(), m.index(9, 16));
    QCOMPARE(m.encomenda(42)->artigo, QStringLiteral("A42"));
    QCOMPARE(m.quantidadePendente(42), Moeda::deInteiro(43));
    // A loaded line starts unmarked with nothing to satisfy.
    QCOMPARE(m.quantidade(42), Moeda());
    QVERIFY(!m.marcada(5));

    // The next load goes below the lines, and the row count grows to the minimum.
    m.acrescentarLinhas(linhas(100, 2), 110);
    QCOMPARE(m.numeroLinhas(), 110);
    QCOMPARE(inseridas.count(), 2);
    QCOMPARE(alteradas.count(), 1);
    QCOMPARE(m.encomenda(101)->artigo, QStringLiteral("A101"));
    QVERIFY(!m.encomenda(102));
    QVERIFY(!m.quantidadePendente(102));
    QCOMPARE(m.encomendas().size(), std::size_t(102));
    // Nothing loaded: the rows stay; a minimum below the count changes nothing.
    m.acrescentarLinhas({}, 5);
    QCOMPARE(m.numeroLinhas(), 110);
    QCOMPARE(inseridas.count(), 2);
    QCOMPARE(alteradas.count(), 1);
}

void TestModeloEncomendas::marcarTodasUmSinalPorColuna() {
    ModeloEncomendas& m = *m_modelo;
    std::vector<LinhaEncomenda> l = linhas(0, 30000);
    l[7].artigo.clear(); // no article: not an order line
    m.acrescentarLinhas(std::move(l), 30002);
    m.definirQuantidade(3, Moeda::deInteiro(1));
    m.definirMarca(30001, true); // an empty row: untouched

    QSignalSpy alteradas(&m, &QAbstractItemModel::dataChanged);
    m.marcarTodas(true);
    QCOMPARE(alteradas.count(), 2); // the mark and the quantity columns
    QCOMPARE(alteradas.at(0).at(0).value<QModelIndex>(), m.indice(0, C::AN));
    QCOMPARE(alteradas.at(0).at(1).value<QModelIndex>(), m.indice(29999, C::AN));
    QCOMPARE(alteradas.at(1).at(1).value<QModelIndex>(), m.indice(29999, C::Qtd));
    QCOMPARE(m.data(m.indice(29999, C::AN), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(m.quantidade(3), Moeda::deInteiro(4)); // the typed 1 overwritten by the pending 4
    QVERIFY(!m.marcada(7));
    QCOMPARE(m.quantidade(7), Moeda());
    QVERIFY(!m.quantidade(30001));

    m.marcarTodas(false);
    QCOMPARE(alteradas.count(), 4);
    QVERIFY(!m.marcada(0));
    QCOMPARE(m.quantidade(0), Moeda());
    QVERIFY(m.marcada(30001));
    QVERIFY(!m.quantidade(30001));
}

void TestModeloEncomendas::linhasMarcadas() {
    ModeloEncomendas& m = *m_modelo;
    std::vector<LinhaEncomenda> l = linhas(0, 4);
    l[2].artigo.clear();
    m.acrescentarLinhas(std::move(l), 10);
    m.definirMarca(3, true);
    m.definirQuantidade(3, Moeda::deInteiro(2));
    m.definirMarca(1, true);
    m.definirMarca(2, true); // no article
    m.definirMarca(8, true); // an empty row
    const std::vector<LinhaMarcada> r = m.linhasMarcadas();
    QCOMPARE(r.size(), std::size_t(2));
    QCOMPARE(r.at(0).encomenda.artigo, QStringLiteral("A1"));
    QCOMPARE(r.at(0).quantidade, Moeda());
    QCOMPARE(r.at(1).encomenda.chave, (ChaveLinhaEncomenda{QStringLiteral("ENC"), 1, 13, 2024, 4}));
    QCOMPARE(r.at(1).quantidade, Moeda::deInteiro(2));
}

void TestModeloEncomendas::apresentacao_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("coluna");
    QTest::addColumn<QString>("mostrado");
    QTest::addColumn<QString>("edicao");
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale pt(QLocale::Portuguese, QLocale::Portugal);
    // Line 823: price 1,234.50, 825 ordered, 824 pending; the quantity is 1234.5.
    QTest::newRow("en moeda") << en << int(C::Preco) << "1,234.50"
                              << "1,234.50";
    QTest::newRow("en quantidade") << en << int(C::Qtd) << "1,234.50"
                                   << "1234.5";
    QTest::newRow("pt quantidade") << pt << int(C::Qtd) << "1" + pt.groupSeparator() + "234,50"
                                   << "1234,5";
    QTest::newRow("pendente") << en << int(C::QtdP) << "824.00"
                              << "824.00";
    QTest::newRow("encomenda") << en << int(C::NumEnc) << "ENC/1/833"
                               << "ENC/1/833";
    QTest::newRow("inteiro sem grupos") << en << int(C::NoDoc) << "833"
                                        << "833";
    QTest::newRow("ano") << en << int(C::AnoEnc) << "2024"
                         << "2024";
    QTest::newRow("data") << en << int(C::DataEnt) << "05-03-2024"
                          << "05-03-2024";
    QTest::newRow("data do documento") << en << int(C::DataDoc) << "31-01-2024"
                                       << "31-01-2024";
    QTest::newRow("texto") << en << int(C::Req) << "R823"
                           << "R823";
    QTest::newRow("caixa nada mostra") << en << int(C::AN) << ""
                                       << "";
}

void TestModeloEncomendas::apresentacao() {
    QFETCH(QLocale, locale);
    QFETCH(int, coluna);
    QFETCH(QString, mostrado);
    QFETCH(QString, edicao);
    ModeloEncomendas& m = *m_modelo;
    m.definirLocale(locale);
    std::vector<LinhaEncomenda> l{linha(823)};
    m.acrescentarLinhas(std::move(l), 0);
    m.definirQuantidade(0, Moeda::deUnidades(12345000));
    m.definirMarca(0, true);
    QCOMPARE(m.data(m.index(0, coluna), Qt::DisplayRole).toString(), mostrado);
    QCOMPARE(m.data(m.index(0, coluna), Qt::EditRole).toString(), edicao);
    // An empty row shows nothing but its quantity, once it has one.
    QCOMPARE(m.data(m.index(1, coluna), Qt::DisplayRole).toString(), QString());
    m.definirQuantidade(1, Moeda::deUnidades(-5000));
    QCOMPARE(m.data(m.indice(1, C::Qtd), Qt::DisplayRole).toString(),
             locale.negativeSign() + QStringLiteral("0") + locale.decimalPoint() + QStringLiteral("50"));
}

void TestModeloEncomendas::datasPorExtenso() {
    // Every day of a leap year as the date format writes it; a year below
    // 1000 as QDate writes it; no date, nothing.
    ModeloEncomendas& m = *m_modelo;
    std::vector<LinhaEncomenda> l;
    for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1)) {
        l.push_back(linha(0));
        l.back().data = d;
    }
    l.push_back(linha(0));
    l.back().data = QDate(999, 1, 2);
    l.push_back(linha(0));
    l.back().data = QDate();
    m.acrescentarLinhas(std::move(l), 0);
    for (int r = 0; r < 366; ++r)
        QCOMPARE(m.data(m.indice(r, C::DataEnt)).toString(),
                 QDate(2024, 1, 1).addDays(r).toString(QStringLiteral("dd-MM-yyyy")));
    QCOMPARE(m.data(m.indice(366, C::DataEnt)).toString(), QDate(999, 1, 2).toString(QStringLiteral("dd-MM-yyyy")));
    QCOMPARE(m.data(m.indice(367, C::DataEnt)).toString(), QString());
}

void TestModeloEncomendas::papeisEFlags() {
    ModeloEncomendas& m = *m_modelo;
    m.acrescentarLinhas(linhas(1, 2), 0);
    m.definirMarca(0, true);
    QCOMPARE(m.data(m.indice(0, C::AN), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(m.data(m.indice(1, C::AN), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(m.data(m.indice(5, C::AN), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!m.data(m.indice(0, C::Artigo), Qt::CheckStateRole).isValid());
    for (C c : {C::Preco, C::Qtd, C::NoDoc})
        QCOMPARE(m.data(m.indice(0, c), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    QVERIFY(!m.data(m.indice(0, C::Artigo), Qt::TextAlignmentRole).isValid());

    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    QCOMPARE(m.flags(m.indice(0, C::Qtd)), base | Qt::ItemIsEditable);
    QCOMPARE(m.flags(m.indice(0, C::AN)), base | Qt::ItemIsUserCheckable);
    for (int c = 0; c < 17; ++c)
        if (c != int(C::Qtd) && c != int(C::AN))
            QCOMPARE(m.flags(m.index(0, c)), base);
}

void TestModeloEncomendas::edicaoDoOperador_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("aceite");
    QTest::addColumn<qint64>("unidades");
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale pt(QLocale::Portuguese, QLocale::Portugal);
    QTest::newRow("decimal") << en << "7.5" << true << qint64(75000);
    QTest::newRow("agrupado") << en << "1,000.25" << true << qint64(10002500);
    QTest::newRow("virgula pt") << pt << "7,5" << true << qint64(75000);
    QTest::newRow("expoente") << en << "2.5E0" << true << qint64(25000);
    QTest::newRow("negativo") << en << "-2" << true << qint64(-20000);
    QTest::newRow("letras") << en << "abc" << false << qint64(40000);
    QTest::newRow("vazio") << en << "" << false << qint64(40000);
    QTest::newRow("fora do tipo") << en << "1e20" << false << qint64(40000);
}

void TestModeloEncomendas::edicaoDoOperador() {
    QFETCH(QLocale, locale);
    QFETCH(QString, texto);
    QFETCH(bool, aceite);
    QFETCH(qint64, unidades);
    ModeloEncomendas& m = *m_modelo;
    m.definirLocale(locale);
    m.acrescentarLinhas(linhas(0, 1), 0);
    m.definirQuantidade(0, Moeda::deInteiro(4));
    QSignalSpy alteradas(&m, &QAbstractItemModel::dataChanged);
    QCOMPARE(m.setData(m.indice(0, C::Qtd), texto, Qt::EditRole), aceite);
    QCOMPARE(m.quantidade(0), Moeda::deUnidades(unidades));
    QCOMPARE(alteradas.count(), aceite ? 1 : 0);
    // The mark is the operator's too; no other cell is.
    QVERIFY(m.setData(m.indice(0, C::AN), int(Qt::Checked), Qt::CheckStateRole));
    QVERIFY(m.marcada(0));
    QVERIFY(!m.setData(m.indice(0, C::Preco), QStringLiteral("3"), Qt::EditRole));
    QVERIFY(!m.setData(m.indice(0, C::Qtd), int(Qt::Checked), Qt::CheckStateRole));
    QVERIFY(!m.setData(m.indice(0, C::AN), true, Qt::EditRole));
    QCOMPARE(m.quantidadePendente(0), Moeda::deInteiro(1));
}

QTEST_GUILESS_MAIN(TestModeloEncomendas)
#include "tst_modeloencomendas.moc"
