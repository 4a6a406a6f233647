// The print preview, driven by keyboard: pages, zoom, print, save, close.

#include "Apoio.h"
#include "ApoioWidgets.h"
#include "DialogoPrevisao.h"
#include "Guarda.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

class tst_DialogoPrevisao final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void teclado() {
        int desenhos = 0;
        MensagensTeste mensagens;
        Guarda guarda(mensagens);
        DialogoPrevisao d(
            QStringLiteral("GR 1/45"),
            [&](QPagedPaintDevice& dispositivo) {
                ++desenhos;
                QPainter p(&dispositivo);
                for (int pagina = 1; pagina <= 3; ++pagina) {
                    if (pagina > 1)
                        dispositivo.newPage();
                    p.drawText(100, 100, QStringLiteral("Página %1").arg(pagina));
                }
            },
            guarda);
        mostrarActiva(d);
        QTRY_COMPARE(d.paginas(), 3);
        QCOMPARE(d.paginaActual(), 1);
        QTest::keyClick(&d, Qt::Key_PageDown);
        QCOMPARE(d.paginaActual(), 2);
        QTest::keyClick(&d, Qt::Key_End);
        QCOMPARE(d.paginaActual(), 3);
        QTest::keyClick(&d, Qt::Key_PageDown);
        QCOMPARE(d.paginaActual(), 3);
        QTest::keyClick(&d, Qt::Key_Home);
        QCOMPARE(d.paginaActual(), 1);
        QTest::keyClick(&d, Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(d.zoom(), 1.0);
        QTest::keyClick(&d, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(d.zoom() > 1.0);

        QSignalSpy imprimir(&d, &DialogoPrevisao::imprimirPedido), guardar(&d, &DialogoPrevisao::guardarPedido);
        QTest::keyClick(&d, Qt::Key_P, Qt::ControlModifier);
        QTest::keyClick(&d, Qt::Key_S, Qt::ControlModifier);
        // A button's access key clicks it once its press has shown.
        QTest::keyClick(d.focusWidget(), Qt::Key_I, Qt::AltModifier);
        QTRY_COMPARE(imprimir.count(), 2);
        QCOMPARE(guardar.count(), 1);
        const int antes = desenhos;
        d.actualizar();
        QTRY_VERIFY(desenhos > antes);
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(tst_DialogoPrevisao)
#include "tst_dialogoprevisao.moc"
