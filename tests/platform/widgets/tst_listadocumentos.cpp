// The documents list, driven by keyboard: the newest selected, Enter, Ctrl+P,
// Ctrl+S and Alt+A ask for the selected row, typing asks for the list again.

#include "Apoio.h"
#include "ApoioWidgets.h"
#include "ListaDocumentos.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

class tst_ListaDocumentos final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void teclado() {
        QStandardItemModel modelo(3, 2);
        for (int i = 0; i < 3; ++i)
            modelo.setItem(i, 0, new QStandardItem(QStringLiteral("GR/1/%1/2026").arg(3 - i)));
        ListaDocumentos d(&modelo, QDate(2026, 3, 5));
        QCOMPARE(d.de(), QDate(2026, 3, 5));
        QCOMPARE(d.ate(), QDate(2026, 3, 5));
        mostrarActiva(d);
        d.seleccionar(-1);
        QCOMPARE(d.linhaActual(), 0);
        auto* lista = d.findChild<QTableView*>(QStringLiteral("lista"));
        QCOMPARE(QApplication::focusWidget(), lista);
        QTest::keyClick(lista, Qt::Key_Down);
        QCOMPARE(d.linhaActual(), 1);

        QSignalSpy previsualizar(&d, &ListaDocumentos::previsualizarPedido),
            imprimir(&d, &ListaDocumentos::imprimirPedido), guardar(&d, &ListaDocumentos::guardarPedido),
            anular(&d, &ListaDocumentos::anularPedido), filtro(&d, &ListaDocumentos::filtroMudou);
        QTest::keyClick(lista, Qt::Key_Return);
        QTest::keyClick(lista, Qt::Key_P, Qt::ControlModifier);
        QTest::keyClick(lista, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(lista, Qt::Key_A, Qt::AltModifier);
        for (QSignalSpy* s : {&previsualizar, &imprimir, &guardar}) {
            QCOMPARE(s->count(), 1);
            QCOMPARE(s->at(0).at(0).toInt(), 1);
        }
        QTRY_COMPARE(anular.count(), 1);
        QCOMPARE(anular.at(0).at(0).toInt(), 1);

        // Alt+R to the search; what is typed asks for the list again, once.
        QTest::keyClick(lista, Qt::Key_R, Qt::AltModifier);
        auto* procura = d.findChild<QLineEdit*>(QStringLiteral("procura"));
        QCOMPARE(QApplication::focusWidget(), procura);
        QTest::keyClicks(procura, QStringLiteral("C1"));
        QVERIFY(filtro.wait(5000));
        QCOMPARE(filtro.count(), 1);
        QCOMPARE(d.procura(), QStringLiteral("C1"));
        QTest::keyClick(procura, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
    }
};

QTEST_MAIN(tst_ListaDocumentos)
#include "tst_listadocumentos.moc"
