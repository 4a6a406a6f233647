#include "ApoioWidgets.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

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

QString textoMostrado(const QLabel& rotulo) {
    const Qt::TextFormat f = rotulo.textFormat();
    if (f == Qt::PlainText || (f == Qt::AutoText && !Qt::mightBeRichText(rotulo.text())))
        return rotulo.text();
    QTextDocument d;
    d.setHtml(rotulo.text());
    return d.toPlainText();
}

namespace {

/// The tooltip showing, a label of its own at the top; null when none shows.
QLabel* dicaVisivel() {
    for (QWidget* janela : QApplication::topLevelWidgets())
        if (janela->inherits("QTipLabel") && janela->isVisible())
            return qobject_cast<QLabel*>(janela);
    return nullptr;
}

} // namespace

QString dicaMostrada(QWidget& w, QPoint ponto) {
    // One shown before goes at once (hideText lets it linger), so that it is
    // not read as this one.
    if (QLabel* antes = dicaVisivel())
        antes->hide();
    QHelpEvent e(QEvent::ToolTip, ponto, w.mapToGlobal(ponto));
    QApplication::sendEvent(&w, &e);
    const QLabel* dica = dicaVisivel();
    return dica ? textoMostrado(*dica) : QString();
}
