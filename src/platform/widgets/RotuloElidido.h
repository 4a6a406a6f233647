#pragma once

#include <QLabel>

/// A one-line label for a text that may be longer than its place (a name
/// read from the database, the status line): the text is cut at its end
/// with "…" when it does not fit, and then the whole text is its tooltip.
/// text() is always the whole text.
class RotuloElidido final : public QLabel {
    Q_OBJECT
public:
    explicit RotuloElidido(QWidget* parent = nullptr);

    /// The text as it is drawn.
    QString textoVisivel() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect areaTexto() const;
};
