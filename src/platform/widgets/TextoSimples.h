#pragma once

#include <QStyledItemDelegate>

class QHelpEvent;

/// `texto` made ready for a tooltip, which takes whatever looks like markup
/// as markup (a client's name "<b>A</b>" would show a bold "A"): rich text
/// that reads as `texto` itself, its markup characters escaped and its
/// blanks and line breaks kept. For text read from the database.
QString dicaTextoSimples(const QString& texto);

/// The item delegate of a list whose cells hold text read from the
/// database: each cell's tooltip (Qt::ToolTipRole) shows its text as it is
/// (dicaTextoSimples); cells are drawn as QStyledItemDelegate draws them,
/// which never reads markup.
class DelegadoTextoSimples final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
