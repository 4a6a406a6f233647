#include "CampoEntrada.h"
#include "Grelha.h"
#include "JanelaTeste.h"
#include "ListaPesquisa.h"
#include "MensagensQt.h"
#include "ModeloEncomendas.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

struct Janela : JanelaTeste {
    explicit Janela(AmbienteJanela& a) : Janela(a, a.guarda) {}
    Janela(AmbienteJanela& a, Guarda& guarda) : JanelaTeste(a, guarda) {
        mostrarActiva(w);
        campo(1)->setFocus();
    }
};

/// Runs `accao` on the modal dialog of type T as soon as it opens.
template <class T> void quandoAbrir(std::function<void(T*)> accao) {
    QTimer::singleShot(0, [accao] {
        auto* dialogo = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialogo) {
            // Not open yet: try again on the next turn of the loop.
            quandoAbrir<T>(accao);
            return;
        }
        accao(dialogo);
    });
}

void quandoAbrirLista(std::function<void(ListaPesquisa*)> accao) {
    quandoAbrir<ListaPesquisa>(std::move(accao));
}

/// The program's own message boxes, real and modal, and a guard that shows them.
struct CaixasReais {
    MensagensQt caixas;
    Guarda guarda{caixas};
};

/// The centre of a control, in its window's coordinates.
QPoint centro(const QWidget* w) {
    return w->mapTo(w->window(), w->rect().center());
}

} // namespace

class tst_Campos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clienteAoSair() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        // Tabbing through a field nobody typed into runs no check, whatever it holds.
        j.campo(1)->setText(QStringLiteral("NAO-EXISTE"));
        QTest::keyClick(j.campo(1), Qt::Key_Tab);
        QVERIFY(a.mensagens.caixas.empty());
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(0)));
        QTest::keyClick(j.campo(0), Qt::Key_Backtab);
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(1)));

        // A code typed that does not exist holds the focus.
        j.campo(1)->clear();
        QTest::keyClicks(j.campo(1), QStringLiteral("C9"));
        QTest::keyClick(j.campo(1), Qt::Key_Tab);
        QCOMPARE(a.mensagens.textos(), QStringList{"Cliente não existente!"});
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(1)));
        QVERIFY(!j.importacao.validarCampo());

        // Emptied by Backspace: mandatory.
        a.mensagens.caixas.clear();
        QTest::keyClick(j.campo(1), Qt::Key_Backspace);
        QTest::keyClick(j.campo(1), Qt::Key_Backspace);
        QTest::keyClick(j.campo(1), Qt::Key_Tab);
        QCOMPARE(a.mensagens.textos(), QStringList{"Campo obrigatório!"});
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(1)));

        // A good code shows the name and lets the focus go; Enter moves on as Tab does.
        a.mensagens.caixas.clear();
        QTest::keyClicks(j.campo(1), QStringLiteral("C1"));
        QTest::keyClick(j.campo(1), Qt::Key_Return);
        QVERIFY(a.mensagens.caixas.empty());
        QCOMPARE(j.Label2(4)->text(), QStringLiteral("Cliente Um, Lda"));
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(0)));
    }

    void cancelamentoBloqueiaCliqueETecla() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        QTest::keyClicks(j.campo(1), QStringLiteral("ZZ"));
        // A click on "&Carregar": the check runs first and the click does nothing.
        QTest::mouseClick(j.bt("btCarga"), Qt::LeftButton);
        QCOMPARE(a.mensagens.textos(), QStringList{"Cliente não existente!"});
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(1)));
        // The access key is held back the same way (typing again re-arms the check).
        a.mensagens.caixas.clear();
        QTest::keyClick(j.campo(1), Qt::Key_Z);
        QTest::keyClick(j.campo(1), Qt::Key_C, Qt::AltModifier);
        QCOMPARE(a.mensagens.textos(), QStringList{"Cliente não existente!"});
        // An access key that went through would have pressed its button, to click it a moment later.
        QVERIFY(!j.bt("btCarga")->isDown());
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(1)));
        // A click on the grid too.
        a.mensagens.caixas.clear();
        QTest::keyClick(j.campo(1), Qt::Key_Z);
        QTest::mouseClick(j.grelha()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(a.mensagens.textos(), QStringList{"Cliente não existente!"});
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(1)));

        // Once the code is good, the same click goes through and loads.
        a.mensagens.caixas.clear();
        j.campo(1)->selectAll();
        QTest::keyClicks(j.campo(1), QStringLiteral("C1"));
        QTest::mouseClick(j.bt("btCarga"), Qt::LeftButton);
        QCOMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QCOMPARE(j.Label2(4)->text(), QStringLiteral("Cliente Um, Lda"));
        // And so does the access key.
        a.mensagens.caixas.clear();
        j.campo(1)->setFocus();
        QTest::keyClick(j.campo(1), Qt::Key_1);
        QTest::keyClick(j.campo(1), Qt::Key_Backspace);
        QTest::keyClick(j.campo(1), Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});
    }

    // A click on another field runs the check; its box is real and modal, and
    // the operator lets go of the mouse button while it is up. Once the box is
    // closed (Enter, Escape or its button), the operator's next click moves the
    // focus where it lands, and what is typed goes there.
    void cliqueDepoisDaCaixa_data() {
        QTest::addColumn<int>("origem");
        QTest::addColumn<int>("clicado");
        QTest::addColumn<QString>("aviso");
        QTest::addColumn<int>("fecho"); // 0 Enter, 1 Escape, 2 a click on its button
        for (int fecho : {0, 1, 2}) {
            const char* como[] = {"Enter", "Escape", "OK"};
            QTest::addRow("cliente, %s", como[fecho]) << 1 << 0 << QStringLiteral("Cliente não existente!") << fecho;
            QTest::addRow("artigo, %s", como[fecho]) << 0 << 2 << QStringLiteral("Artigo não existente!") << fecho;
        }
    }
    void cliqueDepoisDaCaixa() {
        QFETCH(int, origem);
        QFETCH(int, clicado);
        QFETCH(QString, aviso);
        QFETCH(int, fecho);
        AmbienteJanela a(Motor::Sqlite);
        CaixasReais reais;
        Janela j(a, reais.guarda);
        CampoEntrada* inicio = j.campo(origem);
        CampoEntrada* requisicao = j.campo(3);
        QWindow* janela = j.w.windowHandle();
        inicio->setFocus();
        QTest::keyClicks(inicio, QStringLiteral("ZZ9"));

        QString mostrado;
        quandoAbrir<QMessageBox>([&](QMessageBox* caixa) {
            mostrado = caixa->text();
            QTest::mouseRelease(janela, Qt::LeftButton, {}, centro(j.campo(clicado)));
            if (fecho == 0)
                QTest::keyClick(caixa, Qt::Key_Return);
            else if (fecho == 1)
                QTest::keyClick(caixa, Qt::Key_Escape);
            else
                QTest::mouseClick(caixa->button(QMessageBox::Ok), Qt::LeftButton);
        });
        QTest::mousePress(janela, Qt::LeftButton, {}, centro(j.campo(clicado)));
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(mostrado, aviso);
        // The window manager gives the window back its activation (offscreen has none).
        mostrarActiva(j.w);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(inicio));

        QTest::mouseClick(janela, Qt::LeftButton, {}, centro(requisicao));
        QCOMPARE(j.foco(), static_cast<QWidget*>(requisicao));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("REQX"));
        QCOMPARE(requisicao->text(), QStringLiteral("REQX"));
        QCOMPARE(inicio->text(), QStringLiteral("ZZ9"));
    }

    void artigoOpcional() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        j.campo(0)->setFocus();
        QTest::keyClicks(j.campo(0), QStringLiteral("A2"));
        QTest::keyClick(j.campo(0), Qt::Key_Tab);
        QCOMPARE(j.Label2(5)->text(), QStringLiteral("Porca M6"));
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(2)));
        // Emptied with Delete (not a typed key) and left: the name goes, no warning.
        j.campo(0)->setFocus();
        j.campo(0)->selectAll();
        QTest::keyClick(j.campo(0), Qt::Key_Delete);
        QVERIFY(j.importacao.validarCampo());
        QTest::keyClick(j.campo(0), Qt::Key_Tab);
        QVERIFY(j.Label2(5)->text().isEmpty());
        QVERIFY(a.mensagens.caixas.empty());
    }

    void colarContaComoEscrita() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        QApplication::clipboard()->setText(QStringLiteral("C2"));
        j.importacao.definirValidarCampo(false);
        QTest::keyClick(j.campo(1), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(j.campo(1)->text(), QStringLiteral("C2"));
        QTest::keyClick(j.campo(1), Qt::Key_Tab);
        QCOMPARE(j.Label2(4)->text(), QStringLiteral("Cliente Dois, SA"));
    }

    void numeroSoDigitos() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        j.campo(2)->setFocus();
        QTest::keyClicks(j.campo(2), QStringLiteral("1a2'3"));
        QCOMPARE(j.campo(2)->text(), QStringLiteral("123"));
        QTest::keyClicks(j.campo(3), QStringLiteral("0123456789ABCDEFGH"));
        QCOMPARE(j.campo(3)->text().size(), 15);
    }

    void escape() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        j.campo(3)->setFocus();
        QTest::keyClick(j.campo(3), Qt::Key_Escape);
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(2)));
        QTest::keyClick(j.campo(2), Qt::Key_Escape);
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(0)));
        // Something typed in the article field is not checked when Escape leaves it.
        QTest::keyClicks(j.campo(0), QStringLiteral("XX"));
        QTest::keyClick(j.campo(0), Qt::Key_Escape);
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(1)));
        QVERIFY(a.mensagens.caixas.empty());
        QTest::keyClick(j.campo(1), Qt::Key_Escape);
        QVERIFY(!j.w.isVisible());
        QCOMPARE(a.contagem.logoffs, 1);
    }

    void listaEscolheCancelaEProcura() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        // Keyboard: F4 in the field opens the list; Down then Enter picks the second client.
        quandoAbrirLista([](ListaPesquisa* l) {
            QCOMPARE(l->windowTitle(), QStringLiteral("Clientes"));
            QTest::keyClick(l->filtro(), Qt::Key_Down);
            QTest::keyClick(l->filtro(), Qt::Key_Return);
        });
        QTest::keyClick(j.campo(1), Qt::Key_F4);
        QCOMPARE(j.campo(1)->text(), QStringLiteral("C2"));
        QCOMPARE(j.Label2(4)->text(), QStringLiteral("Cliente Dois, SA"));
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(0)));

        // Escape: nothing chosen, the field keeps its text and the focus.
        quandoAbrirLista([](ListaPesquisa* l) { QTest::keyClick(l->filtro(), Qt::Key_Escape); });
        QTest::mouseClick(j.btFx(1), Qt::LeftButton);
        QCOMPARE(j.campo(1)->text(), QStringLiteral("C2"));
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(1)));

        // Typing narrows the list; a code with a quote is taken and checked exactly.
        quandoAbrirLista([](ListaPesquisa* l) {
            QTest::keyClicks(l->filtro(), QStringLiteral("brien"));
            QCOMPARE(l->modelo().rowCount(), 1);
            QTest::keyClick(l->filtro(), Qt::Key_Enter);
        });
        QTest::mouseClick(j.btFx(1), Qt::LeftButton);
        QCOMPARE(j.campo(1)->text(), QStringLiteral("O'BRIEN"));
        QCOMPARE(j.Label2(4)->text(), QStringLiteral("O'Brien & Filhos"));
        QVERIFY(a.mensagens.caixas.empty());

        // The articles' list: a double click picks.
        quandoAbrirLista([](ListaPesquisa* l) {
            QCOMPARE(l->windowTitle(), QStringLiteral("Artigos"));
            QTableView* t = l->tabela();
            const QRect r = t->visualRect(t->model()->index(2, 0));
            QVERIFY(r.isValid());
            QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, r.center());
            if (l->isVisible()) {
                qWarning() << "double click did not pick" << r << t->currentIndex();
                l->reject();
            }
        });
        QTest::mouseClick(j.btFx(0), Qt::LeftButton);
        QCOMPARE(j.campo(0)->text(), QStringLiteral("A3"));
        QCOMPARE(j.Label2(5)->text(), QStringLiteral("Anilha"));
    }

    // A code picked from a list is taken whole, however long: shortened to
    // the field's 15 characters it would name another client. The name shown
    // and the lines loaded are its own; typing keeps the 15-character limit.
    void escolhaLongaInteira_data() { adicionarMotores(); }
    void escolhaLongaInteira() {
        QFETCH(Motor, motor);
        AmbienteJanela a(motor);
        if (motor == Motor::Postgres) {
            // A company whose client codes are longer than the field's.
            QSqlQuery q(a.base.db());
            QVERIFY(q.exec(QStringLiteral("ALTER TABLE Clientes ALTER COLUMN Codigo TYPE VARCHAR(30)")));
            QVERIFY(q.exec(QStringLiteral("ALTER TABLE DOCGCCAB ALTER COLUMN TERCEIRO TYPE VARCHAR(30)")));
        }
        const QString longo = QStringLiteral("CLIENTE0123456789ABC");
        QCOMPARE(longo.size(), 20);
        a.base.executar(QStringLiteral("INSERT INTO Clientes (Codigo, Nome) VALUES (?, 'Cliente de código longo'),"
                                       " (?, 'Outro cliente')"),
                        {longo, longo.left(15)});
        a.base.encomenda("ENC", 1, 50, 2024, longo, "2024-01-01", "", {{"A1", 4}, {"A2", 1}});
        a.base.encomenda("ENC", 1, 51, 2024, longo.left(15), "2024-01-01", "", {{"A3", 9}});
        Janela j(a);
        quandoAbrirLista([&](ListaPesquisa* l) {
            QTest::keyClicks(l->filtro(), longo);
            QCOMPARE(l->modelo().rowCount(), 1);
            QTest::keyClick(l->filtro(), Qt::Key_Return);
        });
        QTest::keyClick(j.campo(1), Qt::Key_F4);
        QCOMPARE(j.campo(1)->text(), longo);
        QCOMPARE(j.Label2(4)->text(), QStringLiteral("Cliente de código longo"));
        QCOMPARE(j.foco(), static_cast<QWidget*>(j.campo(0)));
        QVERIFY(a.mensagens.caixas.empty());
        j.bt("btCarga")->click();
        QCOMPARE(j.importacao.linhasCarregadas(), 2);
        const ModeloEncomendas& m = j.m();
        QCOMPARE(m.data(m.indice(0, ColunaEncomenda::Terceiro)).toString(), longo);

        // Typed, a code still takes at most 15 characters.
        j.campo(1)->setFocus();
        j.campo(1)->selectAll();
        QTest::keyClicks(j.campo(1), longo);
        QCOMPARE(j.campo(1)->text(), longo.left(15));
        QCOMPARE(j.campo(1)->maxLength(), 15);
    }

    void listaCarregaAosPoucos_data() { adicionarMotores(); }
    void listaCarregaAosPoucos() {
        QFETCH(Motor, motor);
        BaseTeste base(motor);
        base.executar(QStringLiteral("INSERT INTO Clientes (Codigo, Nome) VALUES ('%_\\', 'Especial')"));
        for (int i = 0; i < 1000; ++i)
            base.executar(QStringLiteral("INSERT INTO Clientes (Codigo, Nome) VALUES (?, ?)"),
                          {QStringLiteral("K%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Cliente %1").arg(i)});
        BaseDados bd;
        QVERIFY(bd.abrir(base.textoLigacao()));
        MensagensTeste mensagens;
        Guarda guarda(mensagens);
        ListaPesquisa l(bd.novaLigacao(), guarda);
        l.definirConsulta(QStringLiteral("SELECT Codigo AS Cliente, Nome AS Nome From Clientes  ORDER BY Codigo"));
        l.carregar();
        // Only the first page is read before the list shows.
        QCOMPARE(l.modelo().paginasLidas(), 1);
        QCOMPARE(l.modelo().rowCount(), ModeloPesquisa::Pagina);
        QCOMPARE(l.modelo().codigo(0), QStringLiteral("%_\\"));
        QVERIFY(l.modelo().canFetchMore({}));
        l.modelo().fetchMore({});
        QCOMPARE(l.modelo().rowCount(), 2 * ModeloPesquisa::Pagina);
        QCOMPARE(l.modelo().codigo(ModeloPesquisa::Pagina), QStringLiteral("K00099"));
        // Wildcards typed are matched literally.
        l.modelo().filtrar(QStringLiteral("%_"));
        QCOMPARE(l.modelo().rowCount(), 1);
        l.modelo().filtrar(QStringLiteral("_"));
        QCOMPARE(l.modelo().rowCount(), 1);
        l.modelo().filtrar(QStringLiteral("cliente 99"));
        QCOMPARE(l.modelo().rowCount(), 11); // 99 and 990..999
    }
};

QTEST_MAIN(tst_Campos)
#include "tst_campos.moc"
