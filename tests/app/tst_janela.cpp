#include "CabecalhoGrelha.h"
#include "CampoEntrada.h"
#include "ErpGravador.h"
#include "Grelha.h"
#include "Guarda.h"
#include "JanelaTeste.h"
#include "ModeloEncomendas.h"
#include "RotuloElidido.h"
#include "Twips.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <cmath>

using Ambiente = AmbienteJanela;

namespace {

/// The application's font `vezes` as large (an operator's larger desktop
/// font) for as long as it lives.
struct LetraAmpliada {
    explicit LetraAmpliada(double vezes) : m_antes(QApplication::font()) {
        QFont maior = m_antes;
        maior.setPointSizeF(m_antes.pointSizeF() * vezes);
        QApplication::setFont(maior);
    }
    ~LetraAmpliada() { QApplication::setFont(m_antes); }
    Q_DISABLE_COPY_MOVE(LetraAmpliada)
    QFont m_antes;
};

/// The grid's column (the model's) of a column of the order lines.
int coluna(ColunaEncomenda c) {
    return static_cast<int>(c);
}

void escalas() {
    QTest::addColumn<double>("escala");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("letra 2x") << 2.0;
}

/// The window loaded and shown, laid out as the operator sees it.
struct JanelaMostrada : JanelaTeste {
    explicit JanelaMostrada(Ambiente& a, std::unique_ptr<SessaoErp> sessao = {}) : JanelaTeste(a, std::move(sessao)) {
        mostrarActiva(w);
        QCoreApplication::processEvents(); // the grid lays its heading out once its columns are in
    }
};

/// The window shown with the application's font at a scale, on the test row's engine.
struct JanelaNaEscala {
    explicit JanelaNaEscala(double escala) : letra(escala), a(motorActual()), j(a) {}
    LetraAmpliada letra;
    Ambiente a;
    JanelaMostrada j;
};

/// The buttons a load disables.
std::vector<QPushButton*> botoesDaCarga(const JanelaTeste& j) {
    return {j.bt("btCarga"), j.bt("btEnc"), j.bt("btMarcar"), j.bt("btSair"), j.bt("btCancelar"), j.btFx(0), j.btFx(1)};
}

QString semAtalho(QString texto) {
    return texto.remove(QLatin1Char('&'));
}

/// The name a screen reader gives a control.
QString nomeAcessivel(QWidget* w) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
    return i ? i->text(QAccessible::Name) : QString();
}

} // namespace

class tst_Janela : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void abreComoDesenhada() {
        Ambiente a(motorActual());
        JanelaTeste j(a);
        frmImportacao& w = j.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        const auto rotulo = [&](const char* nome) { return qobject_cast<QLabel*>(porNome(w, QLatin1String(nome))); };
        QCOMPARE(w.windowTitle(), QStringLiteral("Satisfação Encomendas"));
        QLabel* Label3 = rotulo("Label3");
        QCOMPARE(Label3->text(), QStringLiteral("Satisfação de Encomendas"));
        QCOMPARE(Label3->palette().color(QPalette::WindowText), QColor(57, 109, 165));
        QVERIFY(Label3->font().bold() && Label3->font().italic());
        QCOMPARE(Label3->parentWidget(), porNome(w, QStringLiteral("Frame4")));
        QPushButton* btCarga = j.bt("btCarga");
        QCOMPARE(btCarga->parentWidget(), porNome(w, QStringLiteral("Frame1")));
        QCOMPARE(btCarga->text(), QStringLiteral("&Carregar"));
        QCOMPARE(j.bt("btCancelar")->text(), QStringLiteral("Ca&ncelar"));
        QCOMPARE(j.bt("btSair")->text(), QStringLiteral("&Sair"));
        QCOMPARE(j.bt("btEnc")->text(), QStringLiteral("&Guia"));
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Marcar"));
        QCOMPARE(j.bt("btEnc")->toolTip(), QStringLiteral("Confirmar o Orçamento"));
        QCOMPARE(j.bt("btMarcar")->toolTip(), j.bt("btEnc")->toolTip());
        QCOMPARE(j.campo(1)->toolTip(), QStringLiteral("Código do Cliente."));
        QCOMPARE(j.campo(0)->toolTip(), QStringLiteral("Código do Artigo."));
        QCOMPARE(j.campo(2)->toolTip(), QStringLiteral("Nº Encomenda"));
        QCOMPARE(j.btFx(1)->toolTip(), QStringLiteral("Lista de Clientes."));
        QCOMPARE(j.Label2(3)->text(), QStringLiteral("O.Produção"));
        QCOMPARE(j.Label2(1)->text(), QStringLiteral("Requisição"));
        for (int i : {0, 1, 2, 3})
            QCOMPARE(j.campo(i)->maxLength(), 15);
        // Client field above article, article above order number, at the design positions.
        QVERIFY(j.campo(1)->y() < j.campo(0)->y() && j.campo(0)->y() < j.campo(2)->y() &&
                j.campo(2)->y() < j.campo(3)->y());
        QCOMPARE(btCarga->geometry(), QRect(twipsParaPixeis(13965, &w), twipsParaPixeis(210, &w, true),
                                            twipsParaPixeis(1200, &w), twipsParaPixeis(465, &w, true)));
        QCOMPARE(w.width(), twipsParaPixeis(15600, &w));

        // The empty grid: 60 rows, nine shown headings and the narrow check-box one.
        Grelha& g = *j.grelha();
        QCOMPARE(g.model()->rowCount(), 60);
        QStringList visiveis;
        for (int c = 0; c < g.model()->columnCount(); ++c)
            if (!g.isColumnHidden(c))
                visiveis << g.model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(visiveis, (QStringList{"Artigo", "Designação", "Data Entrega", "O.Produção", "Requisição", "Preço",
                                        "Qtd Original", "Qtd Pendente", "Qtd a Satisfazer", "..."}));
        QVERIFY(g.columnWidth(coluna(ColunaEncomenda::AN)) < g.columnWidth(coluna(ColunaEncomenda::Artigo)));
        QVERIFY(a.mensagens.caixas.empty());
    }

    void colunasPorChave() {
        Ambiente a(motorActual());
        JanelaTeste j(a);
        Grelha& g = *j.grelha();
        QCOMPARE(g.posicaoColuna(QStringLiteral("Qtd")), 9);
        QCOMPARE(g.posicaoColuna(QStringLiteral("AN")), 16);
        QCOMPARE(g.posicaoColuna(QStringLiteral("Designacao")), 2);
        QCOMPARE(g.posicaoColuna(QStringLiteral("Designação")), -1);
        QCOMPARE(g.posicaoColuna(QStringLiteral("DataDoc")), 17);
        for (const char* oculta : {"TpDoc", "Serie", "NoDoc", "LinhaEnc", "AnoEnc", "Terceiro", "DataDoc"})
            QVERIFY2(g.isColumnHidden(g.posicaoColuna(QString::fromLatin1(oculta)) - 1), oculta);
        ModeloEncomendas& m = j.m();
        QCOMPARE(g.model(), &m);
        QVERIFY(!(m.flags(m.indice(0, ColunaEncomenda::Preco)) & Qt::ItemIsEditable));
        QVERIFY(m.flags(m.indice(0, ColunaEncomenda::Qtd)) & Qt::ItemIsEditable);
        QVERIFY(m.flags(m.indice(0, ColunaEncomenda::AN)) & Qt::ItemIsUserCheckable);
        QCOMPARE(definicao(ColunaEncomenda::Qtd).formato, QLatin1String("##,###0.00"));

        m.definirLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        m.definirQuantidade(0, Moeda::deUnidades(12345000));
        QCOMPARE(m.data(m.indice(0, ColunaEncomenda::Qtd)).toString(), QStringLiteral("1,234.50"));
    }

    // The captions of the shown columns, at the columns' design widths, are
    // read whole: those wider than their column go onto a second line of a
    // heading tall enough for it, and the whole caption is the tooltip.
    void titulosLegiveis_data() { escalas(); }
    void titulosLegiveis() {
        QFETCH(double, escala);
        JanelaNaEscala e(escala);
        Grelha& g = *e.j.grelha();
        QHeaderView* h = g.horizontalHeader();
        const QFontMetrics fm(h->font());
        for (const DefinicaoColuna& d : ColunasEncomenda)
            if (!g.isColumnHidden(coluna(d.coluna)))
                QCOMPARE(g.columnWidth(coluna(d.coluna)), twipsParaPixeis(d.larguraTwips, &g));
        // Two lines in the heading: "Qtd Pendente" does not fit its 1200 twips on one.
        QVERIFY2(fm.horizontalAdvance(QStringLiteral("Qtd Pendente")) >
                     g.columnWidth(coluna(ColunaEncomenda::QtdP)) - 8,
                 "no caption to wrap");
        QVERIFY2(h->height() >= fm.height() + fm.lineSpacing(), qPrintable(QString::number(h->height())));
        QVERIFY(h->height() < 3 * fm.lineSpacing() + fm.height());

        auto* cabecalho = qobject_cast<CabecalhoGrelha*>(h);
        QVERIFY(cabecalho);
        for (int c = 0; c < NumeroColunasEncomenda; ++c) {
            if (g.isColumnHidden(c))
                continue;
            const QString titulo = g.model()->headerData(c, Qt::Horizontal).toString();
            QCOMPARE(g.model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString(), titulo);
            const QStringList linhas = cabecalho->linhasTitulo(c);
            QVERIFY(linhas.size() <= CabecalhoGrelha::MaximoLinhas);
            for (const QString& l : linhas)
                QVERIFY2(fm.horizontalAdvance(l) <= cabecalho->larguraTexto(c), qPrintable(l));
            QCOMPARE(linhas.join(QLatin1Char(' ')), titulo); // nothing cut
        }
        QCOMPARE(cabecalho->linhasTitulo(coluna(ColunaEncomenda::QtdP)), (QStringList{"Qtd", "Pendente"}));
        QCOMPARE(cabecalho->linhasTitulo(coluna(ColunaEncomenda::Qtd)).last(), QStringLiteral("Satisfazer"));
        QCOMPARE(cabecalho->linhasTitulo(coluna(ColunaEncomenda::Designacao)), QStringList{"Designação"});

        // A caption too long for two lines is cut on the second, the tooltip stays whole.
        g.setColumnWidth(coluna(ColunaEncomenda::Qtd), twipsParaPixeis(500, &g));
        const QStringList cortado = cabecalho->linhasTitulo(coluna(ColunaEncomenda::Qtd));
        QCOMPARE(cortado.size(), 2);
        QVERIFY2(cortado.last().endsWith(QChar(0x2026)), qPrintable(cortado.join('|')));
    }

    // The status line has a place of its own, along the bottom edge, that no
    // control overlaps; the longest texts it is given show whole on one line,
    // and a longer one is cut, whole in its tooltip.
    void linhaDeEstado_data() { escalas(); }
    void linhaDeEstado() {
        QFETCH(double, escala);
        JanelaNaEscala e(escala);
        frmImportacao& w = e.j.w;
        QLabel* estado = e.j.estado();
        const QRect lugar = estado->geometry();
        QVERIFY(w.rect().contains(lugar));
        for (QWidget* outro : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (outro != estado && outro->isVisible())
                QVERIFY2(!lugar.intersects(outro->geometry()),
                         qPrintable(outro->objectName() + outro->metaObject()->className()));
        QVERIFY(lugar.top() >= e.j.bt("btEnc")->geometry().bottom() &&
                lugar.top() >= e.j.grelha()->geometry().bottom());

        const QFontMetrics fm(estado->font());
        for (const QString& texto : {QStringLiteral("Criados a entrada ENT/32767/2147483647/2026 e a guia "
                                                    "GR/32767/2147483647/2026. Ctrl+P imprime a guia."),
                                     QStringLiteral("32767 linha(s) pendente(s) na grelha.")}) {
            estado->setText(texto);
            QVERIFY2(fm.horizontalAdvance(texto) <= estado->contentsRect().width() - 2 * estado->margin(),
                     qPrintable(texto));
            QVERIFY(fm.height() <= estado->contentsRect().height() - 2 * estado->margin());
        }

        auto* rotulo = qobject_cast<RotuloElidido*>(estado);
        QVERIFY(rotulo);
        QCOMPARE(rotulo->textoVisivel(), estado->text());
        const QString longo = QStringLiteral("Os documentos seguintes devem ser anulados manualmente - ").repeated(5);
        estado->setText(longo);
        const QString visivel = rotulo->textoVisivel();
        QVERIFY(visivel.endsWith(QChar(0x2026)));
        QVERIFY(fm.horizontalAdvance(visivel) <= estado->contentsRect().width());
        QCOMPARE(dicaMostrada(*estado, estado->rect().center()), longo);
        QToolTip::hideText();
    }

    // Each label's and button's text fits its place, at the design's size
    // and with a font twice as large (the whole design grows with it).
    void textosCabem_data() { escalas(); }
    void textosCabem() {
        QFETCH(double, escala);
        JanelaNaEscala e(escala);
        frmImportacao& w = e.j.w;
        const double dpi = w.logicalDpiX();
        QCOMPARE(w.width(), static_cast<int>(std::lround(15600 * dpi / 1440.0 * escala)));
        QCOMPARE(e.j.Label2(0)->font().pointSizeF(), 8.25 * escala);
        // The names shown beside the fields, and a status text.
        QTest::keyClicks(e.j.campo(1), QStringLiteral("O'BRIEN"));
        QTest::keyClick(e.j.campo(1), Qt::Key_Tab);
        QTest::keyClicks(e.j.campo(0), QStringLiteral("A1"));
        QTest::keyClick(e.j.campo(0), Qt::Key_Tab);
        QCOMPARE(e.j.Label2(5)->text(), QStringLiteral("Parafuso M6"));
        e.j.estado()->setText(QStringLiteral("60 linha(s) pendente(s) na grelha."));

        for (QLabel* l : w.findChildren<QLabel*>()) {
            if (l->text().isEmpty())
                continue;
            const QFontMetrics fm(l->font());
            const QRect area = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
            QVERIFY2(fm.horizontalAdvance(l->text()) <= area.width() && fm.height() <= area.height(),
                     qPrintable(QStringLiteral("%1 %2: %3x%4")
                                    .arg(l->objectName(), l->text())
                                    .arg(area.width())
                                    .arg(area.height())));
            if (auto* elidido = qobject_cast<RotuloElidido*>(l))
                QCOMPARE(elidido->textoVisivel(), l->text());
        }
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
            if (b->text().isEmpty())
                continue; // the grid's corner
            const QFontMetrics fm(b->font());
            const int imagem = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            QVERIFY2(fm.horizontalAdvance(semAtalho(b->text())) + imagem <= b->contentsRect().width() &&
                         fm.height() <= b->contentsRect().height(),
                     qPrintable(QStringLiteral("%1: %2x%3").arg(b->text()).arg(b->width()).arg(b->height())));
        }
    }

    // Every control reached by Tab from the client field, round to it again,
    // has a name for a screen reader; so have the look-up buttons (reached
    // by the mouse) and the grid's cells, which say their column.
    void nomesAcessiveis() {
        Ambiente a(motorActual());
        JanelaMostrada j(a);
        QWidget* inicio = j.campo(1);
        inicio->setFocus();
        QStringList nomes;
        for (int passo = 0; passo < 20; ++passo) {
            QWidget* foco = QApplication::focusWidget();
            QVERIFY(foco);
            nomes << nomeAcessivel(foco);
            QVERIFY2(!nomes.last().isEmpty(), qPrintable(foco->objectName() + foco->metaObject()->className()));
            // In the grid Tab moves between cells; Ctrl+Tab leaves it.
            QTest::keyClick(foco, Qt::Key_Tab, foco == j.grelha() ? Qt::ControlModifier : Qt::NoModifier);
            if (QApplication::focusWidget() == inicio)
                break;
        }
        QCOMPARE(QApplication::focusWidget(), inicio);
        QCOMPARE(nomes, (QStringList{"Cliente", "Artigo", "O.Produção", "Requisição", "Carregar", "Linhas pendentes",
                                     "Cancelar", "Sair", "Documentos", "Guia", "Marcar"}));
        // The fields' names are their own, set from the labels beside them.
        QCOMPARE((QStringList{j.campo(1)->accessibleName(), j.campo(0)->accessibleName(), j.campo(2)->accessibleName(),
                              j.campo(3)->accessibleName()}),
                 nomes.mid(0, 4));
        QCOMPARE(nomeAcessivel(j.btFx(1)), QStringLiteral("Lista de Clientes."));
        QCOMPARE(nomeAcessivel(j.btFx(0)), QStringLiteral("Lista de Artigos."));
        j.bt("btMarcar")->click();
        QCOMPARE(nomeAcessivel(j.bt("btMarcar")), QStringLiteral("Desmarcar"));

        QAccessibleInterface* grelha = QAccessible::queryAccessibleInterface(j.grelha());
        QVERIFY(grelha && grelha->tableInterface());
        for (ColunaEncomenda c : {ColunaEncomenda::Artigo, ColunaEncomenda::QtdP, ColunaEncomenda::Qtd}) {
            QAccessibleInterface* celula = grelha->tableInterface()->cellAt(0, coluna(c));
            QVERIFY(celula);
            QCOMPARE(celula->text(QAccessible::Description),
                     j.grelha()->model()->headerData(coluna(c), Qt::Horizontal).toString());
        }
    }

    void avisa() {
        Ambiente a(motorActual());
        JanelaTeste j(a, {}, false);
        frmImportacao& w = j.w;
        QCOMPARE(w.Avisa(QStringLiteral("Cliente"), QStringLiteral("ignorado"), 1), 0);
        QCOMPARE(a.mensagens.caixas.back().texto, QStringLiteral("Campo obrigatório [Cliente]."));
        QCOMPARE(a.mensagens.caixas.back().icone, Mensagens::Icone::Aviso);
        QCOMPARE(w.Avisa(QString(), QStringLiteral("Olá"), 2), 0);
        QCOMPARE(a.mensagens.caixas.back().texto, QStringLiteral("Olá"));
        QCOMPARE(a.mensagens.caixas.back().icone, Mensagens::Icone::Informacao);
        QCOMPARE(a.mensagens.caixas.back().botoes, Mensagens::Botoes::Ok);
        a.mensagens.respostas = {Mensagens::RespostaCancelar, Mensagens::RespostaNao};
        QCOMPARE(w.Avisa(QString(), QStringLiteral("Continuar?"), 3), 2);
        QCOMPARE(a.mensagens.caixas.back().botoes, Mensagens::Botoes::OkCancelar);
        QCOMPARE(w.Avisa(QString(), QStringLiteral("Sim?"), 4), 7);
        QCOMPARE(a.mensagens.caixas.back().botoes, Mensagens::Botoes::SimNao);
        const size_t mostradas = a.mensagens.caixas.size();
        QCOMPARE(w.Avisa(QString(), QStringLiteral("nada"), 0), 0);
        QCOMPARE(w.Avisa(QString(), QStringLiteral("nada"), 5), 0);
        QCOMPARE(a.mensagens.caixas.size(), mostradas);
        for (const auto& c : a.mensagens.caixas)
            QCOMPARE(c.titulo, QStringLiteral("Informação"));
    }

    // The window's side of clearing and of a run: a run disables the six
    // action controls (the fields and look-up buttons stay usable, a click
    // on a disabled button does nothing); clearing empties the fields and
    // the names, puts the caption back and enables them; Cancel clears and
    // gives the focus to the client field.
    void limparDeixaComoAoAbrir() {
        Ambiente a(motorActual());
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}});
        JanelaMostrada j(a);
        j.filtros(QString(), QString(), QStringLiteral("12"), QStringLiteral("12"));
        QTest::keyClicks(j.campo(1), QStringLiteral("C1"));
        QTest::keyClick(j.campo(1), Qt::Key_Tab);
        QTest::keyClicks(j.campo(0), QStringLiteral("A1"));
        QTest::keyClick(j.campo(0), Qt::Key_Tab);
        QVERIFY(!j.Label2(4)->text().isEmpty() && !j.Label2(5)->text().isEmpty());
        j.bt("btMarcar")->click();
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Desmarcar"));
        Q_EMIT j.importacao.corridaIniciada();
        QVERIFY(!j.bt("btCarga")->isEnabled() && !j.grelha()->isEnabled());
        QVERIFY(j.campo(1)->isEnabled() && j.btFx(1)->isEnabled()); // fields stay usable

        j.campo(0)->setFocus();
        QTest::mouseClick(j.bt("btCancelar"), Qt::LeftButton); // disabled: nothing happens
        QCOMPARE(j.campo(0)->text(), QStringLiteral("A1"));
        j.importacao.limpar();
        for (int i : {0, 1, 2, 3})
            QVERIFY(j.campo(i)->text().isEmpty());
        QVERIFY(j.Label2(4)->text().isEmpty() && j.Label2(5)->text().isEmpty());
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Marcar"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(j.campo(0))); // clearing leaves the focus
        for (QWidget* b : std::initializer_list<QWidget*>{j.bt("btCarga"), j.bt("btMarcar"), j.bt("btEnc"),
                                                          j.bt("btSair"), j.bt("btCancelar"), j.grelha()})
            QVERIFY(b->isEnabled());
        j.campo(3)->setText(QStringLiteral("12"));
        QTest::mouseClick(j.bt("btCancelar"), Qt::LeftButton);
        QVERIFY(j.campo(3)->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(j.campo(1)));
    }

    // A load leaves the focus where it was, whether "&Carregar" is clicked
    // or pressed with its access key (it has the focus then, and loses it
    // while it is disabled); a refused load sends it to the field to mend.
    void cargaDeixaOFoco_data() {
        QTest::addColumn<bool>("atalho");
        QTest::addColumn<QString>("inicio");
        QTest::addColumn<QString>("cliente");
        QTest::addColumn<QString>("aviso");
        QTest::addColumn<QString>("fim");
        QTest::newRow("clique") << false << "campo3"
                                << "C1"
                                << ""
                                << "btCarga";
        QTest::newRow("clique, nada encontrado") << false << "campo3"
                                                 << "C2"
                                                 << "Não existem Encomendas para as condições solicitadas!"
                                                 << "btCarga";
        // From "&Marcar", which the load disables too.
        QTest::newRow("Alt+C em Marcar") << true << "btMarcar"
                                         << "C1"
                                         << ""
                                         << "btMarcar";
        QTest::newRow("Alt+C num campo") << true << "campo3"
                                         << "C1"
                                         << ""
                                         << "campo3";
        QTest::newRow("Alt+C, sem cliente") << true << "campo3"
                                            << ""
                                            << "Campo Cliente obrigatório!"
                                            << "campo1";
    }
    void cargaDeixaOFoco() {
        QFETCH(bool, atalho);
        QFETCH(QString, inicio);
        QFETCH(QString, cliente);
        QFETCH(QString, aviso);
        QFETCH(QString, fim);
        Ambiente a(motorActual());
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}});
        JanelaMostrada j(a);
        j.filtros(cliente);
        porNome(j.w, inicio)->setFocus();
        QSignalSpy cargas(&j.importacao, &Importacao::cargaEmCurso);
        if (atalho)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
        else
            QTest::mouseClick(j.bt("btCarga"), Qt::LeftButton);
        // The access key clicks its button a moment later.
        QTRY_VERIFY(!a.mensagens.caixas.empty() || cargas.size() == 2);
        QCOMPARE(a.mensagens.textos().join('|'), aviso);
        QCOMPARE(j.importacao.linhasCarregadas(), cliente == QLatin1String("C1") ? 1 : 0);
        QCOMPARE(QApplication::focusWidget(), porNome(j.w, fim));
    }

    // The load repaints while it reads, so timers and queued calls run in
    // its middle: none of them starts an action. Inside the load every button
    // is disabled and its access key inert; an access key's delayed click
    // that comes due then, a second load queued then and clicks queued on the
    // buttons do nothing, during the load or after it. A close asked for
    // then waits for the load's end.
    void cargaNaoReentra() {
        Ambiente a(motorActual());
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}, {"A2", 7}});
        JanelaMostrada j(a);
        j.filtros(QStringLiteral("C1"));
        const std::vector<QPushButton*> botoes = botoesDaCarga(j);
        QPushButton* btEnc = j.bt("btEnc");
        QPushButton* btCarga = j.bt("btCarga");
        QSignalSpy corridas(&j.importacao, &Importacao::corridaIniciada);
        QSignalSpy cargas(&j.importacao, &Importacao::cargaEmCurso);
        QSignalSpy cliques(btEnc, &QAbstractButton::clicked);
        bool dentro = false;
        QTimer::singleShot(0, [&] {
            dentro = true;
            for (QPushButton* b : botoes)
                QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
            btEnc->animateClick();
            QMetaObject::invokeMethod(btCarga, &QAbstractButton::click, Qt::QueuedConnection);
            QTest::keyClick(&j.w, Qt::Key_G, Qt::AltModifier);
            QTest::keyClick(&j.w, Qt::Key_M, Qt::AltModifier);
            QTest::mouseClick(j.bt("btCancelar"), Qt::LeftButton);
            j.w.close();
            // The delayed click of Alt+G, pressed before the load, comes due inside it.
            QTRY_COMPARE(cliques.size(), 1);
            QVERIFY(j.w.isVisible());
        });
        // Alt+G pressed just before: its delayed click comes due in the load.
        btEnc->animateClick();
        btCarga->click();
        QVERIFY(dentro);
        // The close asked for in the load comes once it has ended: by then
        // every click queued in it has been dropped.
        QTRY_VERIFY(!j.w.isVisible());
        QVERIFY2(a.mensagens.caixas.empty(), qPrintable(a.mensagens.textos().join('|')));
        QCOMPARE(cargas.size(), 2);
        QCOMPARE(corridas.size(), 0);
        QCOMPARE(j.importacao.linhasCarregadas(), 2);
        QCOMPARE(j.importacao.filtrosUsados().tamanho(), 1);
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Marcar"));
        QCOMPARE(j.campo(1)->text(), QStringLiteral("C1"));
        for (QPushButton* b : botoes)
            QVERIFY(b->isEnabled());
        QCOMPARE(a.contagem.logoffs, 1);
    }

    // A load that raises leaves no button disabled.
    void cargaQueFalhaDevolveOsBotoes() {
        Ambiente a(motorActual());
        JanelaTeste j(a);
        j.filtros(QStringLiteral("C1"));
        // The statement then fails (a table gone), after the load began.
        QVERIFY(QSqlQuery(a.base.db()).exec(QStringLiteral("DROP TABLE DOCGCLIN")));
        j.bt("btCarga")->click();
        QCOMPARE(a.mensagens.terminacoes, std::vector<int>{1});
        for (QPushButton* b : botoesDaCarga(j))
            QVERIFY(b->isEnabled());
    }

    // No busy cursor while the operator reads a box of "&Guia".
    void cursorLivreNasCaixas_data() {
        QTest::addColumn<int>("caso");
        QTest::addColumn<int>("caixas");
        QTest::newRow("entrada recusada") << 0 << 1;
        QTest::newRow("guia recusada, anulacao recusada") << 1 << 2;
        QTest::newRow("entrada com erro") << 2 << 1;
    }
    void cursorLivreNasCaixas() {
        QFETCH(int, caso);
        QFETCH(int, caixas);
        Ambiente a(motorActual());
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}});
        auto sessao = std::make_unique<ErpGravador>();
        ErpGravador& g = *sessao;
        JanelaMostrada j(a, std::move(sessao));
        j.filtros(QStringLiteral("C1"));
        j.bt("btCarga")->click();
        if (caso == 0) {
            g.resultadosEntrada.push_back({5, QStringLiteral("Sem stock."), {}});
        } else if (caso == 1) {
            g.resultadosGravacao.push_back({1, 7, QStringLiteral("Recusado.")});
            g.resultadosAnulacao.push_back({1, QStringLiteral("Documento com recibo.")});
        } else {
            g.falharEm(QStringLiteral("CriaDocumentoEntrada"));
        }
        j.m().definirMarca(0, true);
        j.bt("btEnc")->click();
        QCOMPARE(a.mensagens.caixas.size(), size_t(caixas));
        for (const auto& caixa : a.mensagens.caixas)
            QVERIFY2(!caixa.cursorOcupado, qPrintable(caixa.texto));
        QVERIFY(!QApplication::overrideCursor());
    }

    void terminaUmaVez() {
        Ambiente a(motorActual());
        {
            JanelaTeste j(a);
            j.w.show();
            QTest::mouseClick(j.bt("btSair"), Qt::LeftButton);
            QVERIFY(!j.w.isVisible());
            QCOMPARE(a.contagem.logoffs, 1);
            QCOMPARE(a.contagem.destruicoes, 1);
            QVERIFY(!a.bd.aberta());
            j.w.close();
        }
        QCOMPARE(a.contagem.logoffs, 1);
    }
};

QTEST_MAIN(tst_Janela)
#include "tst_janela.moc"
