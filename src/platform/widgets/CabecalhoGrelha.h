#pragma once

#include <QHeaderView>

#include <utility>
#include <vector>

/// The grid's column headings. A caption wider than its column is broken
/// between words onto a second line (the heading grows to hold it), and a
/// line still too wide is cut with "…"; the column keeps its width, and the
/// model gives the whole caption as the heading's tooltip.
class CabecalhoGrelha final : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int MaximoLinhas = 2;

    explicit CabecalhoGrelha(QWidget* parent = nullptr);

    /// The caption of a section as it is drawn, line by line.
    QStringList linhasTitulo(int seccao) const;
    /// The width a section leaves for its caption.
    int larguraTexto(int seccao) const;

    /// As tall as the caption with the most lines needs.
    QSize sizeHint() const override;

protected:
    QSize sectionSizeFromContents(int seccao) const override;
    void initStyleOptionForIndex(QStyleOptionHeader* option, int seccao) const override;

private:
    /// What a section's size depends on: the font, the style, the screen's
    /// resolution, the heading's settings and the section's width and header
    /// data.
    QVariantList chaveSeccao(int seccao) const;

    /// Each horizontal section's size with what it was measured from. While
    /// the window is laid out the table asks for the heading's size many
    /// times over, and breaking every caption into lines and measuring them
    /// each time was a good part of start-up: a section is measured again
    /// only when something it depends on changed.
    mutable std::vector<std::pair<QVariantList, QSize>> m_medidas;
};
