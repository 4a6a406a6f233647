#include "AmbienteJanela.h"
#include "CampoEntrada.h"
#include "ModeloEncomendas.h"
#include "frmImportacao.h"

#include "Guarda.h"

#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

namespace {

/// Orders of client C1 (and one of C2) of the configured types and others.
void encomendas(BaseTeste& b) {
    b.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 5}, {"A2", 7}});
    b.encomenda("ENC", 1, 11, 2024, "C1", "2024-02-01", "R2", {{"A1", 3}, {"A3", 2}});
    b.encomenda("ENV", 2, 20, 2024, "C1", "2024-04-01", "R1", {{"A2", 4}});
    b.encomenda("ENC", 1, 12, 2024, "C1", "2024-01-10", "R3", {{"A1", 0}, {"A2", 6}});
    b.encomenda("ORC", 1, 30, 2024, "C1", "2024-01-01", "", {{"A1", 9}});
    b.encomenda("ENV", 1, 31, 2024, "C1", "2024-01-01", "", {{"A1", 9}}); // series not configured
    b.encomenda("ENC", 1, 40, 2024, "C2", "2024-01-01", "", {{"A1", 1}});
    // Line 2 of ENC/1/12 is annulled; line 1 is fully satisfied.
    b.executar("UPDATE DOCGCLIN SET LINANU = -1 WHERE TPDOCUM = 'ENC' AND NNUMDOC = 12 AND NUMLINHA = 2");
}

struct Janela {
    explicit Janela(AmbienteJanela& a) {
        w.bd = &a.bd;
        w.Form_Load();
    }
    void filtros(const QString& cliente, const QString& artigo = {}, const QString& numero = {},
                 const QString& req = {}) {
        w.campo[1]->setText(cliente);
        w.campo[0]->setText(artigo);
        w.campo[2]->setText(numero);
        w.campo[3]->setText(req);
    }
    ModeloEncomendas& m() { return *w.modeloLinhas; }
    /// A cell as the grid shows it.
    QString celula(int linha, ColunaEncomenda c) { return m().data(m().indice(linha, c)).toString(); }
    QStringList referencias() {
        QStringList r;
        for (int i = 0; i < w.LinhasCarregadas; ++i)
            r << celula(i, ColunaEncomenda::NumEnc) + QLatin1Char('#') + celula(i, ColunaEncomenda::LinhaEnc);
        return r;
    }
    frmImportacao w;
};

} // namespace

class tst_Carga : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void primeiraCarga() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        Janela j(a);
        j.filtros(QStringLiteral("C1"));
        j.w.btCarga_Click();
        QVERIFY2(a.mensagens.caixas.empty(), qPrintable(a.mensagens.textos().join('|')));
        // Oldest first; only configured types and series, pending and not annulled.
        QCOMPARE(j.referencias(), (QStringList{"ENC/1/11#1", "ENC/1/11#2", "ENC/1/10#1", "ENC/1/10#2", "ENV/2/20#1"}));
        QCOMPARE(j.w.LinhasCarregadas, 5);
        QCOMPARE(j.m().numeroLinhas(), 60);
        QCOMPARE(j.celula(0, ColunaEncomenda::Artigo), QStringLiteral("A1"));
        QCOMPARE(j.celula(0, ColunaEncomenda::Designacao), QStringLiteral("Linha 1 de A1"));
        QCOMPARE(j.celula(0, ColunaEncomenda::DataEnt), QStringLiteral("01-02-2024"));
        QCOMPARE(j.celula(0, ColunaEncomenda::DataDoc), QStringLiteral("01-02-2024"));
        QCOMPARE(j.celula(0, ColunaEncomenda::Req), QStringLiteral("R2"));
        QCOMPARE(j.celula(0, ColunaEncomenda::TpDoc), QStringLiteral("ENC"));
        const LinhaEncomenda& l = *j.m().encomenda(0);
        QCOMPARE(l.chave.serie, 1);
        QCOMPARE(l.chave.numero, 11);
        QCOMPARE(l.chave.ano, 2024);
        QCOMPARE(l.chave.linha, 1);
        QCOMPARE(j.celula(0, ColunaEncomenda::Terceiro), QStringLiteral("C1"));
        QCOMPARE(l.quantidadePendente, Moeda::deInteiro(3));
        QCOMPARE(l.quantidadeOriginal, Moeda::deInteiro(3));
        QCOMPARE(l.preco, Moeda::deInteiro(10));
        QCOMPARE(j.m().quantidade(0), Moeda());
        QVERIFY(!j.m().marcada(0));
        QVERIFY(j.celula(5, ColunaEncomenda::Artigo).isEmpty());
        // The empty texts of the other three filters are recorded.
        QCOMPARE(j.w.filtrosUsados.numeros, QStringList{""});
        QCOMPARE(j.w.filtrosUsados.artigos, QStringList{""});

        j.w.campo[0]->setFocus();
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Estes filtros já foram utilizados!"});
        QCOMPARE(j.w.LinhasCarregadas, 5);
    }

    void recusas() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        Janela j(a);
        j.w.show();
        QApplication::setActiveWindow(&j.w);
        QVERIFY(QTest::qWaitForWindowActive(&j.w));
        j.filtros(QString(), QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("R1"));
        j.w.campo[3]->setFocus();
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Campo Cliente obrigatório!"});
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(j.w.campo[1]));
        QCOMPARE(j.w.filtrosUsados.tamanho(), 0);

        // Blanks are a client code like any other, and find nothing here.
        a.mensagens.caixas.clear();
        j.filtros(QStringLiteral(" C1"));
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QCOMPARE(j.w.LinhasCarregadas, 0);
        QCOMPARE(j.w.filtrosUsados.tamanho(), 0);
        // The same filters may be tried again at once.
        a.mensagens.caixas.clear();
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});

        // An order number no order can have finds nothing, without a database error.
        a.mensagens.caixas.clear();
        j.filtros(QStringLiteral("C1"), QString(), QStringLiteral("999999999999999"));
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});

        // After a load, the same three filters together are refused; the focus goes to the order number.
        a.mensagens.caixas.clear();
        j.filtros(QStringLiteral("C1"), QString(), QStringLiteral("10"));
        j.w.btCarga_Click();
        QCOMPARE(j.w.LinhasCarregadas, 2);
        j.w.campo[1]->setFocus();
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Estes filtros já foram utilizados!"});
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(j.w.campo[2]));
        QCOMPARE(j.w.LinhasCarregadas, 2);
    }

    void acrescentaSemRepetir() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        Janela j(a);
        j.filtros(QStringLiteral("C1"), QString(), QStringLiteral("10"));
        j.w.btCarga_Click();
        j.filtros(QStringLiteral("C1"), QString(), QStringLiteral("11"));
        j.w.btCarga_Click();
        QCOMPARE(j.referencias(), (QStringList{"ENC/1/10#1", "ENC/1/10#2", "ENC/1/11#1", "ENC/1/11#2"}));
        // Order 11 again with the other filters empty: used before.
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Estes filtros já foram utilizados!"});
        // The client alone: the lines already in the grid are not written twice.
        a.mensagens.caixas.clear();
        j.filtros(QStringLiteral("C1"));
        j.w.btCarga_Click();
        QVERIFY(a.mensagens.caixas.empty());
        QCOMPARE(j.referencias(), (QStringList{"ENC/1/10#1", "ENC/1/10#2", "ENC/1/11#1", "ENC/1/11#2", "ENV/2/20#1"}));
        QCOMPARE(j.w.filtrosUsados.tamanho(), 3);
        // Only lines already there: a load that found nothing.
        j.filtros(QStringLiteral("C1"), QStringLiteral("A1"));
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QCOMPARE(j.w.LinhasCarregadas, 5);
        QCOMPARE(j.w.filtrosUsados.tamanho(), 3);
    }

    void combinacaoNuncaUsadaAceite() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        Janela j(a);
        j.filtros(QStringLiteral("C1"), QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("R1"));
        j.w.btCarga_Click();
        j.filtros(QStringLiteral("C1"), QStringLiteral("A3"), QStringLiteral("11"), QStringLiteral("R2"));
        j.w.btCarga_Click();
        QCOMPARE(j.w.filtrosUsados.tamanho(), 2);
        // Order 10 with reference R2 and article A3 never ran together: it runs (and finds nothing).
        j.filtros(QStringLiteral("C1"), QStringLiteral("A3"), QStringLiteral("10"), QStringLiteral("R2"));
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});
    }

    void clienteAceiteRecomeca() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        Janela j(a);
        j.filtros(QStringLiteral("C1"));
        j.w.btCarga_Click();
        j.m().definirMarca(0, true);
        // Accepting a client code (here C2) through the field's check.
        j.w.campo[1]->setText(QStringLiteral("C2"));
        j.w.ValidarCampo = true;
        bool cancelar = false;
        j.w.campo_Validate(1, cancelar);
        QVERIFY(!cancelar);
        QCOMPARE(j.w.LinhasCarregadas, 0);
        QCOMPARE(j.w.Label2[4]->text(), QStringLiteral("Cliente Dois, SA"));
        // The old rows stay until the next load, which starts afresh at row 0.
        QCOMPARE(j.celula(0, ColunaEncomenda::Terceiro), QStringLiteral("C1"));
        j.w.btCarga_Click();
        QCOMPARE(j.referencias(), QStringList{"ENC/1/40#1"});
        QVERIFY(!j.m().marcada(0));
        QVERIFY(j.celula(1, ColunaEncomenda::Artigo).isEmpty());
        QCOMPARE(j.w.filtrosUsados.tamanho(), 1);
    }

    // The status line speaks of the grid on screen: the count after a load,
    // nothing once the grid is laid out anew, also when the load that did it
    // finds nothing.
    void estadoSegueAGrelha() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        Janela j(a);
        j.filtros(QStringLiteral("C1"));
        j.w.btCarga_Click();
        QCOMPARE(j.w.estado->text(), QStringLiteral("5 linha(s) pendente(s) na grelha."));
        j.w.campo[1]->setText(QStringLiteral("O'BRIEN"));
        j.w.ValidarCampo = true;
        bool cancelar = false;
        j.w.campo_Validate(1, cancelar);
        QCOMPARE(j.w.LinhasCarregadas, 0);
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QVERIFY(j.celula(0, ColunaEncomenda::Artigo).isEmpty());
        QCOMPARE(j.w.estado->text(), QString());
    }

    // The load repaints while it reads, so timers and queued calls run in
    // its middle: none of them starts an action. Inside the load every button
    // is disabled and its access key inert; an access key's delayed click
    // that comes due then, a second load queued then and clicks queued on the
    // buttons do nothing, during the load or after it. A close asked for
    // then waits for the load's end.
    void cargaNaoReentra() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        Janela j(a);
        mostrarActiva(j.w);
        j.filtros(QStringLiteral("C1"));
        const std::initializer_list<QWidget*> botoes = {j.w.btCarga,    j.w.btEnc,   j.w.btMarcar, j.w.btSair,
                                                        j.w.btCancelar, j.w.btFx[0], j.w.btFx[1]};
        bool dentro = false;
        QTimer::singleShot(0, [&] {
            dentro = true;
            for (QWidget* b : botoes)
                QVERIFY2(!b->isEnabled(), qPrintable(b->objectName() + static_cast<QPushButton*>(b)->text()));
            j.w.btEnc->animateClick();
            QMetaObject::invokeMethod(j.w.btCarga, &QAbstractButton::click, Qt::QueuedConnection);
            QTest::keyClick(&j.w, Qt::Key_G, Qt::AltModifier);
            QTest::keyClick(&j.w, Qt::Key_M, Qt::AltModifier);
            QTest::mouseClick(j.w.btCancelar, Qt::LeftButton);
            j.w.close();
            QTest::qWait(150); // the delayed clicks come due inside the load
            QVERIFY(j.w.isVisible());
        });
        // Alt+G pressed just before: its delayed click comes due in the load.
        j.w.btEnc->animateClick();
        j.w.btCarga->click();
        QVERIFY(dentro);
        QTest::qWait(300);
        QVERIFY2(a.mensagens.caixas.empty(), qPrintable(a.mensagens.textos().join('|')));
        QCOMPARE(j.w.LinhasCarregadas, 5);
        QCOMPARE(j.w.filtrosUsados.tamanho(), 1);
        QCOMPARE(j.w.btMarcar->text(), QStringLiteral("&Marcar"));
        QCOMPARE(j.w.campo[1]->text(), QStringLiteral("C1"));
        for (QWidget* b : botoes)
            QVERIFY(b->isEnabled());
        QTRY_VERIFY(!j.w.isVisible());
        QCOMPARE(a.contagem.logoffs, 1);
    }

    // A load that raises leaves no button disabled.
    void cargaQueFalhaDevolveOsBotoes() {
        AmbienteJanela a(motorActual());
        Janela j(a);
        j.filtros(QStringLiteral("C1"));
        // The statement then fails (a table gone), after the load began.
        QVERIFY(QSqlQuery(a.base.db()).exec(QStringLiteral("DROP TABLE DOCGCLIN")));
        j.w.btCarga->click();
        reiniciarTerminacao();
        QCOMPARE(a.mensagens.terminacoes, std::vector<int>{1});
        for (QWidget* b : std::initializer_list<QWidget*>{j.w.btCarga, j.w.btEnc, j.w.btMarcar, j.w.btSair,
                                                          j.w.btCancelar, j.w.btFx[0], j.w.btFx[1]})
            QVERIFY(b->isEnabled());
    }

    void linhaMarcadaVaziaChegaDesmarcada() {
        AmbienteJanela a(motorActual());
        encomendas(a.base);
        Janela j(a);
        j.filtros(QStringLiteral("C1"), QString(), QStringLiteral("10"));
        j.w.btCarga_Click();
        // The operator ticks the empty row below the lines, then loads more into it.
        j.m().definirMarca(2, true);
        j.filtros(QStringLiteral("C1"), QString(), QStringLiteral("11"));
        j.w.btCarga_Click();
        QCOMPARE(j.celula(2, ColunaEncomenda::NumEnc), QStringLiteral("ENC/1/11"));
        QVERIFY(!j.m().marcada(2));
    }

    void crescimento_data() {
        QTest::addColumn<int>("linhas");
        QTest::addColumn<int>("total");
        QTest::newRow("58") << 58 << 60;
        QTest::newRow("59") << 59 << 61;
        QTest::newRow("60") << 60 << 62;
    }
    void crescimento() {
        QFETCH(int, linhas);
        QFETCH(int, total);
        AmbienteJanela a(motorActual());
        std::vector<std::pair<QString, double>> l(static_cast<size_t>(linhas), {QStringLiteral("A1"), 1.0});
        a.base.encomenda("ENC", 1, 1, 2024, "C1", "2024-01-01", "", l);
        Janela j(a);
        j.filtros(QStringLiteral("C1"));
        j.w.btCarga_Click();
        QCOMPARE(j.w.LinhasCarregadas, linhas);
        QCOMPARE(j.m().numeroLinhas(), total);
    }

    void codigoComAspa() {
        AmbienteJanela a(motorActual());
        a.base.encomenda("ENC", 1, 1, 2024, "O'BRIEN", "2024-01-01", "It's", {{"A1", 2}});
        a.base.encomenda("ENC", 1, 2, 2024, "C1", "2024-01-01", "", {{"A1", 2}});
        Janela j(a);
        j.filtros(QStringLiteral("O'BRIEN"), QString(), QString(), QStringLiteral("It's"));
        j.w.btCarga_Click();
        QCOMPARE(j.referencias(), QStringList{"ENC/1/1#1"});
        // A text that would change the statement is only a value.
        j.filtros(QStringLiteral("C1' OR '1'='1"));
        j.w.btCarga_Click();
        QCOMPARE(a.mensagens.textos(), QStringList{"Não existem Encomendas para as condições solicitadas!"});
        QCOMPARE(a.base.escalar("SELECT COUNT(*) FROM Clientes").toInt(), 4);
    }
};

QTEST_MAIN(tst_Carga)
#include "tst_carga.moc"
