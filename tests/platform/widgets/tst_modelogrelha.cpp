// The grid's row store: columns, values and their conversion, what the cells
// show, and the signals the views get.

#include "Erro.h"
#include "ModeloGrelha.h"

#include <QAbstractItemModelTester>
#include <QDate>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {

/// Store indexes of the test columns.
enum : int {
    Codigo = 0,
    Preco = 1,
    Qtd = 2,
    Marca = 3,
    Chave = 4,
    NumeroColunas = 5,
};

void disporColunas(ModeloGrelha& m, int linhas) {
    m.removerColunas();
    m.definirNumeroLinhas(0);
    const std::pair<const char*, TipoColuna> colunas[] = {{"Codigo", TipoColuna::Texto},
                                                          {"Preco", TipoColuna::Moeda},
                                                          {"Qtd", TipoColuna::Moeda},
                                                          {"Marca", TipoColuna::Booleano},
                                                          {"Chave", TipoColuna::Inteiro32}};
    for (const auto& [chave, tipo] : colunas) {
        DefinicaoColuna c;
        c.chave = QString::fromLatin1(chave);
        c.titulo = QStringLiteral("T-") + c.chave;
        c.tipo = tipo;
        c.formato = tipo == TipoColuna::Moeda ? QStringLiteral("##,###0.00") : QString();
        c.soLeitura = c.chave != QLatin1String("Qtd");
        c.caixaVerificacao = tipo == TipoColuna::Booleano;
        m.adicionarColuna(c);
    }
    m.definirNumeroLinhas(linhas);
}

Moeda moeda(const QVariant& v) {
    return v.value<Moeda>();
}

LinhaGrelha linhaCarregada(int i) {
    return {QStringLiteral("A%1").arg(i), 1.5 * i, 0, QVariant(), i};
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

class TestModeloGrelha final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void colunasEValores();
    void foraDosLimitesLevantaErro();
    void escreverLinhasEmBloco();
    void actualizarUmSinal();
    void apresentacao_data();
    void apresentacao();
    void papeisEFlags();

private:
    std::unique_ptr<ModeloGrelha> m_modelo;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestModeloGrelha::init() {
    m_modelo = std::make_unique<ModeloGrelha>();
    m_tester = std::make_unique<QAbstractItemModelTester>(m_modelo.get(),
                                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_modelo->definirLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    disporColunas(*m_modelo, 10);
}

void TestModeloGrelha::cleanup() {
    m_tester.reset();
    m_modelo.reset();
}

void TestModeloGrelha::colunasEValores() {
    ModeloGrelha& m = *m_modelo;
    QCOMPARE(m.columnCount(), NumeroColunas);
    QCOMPARE(m.indiceColuna(QStringLiteral("Qtd")), Qtd);
    QCOMPARE(m.indiceColuna(QStringLiteral("qtd")), -1);   // keys match exactly
    QCOMPARE(m.indiceColuna(QStringLiteral("T-Qtd")), -1); // captions are no keys
    QCOMPARE(m.headerData(Qtd, Qt::Horizontal).toString(), QStringLiteral("T-Qtd"));
    QCOMPARE(m.headerData(0, Qt::Vertical).toString(), QString()); // no row numbers

    // Currency columns keep currency; check boxes keep booleans; the rest as written.
    QVERIFY(!m.valor(0, Qtd).isValid()); // never written
    m.definirValor(0, Qtd, 7.5);
    QCOMPARE(m.valor(0, Qtd).metaType(), QMetaType::fromType<Moeda>());
    QCOMPARE(moeda(m.valor(0, Qtd)), Moeda::deUnidades(75000));
    m.definirValor(1, Qtd, QStringLiteral("7.5000"));
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deUnidades(75000));
    m.definirValor(2, Qtd, QStringLiteral("abc"));
    QCOMPARE(m.valor(2, Qtd), QVariant(QStringLiteral("abc")));
    m.definirValor(0, Marca, QStringLiteral("True"));
    QCOMPARE(m.valor(0, Marca), QVariant(true));
    m.definirValor(1, Marca, 0);
    QCOMPARE(m.valor(1, Marca), QVariant(false));
    m.definirValor(0, Codigo, 2.5);
    QCOMPARE(m.valor(0, Codigo), QVariant(2.5));
    m.definirValor(0, Chave, QStringLiteral("12"));
    QCOMPARE(m.valor(0, Chave), QVariant(QStringLiteral("12")));

    // Emptying keeps the rows; a new layout has no values.
    QSignalSpy alteradas(&m, &QAbstractItemModel::dataChanged);
    m.limparValores();
    QCOMPARE(alteradas.count(), 1);
    QCOMPARE(m.numeroLinhas(), 10);
    QVERIFY(!m.valor(0, Qtd).isValid());
    m.definirValor(3, Marca, true);
    disporColunas(m, 60);
    QVERIFY(!m.valor(3, Marca).isValid());
}

void TestModeloGrelha::foraDosLimitesLevantaErro() {
    ModeloGrelha& m = *m_modelo;
    const int grelha = Erro::Grelha;
    QCOMPARE(erroDe([&] { m.valor(-1, 0); }), grelha);
    QCOMPARE(erroDe([&] { m.valor(10, 0); }), grelha);
    QCOMPARE(erroDe([&] { m.valor(0, NumeroColunas); }), grelha);
    QCOMPARE(erroDe([&] { m.definirValor(0, -1, 1); }), grelha);
    QCOMPARE(erroDe([&] { m.definirValorCelula(10, 0, 1); }), grelha);
    QCOMPARE(erroDe([&] { m.coluna(99); }), grelha);
    QCOMPARE(erroDe([&] { m.definirNumeroLinhas(-1); }), grelha);
    QCOMPARE(erroDe([&] { m.escreverLinhas(-1, {}, 0); }), grelha);
    QCOMPARE(erroDe([&] { m.valor(9, NumeroColunas - 1); }), 0);
    QCOMPARE(m.numeroLinhas(), 10);
}

void TestModeloGrelha::escreverLinhasEmBloco() {
    ModeloGrelha& m = *m_modelo;
    m.definirValor(5, Marca, true); // a mark in the empty area stays under a load
    QSignalSpy inseridas(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy removidas(&m, &QAbstractItemModel::rowsRemoved);
    QSignalSpy alteradas(&m, &QAbstractItemModel::dataChanged);

    std::vector<LinhaGrelha> linhas;
    for (int i = 0; i < 100; ++i)
        linhas.push_back(linhaCarregada(i));
    m.escreverLinhas(0, std::move(linhas), 0);
    QCOMPARE(m.numeroLinhas(), 100);
    QCOMPARE(inseridas.count(), 1);
    QCOMPARE(inseridas.at(0).at(1).toInt(), 10);
    QCOMPARE(inseridas.at(0).at(2).toInt(), 99);
    QCOMPARE(alteradas.count(), 1);
    QCOMPARE(alteradas.at(0).at(0).value<QModelIndex>(), m.index(0, 0));
    QCOMPARE(alteradas.at(0).at(1).value<QModelIndex>(), m.index(9, NumeroColunas - 1));
    QCOMPARE(m.valor(42, Codigo), QVariant(QStringLiteral("A42")));
    QCOMPARE(moeda(m.valor(42, Preco)), Moeda::deUnidades(630000));
    QCOMPARE(moeda(m.valor(42, Qtd)), Moeda());
    QCOMPARE(m.valor(5, Marca), QVariant(true));
    QVERIFY(!m.valor(6, Marca).isValid());

    // Past the end: the gap rows are empty; one insertion, nothing replaced.
    std::vector<LinhaGrelha> uma{linhaCarregada(1)};
    m.escreverLinhas(110, std::move(uma), 0);
    QCOMPARE(m.numeroLinhas(), 111);
    QCOMPARE(inseridas.count(), 2);
    QCOMPARE(alteradas.count(), 1);
    QVERIFY(!m.valor(105, Codigo).isValid());
    QCOMPARE(m.valor(110, Codigo), QVariant(QStringLiteral("A1")));

    // A smaller total cuts the rows below.
    std::vector<LinhaGrelha> duas{linhaCarregada(7), linhaCarregada(8)};
    m.escreverLinhas(2, std::move(duas), 6);
    QCOMPARE(m.numeroLinhas(), 6);
    QCOMPARE(removidas.count(), 1);
    QCOMPARE(alteradas.count(), 2);
    QCOMPARE(m.valor(3, Codigo), QVariant(QStringLiteral("A8")));
}

void TestModeloGrelha::actualizarUmSinal() {
    ModeloGrelha& m = *m_modelo;
    std::vector<LinhaGrelha> linhas;
    for (int i = 0; i < 30000; ++i)
        linhas.push_back(linhaCarregada(i));
    m.escreverLinhas(0, std::move(linhas), 0);

    QSignalSpy alteradas(&m, &QAbstractItemModel::dataChanged);
    QSignalSpy operador(&m, &ModeloGrelha::valorAlterado);
    // Mark all: values put without a word to the views, then one refresh.
    for (int r = 0; r < m.numeroLinhas(); ++r) {
        m.definirValor(r, Marca, true);
        m.definirValor(r, Qtd, m.valor(r, Preco));
    }
    QCOMPARE(alteradas.count(), 0);
    m.actualizar();
    QCOMPARE(alteradas.count(), 1);
    QCOMPARE(alteradas.at(0).at(1).value<QModelIndex>(), m.index(29999, NumeroColunas - 1));
    QCOMPARE(m.data(m.index(29999, Marca), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(moeda(m.valor(20000, Qtd)), Moeda::deInteiro(30000));

    // One cell, one signal for that cell; the row count, one signal.
    m.definirValorCelula(7, Codigo, QStringLiteral("x"));
    QCOMPARE(alteradas.count(), 2);
    QCOMPARE(alteradas.at(1).at(0).value<QModelIndex>(), m.index(7, Codigo));
    QCOMPARE(alteradas.at(1).at(1).value<QModelIndex>(), m.index(7, Codigo));
    QSignalSpy removidas(&m, &QAbstractItemModel::rowsRemoved);
    m.definirNumeroLinhas(60);
    QCOMPARE(removidas.count(), 1);
    QCOMPARE(operador.count(), 0); // none of this is the operator's
}

void TestModeloGrelha::apresentacao_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("coluna");
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<QString>("mostrado");
    QTest::addColumn<QVariant>("edicao");
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale pt(QLocale::Portuguese, QLocale::Portugal);
    const QString mil = "1" + pt.groupSeparator() + "234,50";
    auto texto = [](const char* t) { return QVariant(QString::fromUtf8(t)); };
    QTest::newRow("en moeda") << en << int(Qtd) << QVariant(1234.5) << "1,234.50" << texto("1234.5");
    QTest::newRow("en moeda zero") << en << int(Qtd) << QVariant(0) << "0.00" << texto("0");
    QTest::newRow("en moeda negativa") << en << int(Qtd) << QVariant(-0.5) << "-0.50" << texto("-0.5");
    QTest::newRow("en moeda vazia") << en << int(Qtd) << QVariant() << "" << QVariant();
    QTest::newRow("en nao numerico") << en << int(Qtd) << texto("n/a") << "n/a" << texto("n/a");
    QTest::newRow("pt moeda") << pt << int(Preco) << QVariant(1234.5) << mil << texto("1234,5");
    QTest::newRow("numero em texto") << pt << int(Codigo) << QVariant(2.5) << "2,5" << QVariant(2.5);
    QTest::newRow("inteiro sem grupos") << en << int(Chave) << QVariant(123456) << "123456" << QVariant(123456);
    QTest::newRow("data") << en << int(Codigo) << QVariant(QDate(2024, 3, 9)) << "09-03-2024"
                          << QVariant(QDate(2024, 3, 9));
    QTest::newRow("caixa nada mostra") << en << int(Marca) << QVariant(true) << "" << QVariant(true);
}

void TestModeloGrelha::apresentacao() {
    QFETCH(QLocale, locale);
    QFETCH(int, coluna);
    QFETCH(QVariant, valor);
    QFETCH(QString, mostrado);
    QFETCH(QVariant, edicao);
    ModeloGrelha& m = *m_modelo;
    m.definirLocale(locale);
    m.definirValor(1, coluna, valor);
    QCOMPARE(m.data(m.index(1, coluna), Qt::DisplayRole).toString(), mostrado);
    // The edit role gives currency as the editor shows it, anything else as stored.
    QCOMPARE(m.data(m.index(1, coluna), Qt::EditRole), edicao);
}

void TestModeloGrelha::papeisEFlags() {
    ModeloGrelha& m = *m_modelo;
    m.definirValor(0, Marca, true);
    m.definirValor(1, Marca, false);
    QCOMPARE(m.data(m.index(0, Marca), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(m.data(m.index(1, Marca), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(m.data(m.index(2, Marca), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!m.data(m.index(0, Codigo), Qt::CheckStateRole).isValid());
    QCOMPARE(m.data(m.index(0, Qtd), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    QVERIFY(!m.data(m.index(0, Codigo), Qt::TextAlignmentRole).isValid());

    QCOMPARE(m.flags(m.index(0, Qtd)), Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    QCOMPARE(m.flags(m.index(0, Preco)), Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    QCOMPARE(m.flags(m.index(0, Marca)), Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);

    // The operator's path: a tick or an edit, each told once; refused where not allowed.
    QSignalSpy operador(&m, &ModeloGrelha::valorAlterado);
    QVERIFY(m.setData(m.index(2, Marca), int(Qt::Checked), Qt::CheckStateRole));
    QCOMPARE(m.valor(2, Marca), QVariant(true));
    QVERIFY(m.setData(m.index(2, Qtd), 4, Qt::EditRole));
    QCOMPARE(moeda(m.valor(2, Qtd)), Moeda::deInteiro(4));
    QCOMPARE(operador.count(), 2);
    QVERIFY(!m.setData(m.index(0, Preco), 3, Qt::EditRole));
    QVERIFY(!m.setData(m.index(0, Qtd), int(Qt::Checked), Qt::CheckStateRole));
    QVERIFY(!m.setData(m.index(0, Marca), true, Qt::EditRole));
    QCOMPARE(operador.count(), 2);
}

QTEST_GUILESS_MAIN(TestModeloGrelha)
#include "tst_modelogrelha.moc"
