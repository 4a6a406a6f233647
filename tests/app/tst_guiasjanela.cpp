// The Guia from the window, by keyboard, on both engines, over the local ERP
// and this workstation's journal: after "&Guia" the status strip names
// Ctrl+P, which previews the Guia; "&Documentos" lists the workstation's
// Guias newest first, saves one as PDF (the print recorded), refuses to print
// without a printer (nothing recorded), and annuls one with a reason and a
// confirmation (the order lines pending again, the list saying so).

#include "CorridasDoPosto.h"
#include "DialogoPrevisao.h"
#include "JanelaTeste.h"
#include "ListaDocumentos.h"
#include "ModeloDocumentos.h"
#include "ModeloEncomendas.h"

#include <QLabel>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

template <class T> T* aberto(const QWidget& w) {
    for (T* d : w.findChildren<T*>())
        if (d->isVisible())
            return d;
    return nullptr;
}

} // namespace

class tst_GuiasJanela final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void documentosPorTeclado() {
        AmbienteJanela a(motorActual());
        a.base.encomenda("ENC", 1, 10, 2026, "C1", "2026-03-05", "R1", {{"A1", 5}, {"A2", 7}});
        QTemporaryDir estado;
        CorridasDoPosto corridas(a.bd, QStringLiteral("op"), QStringLiteral("posto1"),
                                 estado.filePath(QStringLiteral("corridas.log")));
        JanelaTeste j(a, {}, false);
        j.importacao.definirEmpresa(QStringLiteral("DEMO"));
        j.w.Form_Load(a.bd, erpLocalLigado(a.base), &corridas);
        mostrarActiva(j.w);
        const int ano = QDate::currentDate().year();
        const auto guia = [ano](int n) { return QStringLiteral("GR/1/%1/%2").arg(n).arg(ano); };
        const auto pendente = [&a](int linha) {
            return a.base
                .escalar(
                    QStringLiteral("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM = 'ENC' AND NUMLINHA = %1").arg(linha))
                .toDouble();
        };

        // Ctrl+P before any Guia says where the Guias are.
        QTest::keyClick(&j.w, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(a.mensagens.textos().size(), 1);
        QVERIFY(a.mensagens.textos().at(0).contains(QStringLiteral("\"Documentos\"")));

        // Two Guias, 2 of A1 then 3 of A2: no box, the status names Ctrl+P.
        for (const auto& [linha, quantidade] : {std::pair{0, 2.0}, std::pair{1, 3.0}}) {
            j.filtros(QStringLiteral("C1"));
            j.bt("btCarga")->click();
            j.m().definirMarca(linha, true);
            j.m().definirQuantidade(linha, Moeda::deDouble(quantidade));
            j.bt("btEnc")->click();
        }
        QCOMPARE(a.mensagens.textos().size(), 1);
        QVERIFY2(j.estado()->text().endsWith(guia(2) + QStringLiteral(". Ctrl+P imprime a guia.")),
                 qPrintable(j.estado()->text()));

        // Ctrl+P: the last Guia's preview, its three copies of one page.
        QTest::keyClick(&j.w, Qt::Key_P, Qt::ControlModifier);
        DialogoPrevisao* previsao = aberto<DialogoPrevisao>(j.w);
        QVERIFY(previsao);
        QCOMPARE(previsao->windowTitle(), QStringLiteral("Guia ") + guia(2));
        QTRY_COMPARE(previsao->paginas(), 3);
        QTest::keyClick(previsao, Qt::Key_Escape);
        QTRY_VERIFY(!aberto<DialogoPrevisao>(j.w));
        mostrarActiva(j.w); // the offscreen platform gives activation back to no window

        // Alt+D (the button's click comes after its press is shown): the
        // list, newest first and selected, the focus in it.
        QTest::keyClick(&j.w, Qt::Key_D, Qt::AltModifier);
        ListaDocumentos* lista = nullptr;
        QTRY_VERIFY((lista = aberto<ListaDocumentos>(j.w)));
        auto* tabela = lista->findChild<QTableView*>(QStringLiteral("lista"));
        QAbstractItemModel* m = tabela->model();
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->index(0, ModeloDocumentos::ColGuia).data().toString(), guia(2));
        QCOMPARE(m->index(1, ModeloDocumentos::ColGuia).data().toString(), guia(1));
        QCOMPARE(lista->linhaActual(), 0);
        QTRY_COMPARE(QApplication::focusWidget(), tabela);

        // Down, Ctrl+S: the first Guia as PDF, under the name its key gives; the print recorded.
        QTest::keyClick(tabela, Qt::Key_Down);
        QTemporaryDir pasta;
        const QString pdf = pasta.filePath(QStringLiteral("guia.pdf"));
        a.mensagens.ficheiros << pdf;
        QTest::keyClick(tabela, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(a.mensagens.ficheirosSugeridos.at(0).endsWith(QStringLiteral("/GR-1-1-%1.pdf").arg(ano)));
        QProcess texto;
        texto.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(texto.waitForFinished(30000));
        const QString lido = QString::fromUtf8(texto.readAllStandardOutput());
        QVERIFY2(lido.contains(QStringLiteral("GR 1/1")) && lido.contains(QStringLiteral("Triplicado")),
                 qPrintable(lido));
        const QString impressoes =
            QStringLiteral("SELECT IMPRESSOES FROM DOCGCCAB WHERE TPDOC = 'GR' AND NNUMDOC = %1");
        QCOMPARE(a.base.escalar(impressoes.arg(1)).toInt(), 1);
        // Without a default printer Ctrl+P is refused before anything is recorded.
        if (QPrinterInfo::defaultPrinterName().isEmpty()) {
            QTest::keyClick(tabela, Qt::Key_P, Qt::ControlModifier);
            QCOMPARE(
                a.mensagens.textos().constLast(),
                QStringLiteral("A guia %1 não foi impressa: Este posto não tem impressora por omissão.").arg(guia(1)));
            QCOMPARE(a.mensagens.textos().size(), 2);
            QCOMPARE(a.base.escalar(impressoes.arg(1)).toInt(), 1);
        }
        // Enter: its preview, now a reprint.
        QTest::keyClick(tabela, Qt::Key_Return);
        previsao = aberto<DialogoPrevisao>(j.w);
        QVERIFY(previsao);
        QCOMPARE(previsao->windowTitle(), QStringLiteral("Guia ") + guia(1));
        QTest::keyClick(previsao, Qt::Key_Escape);
        QTRY_VERIFY(!aberto<DialogoPrevisao>(j.w));
        mostrarActiva(*lista);

        // Alt+A: no reason first (told, asked again), then a reason and Yes.
        const qsizetype antes = a.mensagens.textos().size();
        a.mensagens.formularios = {{QStringLiteral(" ")}, {QStringLiteral("Quantidade errada")}};
        a.mensagens.respostas = {Mensagens::RespostaOk, Mensagens::RespostaSim};
        QTest::keyClick(tabela, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(a.mensagens.textos().size(), antes + 3);
        const QStringList ditos = a.mensagens.textos().mid(antes);
        QCOMPARE(ditos.at(0), QStringLiteral("Indique o motivo da anulação da guia %1.").arg(guia(1)));
        QVERIFY2(ditos.at(1).startsWith(QStringLiteral("Anular a guia %1 e a entrada ").arg(guia(1))),
                 qPrintable(ditos.at(1)));
        QVERIFY2(ditos.at(2).startsWith(QStringLiteral("A guia %1 e a entrada ").arg(guia(1))) &&
                     ditos.at(2).endsWith(QStringLiteral(" foram anuladas.")),
                 qPrintable(ditos.at(2)));
        QCOMPARE(a.mensagens.titulosFormularios.constLast(), QStringLiteral("Anular a guia %1").arg(guia(1)));
        QCOMPARE(pendente(1), 5.0);
        QCOMPARE(pendente(2), 4.0);
        // The list says so, the same Guia selected; a second annulment is refused at once.
        QCOMPARE(lista->linhaActual(), 1);
        QCOMPARE(m->index(1, ModeloDocumentos::ColEstado).data().toString(), QStringLiteral("Anulada"));
        QCOMPARE(m->index(0, ModeloDocumentos::ColEstado).data().toString(), QStringLiteral("Emitida"));
        lista->findChild<QPushButton*>(QStringLiteral("anular"))->click();
        QCOMPARE(a.mensagens.textos().constLast(), QStringLiteral("A guia %1 já está anulada.").arg(guia(1)));
        QVERIFY(a.mensagens.formularios.empty());
        lista->close();
        QTRY_VERIFY(!aberto<ListaDocumentos>(j.w));
    }
};

QTEST_MAIN(tst_GuiasJanela)
#include "tst_guiasjanela.moc"
