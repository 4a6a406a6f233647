#include "TextoSimples.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

QString dicaTextoSimples(const QString& texto) {
    if (texto.isEmpty())
        return texto; // no tooltip at all
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(texto.toHtmlEscaped());
}

bool DelegadoTextoSimples::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) {
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QVariant dica = index.isValid() ? index.data(Qt::ToolTipRole) : QVariant();
    const QString texto = dica.isValid() ? displayText(dica, option.locale) : QString();
    // An empty text hides a tooltip shown before.
    QToolTip::showText(event->globalPos(), dicaTextoSimples(texto), view->viewport(), option.rect);
    event->setAccepted(!texto.isEmpty());
    return event->isAccepted();
}
