// The grid control over a table model: layout by key, ticking, editing and
// moving between cells. What the order-line grid's cells show and how they
// take a typed quantity is tested with its model (tst_modeloencomendas).

#include "CabecalhoGrelha.h"
#include "Grelha.h"
#include "NumeroOle.h"
#include "Twips.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

/// The test table's columns.
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

/// A table for the control: a text per cell; Qtd and Nota take the
/// operator's texts (Qtd only numbers), Marca is ticked, the rest is read-only.
class Tabela final : public QAbstractTableModel {
public:
    explicit Tabela(int linhas) { recomecar(linhas); }
    void recomecar(int linhas) {
        beginResetModel();
        m_textos.assign(static_cast<std::size_t>(linhas), std::vector<QString>(NumeroColunas));
        m_marcas.assign(static_cast<std::size_t>(linhas), false);
        endResetModel();
    }
    QString texto(int r, int c) const {
        return m_textos.at(static_cast<std::size_t>(r)).at(static_cast<std::size_t>(c));
    }
    void definir(int r, int c, const QString& t) {
        m_textos.at(static_cast<std::size_t>(r)).at(static_cast<std::size_t>(c)) = t;
    }
    bool marcada(int r) const { return m_marcas.at(static_cast<std::size_t>(r)); }

    int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : int(m_textos.size()); }
    int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : NumeroColunas; }
    QVariant data(const QModelIndex& i, int papel) const override {
        if (!i.isValid())
            return {};
        if (papel == Qt::CheckStateRole)
            return i.column() == Marca ? QVariant(int(marcada(i.row()) ? Qt::Checked : Qt::Unchecked)) : QVariant();
        if (papel == Qt::TextAlignmentRole)
            return numerica(i.column()) ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
        if ((papel == Qt::DisplayRole || papel == Qt::EditRole) && i.column() != Marca)
            return texto(i.row(), i.column());
        return {};
    }
    bool setData(const QModelIndex& i, const QVariant& v, int papel) override {
        if (papel == Qt::CheckStateRole && i.column() == Marca) {
            m_marcas.at(static_cast<std::size_t>(i.row())) = v.toInt() == int(Qt::Checked);
        } else if (papel == Qt::EditRole && (i.column() == Qtd || i.column() == Nota)) {
            if (i.column() == Qtd &&
                !converterNumeroOle(v.toString(), QLocale(QLocale::English, QLocale::UnitedStates)))
                return false;
            definir(i.row(), i.column(), v.toString());
        } else {
            return false;
        }
        Q_EMIT dataChanged(i, i, {papel});
        return true;
    }
    QVariant headerData(int s, Qt::Orientation o, int papel) const override {
        if (papel != Qt::DisplayRole || o != Qt::Horizontal)
            return {};
        return QStringLiteral("T-%1").arg(s);
    }
    Qt::ItemFlags flags(const QModelIndex& i) const override {
        if (!i.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (i.column() == Marca)
            f |= Qt::ItemIsUserCheckable;
        else if (i.column() == Qtd || i.column() == Nota)
            f |= Qt::ItemIsEditable;
        return f;
    }

private:
    static bool numerica(int c) { return c == Preco || c == Qtd || c == Chave; }
    std::vector<std::vector<QString>> m_textos;
    std::vector<bool> m_marcas;
};

void disporColunas(Grelha& g) {
    g.removerColunas();
    g.adicionarColuna({QStringLiteral("Codigo"), 1500, 0, false});
    g.adicionarColuna({QStringLiteral("Oculta"), 1500, 0, true});
    g.adicionarColuna({QStringLiteral("Preco"), 1200, 10, false});
    g.adicionarColuna({QStringLiteral("Qtd"), 1200, 10, false});
    g.adicionarColuna({QStringLiteral("Nota"), 1500, 5, false});
    g.adicionarColuna({QStringLiteral("Marca"), 400, 0, false});
    g.adicionarColuna({QStringLiteral("Chave"), 1500, 0, true});
}

/// An editor is open on the grid (a closed one is hidden until it goes).
bool editando(const Grelha& g) {
    const QList<QLineEdit*> editores = g.viewport()->findChildren<QLineEdit*>();
    return std::any_of(editores.begin(), editores.end(), [](const QLineEdit* e) { return e->isVisible(); });
}

QLineEdit* editorActual(const Grelha& g) {
    return qobject_cast<QLineEdit*>(g.indexWidget(g.currentIndex()));
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
    void alturaDoCabecalho();

private:
    void mostrar();
    void abrirEditor(const QModelIndex& i);

    std::unique_ptr<Tabela> m_tabela;
    std::unique_ptr<Grelha> m_grelha;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    int m_alteracoes = 0;
};

void TestGrelha::init() {
    m_tabela = std::make_unique<Tabela>(10);
    m_tester = std::make_unique<QAbstractItemModelTester>(m_tabela.get(),
                                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_grelha = std::make_unique<Grelha>();
    m_grelha->setModel(m_tabela.get());
    disporColunas(*m_grelha);
    m_alteracoes = 0;
    m_grelha->aoAlterarValor = [this] { ++m_alteracoes; };
    m_grelha->resize(900, 400);
}

void TestGrelha::cleanup() {
    m_grelha.reset();
    m_tester.reset();
    m_tabela.reset();
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
    // Position p is the model's column p - 1: position 0 is the row header.
    QCOMPARE(g.posicaoColuna(QStringLiteral("Codigo")), 1);
    QCOMPARE(g.posicaoColuna(QStringLiteral("Marca")), Marca + 1);
    QCOMPARE(g.posicaoColuna(QStringLiteral("T-3")), -1); // captions are no keys
    QCOMPARE(g.posicaoColuna(QStringLiteral("qtd")), -1); // keys match exactly

    QCOMPARE(twipsParaPixeis(1440), qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchX()));
    QCOMPARE(twipsParaPixeis(2880, &g, true), 2 * g.logicalDpiY());
    QCOMPARE(g.columnWidth(Codigo), twipsParaPixeis(1500, &g));
    QCOMPARE(g.columnWidth(Marca), twipsParaPixeis(400, &g));
    QVERIFY(g.isColumnHidden(Oculta) && g.isColumnHidden(Chave));
    for (int c : {Codigo, Preco, Qtd, Nota, Marca})
        QVERIFY(!g.isColumnHidden(c));
    QVERIFY(g.verticalHeader()->width() <= 16); // a narrow strip
    QCOMPARE(g.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

    // Laid out anew, the columns take their widths and hidden flags again;
    // so they do when the model starts afresh.
    g.setColumnHidden(Codigo, true);
    disporColunas(g);
    QVERIFY(!g.isColumnHidden(Codigo));
    QVERIFY(g.isColumnHidden(Oculta));
    m_tabela->recomecar(60);
    QCOMPARE(g.model()->rowCount(), 60);
    QVERIFY(g.isColumnHidden(Oculta) && g.isColumnHidden(Chave) && !g.isColumnHidden(Codigo));
    QCOMPARE(g.columnWidth(Marca), twipsParaPixeis(400, &g));
    // Without a layout no column shows.
    g.removerColunas();
    QCOMPARE(g.posicaoColuna(QStringLiteral("Codigo")), -1);
    QVERIFY(g.isColumnHidden(Codigo) && g.isColumnHidden(Marca));

    g.definirCorFundo(QColor(10, 20, 30));
    QCOMPARE(g.viewport()->palette().color(QPalette::Base), QColor(10, 20, 30));
}

void TestGrelha::caixaPorCliqueEEspaco() {
    Grelha& g = *m_grelha;
    Tabela& m = *m_tabela;
    mostrar();
    QVariant naCelula;
    int colunaNoEvento = -1;
    g.aoAlterarValor = [&] {
        ++m_alteracoes;
        colunaNoEvento = g.currentIndex().column();
        naCelula = g.currentIndex().data(Qt::CheckStateRole);
    };

    // One click, one tick; the handler sees that cell, current and already changed.
    const QRect celula = g.visualRect(m.index(2, Marca));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, celula.center());
    QCOMPARE(m_alteracoes, 1);
    QVERIFY(m.marcada(2));
    QCOMPARE(g.currentIndex().row(), 2);
    QCOMPARE(colunaNoEvento, int(Marca));
    QCOMPARE(naCelula, QVariant(int(Qt::Checked)));
    // Anywhere in the small cell, not just on the indicator.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, celula.topRight() + QPoint(-1, 2));
    QCOMPARE(m_alteracoes, 2);
    QVERIFY(!m.marcada(2));

    QTest::keyClick(&g, Qt::Key_Space);
    QCOMPARE(m_alteracoes, 3);
    QVERIFY(m.marcada(2));

    // Elsewhere, neither a click nor Space ticks anything.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(m.index(3, Codigo)).center());
    QTest::keyClick(&g, Qt::Key_Space);
    QCOMPARE(g.currentIndex().column(), int(Codigo));
    QCOMPARE(m_alteracoes, 3);
    QVERIFY(!m.marcada(3));

    // A change the program makes is not the operator's.
    m.setData(m.index(4, Marca), int(Qt::Checked), Qt::CheckStateRole);
    QCOMPARE(m_alteracoes, 3);

    // Nor when the grid is disabled.
    g.setEnabled(false);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, celula.center());
    QCOMPARE(m_alteracoes, 3);
}

void TestGrelha::inicioDaEdicao() {
    Grelha& g = *m_grelha;
    Tabela& m = *m_tabela;
    m.definir(1, Qtd, QStringLiteral("1234.5"));
    abrirEditor(m.index(1, Qtd));
    QCOMPARE(editorActual(g)->text(), QStringLiteral("1234.5")); // the model's edit text
    QCOMPARE(editorActual(g)->maxLength(), 10);
    QCOMPARE(editorActual(g)->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    QTest::keyClick(editorActual(g), Qt::Key_Escape);

    // A digit opens the editor and replaces the old value.
    g.setCurrentIndex(m.index(1, Qtd));
    QTest::keyClick(&g, '5');
    QVERIFY(editorActual(g));
    QCOMPARE(editorActual(g)->text(), QStringLiteral("5"));
    QTest::keyClick(editorActual(g), Qt::Key_Escape);

    // So does a double click.
    m.definir(3, Qtd, QStringLiteral("7,5"));
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
    Tabela& m = *m_tabela;
    m.definir(1, Qtd, QStringLiteral("2"));
    int chamadas = 0;
    int linha = -1;
    int coluna = -1;
    QVariant anterior;
    QVariant naCelula;
    QString texto;
    QString noEditor;
    int alteracoesAntes = -1;
    bool cancelarRecebido = true;
    g.antesDeConfirmar = [&](const QModelIndex& c, const QString& t, QVariant& a, bool& cancelar) {
        ++chamadas;
        linha = c.row();
        coluna = c.column();
        anterior = a;
        texto = t;
        noEditor = g.textoEditor();
        naCelula = c.data(Qt::EditRole);
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
    QCOMPARE(coluna, int(Qtd));
    QCOMPARE(anterior, QVariant(QStringLiteral("2")));
    QCOMPARE(texto, QStringLiteral("7.5"));
    QCOMPARE(noEditor, QStringLiteral("7.5"));
    // The cell keeps its previous value until the commit: the handler reads
    // the quantity from the text.
    QCOMPARE(naCelula, QVariant(QStringLiteral("2")));
    QVERIFY(!cancelarRecebido);
    QCOMPARE(alteracoesAntes, 0); // the change is told after the handler
    QCOMPARE(m.texto(1, Qtd), QStringLiteral("7.5"));
    QCOMPARE(m_alteracoes, 1);
    QVERIFY(!editando(g));

    // Leaving the cell with the mouse commits too, once.
    abrirEditor(m.index(2, Qtd));
    QTest::keyClicks(editorActual(g), QStringLiteral("8"));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(m.index(5, Codigo)).center());
    QCOMPARE(chamadas, 2);
    QCOMPARE(linha, 2);
    QCOMPARE(m.texto(2, Qtd), QStringLiteral("8"));
    QCOMPARE(m_alteracoes, 2);
}

void TestGrelha::desfechoDaEdicao_data() {
    QTest::addColumn<int>("coluna");
    QTest::addColumn<QString>("escrito");
    QTest::addColumn<int>("accao"); // 0 none, 1 cancel, 2 replace the text with "3"
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QString>("guardado");
    QTest::addColumn<int>("chamadas");
    QTest::addColumn<int>("alteracoes");
    const QString quatro = QStringLiteral("4");
    QTest::newRow("aceite") << int(Qtd) << "1,000.25" << 0 << int(Qt::Key_Return) << "1,000.25" << 1 << 1;
    QTest::newRow("cancelada") << int(Qtd) << "9" << 1 << int(Qt::Key_Tab) << quatro << 1 << 0;
    QTest::newRow("texto trocado") << int(Qtd) << "6" << 2 << int(Qt::Key_Return) << "3" << 1 << 1;
    QTest::newRow("nao numerico") << int(Qtd) << "abc" << 0 << int(Qt::Key_Return) << quatro << 1 << 0;
    QTest::newRow("vazio") << int(Qtd) << "" << 0 << int(Qt::Key_Return) << quatro << 1 << 0;
    QTest::newRow("escape") << int(Qtd) << "9" << 0 << int(Qt::Key_Escape) << quatro << 0 << 0;
    QTest::newRow("texto no limite") << int(Nota) << "abcdefgh" << 0 << int(Qt::Key_Return) << "abcde" << 1 << 1;
}

void TestGrelha::desfechoDaEdicao() {
    QFETCH(int, coluna);
    QFETCH(QString, escrito);
    QFETCH(int, accao);
    QFETCH(int, tecla);
    QFETCH(QString, guardado);
    QFETCH(int, chamadas);
    QFETCH(int, alteracoes);
    Grelha& g = *m_grelha;
    Tabela& m = *m_tabela;
    m.definir(1, Qtd, QStringLiteral("4"));
    m.definir(1, Nota, QStringLiteral("4"));
    int feitas = 0;
    g.antesDeConfirmar = [&](const QModelIndex&, const QString&, QVariant& anterior, bool& cancelar) {
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
    QCOMPARE(m.texto(1, coluna), guardado);
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
    Tabela tabela(5);
    g->setModel(&tabela);
    disporColunas(*g);
    g->definirComportamentoEnter(modoEnter);
    int alteracoes = 0;
    int chamadas = 0;
    g->aoAlterarValor = [&] { ++alteracoes; };
    g->antesDeConfirmar = [&](const QModelIndex&, const QString&, QVariant&, bool&) {
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
    g->setCurrentIndex(tabela.index(1, Qtd));
    QTest::keyClick(g, Qt::Key_F2);
    QLineEdit* e = editorActual(*g);
    QVERIFY(e);
    QTest::keyClicks(e, QStringLiteral("4"));
    QTest::keyClick(e, Qt::Key_Return);
    QCoreApplication::processEvents();

    QCOMPARE(chamadas, 1);
    QCOMPARE(alteracoes, 1);
    QCOMPARE(tabela.texto(1, Qtd), QStringLiteral("4"));
    // Enter mode 1 moves on to the next cell, which being editable opens its editor.
    QCOMPARE(g->currentIndex(), tabela.index(1, modoEnter == 1 ? Nota : Qtd));
    QCOMPARE(editando(*g), modoEnter == 1);
}

void TestGrelha::enterETabModo1() {
    Grelha& g = *m_grelha;
    Tabela& m = *m_tabela;
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
    QCOMPARE(m.texto(0, Qtd), QStringLiteral("6"));
    QCOMPARE(g.currentIndex(), m.index(0, Nota));
    QTest::keyClicks(editorActual(g), QStringLiteral("n"));
    QTest::keyClick(editorActual(g), Qt::Key_Tab);
    QCOMPARE(m.texto(0, Nota), QStringLiteral("n"));
    QCOMPARE(g.currentIndex(), m.index(0, Marca));
    QVERIFY(!editando(g));
    QCOMPARE(m_alteracoes, 2);

    // A disabled grid does nothing.
    g.setEnabled(false);
    QTest::keyClick(&g, Qt::Key_Tab);
    QCOMPARE(g.currentIndex(), m.index(0, Marca));
}

// The heading's height follows what it depends on, however often it is
// asked for: a caption changed, a column narrowed or widened, the font.
void TestGrelha::alturaDoCabecalho() {
    QStandardItemModel modelo(1, 2);
    modelo.setHorizontalHeaderLabels({QStringLiteral("Um"), QStringLiteral("Dois")});
    QTableView vista;
    auto* cabecalho = new CabecalhoGrelha(&vista);
    vista.setHorizontalHeader(cabecalho);
    vista.setModel(&modelo);
    const QFontMetrics fm(cabecalho->font());
    const int largura = fm.horizontalAdvance(QStringLiteral("Quantidade a satisfazer")) / 2;
    cabecalho->resizeSection(1, largura);
    const int umaLinha = cabecalho->sizeHint().height();
    QCOMPARE(cabecalho->sizeHint().height(), umaLinha);

    modelo.setHeaderData(1, Qt::Horizontal, QStringLiteral("Quantidade a satisfazer"));
    const int duasLinhas = cabecalho->sizeHint().height();
    QCOMPARE(duasLinhas, umaLinha + fm.lineSpacing());

    cabecalho->resizeSection(1, largura * 3);
    QCOMPARE(cabecalho->sizeHint().height(), umaLinha);
    cabecalho->resizeSection(1, largura);
    QCOMPARE(cabecalho->sizeHint().height(), duasLinhas);

    QFont maior = cabecalho->font();
    maior.setPointSizeF(maior.pointSizeF() * 2);
    cabecalho->setFont(maior);
    QVERIFY2(cabecalho->sizeHint().height() > duasLinhas, qPrintable(QString::number(cabecalho->sizeHint().height())));
}

QTEST_MAIN(TestGrelha)
#include "tst_grelha.moc"
