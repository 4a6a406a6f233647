#include "AmbienteJanela.h"
#include "CampoEntrada.h"
#include "Erro.h"
#include "Grelha.h"
#include "ModeloEncomendas.h"
#include "SessaoContadora.h"
#include "Twips.h"
#include "frmImportacao.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using Ambiente = AmbienteJanela;

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
        QVERIFY(g.columnWidth(int(ColunaEncomenda::AN)) < g.columnWidth(int(ColunaEncomenda::Artigo)));
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
        Ambiente a(motorActual(), "ENTRADAS=ENT,1,A1,Texto,0.1\nguias=GR,1,1,A1\nENCOMENDAS=ENC,1,ENV,2,XX\n");
        frmImportacao w;
        w.bd = &a.bd;
        w.Form_Load();
        QCOMPARE(w.TiposEncomenda, (QStringList{"ENC", "1", "ENV", "2", "XX"}));
        QCOMPARE(w.TiposGuia, (QStringList{"GR", "1", "1", "A1"}));
        QCOMPARE(w.TiposEntrada, (QStringList{"ENT", "1", "A1", "Texto", "0.1"}));
    }

    void parametrosRecusados_data() {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("motivo");
        const QByteArray enc = "ENCOMENDAS=ENC,1\r\n";
        const QByteArray ent = "ENTRADAS=ENT,1,A1,T,0\r\n";
        const QByteArray gui = "GUIAS=GR,1,1,A1\r\n";
        QTest::newRow("GUIAS curta") << (enc + "GUIAS=GR,1,1\r\n" + ent) << "GUIAS";
        QTest::newRow("GUIAS em falta") << (enc + ent) << "GUIAS";
        QTest::newRow("serie da guia") << (enc + "GUIAS=GR,X,1,A1\r\n" + ent) << "GUIAS";
        QTest::newRow("ENTRADAS curta") << (enc + gui + "ENTRADAS=ENT,1,A1,T\r\n") << "ENTRADAS";
        QTest::newRow("serie da entrada") << (enc + gui + "ENTRADAS=ENT,40000,A1,T,0\r\n") << "ENTRADAS";
        QTest::newRow("ENCOMENDAS sem par") << ("ENCOMENDAS=ENC\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("ENCOMENDAS vazia") << ("ENCOMENDAS=\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("serie da encomenda") << ("ENCOMENDAS=ENC,S1\r\n" + gui + ent) << "ENCOMENDAS";
        QTest::newRow("tipo sem TpDoc") << (enc + "GUIAS=ZZ,1,1,A1\r\n" + ent) << "TpDoc";
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
