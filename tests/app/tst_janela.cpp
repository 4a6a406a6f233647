#include "AmbienteJanela.h"
#include "CabecalhoGrelha.h"
#include "CampoEntrada.h"
#include "Erro.h"
#include "Grelha.h"
#include "ModeloEncomendas.h"
#include "RotuloElidido.h"
#include "SessaoContadora.h"
#include "Twips.h"
#include "frmImportacao.h"

#include <QAccessible>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
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
struct JanelaMostrada {
    explicit JanelaMostrada(Ambiente& a) {
        w.bd = &a.bd;
        w.Form_Load();
        mostrarActiva(w);
        QCoreApplication::processEvents(); // the grid lays its heading out once its columns are in
    }
    frmImportacao w;
};

/// The window shown with the application's font at a scale, on the test row's engine.
struct JanelaNaEscala {
    explicit JanelaNaEscala(double escala) : letra(escala), a(motorActual()), j(a) {}
    LetraAmpliada letra;
    Ambiente a;
    JanelaMostrada j;
};

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
        frmImportacao w;
        w.bd = &a.bd;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QCOMPARE(w.windowTitle(), QStringLiteral("Satisfação Encomendas"));
        QCOMPARE(w.Label3->text(), QStringLiteral("Satisfação de Encomendas"));
        QCOMPARE(w.Label3->palette().color(QPalette::WindowText), QColor(57, 109, 165));
        QVERIFY(w.Label3->font().bold() && w.Label3->font().italic());
        QCOMPARE(w.Label3->parentWidget(), static_cast<QWidget*>(w.Frame4));
        QCOMPARE(w.btCarga->parentWidget(), static_cast<QWidget*>(w.Frame1));
        QCOMPARE(w.btCarga->text(), QStringLiteral("&Carregar"));
        QCOMPARE(w.btCancelar->text(), QStringLiteral("Ca&ncelar"));
        QCOMPARE(w.btSair->text(), QStringLiteral("&Sair"));
        QCOMPARE(w.btEnc->text(), QStringLiteral("&Guia"));
        QCOMPARE(w.btMarcar->text(), QStringLiteral("&Marcar"));
        QCOMPARE(w.btEnc->toolTip(), QStringLiteral("Confirmar o Orçamento"));
        QCOMPARE(w.btMarcar->toolTip(), w.btEnc->toolTip());
        QCOMPARE(w.campo[1]->toolTip(), QStringLiteral("Código do Cliente."));
        QCOMPARE(w.campo[0]->toolTip(), QStringLiteral("Código do Artigo."));
        QCOMPARE(w.campo[2]->toolTip(), QStringLiteral("Nº Encomenda"));
        QCOMPARE(w.btFx[1]->toolTip(), QStringLiteral("Lista de Clientes."));
        QCOMPARE(w.Label2[3]->text(), QStringLiteral("O.Produção"));
        QCOMPARE(w.Label2[1]->text(), QStringLiteral("Requisição"));
        for (CampoEntrada* c : w.campo)
            QCOMPARE(c->maxLength(), 15);
        // Client field above article, article above order number, at the design positions.
        QVERIFY(w.campo[1]->y() < w.campo[0]->y() && w.campo[0]->y() < w.campo[2]->y() &&
                w.campo[2]->y() < w.campo[3]->y());
        QCOMPARE(w.btCarga->geometry(), QRect(twipsParaPixeis(13965, &w), twipsParaPixeis(210, &w, true),
                                              twipsParaPixeis(1200, &w), twipsParaPixeis(465, &w, true)));
        QCOMPARE(w.width(), twipsParaPixeis(15600, &w));

        // The empty grid: 60 rows, nine shown headings and the narrow check-box one.
        Grelha& g = *w.grelha;
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
        frmImportacao w;
        w.bd = &a.bd;
        w.Form_Load();
        Grelha& g = *w.grelha;
        QCOMPARE(g.posicaoColuna(QStringLiteral("Qtd")), 9);
        QCOMPARE(g.posicaoColuna(QStringLiteral("AN")), 16);
        QCOMPARE(g.posicaoColuna(QStringLiteral("Designacao")), 2);
        QCOMPARE(g.posicaoColuna(QStringLiteral("Designação")), -1);
        QCOMPARE(g.posicaoColuna(QStringLiteral("DataDoc")), 17);
        for (const char* oculta : {"TpDoc", "Serie", "NoDoc", "LinhaEnc", "AnoEnc", "Terceiro", "DataDoc"})
            QVERIFY2(g.isColumnHidden(g.posicaoColuna(QString::fromLatin1(oculta)) - 1), oculta);
        ModeloEncomendas& m = *w.modeloLinhas;
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
        frmImportacao& w = e.j.w;
        Grelha& g = *w.grelha;
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
        QLabel* estado = w.estado;
        const QRect lugar = estado->geometry();
        QVERIFY(w.rect().contains(lugar));
        for (QWidget* outro : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (outro != estado && outro->isVisible())
                QVERIFY2(!lugar.intersects(outro->geometry()),
                         qPrintable(outro->objectName() + outro->metaObject()->className()));
        QVERIFY(lugar.top() >= w.btEnc->geometry().bottom() && lugar.top() >= w.grelha->geometry().bottom());

        const QFontMetrics fm(estado->font());
        for (const QString& texto :
             {QStringLiteral("Criados a entrada ENT/32767/2147483647/2026 e a guia GR/32767/2147483647/2026."),
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
        QHelpEvent dica(QEvent::ToolTip, estado->rect().center(), estado->mapToGlobal(estado->rect().center()));
        QApplication::sendEvent(estado, &dica);
        QTRY_COMPARE(QToolTip::text(), longo);
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
        QCOMPARE(w.Label2[0]->font().pointSizeF(), 8.25 * escala);
        // The names shown beside the fields, and a status text.
        QTest::keyClicks(w.campo[1], QStringLiteral("O'BRIEN"));
        QTest::keyClick(w.campo[1], Qt::Key_Tab);
        QTest::keyClicks(w.campo[0], QStringLiteral("A1"));
        QTest::keyClick(w.campo[0], Qt::Key_Tab);
        QCOMPARE(w.Label2[5]->text(), QStringLiteral("Parafuso M6"));
        w.estado->setText(QStringLiteral("60 linha(s) pendente(s) na grelha."));

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
        QWidget* inicio = j.w.campo[1];
        inicio->setFocus();
        QStringList nomes;
        for (int passo = 0; passo < 20; ++passo) {
            QWidget* foco = QApplication::focusWidget();
            QVERIFY(foco);
            nomes << nomeAcessivel(foco);
            QVERIFY2(!nomes.last().isEmpty(), qPrintable(foco->objectName() + foco->metaObject()->className()));
            // In the grid Tab moves between cells; Ctrl+Tab leaves it.
            QTest::keyClick(foco, Qt::Key_Tab, foco == j.w.grelha ? Qt::ControlModifier : Qt::NoModifier);
            if (QApplication::focusWidget() == inicio)
                break;
        }
        QCOMPARE(QApplication::focusWidget(), inicio);
        QCOMPARE(nomes, (QStringList{"Cliente", "Artigo", "O.Produção", "Requisição", "Carregar", "Linhas pendentes",
                                     "Cancelar", "Sair", "Guia", "Marcar"}));
        // The fields' names are their own, set from the labels beside them.
        QCOMPARE((QStringList{j.w.campo[1]->accessibleName(), j.w.campo[0]->accessibleName(),
                              j.w.campo[2]->accessibleName(), j.w.campo[3]->accessibleName()}),
                 nomes.mid(0, 4));
        QCOMPARE(nomeAcessivel(j.w.btFx[1]), QStringLiteral("Lista de Clientes."));
        QCOMPARE(nomeAcessivel(j.w.btFx[0]), QStringLiteral("Lista de Artigos."));
        j.w.btMarcar_Click();
        QCOMPARE(nomeAcessivel(j.w.btMarcar), QStringLiteral("Desmarcar"));

        QAccessibleInterface* grelha = QAccessible::queryAccessibleInterface(j.w.grelha);
        QVERIFY(grelha && grelha->tableInterface());
        for (ColunaEncomenda c : {ColunaEncomenda::Artigo, ColunaEncomenda::QtdP, ColunaEncomenda::Qtd}) {
            QAccessibleInterface* celula = grelha->tableInterface()->cellAt(0, coluna(c));
            QVERIFY(celula);
            QCOMPARE(celula->text(QAccessible::Description),
                     j.w.grelha->model()->headerData(coluna(c), Qt::Horizontal).toString());
        }
    }

    void modoGravacao_data() {
        QTest::addColumn<int>("tpdsaft");
        QTest::addColumn<QVariant>("origem"); // invalid: no NOMSERIE row
        QTest::addColumn<int>("modo");
        const QVariant semLinha;
        const QVariant vazio = QStringLiteral("NULL");
        QTest::newRow("origem 1, flag 1") << 1 << QVariant(1) << 1;
        QTest::newRow("origem 1, flag 0") << 0 << QVariant(1) << 1;
        QTest::newRow("origem 2, flag 1") << 1 << QVariant(2) << 2;
        QTest::newRow("origem 2, flag 0") << 0 << QVariant(2) << 0;
        QTest::newRow("origem 5, flag 1") << 1 << QVariant(5) << 3;
        QTest::newRow("origem 3, flag 0") << 0 << QVariant(3) << 0;
        QTest::newRow("origem vazia, flag 1") << 1 << vazio << 3;
        QTest::newRow("origem vazia, flag 0") << 0 << vazio << 0;
        QTest::newRow("TPDSAFT 7 conta como 1") << 7 << QVariant(2) << 2;
        QTest::newRow("sem serie, flag 1") << 1 << semLinha << 0;
    }
    void modoGravacao() {
        QFETCH(int, tpdsaft);
        QFETCH(QVariant, origem);
        QFETCH(int, modo);
        Ambiente a(motorActual());
        a.base.executar(QStringLiteral("UPDATE TpDoc SET TPDSAFT = ? WHERE Codigo = 'GR'"), {tpdsaft});
        if (!origem.isValid())
            a.base.executar(QStringLiteral("DELETE FROM NOMSERIE WHERE TipoDoc = 'GR'"));
        else if (origem == QVariant(QStringLiteral("NULL")))
            a.base.executar(QStringLiteral("UPDATE NOMSERIE SET Origem = NULL WHERE TipoDoc = 'GR' AND Serie = 1"));
        else
            a.base.executar(QStringLiteral("UPDATE NOMSERIE SET Origem = ? WHERE TipoDoc = 'GR' AND Serie = 1"),
                            {origem});
        frmImportacao w;
        w.bd = &a.bd;
        w.Form_Load();
        QCOMPARE(int(w.ModoGravacao), modo);
        QVERIFY(a.mensagens.caixas.empty());
    }

    void parametrosLidosPorOrdem() {
        Ambiente a(motorActual(), "ENTRADAS=ENT,1,A1,Texto,0.1\nguias=GR,1,2,A1\nENCOMENDAS=ENC,1,ENV,2,XX\n");
        frmImportacao w;
        w.bd = &a.bd;
        w.Form_Load();
        // An unpaired last item of ENCOMENDAS is not used.
        QVERIFY(w.TiposEncomenda == (std::vector<TipoEncomenda>{{"ENC", 1}, {"ENV", 2}}));
        QCOMPARE(w.TiposGuia.tipo, QStringLiteral("GR"));
        QCOMPARE(w.TiposGuia.serie, qint16(1));
        QCOMPARE(w.TiposGuia.sector, QStringLiteral("2"));
        QCOMPARE(w.TiposGuia.armazem, QStringLiteral("A1"));
        QCOMPARE(w.TiposEntrada.tipo, QStringLiteral("ENT"));
        QCOMPARE(w.TiposEntrada.observacoes, QStringLiteral("Texto"));
        QCOMPARE(w.TiposEntrada.factor.texto(), QStringLiteral("0.1"));
    }

    void parametrosRecusados_data() {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("motivo");
        const QByteArray enc = "ENCOMENDAS=ENC,1\r\n";
        const QByteArray ent = "ENTRADAS=ENT,1,A1,T,0\r\n";
        const QByteArray gui = "GUIAS=GR,1,2,A1\r\n";
        QTest::newRow("GUIAS curta") << (enc + "GUIAS=GR,1,1\r\n" + ent) << "GUIAS";
        QTest::newRow("GUIAS em falta") << (enc + ent) << "GUIAS";
        QTest::newRow("serie da guia") << (enc + "GUIAS=GR,X,1,A1\r\n" + ent) << "GUIAS";
        QTest::newRow("ENTRADAS curta") << (enc + gui + "ENTRADAS=ENT,1,A1,T\r\n") << "ENTRADAS";
        QTest::newRow("serie da entrada") << (enc + gui + "ENTRADAS=ENT,40000,A1,T,0\r\n") << "ENTRADAS";
        QTest::newRow("ENCOMENDAS sem par") << ("ENCOMENDAS=ENC\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("ENCOMENDAS vazia") << ("ENCOMENDAS=\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("serie da encomenda") << ("ENCOMENDAS=ENC,S1\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("tipo sem TpDoc") << (enc + "GUIAS=ZZ,1,1,A1\r\n" + ent) << "TpDoc";
        // The Guia's series is a 16-bit number, as the ERP keeps it.
        QTest::newRow("serie da guia acima de 16 bits") << (enc + "GUIAS=GR,40000,2,A1\r\n" + ent) << "GUIAS";
        // The price factor: a plain decimal number written with ".", 0 to less than 1.
        QTest::newRow("factor com virgula") << (enc + gui + "ENTRADAS=ENT,1,A1,T,0,1\r\n") << "ENTRADAS";
        QTest::newRow("factor em percentagem") << (enc + gui + "ENTRADAS=ENT,1,A1,T,10%\r\n") << "ENTRADAS";
        QTest::newRow("factor com texto depois") << (enc + gui + "ENTRADAS=ENT,1,A1,T,0.1x\r\n") << "ENTRADAS";
        QTest::newRow("factor texto") << (enc + gui + "ENTRADAS=ENT,1,A1,T,abc\r\n") << "ENTRADAS";
        QTest::newRow("factor com expoente") << (enc + gui + "ENTRADAS=ENT,1,A1,T,1e-1\r\n") << "ENTRADAS";
        QTest::newRow("factor negativo") << (enc + gui + "ENTRADAS=ENT,1,A1,T,-0.1\r\n") << "ENTRADAS";
        QTest::newRow("factor 1") << (enc + gui + "ENTRADAS=ENT,1,A1,T,1\r\n") << "ENTRADAS";
    }
    void parametrosRecusados() {
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, motivo);
        Ambiente a(motorActual(), conteudo);
        frmImportacao w;
        w.bd = &a.bd;
        try {
            w.Form_Load();
            QFAIL("the load must refuse these parameters");
        } catch (const Erro& e) {
            QVERIFY2(e.texto().contains(QStringLiteral("zeb_Parametros_Orlavane.zeb")), qPrintable(e.texto()));
            QVERIFY2(e.texto().contains(motivo), qPrintable(e.texto()));
        }
    }

    void parametrosEmFalta() {
        Ambiente a(motorActual());
        QFile::remove(a.app.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
        frmImportacao w;
        w.bd = &a.bd;
        QVERIFY_THROWS_EXCEPTION(Erro, w.Form_Load());
    }

    void limparDeixaComoAoAbrir() {
        Ambiente a(motorActual());
        frmImportacao w;
        w.bd = &a.bd;
        w.Form_Load();
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (int i : {0, 1, 2, 3})
            w.campo[static_cast<size_t>(i)]->setText(QStringLiteral("12"));
        w.Label2[4]->setText(QStringLiteral("Nome"));
        w.Label2[5]->setText(QStringLiteral("Artigo"));
        w.LinhasCarregadas = 70;
        w.filtrosUsados.numeros << "1";
        w.filtrosUsados.requisicoes << "";
        w.filtrosUsados.artigos << "";
        w.btMarcar->setText(QStringLiteral("&Desmarcar"));
        w.DocumentosCriados.push_back(ChaveDocumento{2026, QStringLiteral("ENT"), 1, 4});
        std::vector<LinhaEncomenda> linhas(4);
        linhas[3].artigo = QStringLiteral("A1");
        w.modeloLinhas->acrescentarLinhas(std::move(linhas), 70);
        w.modeloLinhas->definirMarca(3, true);
        w.DesActiva();
        QVERIFY(!w.btCarga->isEnabled() && !w.grelha->isEnabled());
        QVERIFY(w.campo[1]->isEnabled() && w.btFx[1]->isEnabled()); // fields stay usable

        w.campo[0]->setFocus();
        QTest::mouseClick(w.btCancelar, Qt::LeftButton); // disabled: nothing happens
        QCOMPARE(w.campo[0]->text(), QStringLiteral("12"));
        w.Activa();
        QTest::mouseClick(w.btCancelar, Qt::LeftButton);
        for (CampoEntrada* c : w.campo)
            QVERIFY(c->text().isEmpty());
        QVERIFY(w.Label2[4]->text().isEmpty() && w.Label2[5]->text().isEmpty());
        QCOMPARE(w.LinhasCarregadas, 0);
        QCOMPARE(w.filtrosUsados.tamanho(), 0);
        QCOMPARE(w.btMarcar->text(), QStringLiteral("&Marcar"));
        QCOMPARE(w.DocumentosCriados.size(), size_t(1));
        QCOMPARE(w.modeloLinhas->numeroLinhas(), 60);
        QVERIFY(!w.modeloLinhas->marcada(3));
        QVERIFY(!w.modeloLinhas->encomenda(3));
        for (QWidget* b :
             std::initializer_list<QWidget*>{w.btCarga, w.btMarcar, w.btEnc, w.btSair, w.btCancelar, w.grelha})
            QVERIFY(b->isEnabled());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.campo[1]));
    }

    void avisa() {
        Ambiente a(motorActual());
        frmImportacao w;
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

    void terminaUmaVez() {
        Ambiente a(motorActual());
        {
            frmImportacao w;
            w.bd = &a.bd;
            w.Form_Load();
            w.show();
            QTest::mouseClick(w.btSair, Qt::LeftButton);
            QVERIFY(!w.isVisible());
            QCOMPARE(a.contagem.logoffs, 1);
            QCOMPARE(a.contagem.destruicoes, 1);
            QVERIFY(!a.bd.aberta());
            w.close();
        }
        QCOMPARE(a.contagem.logoffs, 1);
    }

    void terminaAoDestruir() {
        Ambiente a(motorActual());
        {
            frmImportacao w;
            w.bd = &a.bd;
            w.Form_Load();
        }
        QCOMPARE(a.contagem.logoffs, 1);
        QVERIFY(!a.bd.aberta());
    }
};

QTEST_MAIN(tst_Janela)
#include "tst_janela.moc"
