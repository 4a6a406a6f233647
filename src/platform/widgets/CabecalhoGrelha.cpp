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
    QSize tamanho = QHeaderView::sectionSizeFromContents(seccao);
    if (orientation() != Qt::Horizontal)
        return tamanho;
    // The style's height for one line, and a line more for each further line.
    QStyleOptionHeader opcao;
    initStyleOption(&opcao);
    opcao.section = seccao;
    opcao.text = QStringLiteral("X");
    const int umaLinha = style()->sizeFromContents(QStyle::CT_HeaderSection, &opcao, QSize(), this).height();
    const int linhas = static_cast<int>(linhasTitulo(seccao).size());
    tamanho.setHeight(std::max(tamanho.height(), umaLinha + (linhas - 1) * fontMetrics().lineSpacing()));
    return tamanho;
}

QSize CabecalhoGrelha::sizeHint() const {
    QSize tamanho = QHeaderView::sizeHint();
    if (orientation() != Qt::Horizontal)
        return tamanho;
    // Not the base's cached figure: a column made narrower may need a line more.
    tamanho.setHeight(std::max(tamanho.height(), alturaSeccoes()));
    return tamanho;
}

QVariantList CabecalhoGrelha::chaveAltura() const {
    QVariantList k{font(),
                   QVariant::fromValue(reinterpret_cast<quintptr>(style())),
                   height(),
                   minimumSectionSize(),
                   isSortIndicatorShown(),
                   sortIndicatorSection(),
                   static_cast<int>(sortIndicatorOrder()),
                   count()};
    const QAbstractItemModel* m = model();
    for (int s = 0; s < count(); ++s) {
        k << isSectionHidden(s) << sectionSize(s);
        if (m)
            for (const int papel :
                 {int(Qt::DisplayRole), int(Qt::FontRole), int(Qt::SizeHintRole), int(Qt::DecorationRole)})
                // A value that cannot be compared (an icon) never matches: measured again.
                k << m->headerData(s, orientation(), papel);
    }
    return k;
}

int CabecalhoGrelha::alturaSeccoes() const {
    QVariantList chave = chaveAltura();
    if (chave == m_chaveAltura)
        return m_alturaSeccoes;
    int altura = 0;
    for (int s = 0; s < count(); ++s)
        if (!isSectionHidden(s))
            altura = std::max(altura, sectionSizeFromContents(s).height());
    m_chaveAltura = std::move(chave);
    m_alturaSeccoes = altura;
    return altura;
}

void CabecalhoGrelha::initStyleOptionForIndex(QStyleOptionHeader* option, int seccao) const {
    QHeaderView::initStyleOptionForIndex(option, seccao);
    if (orientation() != Qt::Horizontal)
        return;
    option->text = linhasTitulo(seccao).join(QLatin1Char('\n'));
    if (auto* v2 = qstyleoption_cast<QStyleOptionHeaderV2*>(option))
        v2->textElideMode = Qt::ElideNone;
}
