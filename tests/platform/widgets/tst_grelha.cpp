// The grid control: layout, ticking, editing and moving between cells. The
// row store alone is tested in tst_modelogrelha.

#include "Erro.h"
#include "Grelha.h"
#include "Twips.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
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
    NumeroColunas = 7,
};

DefinicaoColuna definicao(const char* chave, TipoColuna tipo, int largura, bool oculta, bool soLeitura) {
    DefinicaoColuna c;
    c.chave = QString::fromLatin1(chave);
    c.titulo = QStringLiteral("T-") + c.chave;
    c.larguraTwips = largura;
    c.tipo = tipo;
    c.oculta = oculta;
    c.soLeitura = soLeitura;
    if (tipo == TipoColuna::Moeda) {
        c.formato = QStringLiteral("##,###0.00");
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

QLineEdit* editorActual(const Grelha& g) {
    return qobject_cast<QLineEdit*>(g.indexWidget(g.currentIndex()));
}

Moeda moeda(const QVariant& v) {
    return v.value<Moeda>();
}

} // namespace

class TestGrelha final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void disposicao();
    void caixaPorCliqueEEspaco();
    void inicioDaEdicao();
    void edicaoConfirmada();
    void desfechoDaEdicao_data();
    void desfechoDaEdicao();
    void caixaModalNaoConfirmaDuasVezes_data();
    void caixaModalNaoConfirmaDuasVezes();
    void enterETabModo1();

private:
    void mostrar();
    void abrirEditor(const QModelIndex& i);

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

void TestGrelha::mostrar() {
    m_grelha->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grelha.get()));
    m_grelha->setFocus();
}

void TestGrelha::abrirEditor(const QModelIndex& i) {
    mostrar();
    m_grelha->setCurrentIndex(i);
    QTest::keyClick(m_grelha.get(), Qt::Key_F2);
    QVERIFY(editando(*m_grelha));
}

void TestGrelha::disposicao() {
    Grelha& g = *m_grelha;
    mostrar();
    QCOMPARE(g.posicaoColuna(QStringLiteral("Codigo")), 1);
    QCOMPARE(g.posicaoColuna(QStringLiteral("Marca")), Marca + 1);
    QCOMPARE(g.posicaoColuna(QStringLiteral("T-Qtd")), -1);
    // Position p is store index p - 1; position 0, the row header, holds nothing.
    g.definirValorCelula(2, Qtd + 1, QStringLiteral("5"));
    QCOMPARE(moeda(g.modelo().valor(2, Qtd)), Moeda::deInteiro(5));
    g.modelo().definirValor(3, Marca, true);
    QCOMPARE(g.valorCelula(3, Marca + 1), QVariant(true));
    try {
        g.valorCelula(0, 0);
        QFAIL("position 0 has no value");
    } catch (const Erro& e) {
        QCOMPARE(e.numero(), int(Erro::Grelha));
    }

    QCOMPARE(twipsParaPixeis(1440), qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchX()));
    QCOMPARE(twipsParaPixeis(2880, &g, true), 2 * g.logicalDpiY());
    QCOMPARE(g.columnWidth(Codigo), twipsParaPixeis(1500, &g));
    QCOMPARE(g.columnWidth(Marca), twipsParaPixeis(400, &g));
    QVERIFY(g.isColumnHidden(Oculta) && g.isColumnHidden(Chave));
    for (int c : {Codigo, Preco, Qtd, Nota, Marca})
        QVERIFY(!g.isColumnHidden(c));
    QVERIFY(g.verticalHeader()->width() <= 16); // a narrow strip
    QCOMPARE(g.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

    // Laid out anew, the columns take their widths and hidden flags again.
    g.setColumnHidden(Codigo, true);
    disporColunas(g, 60);
    QVERIFY(!g.isColumnHidden(Codigo));
    QVERIFY(g.isColumnHidden(Oculta));
    QCOMPARE(g.numeroLinhas(), 60);

    g.definirCorFundo(QColor(10, 20, 30));
    QCOMPARE(g.viewport()->palette().color(QPalette::Base), QColor(10, 20, 30));
}

void TestGrelha::caixaPorCliqueEEspaco() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    mostrar();
    QVariant naCelula;
    int posicaoNoEvento = -1;
    g.aoAlterarValor = [&] {
        ++m_alteracoes;
        posicaoNoEvento = g.posicaoColunaActual();
        naCelula = g.valorCelula(g.linhaActual(), posicaoNoEvento);
    };

    // One click, one tick; the handler sees that cell, current and already changed.
    const QRect celula = g.visualRect(m.index(2, Marca));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, celula.center());
    QCOMPARE(m_alteracoes, 1);
    QCOMPARE(m.valor(2, Marca), QVariant(true));
    QCOMPARE(g.linhaActual(), 2);
    QCOMPARE(posicaoNoEvento, Marca + 1);
    QCOMPARE(naCelula, QVariant(true));
    // Anywhere in the small cell, not just on the indicator.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, celula.topRight() + QPoint(-1, 2));
    QCOMPARE(m_alteracoes, 2);
    QCOMPARE(m.valor(2, Marca), QVariant(false));

    QTest::keyClick(&g, Qt::Key_Space);
    QCOMPARE(m_alteracoes, 3);
    QCOMPARE(m.valor(2, Marca), QVariant(true));

    // Elsewhere, neither a click nor Space ticks anything.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(m.index(3, Codigo)).center());
    QTest::keyClick(&g, Qt::Key_Space);
    QCOMPARE(g.posicaoColunaActual(), Codigo + 1);
    QCOMPARE(m_alteracoes, 3);
    QVERIFY(!m.valor(3, Marca).isValid());

    // Nor when the grid is disabled.
    g.setEnabled(false);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, celula.center());
    QCOMPARE(m_alteracoes, 3);
}

void TestGrelha::inicioDaEdicao() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Qtd, 1234.5);
    abrirEditor(m.index(1, Qtd));
    QCOMPARE(editorActual(g)->text(), QStringLiteral("1234.5")); // plain, no grouping
    QCOMPARE(editorActual(g)->maxLength(), 10);
    QTest::keyClick(editorActual(g), Qt::Key_Escape);

    // A digit opens the editor and replaces the old value.
    g.setCurrentIndex(m.index(1, Qtd));
    QTest::keyClick(&g, '5');
    QVERIFY(editorActual(g));
    QCOMPARE(editorActual(g)->text(), QStringLiteral("5"));
    QTest::keyClick(editorActual(g), Qt::Key_Escape);

    // So does a double click; under Portuguese the value shows with a comma.
    m.definirLocale(QLocale(QLocale::Portuguese, QLocale::Portugal));
    m.definirValor(3, Qtd, 7.5);
    const QPoint centro = g.visualRect(m.index(3, Qtd)).center();
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, centro);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, centro);
    QVERIFY(editorActual(g));
    QCOMPARE(editorActual(g)->text(), QStringLiteral("7,5"));
    QTest::keyClick(editorActual(g), Qt::Key_Escape);

    // An empty cell opens empty; a read-only one does not open.
    abrirEditor(m.index(4, Qtd));
    QCOMPARE(editorActual(g)->text(), QString());
    QTest::keyClick(editorActual(g), Qt::Key_Escape);
    g.setCurrentIndex(m.index(1, Preco));
    QTest::keyClick(&g, '5');
    QVERIFY(!editando(g));
    QCOMPARE(m_alteracoes, 0);
}

void TestGrelha::edicaoConfirmada() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Qtd, 2);
    int chamadas = 0;
    int linha = -1;
    int posicao = -1;
    QVariant anterior;
    QVariant naCelula;
    QString texto;
    int alteracoesAntes = -1;
    bool cancelarRecebido = true;
    g.antesDeConfirmar = [&](int l, int p, QVariant& a, bool& cancelar) {
        ++chamadas;
        linha = l;
        posicao = p;
        anterior = a;
        texto = g.textoEditor();
        naCelula = g.valorCelula(l, p);
        cancelarRecebido = cancelar;
        alteracoesAntes = m_alteracoes;
    };
    abrirEditor(m.index(1, Qtd));
    editorActual(g)->selectAll();
    QTest::keyClicks(editorActual(g), QStringLiteral("7.5"));
    QTest::keyClick(editorActual(g), Qt::Key_Return);
    QCoreApplication::processEvents(); // Enter commits once the editor has had the key

    QCOMPARE(chamadas, 1);
    QCOMPARE(linha, 1);
    QCOMPARE(posicao, Qtd + 1);
    QCOMPARE(moeda(anterior), Moeda::deInteiro(2));
    QCOMPARE(texto, QStringLiteral("7.5"));
    QCOMPARE(moeda(naCelula), Moeda::deUnidades(75000)); // the cell holds what is being committed
    QVERIFY(!cancelarRecebido);
    QCOMPARE(alteracoesAntes, 0); // the change is told after the handler
    QCOMPARE(moeda(m.valor(1, Qtd)), Moeda::deUnidades(75000));
    QCOMPARE(m_alteracoes, 1);
    QVERIFY(!editando(g));

    // Leaving the cell with the mouse commits too, once.
    abrirEditor(m.index(2, Qtd));
    QTest::keyClicks(editorActual(g), QStringLiteral("8"));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(m.index(5, Codigo)).center());
    QCOMPARE(chamadas, 2);
    QCOMPARE(linha, 2);
    QCOMPARE(moeda(m.valor(2, Qtd)), Moeda::deInteiro(8));
    QCOMPARE(m_alteracoes, 2);
}

void TestGrelha::desfechoDaEdicao_data() {
    QTest::addColumn<int>("coluna");
    QTest::addColumn<QString>("escrito");
    QTest::addColumn<int>("accao"); // 0 none, 1 cancel, 2 replace the text with "3"
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QVariant>("guardado");
    QTest::addColumn<int>("chamadas");
    QTest::addColumn<int>("alteracoes");
    const QVariant quatro = QVariant::fromValue(Moeda::deInteiro(4));
    QTest::newRow("aceite") << int(Qtd) << "1,000.25" << 0 << int(Qt::Key_Return)
                            << QVariant::fromValue(Moeda::deUnidades(10002500)) << 1 << 1;
    QTest::newRow("cancelada") << int(Qtd) << "9" << 1 << int(Qt::Key_Tab) << quatro << 1 << 0;
    QTest::newRow("texto trocado") << int(Qtd) << "6" << 2 << int(Qt::Key_Return)
                                   << QVariant::fromValue(Moeda::deInteiro(3)) << 1 << 1;
    QTest::newRow("nao numerico") << int(Qtd) << "abc" << 0 << int(Qt::Key_Return) << quatro << 1 << 0;
    QTest::newRow("vazio") << int(Qtd) << "" << 0 << int(Qt::Key_Return) << quatro << 1 << 0;
    QTest::newRow("escape") << int(Qtd) << "9" << 0 << int(Qt::Key_Escape) << quatro << 0 << 0;
    QTest::newRow("texto no limite") << int(Nota) << "abcdefgh" << 0 << int(Qt::Key_Return)
                                     << QVariant(QStringLiteral("abcde")) << 1 << 1;
}

void TestGrelha::desfechoDaEdicao() {
    QFETCH(int, coluna);
    QFETCH(QString, escrito);
    QFETCH(int, accao);
    QFETCH(int, tecla);
    QFETCH(QVariant, guardado);
    QFETCH(int, chamadas);
    QFETCH(int, alteracoes);
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    m.definirValor(1, Qtd, 4);
    int feitas = 0;
    g.antesDeConfirmar = [&](int, int, QVariant& anterior, bool& cancelar) {
        ++feitas;
        if (accao == 1) {
            g.definirTextoEditor(anterior.toString());
            anterior = 0; // the handler's own copy
            cancelar = true;
        } else if (accao == 2) {
            g.definirTextoEditor(QStringLiteral("3"));
        }
    };
    abrirEditor(m.index(1, coluna));
    editorActual(g)->selectAll();
    QTest::keyClicks(editorActual(g), escrito);
    if (escrito.isEmpty())
        editorActual(g)->clear();
    QTest::keyClick(editorActual(g), static_cast<Qt::Key>(tecla));
    QCoreApplication::processEvents();

    QCOMPARE(feitas, chamadas);
    QCOMPARE(m.valor(1, coluna), guardado);
    QCOMPARE(m_alteracoes, alteracoes);
}

void TestGrelha::caixaModalNaoConfirmaDuasVezes_data() {
    QTest::addColumn<int>("modoEnter");
    QTest::newRow("enter normal") << 0;
    QTest::newRow("enter modo 1") << 1;
}

void TestGrelha::caixaModalNaoConfirmaDuasVezes() {
    // The handler shows a modal box and the editor loses the focus meanwhile:
    // still one handler call and one change.
    QFETCH(int, modoEnter);
    QWidget janela;
    auto* layout = new QVBoxLayout(&janela);
    auto* outro = new QLineEdit(&janela);
    auto* g = new Grelha(&janela);
    layout->addWidget(outro);
    layout->addWidget(g);
    disporColunas(*g, 5);
    g->definirComportamentoEnter(modoEnter);
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
    g->setFocus();
    g->setCurrentIndex(g->modelo().index(1, Qtd));
    QTest::keyClick(g, Qt::Key_F2);
    QLineEdit* e = editorActual(*g);
    QVERIFY(e);
    QTest::keyClicks(e, QStringLiteral("4"));
    QTest::keyClick(e, Qt::Key_Return);
    QCoreApplication::processEvents();

    QCOMPARE(chamadas, 1);
    QCOMPARE(alteracoes, 1);
    QCOMPARE(moeda(g->modelo().valor(1, Qtd)), Moeda::deInteiro(4));
    // Enter mode 1 moves on to the next cell, which being editable opens its editor.
    QCOMPARE(g->currentIndex(), g->modelo().index(1, modoEnter == 1 ? Nota : Qtd));
    QCOMPARE(editando(*g), modoEnter == 1);
}

void TestGrelha::enterETabModo1() {
    Grelha& g = *m_grelha;
    ModeloGrelha& m = g.modelo();
    mostrar();
    g.setCurrentIndex(m.index(0, Codigo));
    QTest::keyClick(&g, Qt::Key_Return); // mode 0: Enter does not move
    QCOMPARE(g.currentIndex(), m.index(0, Codigo));

    g.definirComportamentoEnter(1);
    g.definirComportamentoTab(1);
    struct Passo {
        Qt::Key tecla;
        int linha;
        int coluna;
    };
    const Passo passos[] = {
        {Qt::Key_Return, 0, Preco}, // over the hidden column
        {Qt::Key_Tab, 0, Qtd},       {Qt::Key_Enter, 0, Nota},
        {Qt::Key_Tab, 0, Marca},     {Qt::Key_Tab, 1, Codigo}, // past the last shown column: the next row
        {Qt::Key_Backtab, 0, Marca},
    };
    for (const Passo& p : passos) {
        QTest::keyClick(&g, p.tecla);
        QCOMPARE(g.currentIndex(), m.index(p.linha, p.coluna));
    }
    QTest::keyClick(&g, Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(g.currentIndex(), m.index(0, Nota));
    QVERIFY(g.hasFocus());
    g.setCurrentIndex(m.index(9, Marca)); // the last cell stays where it is
    QTest::keyClick(&g, Qt::Key_Return);
    QCOMPARE(g.currentIndex(), m.index(9, Marca));

    // In the editor, Enter commits and moves on; Tab too.
    abrirEditor(m.index(0, Qtd));
    QTest::keyClicks(editorActual(g), QStringLiteral("6"));
    QTest::keyClick(editorActual(g), Qt::Key_Return);
    QCOMPARE(moeda(m.valor(0, Qtd)), Moeda::deInteiro(6));
    QCOMPARE(g.currentIndex(), m.index(0, Nota));
    QTest::keyClicks(editorActual(g), QStringLiteral("n"));
    QTest::keyClick(editorActual(g), Qt::Key_Tab);
    QCOMPARE(m.valor(0, Nota), QVariant(QStringLiteral("n")));
    QCOMPARE(g.currentIndex(), m.index(0, Marca));
    QVERIFY(!editando(g));
    QCOMPARE(m_alteracoes, 2);

    // A disabled grid does nothing.
    g.setEnabled(false);
    QTest::keyClick(&g, Qt::Key_Tab);
    QCOMPARE(g.currentIndex(), m.index(0, Marca));
}

QTEST_MAIN(TestGrelha)
#include "tst_grelha.moc"
