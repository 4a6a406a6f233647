#include "CampoEntrada.h"
#include "Grelha.h"
#include "JanelaTeste.h"
#include "ModeloEncomendas.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

/// A window with client C1's lines loaded: row 0 A1 pending 7, row 1 A2 pending 5.
struct Janela : JanelaTeste {
    explicit Janela(AmbienteJanela& a) : JanelaTeste(a) {
        a.base.encomenda("ENC", 1, 10, 2024, "C1", "2024-03-05", "R1", {{"A1", 7}, {"A2", 5}});
        m().definirLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        mostrarActiva(w);
        campo(1)->setText(QStringLiteral("C1"));
        bt("btCarga")->click();
    }
    Grelha& g() { return *grelha(); }
    Moeda qtd(int linha) { return m().quantidade(linha).value_or(Moeda::deInteiro(-999)); }
    bool marcada(int linha) { return m().marcada(linha); }
    /// A click in the check box of a row.
    void clicarMarca(int linha) {
        const QModelIndex i = m().indice(linha, ColunaEncomenda::AN);
        g().scrollTo(i);
        QTest::mouseClick(g().viewport(), Qt::LeftButton, {}, g().visualRect(i).center());
    }
    /// Types a quantity into a row's quantity cell and commits it with Enter.
    void escrever(int linha, const QString& texto) {
        const QModelIndex i = m().indice(linha, ColunaEncomenda::Qtd);
        g().setFocus();
        g().setCurrentIndex(i);
        QTest::keyClick(&g(), Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (!editor)
            qFatal("no editor opened");
        editor->selectAll();
        if (texto.isEmpty())
            QTest::keyClick(editor, Qt::Key_Delete);
        else
            QTest::keyClicks(editor, texto);
        QTest::keyClick(editor, Qt::Key_Return);
    }
};

} // namespace

class tst_Edicao : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void marcarEDesmarcar() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        j.clicarMarca(0);
        QVERIFY(j.marcada(0));
        QCOMPARE(j.qtd(0), Moeda::deInteiro(7));
        j.clicarMarca(0);
        QVERIFY(!j.marcada(0));
        QCOMPARE(j.qtd(0), Moeda());
        // The Space key on the check box cell does the same.
        j.g().setCurrentIndex(j.m().indice(1, ColunaEncomenda::AN));
        QTest::keyClick(&j.g(), Qt::Key_Space);
        QVERIFY(j.marcada(1));
        QCOMPARE(j.qtd(1), Moeda::deInteiro(5));
        // Single ticks never change the mark-all button.
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Marcar"));
        QVERIFY(a.mensagens.caixas.empty());
    }

    void quantidades() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        // 3 of 7 on an unmarked line: taken and ticked; untick gives 0, tick again the pending 7.
        j.escrever(0, QStringLiteral("3"));
        QCOMPARE(j.qtd(0), Moeda::deInteiro(3));
        QVERIFY(j.marcada(0));
        j.clicarMarca(0);
        QCOMPARE(j.qtd(0), Moeda());
        j.clicarMarca(0);
        QCOMPARE(j.qtd(0), Moeda::deInteiro(7));
        // Exactly the pending quantity is taken; a ten-thousandth more is not.
        j.escrever(1, QStringLiteral("5"));
        QCOMPARE(j.qtd(1), Moeda::deInteiro(5));
        j.escrever(1, QStringLiteral("5.0001"));
        QCOMPARE(a.mensagens.textos(), QStringList{"Valor inválido!"});
        QCOMPARE(j.qtd(1), Moeda::deInteiro(5));
        QVERIFY(j.marcada(1));
        // Zero unticks.
        a.mensagens.caixas.clear();
        j.escrever(1, QStringLiteral("0"));
        QVERIFY(!j.marcada(1));
        QCOMPARE(j.qtd(1), Moeda());
        // Letters and an empty text are refused without a word.
        j.escrever(1, QStringLiteral("abc"));
        j.escrever(1, QString());
        QVERIFY(a.mensagens.caixas.empty());
        QCOMPARE(j.qtd(1), Moeda());
        // Grouped and exponent forms are numbers.
        j.escrever(1, QStringLiteral("2.5E0"));
        QCOMPARE(j.qtd(1), Moeda::deUnidades(25000));
        // A negative quantity is refused like one above the pending.
        j.escrever(1, QStringLiteral("-2"));
        QCOMPARE(a.mensagens.textos(), QStringList{"Valor inválido!"});
        QCOMPARE(j.qtd(1), Moeda::deUnidades(25000));
        QVERIFY(!j.importacao.validarCampo());
    }

    void linhaVazia() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        j.escrever(10, QStringLiteral("1"));
        QCOMPARE(a.mensagens.textos(), QStringList{"Valor inválido!"});
        QVERIFY(!j.marcada(10));
        // Ticked, it takes the empty pending quantity.
        j.clicarMarca(10);
        QVERIFY(j.marcada(10));
        QVERIFY(!j.m().quantidade(10));
    }

    void marcarTudo() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        j.escrever(1, QStringLiteral("2"));
        j.importacao.definirValidarCampo(true);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::AltModifier);
        // An access key clicks its button a moment later.
        QTRY_COMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Desmarcar"));
        QVERIFY(j.marcada(0) && j.marcada(1));
        QCOMPARE(j.qtd(1), Moeda::deInteiro(5)); // typed 2 overwritten by the pending 5
        QCOMPARE(j.qtd(0), Moeda::deInteiro(7));
        QVERIFY(!j.marcada(2)); // empty rows untouched
        QVERIFY(!j.m().quantidade(2));
        QVERIFY(!j.importacao.validarCampo());
        QTest::mouseClick(j.bt("btMarcar"), Qt::LeftButton);
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Marcar"));
        QVERIFY(!j.marcada(0) && !j.marcada(1));
        QCOMPARE(j.qtd(0), Moeda());
        QCOMPARE(j.qtd(1), Moeda());
        QVERIFY(!j.m().quantidade(2));
        // Cancel puts the caption back.
        j.bt("btMarcar")->click();
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Desmarcar"));
        j.bt("btCancelar")->click();
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Marcar"));
        // With nothing loaded, the button only switches its caption.
        j.bt("btMarcar")->click();
        QCOMPARE(j.bt("btMarcar")->text(), QStringLiteral("&Desmarcar"));
        QVERIFY(!j.marcada(0));
    }

    void sairDaGrelhaPorTeclado() {
        AmbienteJanela a(Motor::Sqlite);
        Janela j(a);
        j.g().setFocus();
        j.g().setCurrentIndex(j.m().indice(0, ColunaEncomenda::Qtd));
        QTest::keyClick(&j.g(), Qt::Key_Tab);
        QCOMPARE(ModeloEncomendas::coluna(j.g().currentIndex()), ColunaEncomenda::AN); // Tab moves along the row
        QTest::keyClick(&j.g(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(j.bt("btCancelar")));
        j.g().setFocus();
        QTest::keyClick(&j.g(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(j.bt("btCarga")));
    }
};

QTEST_MAIN(tst_Edicao)
#include "tst_edicao.moc"
