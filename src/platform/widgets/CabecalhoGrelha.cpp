#include "CabecalhoGrelha.h"

#include <QStyleOptionHeader>

#include <algorithm>

CabecalhoGrelha::CabecalhoGrelha(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    // The lines are cut here, each on its own; the style must not cut them again.
    setTextElideMode(Qt::ElideNone);
}

int CabecalhoGrelha::larguraTexto(int seccao) const {
    QStyleOptionHeader opcao;
    initStyleOption(&opcao);
    opcao.section = seccao;
    opcao.rect = QRect(0, 0, sectionSize(seccao), std::max(height(), fontMetrics().height()));
    return style()->subElementRect(QStyle::SE_HeaderLabel, &opcao, this).width();
}

QStringList CabecalhoGrelha::linhasTitulo(int seccao) const {
    if (!model())
        return {};
    const QString titulo = model()->headerData(seccao, orientation(), Qt::DisplayRole).toString();
    const int largura = larguraTexto(seccao);
    const QFontMetrics fm = fontMetrics();
    // Word by word, as many on a line as fit; a word wider than the column stands alone.
    QStringList linhas;
    QString linha;
    for (const QString& palavra : titulo.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString junta = linha.isEmpty() ? palavra : linha + QLatin1Char(' ') + palavra;
        if (linha.isEmpty() || fm.horizontalAdvance(junta) <= largura) {
            linha = junta;
        } else {
            linhas << linha;
            linha = palavra;
        }
    }
    if (!linha.isEmpty() || linhas.isEmpty())
        linhas << linha;
    // What does not fit in the heading's lines goes on its last one, to be cut there.
    while (linhas.size() > MaximoLinhas)
        linhas[MaximoLinhas - 1] += QLatin1Char(' ') + linhas.takeAt(MaximoLinhas);
    for (QString& l : linhas)
        l = fm.elidedText(l, Qt::ElideRight, largura);
    return linhas;
}

QSize CabecalhoGrelha::sectionSizeFromContents(int seccao) const {
    if (orientation() != Qt::Horizontal)
        return QHeaderView::sectionSizeFromContents(seccao);
    QVariantList chave = chaveSeccao(seccao);
    const auto i = static_cast<std::size_t>(seccao);
    if (i < m_medidas.size() && m_medidas[i].first == chave)
        return m_medidas[i].second;
    QSize tamanho = QHeaderView::sectionSizeFromContents(seccao);
    // The style's height for one line, and a line more for each further line.
    QStyleOptionHeader opcao;
    initStyleOption(&opcao);
    opcao.section = seccao;
    opcao.text = QStringLiteral("X");
    const int umaLinha = style()->sizeFromContents(QStyle::CT_HeaderSection, &opcao, QSize(), this).height();
    const int linhas = static_cast<int>(linhasTitulo(seccao).size());
    tamanho.setHeight(std::max(tamanho.height(), umaLinha + (linhas - 1) * fontMetrics().lineSpacing()));
    if (i >= m_medidas.size())
        m_medidas.resize(i + 1);
    m_medidas[i] = {std::move(chave), tamanho};
    return tamanho;
}

QSize CabecalhoGrelha::sizeHint() const {
    QSize tamanho = QHeaderView::sizeHint();
    if (orientation() != Qt::Horizontal)
        return tamanho;
    // Not the base's cached figure: a column made narrower may need a line more.
    for (int s = 0; s < count(); ++s)
        if (!isSectionHidden(s))
            tamanho.setHeight(std::max(tamanho.height(), sectionSizeFromContents(s).height()));
    return tamanho;
}

QVariantList CabecalhoGrelha::chaveSeccao(int seccao) const {
    QVariantList k{font(),
                   QVariant::fromValue(reinterpret_cast<quintptr>(style())),
                   logicalDpiY(),
                   devicePixelRatio(),
                   isEnabled(),
                   height(),
                   minimumSectionSize(),
                   static_cast<int>(defaultAlignment()),
                   isSortIndicatorShown(),
                   sortIndicatorSection(),
                   static_cast<int>(sortIndicatorOrder()),
                   sectionSize(seccao)};
    if (const QAbstractItemModel* m = model())
        for (const int papel : {int(Qt::DisplayRole), int(Qt::FontRole), int(Qt::SizeHintRole), int(Qt::DecorationRole),
                                int(Qt::TextAlignmentRole)})
            // A value that cannot be compared (an icon) never matches: measured again.
            k << m->headerData(seccao, orientation(), papel);
    return k;
}

void CabecalhoGrelha::initStyleOptionForIndex(QStyleOptionHeader* option, int seccao) const {
    QHeaderView::initStyleOptionForIndex(option, seccao);
    if (orientation() != Qt::Horizontal)
        return;
    option->text = linhasTitulo(seccao).join(QLatin1Char('\n'));
    if (auto* v2 = qstyleoption_cast<QStyleOptionHeaderV2*>(option))
        v2->textElideMode = Qt::ElideNone;
}
