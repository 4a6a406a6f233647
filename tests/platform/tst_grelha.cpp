// The grid control: its row store, what it shows, ticking, editing and moving.

#include "Erro.h"
#include "Grelha.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

/// Store indexes of the test grid's columns.
enum : int {
    Codigo = 0,
    Oculta = 1,
    Preco = 2,
    Qtd = 3,
    Nota = 4,
    Marca = 5,
    Chave = 6,
    NumeroColunas = 7
};

const QString FormatoMoeda = QStringLiteral("##,###0.00");

DefinicaoColuna definicao(const char* chave, TipoColuna tipo, int largura, bool oculta, bool soLeitura) {
    DefinicaoColuna c;
    c.chave = QString::fromLatin1(chave);
    c.titulo = QStringLiteral("T-") + c.chave;
    c.larguraTwips = largura;
    c.tipo = tipo;
    c.oculta = oculta;
    c.soLeitura = soLeitura;
    if (tipo == TipoColuna::Moeda) {
        c.formato = FormatoMoeda;
        c.comprimentoMaximo = 10;
    }
    return c;
}

void disporColunas(Grelha& g, int linhas) {
    g.removerColunas();
    g.definirNumeroLinhas(0);
    g.adicionarColuna(definicao("Codigo", TipoColuna::Texto, 1500, false, true));
    g.adicionarColuna(definicao("Oculta", TipoColuna::Texto, 1500, true, true));
    g.adicionarColuna(definicao("Preco", TipoColuna::Moeda, 1200, false, true));
    g.adicionarColuna(definicao("Qtd", TipoColuna::Moeda, 1200, false, false));
    DefinicaoColuna nota = definicao("Nota", TipoColuna::Texto, 1500, false, false);
    nota.comprimentoMaximo = 5;
    g.adicionarColuna(nota);
    DefinicaoColuna marca = definicao("Marca", TipoColuna::Booleano, 400, false, false);
    marca.caixaVerificacao = true;
    g.adicionarColuna(marca);
    g.adicionarColuna(definicao("Chave", TipoColuna::Inteiro32, 1500, true, true));
    g.definirNumeroLinhas(linhas);
}

/// An editor is open on the grid (a closed one is hidden until it goes).
bool editando(const Grelha& g) {
    const QList<QLineEdit*> editores = g.viewport()->findChildren<QLineEdit*>();
    return std::any_of(editores.begin(), editores.end(), [](const QLineEdit* e) { return e->isVisible(); });
}

/// Enter in an editor: the commit comes once the editor has had the key.
void confirmar(QLineEdit* editor) {
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

Moeda moeda(const QVariant& v) {
    return v.value<Moeda>();
}

LinhaGrelha linhaCarregada(int i) {
    LinhaGrelha l(NumeroColunas);
    l[Codigo] = QStringLiteral("A%1").arg(i);
    l[Preco] = 1.5 * i;
    l[Qtd] = 0;
    l[Chave] = i;
    return l;
}

} // namespace

class TestGrelha final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // Layout.
    void colunasEPosicoes();
    void larguraEOcultas();
    void corDeFundo();
    void removerColunasLimpaValores();

    // Row store.
    void conversaoAoGuardar();
    void foraDosLimitesLevantaErro();
    void escreverLinhasEmBloco();
    void escreverLinhasAlemDoFim();
    void actualizarUmSinal();
    void numeroDeLinhasUmSinal();

    // What the cells show.
    void apresentacao_data();
    void apresentacao();
    void marcasEAlinhamento();
    void flagsPorColuna();

    // Ticking.
    void caixaPorClique();
    void caixaPorEspaco();

    // Editing.
    void edicaoConfirmada();
    void edicaoCancelada();
    void handlerAlteraTexto();
    void textoNaoNumericoNaoGuarda();
    void escapeNaoDispara();
    void digitoIniciaEdicao();
    void duploCliqueIniciaEdicao();
    void edicaoNoLocalePortugues();
    void caixaModalNaoConfirmaDuasVezes_data();
    void caixaModalNaoConfirmaDuasVezes();
    void confirmarAoMudarDeCelula();

    // Enter and Tab.
    void enterETabModo1();
    void enterNoEditorAvanca();
    void semModoNaoAvanca();
    void desactivadaNaoMexe();

private:
    void abrirEditor(const QModelIndex& i);
    QLineEdit* editor();

    std::unique_ptr<Grelha> m_grelha;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    int m_alteracoes = 0;
};

void TestGrelha::init() {
    m_grelha = std::make_unique<Grelha>();
    m_tester = std::make_unique<QAbstractItemModelTester>(&m_grelha->modelo(),
                                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_grelha->modelo().definirLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    disporColunas(*m_grelha, 10);
    m_alteracoes = 0;
    m_grelha->aoAlterarValor = [this] { ++m_alteracoes; };
    m_grelha->resize(900, 400);
}

void TestGrelha::cleanup() {
    m_tester.reset();
    m_grelha.reset();
}

void TestGrelha::abrirEditor(const QModelIndex& i) {
    m_grelha->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grelha.get()));
    m_grelha->setFocus();
    m_grelha->setCurrentIndex(i);
    QTest::keyClick(m_grelha.get(), Qt::Key_F2);
    QVERIFY(editando(*m_grelha));
}

QLineEdit* TestGrelha::editor() {
    return qobject_cast<QLineEdit*>(m_grelha->indexWidget(m_grelha->currentIndex()));
}

// ---------------------------------------------------------------------------
// Layout

void TestGrelha::colunasEPosicoes() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    QCOMPARE(m.columnCount(), NumeroColunas);
    QCOMPARE(g.numeroLinhas(), 10);
    QCOMPARE(g.posicaoColuna(QStringLiteral("Codigo")), 1);
    QCOMPARE(g.posicaoColuna(QStringLiteral("Qtd")), 4);
    QCOMPARE(g.posicaoColuna(QStringLiteral("Marca")), 6);
    QCOMPARE(g.posicaoColuna(QStringLiteral("Chave")), 7);
    // Keys are matched exactly; captions are not keys.
    QCOMPARE(g.posicaoColuna(QStringLiteral("qtd")), -1);
    QCOMPARE(g.posicaoColuna(QStringLiteral("T-Qtd")), -1);
    QCOMPARE(m.indiceColuna(QStringLiteral("Qtd")), Qtd);
    QCOMPARE(m.coluna(Qtd).chave, QStringLiteral("Qtd"));

    QCOMPARE(m.headerData(Qtd, Qt::Horizontal).toString(), QStringLiteral("T-Qtd"));
    QCOMPARE(m.headerData(0, Qt::Vertical).toString(), QString());

    // Position p is store index p - 1, both ways.
    g.definirValorCelula(2, 4, QStringLiteral("5"));
    QCOMPARE(moeda(m.valor(2, Qtd)), Moeda::deInteiro(5));
    m.definirValor(3, Marca, true);
    QCOMPARE(g.valorCelula(3, 6), QVariant(true));
}

void TestGrelha::larguraEOcultas() {
    Grelha& g = *m_grelha;
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QCOMPARE(twipsParaPixeis(1440, nullptr), qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchX()));
    QCOMPARE(twipsParaPixeis(2880, &g, true), 2 * g.logicalDpiY());
    QCOMPARE(g.columnWidth(Codigo), twipsParaPixeis(1500, &g));
    QCOMPARE(g.columnWidth(Marca), twipsParaPixeis(400, &g));
    QVERIFY(g.columnWidth(Marca) < g.columnWidth(Preco));
    QVERIFY(g.isColumnHidden(Oculta));
    QVERIFY(g.isColumnHidden(Chave));
    for (int c : {Codigo, Preco, Qtd, Nota, Marca})
        QVERIFY2(!g.isColumnHidden(c), qPrintable(QString::number(c)));
    // The row header is a narrow strip without numbers.
    QVERIFY(g.verticalHeader()->isVisible());
    QVERIFY(g.verticalHeader()->width() <= 16);
    QCOMPARE(g.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(g.selectionMode(), QAbstractItemView::SingleSelection);
}

void TestGrelha::corDeFundo() {
    m_grelha->definirCorFundo(QColor(10, 20, 30));
    QCOMPARE(m_grelha->viewport()->palette().color(QPalette::Base), QColor(10, 20, 30));
}

void TestGrelha::removerColunasLimpaValores() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Codigo, QStringLiteral("X"));
    m.definirValor(1, Marca, true);
    g.removerColunas();
    QCOMPARE(m.columnCount(), 0);
    QCOMPARE(g.numeroLinhas(), 10);
    disporColunas(g, 60);
    QCOMPARE(g.numeroLinhas(), 60);
    QVERIFY(!m.valor(1, Codigo).isValid());
    QVERIFY(!m.valor(1, Marca).isValid());
    QVERIFY(g.isColumnHidden(Oculta));

    m.definirValor(4, Nota, QStringLiteral("n"));
    m.limparValores();
    QCOMPARE(g.numeroLinhas(), 60);
    QVERIFY(!m.valor(4, Nota).isValid());
}

// ---------------------------------------------------------------------------
// Row store

void TestGrelha::conversaoAoGuardar() {
    ModeloGrelha& m = m_grelha->modelo();
    QVERIFY(!m.valor(0, Qtd).isValid()); // never written

    m.definirValor(0, Qtd, 7.5);
    QCOMPARE(m.valor(0, Qtd).metaType(), QMetaType::fromType<Moeda>());
    QCOMPARE(moeda(m.valor(0, Qtd)), Moeda::deUnidades(75000));
    m.definirValor(1, Qtd, QStringLiteral("7.5000"));
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deUnidades(75000));
    m.definirValor(2, Qtd, 3);
    QCOMPARE(moeda(m.valor(2, Qtd)), Moeda::deInteiro(3));
    m.definirValor(3, Qtd, QStringLiteral("abc"));
    QCOMPARE(m.valor(3, Qtd), QVariant(QStringLiteral("abc")));
    m.definirValor(4, Qtd, QVariant());
    QVERIFY(!m.valor(4, Qtd).isValid());

    m.definirValor(0, Marca, QStringLiteral("True"));
    QCOMPARE(m.valor(0, Marca), QVariant(true));
    m.definirValor(1, Marca, QStringLiteral("false"));
    QCOMPARE(m.valor(1, Marca), QVariant(false));
    m.definirValor(2, Marca, 1);
    QCOMPARE(m.valor(2, Marca), QVariant(true));
    m.definirValor(3, Marca, 0);
    QCOMPARE(m.valor(3, Marca), QVariant(false));

    // Other columns keep the value as it was written.
    m.definirValor(0, Codigo, 2.5);
    QCOMPARE(m.valor(0, Codigo), QVariant(2.5));
    m.definirValor(0, Chave, QStringLiteral("12"));
    QCOMPARE(m.valor(0, Chave), QVariant(QStringLiteral("12")));
}

void TestGrelha::foraDosLimitesLevantaErro() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    auto numero = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const Erro& e) {
            return e.numero();
        }
        return 0;
    };
    QCOMPARE(numero([&] { m.valor(-1, 0); }), int(Erro::Grelha));
    QCOMPARE(numero([&] { m.valor(10, 0); }), int(Erro::Grelha));
    QCOMPARE(numero([&] { m.valor(0, NumeroColunas); }), int(Erro::Grelha));
    QCOMPARE(numero([&] { m.definirValor(0, -1, 1); }), int(Erro::Grelha));
    QCOMPARE(numero([&] { m.definirValor(10, 0, 1); }), int(Erro::Grelha));
    QCOMPARE(numero([&] { g.valorCelula(0, 0); }), int(Erro::Grelha)); // the row header holds nothing
    QCOMPARE(numero([&] { g.definirValorCelula(0, NumeroColunas + 1, 1); }), int(Erro::Grelha));
    QCOMPARE(numero([&] { m.coluna(99); }), int(Erro::Grelha));
    QCOMPARE(numero([&] { g.definirNumeroLinhas(-1); }), int(Erro::Grelha));
    QCOMPARE(numero([&] { m.valor(9, NumeroColunas - 1); }), 0);
    QCOMPARE(g.numeroLinhas(), 10);
}

void TestGrelha::escreverLinhasEmBloco() {
    ModeloGrelha& m = m_grelha->modelo();
    m.definirValor(5, Marca, true); // a mark in the empty area stays
    QSignalSpy inseridas(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy alteradas(&m, &QAbstractItemModel::dataChanged);
    QSignalSpy reposto(&m, &QAbstractItemModel::modelReset);

    std::vector<LinhaGrelha> linhas;
    for (int i = 0; i < 100; ++i)
        linhas.push_back(linhaCarregada(i));
    linhas[5][Marca] = QVariant(); // the load writes no mark
    linhas[5].resize(Marca);
    m.escreverLinhas(0, std::move(linhas), 0);

    QCOMPARE(m.numeroLinhas(), 100);
    QCOMPARE(inseridas.count(), 1);
    QCOMPARE(inseridas.at(0).at(1).toInt(), 10);
    QCOMPARE(inseridas.at(0).at(2).toInt(), 99);
    QCOMPARE(alteradas.count(), 1);
    QCOMPARE(alteradas.at(0).at(0).value<QModelIndex>(), m.index(0, 0));
    QCOMPARE(alteradas.at(0).at(1).value<QModelIndex>(), m.index(9, NumeroColunas - 1));
    QCOMPARE(reposto.count(), 0);

    QCOMPARE(m.valor(42, Codigo), QVariant(QStringLiteral("A42")));
    QCOMPARE(moeda(m.valor(42, Preco)), Moeda::deUnidades(630000));
    QCOMPARE(moeda(m.valor(42, Qtd)), Moeda());
    QCOMPARE(m.valor(42, Chave), QVariant(42));
    QCOMPARE(m.valor(5, Marca), QVariant(true));
    QCOMPARE(m.data(m.index(99, Preco)).toString(), QStringLiteral("148.50"));

    // Appending below: one insertion, nothing replaced.
    inseridas.clear();
    alteradas.clear();
    std::vector<LinhaGrelha> mais{linhaCarregada(100), linhaCarregada(101)};
    m.escreverLinhas(100, std::move(mais), 0);
    QCOMPARE(m.numeroLinhas(), 102);
    QCOMPARE(inseridas.count(), 1);
    QCOMPARE(alteradas.count(), 0);
    QCOMPARE(m.valor(101, Codigo), QVariant(QStringLiteral("A101")));
}

void TestGrelha::escreverLinhasAlemDoFim() {
    ModeloGrelha& m = m_grelha->modelo();
    QSignalSpy inseridas(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy removidas(&m, &QAbstractItemModel::rowsRemoved);
    QSignalSpy alteradas(&m, &QAbstractItemModel::dataChanged);

    std::vector<LinhaGrelha> uma{linhaCarregada(1)};
    m.escreverLinhas(20, std::move(uma), 25);
    QCOMPARE(m.numeroLinhas(), 25);
    QCOMPARE(inseridas.count(), 1);
    QCOMPARE(alteradas.count(), 0);
    QVERIFY(!m.valor(15, Codigo).isValid());
    QCOMPARE(m.valor(20, Codigo), QVariant(QStringLiteral("A1")));
    QVERIFY(!m.valor(24, Codigo).isValid());

    // A smaller total cuts the rows below what was written.
    std::vector<LinhaGrelha> duas{linhaCarregada(7), linhaCarregada(8)};
    m.escreverLinhas(2, std::move(duas), 6);
    QCOMPARE(m.numeroLinhas(), 6);
    QCOMPARE(removidas.count(), 1);
    QCOMPARE(inseridas.count(), 1);
    QCOMPARE(alteradas.count(), 1);
    QCOMPARE(m.valor(3, Codigo), QVariant(QStringLiteral("A8")));
}

void TestGrelha::actualizarUmSinal() {
    ModeloGrelha& m = m_grelha->modelo();
    m_grelha->show(); // a view that listens, as in the window
    QVERIFY(QTest::qWaitForWindowExposed(m_grelha.get()));
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
    QCOMPARE(alteradas.at(0).at(0).value<QModelIndex>(), m.index(0, 0));
    QCOMPARE(alteradas.at(0).at(1).value<QModelIndex>(), m.index(29999, NumeroColunas - 1));
    QCOMPARE(operador.count(), 0);
    QCOMPARE(m.data(m.index(29999, Marca), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(moeda(m.valor(20000, Qtd)), Moeda::deInteiro(30000));

    // One cell, one signal for that cell.
    alteradas.clear();
    m.definirValorCelula(7, Nota, QStringLiteral("x"));
    QCOMPARE(alteradas.count(), 1);
    QCOMPARE(alteradas.at(0).at(0).value<QModelIndex>(), m.index(7, Nota));
    QCOMPARE(alteradas.at(0).at(1).value<QModelIndex>(), m.index(7, Nota));
    QCOMPARE(operador.count(), 0);
}

void TestGrelha::numeroDeLinhasUmSinal() {
    ModeloGrelha& m = m_grelha->modelo();
    QSignalSpy inseridas(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy removidas(&m, &QAbstractItemModel::rowsRemoved);
    m.definirNumeroLinhas(60);
    QCOMPARE(inseridas.count(), 1);
    QCOMPARE(m.rowCount(), 60);
    m.definirNumeroLinhas(60);
    QCOMPARE(inseridas.count(), 1);
    m.definirNumeroLinhas(3);
    QCOMPARE(removidas.count(), 1);
    QCOMPARE(m.rowCount(), 3);
}

// ---------------------------------------------------------------------------
// What the cells show

void TestGrelha::apresentacao_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("coluna");
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<QString>("mostrado");
    QTest::addColumn<QString>("editado");
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale pt(QLocale::Portuguese, QLocale::Portugal);
    const QString grupoPt = pt.groupSeparator();
    QTest::newRow("en moeda") << en << int(Qtd) << QVariant(1234.5) << "1,234.50" << "1234.5";
    QTest::newRow("en moeda zero") << en << int(Qtd) << QVariant(0) << "0.00" << "0";
    QTest::newRow("en moeda negativa") << en << int(Qtd) << QVariant(-0.5) << "-0.50" << "-0.5";
    QTest::newRow("en moeda vazia") << en << int(Qtd) << QVariant() << "" << "";
    QTest::newRow("en moeda em texto") << en << int(Preco) << QVariant(QStringLiteral("7.5000")) << "7.50" << "7.5";
    QTest::newRow("pt moeda") << pt << int(Qtd) << QVariant(1234.5) << QString(QLatin1String("1") + grupoPt + "234,50")
                              << "1234,5";
    QTest::newRow("pt inteiro") << pt << int(Qtd) << QVariant(7) << "7,00" << "7";
    QTest::newRow("texto") << en << int(Codigo) << QVariant(QStringLiteral("ABC-1")) << "ABC-1" << "ABC-1";
    QTest::newRow("numero em texto") << pt << int(Codigo) << QVariant(2.5) << "2,5" << "2,5";
    QTest::newRow("inteiro sem grupos") << en << int(Chave) << QVariant(123456) << "123456" << "123456";
    QTest::newRow("caixa nada mostra") << en << int(Marca) << QVariant(true) << "" << "";
}

void TestGrelha::apresentacao() {
    QFETCH(QLocale, locale);
    QFETCH(int, coluna);
    QFETCH(QVariant, valor);
    QFETCH(QString, mostrado);
    QFETCH(QString, editado);
    ModeloGrelha& m = m_grelha->modelo();
    m.definirLocale(locale);
    m.definirValor(1, coluna, valor);
    QCOMPARE(m.data(m.index(1, coluna), Qt::DisplayRole).toString(), mostrado);

    // The editor opens with the plain value.
    m_grelha->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grelha.get()));
    if (m.flags(m.index(1, coluna)) & Qt::ItemIsEditable) {
        abrirEditor(m.index(1, coluna));
        QVERIFY(editor());
        QCOMPARE(editor()->text(), editado);
    }
}

void TestGrelha::marcasEAlinhamento() {
    ModeloGrelha& m = m_grelha->modelo();
    m.definirValor(0, Marca, true);
    m.definirValor(1, Marca, false);
    QCOMPARE(m.data(m.index(0, Marca), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(m.data(m.index(1, Marca), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(m.data(m.index(2, Marca), Qt::CheckStateRole).toInt(), int(Qt::Unchecked)); // never written
    QVERIFY(!m.data(m.index(0, Codigo), Qt::CheckStateRole).isValid());

    const int direita = int(Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(m.data(m.index(0, Qtd), Qt::TextAlignmentRole).toInt(), direita);
    QCOMPARE(m.data(m.index(0, Chave), Qt::TextAlignmentRole).toInt(), direita);
    QVERIFY(!m.data(m.index(0, Codigo), Qt::TextAlignmentRole).isValid());
}

void TestGrelha::flagsPorColuna() {
    ModeloGrelha& m = m_grelha->modelo();
    QVERIFY(m.flags(m.index(0, Qtd)) & Qt::ItemIsEditable);
    QVERIFY(m.flags(m.index(0, Nota)) & Qt::ItemIsEditable);
    QVERIFY(!(m.flags(m.index(0, Preco)) & Qt::ItemIsEditable));
    QVERIFY(!(m.flags(m.index(0, Codigo)) & Qt::ItemIsEditable));
    QVERIFY(m.flags(m.index(0, Marca)) & Qt::ItemIsUserCheckable);
    QVERIFY(!(m.flags(m.index(0, Marca)) & Qt::ItemIsEditable));
    QVERIFY(!(m.flags(m.index(0, Qtd)) & Qt::ItemIsUserCheckable));
    for (int c = 0; c < NumeroColunas; ++c)
        QVERIFY(m.flags(m.index(0, c)) & (Qt::ItemIsEnabled | Qt::ItemIsSelectable));

    // The operator's path refuses what the columns do not allow.
    QSignalSpy operador(&m, &ModeloGrelha::valorAlterado);
    QVERIFY(!m.setData(m.index(0, Preco), 3, Qt::EditRole));
    QVERIFY(!m.setData(m.index(0, Qtd), int(Qt::Checked), Qt::CheckStateRole));
    QVERIFY(!m.setData(m.index(0, Marca), true, Qt::EditRole));
    QCOMPARE(operador.count(), 0);
    QVERIFY(!m.valor(0, Preco).isValid());
}

// ---------------------------------------------------------------------------
// Ticking

void TestGrelha::caixaPorClique() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    int linhaNoEvento = -1;
    int posicaoNoEvento = -1;
    QVariant valorNoEvento;
    g.aoAlterarValor = [&] {
        ++m_alteracoes;
        linhaNoEvento = g.linhaActual();
        posicaoNoEvento = g.posicaoColunaActual();
        valorNoEvento = g.valorCelula(linhaNoEvento, posicaoNoEvento);
    };

    const QRect celula = g.visualRect(m.index(2, Marca));
    QVERIFY(celula.isValid());
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, celula.center());
    QCOMPARE(m_alteracoes, 1);
    QCOMPARE(m.valor(2, Marca), QVariant(true));
    // The handler sees the ticked cell as the current one, already changed.
    QCOMPARE(linhaNoEvento, 2);
    QCOMPARE(posicaoNoEvento, Marca + 1);
    QCOMPARE(valorNoEvento, QVariant(true));

    // Anywhere in the small cell, not just on the indicator.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, celula.topRight() + QPoint(-1, 2));
    QCOMPARE(m_alteracoes, 2);
    QCOMPARE(m.valor(2, Marca), QVariant(false));

    // A click elsewhere ticks nothing.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(m.index(3, Codigo)).center());
    QCOMPARE(m_alteracoes, 2);
    QCOMPARE(g.linhaActual(), 3);
    QCOMPARE(g.posicaoColunaActual(), Codigo + 1);
    QVERIFY(!m.valor(3, Marca).isValid());
}

void TestGrelha::caixaPorEspaco() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    g.setCurrentIndex(m.index(1, Marca));
    QTest::keyClick(&g, Qt::Key_Space);
    QCOMPARE(m_alteracoes, 1);
    QCOMPARE(m.valor(1, Marca), QVariant(true));
    QTest::keyClick(&g, Qt::Key_Space);
    QCOMPARE(m_alteracoes, 2);
    QCOMPARE(m.valor(1, Marca), QVariant(false));

    g.setCurrentIndex(m.index(1, Codigo));
    QTest::keyClick(&g, Qt::Key_Space);
    QCOMPARE(m_alteracoes, 2);
    QCOMPARE(m.valor(1, Marca), QVariant(false));
}

// ---------------------------------------------------------------------------
// Editing

void TestGrelha::edicaoConfirmada() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Qtd, 2);
    int chamadas = 0;
    int linha = -1;
    int posicao = -1;
    QVariant anterior;
    QString texto;
    QVariant naCelula;
    g.antesDeConfirmar = [&](int l, int p, QVariant& a, bool& cancelar) {
        ++chamadas;
        linha = l;
        posicao = p;
        anterior = a;
        texto = g.textoEditor();
        naCelula = g.valorCelula(l, p);
        QVERIFY(!cancelar);
        QCOMPARE(m_alteracoes, 0);
    };

    abrirEditor(m.index(1, Qtd));
    QLineEdit* e = editor();
    QVERIFY(e);
    QCOMPARE(e->text(), QStringLiteral("2"));
    QCOMPARE(e->maxLength(), 10);
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("7.5"));
    QTest::keyClick(e, Qt::Key_Return);
    QCoreApplication::processEvents(); // Enter commits once the editor has had the key

    QCOMPARE(chamadas, 1);
    QCOMPARE(linha, 1);
    QCOMPARE(posicao, Qtd + 1);
    QCOMPARE(moeda(anterior), Moeda::deInteiro(2));
    QCOMPARE(texto, QStringLiteral("7.5"));
    QCOMPARE(moeda(naCelula), Moeda::deUnidades(75000));
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deUnidades(75000));
    QCOMPARE(m_alteracoes, 1);
    QVERIFY(!editando(g));
}

void TestGrelha::edicaoCancelada() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Qtd, 2);
    int chamadas = 0;
    g.antesDeConfirmar = [&](int, int, QVariant& anterior, bool& cancelar) {
        ++chamadas;
        g.definirTextoEditor(anterior.toString());
        anterior = 0; // the handler's own copy
        cancelar = true;
    };
    abrirEditor(m.index(1, Qtd));
    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("9"));
    confirmar(editor());

    QCOMPARE(chamadas, 1);
    QCOMPARE(m.valor(1, Qtd).metaType(), QMetaType::fromType<Moeda>());
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deInteiro(2));
    QCOMPARE(m_alteracoes, 0);
    QVERIFY(!editando(g));

    // An empty cell stays empty when the edit is refused.
    abrirEditor(m.index(4, Qtd));
    QTest::keyClicks(editor(), QStringLiteral("5"));
    confirmar(editor());
    QCOMPARE(chamadas, 2);
    QVERIFY(!m.valor(4, Qtd).isValid());
}

void TestGrelha::handlerAlteraTexto() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    g.antesDeConfirmar = [&](int, int, QVariant&, bool&) { g.definirTextoEditor(QStringLiteral("3")); };
    abrirEditor(m.index(2, Qtd));
    QTest::keyClicks(editor(), QStringLiteral("6"));
    confirmar(editor());
    QCOMPARE(moeda(m.valor(2, Qtd)), Moeda::deInteiro(3));
    QCOMPARE(m_alteracoes, 1);

    // Text columns take the text as it is, within their maximum length.
    g.antesDeConfirmar = nullptr;
    abrirEditor(m.index(2, Nota));
    QCOMPARE(editor()->maxLength(), 5);
    QTest::keyClicks(editor(), QStringLiteral("abcdefgh"));
    confirmar(editor());
    QCOMPARE(m.valor(2, Nota), QVariant(QStringLiteral("abcde")));
    QCOMPARE(m_alteracoes, 2);
}

void TestGrelha::textoNaoNumericoNaoGuarda() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Qtd, 4);
    abrirEditor(m.index(1, Qtd));
    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("abc"));
    confirmar(editor());
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deInteiro(4));
    QCOMPARE(m_alteracoes, 0);

    abrirEditor(m.index(1, Qtd));
    editor()->clear();
    confirmar(editor());
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deInteiro(4));
    QCOMPARE(m_alteracoes, 0);
}

void TestGrelha::escapeNaoDispara() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Qtd, 4);
    int chamadas = 0;
    g.antesDeConfirmar = [&](int, int, QVariant&, bool&) { ++chamadas; };
    abrirEditor(m.index(1, Qtd));
    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("9"));
    QTest::keyClick(editor(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QCOMPARE(chamadas, 0);
    QCOMPARE(m_alteracoes, 0);
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deInteiro(4));
    QVERIFY(!editando(g));
}

void TestGrelha::digitoIniciaEdicao() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Qtd, 2);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    g.setCurrentIndex(m.index(1, Qtd));
    QTest::keyClick(&g, '5');
    QVERIFY(editando(g));
    QVERIFY(editor());
    QCOMPARE(editor()->text(), QStringLiteral("5")); // the digit replaces the old value
    confirmar(editor());
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deInteiro(5));

    // Typing on a read-only cell edits nothing.
    g.setCurrentIndex(m.index(1, Preco));
    QTest::keyClick(&g, '5');
    QVERIFY(!editando(g));
}

void TestGrelha::duploCliqueIniciaEdicao() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(3, Qtd, 1.25);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    const QPoint centro = g.visualRect(m.index(3, Qtd)).center();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, centro);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, centro);
    QVERIFY(editando(g));
    QVERIFY(editor());
    QCOMPARE(editor()->text(), QStringLiteral("1.25"));
}

void TestGrelha::edicaoNoLocalePortugues() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirLocale(QLocale(QLocale::Portuguese, QLocale::Portugal));
    m.definirValor(1, Qtd, 7.5);
    abrirEditor(m.index(1, Qtd));
    QCOMPARE(editor()->text(), QStringLiteral("7,5"));
    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("2,25"));
    confirmar(editor());
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deUnidades(22500));

    // A point is no decimal separator there: the text is refused.
    abrirEditor(m.index(1, Qtd));
    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("3.5"));
    confirmar(editor());
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deUnidades(22500));
    QCOMPARE(m_alteracoes, 1);
}

void TestGrelha::caixaModalNaoConfirmaDuasVezes_data() {
    QTest::addColumn<int>("modoEnter");
    QTest::newRow("enter normal") << 0;
    QTest::newRow("enter modo 1") << 1;
}

void TestGrelha::caixaModalNaoConfirmaDuasVezes() {
    QFETCH(int, modoEnter);
    // The handler shows a modal box and the editor loses the focus meanwhile:
    // still one handler call and one change.
    QWidget janela;
    auto* layout = new QVBoxLayout(&janela);
    auto* outro = new QLineEdit(&janela);
    layout->addWidget(outro);
    Grelha* g = new Grelha(&janela);
    layout->addWidget(g);
    disporColunas(*g, 5);
    g->definirComportamentoEnter(modoEnter);
    g->modelo().definirLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    int alteracoes = 0;
    int chamadas = 0;
    g->aoAlterarValor = [&] { ++alteracoes; };
    g->antesDeConfirmar = [&](int, int, QVariant&, bool&) {
        ++chamadas;
        outro->setFocus();
        QCOMPARE(QApplication::focusWidget(), outro);
        QDialog caixa(&janela);
        QTimer::singleShot(0, &caixa, &QDialog::accept);
        caixa.exec();
    };
    janela.resize(900, 400);
    janela.show();
    QVERIFY(QTest::qWaitForWindowExposed(&janela));
    janela.activateWindow();
    g->setFocus();
    g->setCurrentIndex(g->modelo().index(1, Qtd));
    QTest::keyClick(g, Qt::Key_F2);
    auto* e = qobject_cast<QLineEdit*>(g->indexWidget(g->currentIndex()));
    QVERIFY(e);
    e->setFocus();
    QTest::keyClicks(e, QStringLiteral("4"));
    QTest::keyClick(e, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    QCOMPARE(chamadas, 1);
    QCOMPARE(alteracoes, 1);
    QCOMPARE(moeda(g->modelo().valor(1, Qtd)), Moeda::deInteiro(4));
    // Enter mode 1 moves on to the next cell (and edits it, being editable).
    QCOMPARE(g->currentIndex(), g->modelo().index(1, modoEnter == 1 ? Nota : Qtd));
    QCOMPARE(editando(*g), modoEnter == 1);
}

void TestGrelha::confirmarAoMudarDeCelula() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    int chamadas = 0;
    g.antesDeConfirmar = [&](int l, int p, QVariant&, bool&) {
        ++chamadas;
        QCOMPARE(l, 2);
        QCOMPARE(p, Qtd + 1);
    };
    abrirEditor(m.index(2, Qtd));
    QTest::keyClicks(editor(), QStringLiteral("8"));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(m.index(5, Codigo)).center());
    QCoreApplication::processEvents();
    QCOMPARE(chamadas, 1);
    QCOMPARE(moeda(m.valor(2, Qtd)), Moeda::deInteiro(8));
    QCOMPARE(m_alteracoes, 1);
    QCOMPARE(g.linhaActual(), 5);
}

// ---------------------------------------------------------------------------
// Enter and Tab

void TestGrelha::enterETabModo1() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    g.definirComportamentoEnter(1);
    g.definirComportamentoTab(1);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    g.setFocus();
    g.setCurrentIndex(m.index(0, Codigo));

    QTest::keyClick(&g, Qt::Key_Return); // over the hidden column
    QCOMPARE(g.currentIndex(), m.index(0, Preco));
    QTest::keyClick(&g, Qt::Key_Tab);
    QCOMPARE(g.currentIndex(), m.index(0, Qtd));
    QTest::keyClick(&g, Qt::Key_Enter);
    QCOMPARE(g.currentIndex(), m.index(0, Nota));
    QTest::keyClick(&g, Qt::Key_Tab);
    QCOMPARE(g.currentIndex(), m.index(0, Marca));
    QTest::keyClick(&g, Qt::Key_Tab); // the last shown column: on to the next row
    QCOMPARE(g.currentIndex(), m.index(1, Codigo));
    QTest::keyClick(&g, Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(g.currentIndex(), m.index(0, Marca));
    QTest::keyClick(&g, Qt::Key_Backtab);
    QCOMPARE(g.currentIndex(), m.index(0, Nota));
    QVERIFY(g.hasFocus());

    // The last cell of the grid stays where it is.
    g.setCurrentIndex(m.index(9, Marca));
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.currentIndex(), m.index(9, Marca));
    QCOMPARE(m_alteracoes, 0);
}

void TestGrelha::enterNoEditorAvanca() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    g.definirComportamentoEnter(1);
    g.definirComportamentoTab(1);
    int chamadas = 0;
    g.antesDeConfirmar = [&](int, int, QVariant&, bool&) { ++chamadas; };
    abrirEditor(m.index(0, Qtd));
    QTest::keyClicks(editor(), QStringLiteral("6"));
    QTest::keyClick(editor(), Qt::Key_Return);
    QCOMPARE(chamadas, 1);
    QCOMPARE(moeda(m.valor(0, Qtd)), Moeda::deInteiro(6));
    QCOMPARE(m_alteracoes, 1);
    // On to the next cell, which, being editable, opens its editor.
    QCOMPARE(g.currentIndex(), m.index(0, Nota));
    QVERIFY(editor());

    // Tab does the same; the check-box cell after it opens no editor.
    QTest::keyClicks(editor(), QStringLiteral("n"));
    QTest::keyClick(editor(), Qt::Key_Tab);
    QCOMPARE(chamadas, 2);
    QCOMPARE(m.valor(0, Nota), QVariant(QStringLiteral("n")));
    QCOMPARE(m_alteracoes, 2);
    QCOMPARE(g.currentIndex(), m.index(0, Marca));
    QVERIFY(!editando(g));
}

void TestGrelha::semModoNaoAvanca() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    g.setFocus();
    g.setCurrentIndex(m.index(0, Codigo));
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.currentIndex(), m.index(0, Codigo));
}

void TestGrelha::desactivadaNaoMexe() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    g.definirComportamentoEnter(1);
    g.definirComportamentoTab(1);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    g.setCurrentIndex(m.index(0, Marca));
    g.setEnabled(false);
    QTest::keyClick(&g, Qt::Key_Return);
    QTest::keyClick(&g, Qt::Key_Tab);
    QTest::keyClick(&g, Qt::Key_Space);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(m.index(1, Marca)).center());
    QCOMPARE(g.currentIndex(), m.index(0, Marca));
    QVERIFY(!m.valor(0, Marca).isValid());
    QVERIFY(!m.valor(1, Marca).isValid());
    QCOMPARE(m_alteracoes, 0);
}

QTEST_MAIN(TestGrelha)
#include "tst_grelha.moc"
