#include "ApoioWidgets.h"

#include <QApplication>
#include <QTest>

void mostrarActiva(QWidget& janela) {
    janela.show();
    QApplication::setActiveWindow(&janela);
    if (!QTest::qWaitForWindowActive(&janela))
        qFatal("the window did not become active");
}

QWidget* porNome(const QWidget& janela, const QString& nome) {
    auto* c = janela.findChild<QWidget*>(nome);
    if (!c)
        qFatal("the window has no control %s", qPrintable(nome));
    return c;
}
