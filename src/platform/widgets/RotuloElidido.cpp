#include "RotuloElidido.h"

#include "TextoSimples.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

RotuloElidido::RotuloElidido(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

QRect RotuloElidido::areaTexto() const {
    const int m = margin();
    // As QLabel does: a framed label keeps its text half an "x" off the frame.
    const int recuo = indent() >= 0      ? indent()
                      : frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2
                                         : 0;
    return contentsRect().adjusted(m + recuo, m, -m - recuo, -m);
}

QString RotuloElidido::textoVisivel() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, areaTexto().width());
}

void RotuloElidido::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    drawFrame(&p);
    style()->drawItemText(&p, areaTexto(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), textoVisivel(), foregroundRole());
}

bool RotuloElidido::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !toolTip().isEmpty())
        return QLabel::event(event);
    // The whole text, as text, when what shows is only its start.
    const QString visivel = textoVisivel();
    if (visivel == text())
        QToolTip::hideText();
    else
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), dicaTextoSimples(text()), this);
    return true;
}
