#include "Grelha.h"

#include "CabecalhoGrelha.h"
#include "Twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>

Grelha::Grelha(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new DelegadoGrelha(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);

    // Every row has the same height, so the view never measures rows.
    QHeaderView* vertical = verticalHeader();
    vertical->setSectionResizeMode(QHeaderView::Fixed);
    vertical->setMinimumSectionSize(1);
    vertical->setDefaultSectionSize(fontMetrics().height() + 6);
    vertical->setFixedWidth(twipsParaPixeis(180, this));

    // Captions wider than their column go onto a second line of the heading.
    auto* horizontal = new CabecalhoGrelha(this);
    horizontal->setSectionsClickable(true);
    setHorizontalHeader(horizontal);
    horizontal->setMinimumSectionSize(4);
    horizontal->setHighlightSections(false);
}

void Grelha::setModel(QAbstractItemModel* modelo) {
    disconnect(m_reposicao);
    QTableView::setModel(modelo);
    // A reset gives the header its default sections again.
    if (modelo)
        m_reposicao = connect(modelo, &QAbstractItemModel::modelReset, this, &Grelha::aplicarColunas);
    aplicarColunas();
}

void Grelha::definirCorFundo(const QColor& cor) {
    QPalette p = palette();
    p.setColor(QPalette::Base, cor);
    setPalette(p);
}

void Grelha::removerColunas() {
    m_colunas.clear();
    aplicarColunas();
}

void Grelha::adicionarColuna(const ColunaGrelha& coluna) {
    m_colunas.push_back(coluna);
    aplicarColunas();
}

void Grelha::aplicarColunas() {
    if (!model())
        return;
    const int n = model()->columnCount();
    for (int c = 0; c < n; ++c) {
        const auto i = static_cast<std::size_t>(c);
        // A column not laid out (yet) is hidden: the grid shows what it was given.
        setColumnHidden(c, i >= m_colunas.size() || m_colunas[i].oculta);
        if (i < m_colunas.size())
            setColumnWidth(c, twipsParaPixeis(m_colunas[i].larguraTwips, this));
    }
}

int Grelha::posicaoColuna(const QString& chave) const {
    for (std::size_t i = 0; i < m_colunas.size(); ++i) {
        if (m_colunas[i].chave == chave)
            return static_cast<int>(i) + 1;
    }
    return -1;
}

int Grelha::comprimentoMaximo(int coluna) const {
    if (coluna < 0 || static_cast<std::size_t>(coluna) >= m_colunas.size())
        return 0;
    return m_colunas[static_cast<std::size_t>(coluna)].comprimentoMaximo;
}

void Grelha::alterouValor() {
    if (aoAlterarValor)
        aoAlterarValor();
}

void Grelha::keyPressEvent(QKeyEvent* event) {
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    const int tecla = event->key();
    // Ctrl+Tab leaves the grid, forward or (with Shift) back.
    if ((tecla == Qt::Key_Tab || tecla == Qt::Key_Backtab) && (event->modifiers() & Qt::ControlModifier)) {
        QWidget::focusNextPrevChild(tecla == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        event->accept();
        return;
    }
    const bool enter = (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) && m_modoEnter == 1;
    const bool tab = (tecla == Qt::Key_Tab || tecla == Qt::Key_Backtab) && m_modoTab == 1;
    if ((enter || tab) && state() != QAbstractItemView::EditingState) {
        const bool seguinte = tecla != Qt::Key_Backtab && !(tab && (event->modifiers() & Qt::ShiftModifier));
        const QModelIndex destino = celulaVizinha(currentIndex(), seguinte);
        if (destino.isValid())
            selectionModel()->setCurrentIndex(destino, QItemSelectionModel::ClearAndSelect);
        else if (tab)
            QWidget::focusNextPrevChild(seguinte); // past the last cell: on to the next control
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex Grelha::celulaVizinha(const QModelIndex& actual, bool seguinte) const {
    if (!model())
        return {};
    const int linhas = model()->rowCount();
    const int colunas = model()->columnCount();
    bool algumaVisivel = false;
    for (int c = 0; c < colunas && !algumaVisivel; ++c)
        algumaVisivel = !isColumnHidden(c);
    if (linhas == 0 || !algumaVisivel)
        return {};

    int r = actual.isValid() ? actual.row() : (seguinte ? 0 : linhas - 1);
    int c = actual.isValid() ? actual.column() : (seguinte ? -1 : colunas);
    for (;;) {
        c += seguinte ? 1 : -1;
        if (c >= colunas) {
            if (++r >= linhas)
                return {};
            c = 0;
        } else if (c < 0) {
            if (--r < 0)
                return {};
            c = colunas - 1;
        }
        if (!isColumnHidden(c))
            return model()->index(r, c);
    }
}

bool Grelha::confirmarEdicao(const QModelIndex& index, const QString& texto) {
    // A modal box in the before-commit handler takes the focus from the
    // editor; the commit that may cause must not run the handler again.
    if (m_confirmando || !index.isValid() || !model())
        return false;
    const QScopedValueRollback<bool> guarda(m_confirmando, true);

    const QPersistentModelIndex celula(index);
    m_textoEditor = texto;
    bool cancelar = false;
    if (antesDeConfirmar) {
        QVariant anterior = index.data(Qt::EditRole);
        antesDeConfirmar(celula, texto, anterior, cancelar);
        if (!celula.isValid())
            return false;
    }
    // The handler may have changed the editor's text: that is what is stored.
    if (cancelar || !model()->setData(celula, m_textoEditor, Qt::EditRole)) {
        update(celula);
        return false;
    }
    alterouValor();
    return true;
}

bool Grelha::alternar(const QModelIndex& index) {
    const bool marcado = index.data(Qt::CheckStateRole).toInt() == static_cast<int>(Qt::Checked);
    if (!model()->setData(index, static_cast<int>(marcado ? Qt::Unchecked : Qt::Checked), Qt::CheckStateRole))
        return false;
    alterouValor();
    return true;
}

// ---------------------------------------------------------------------------
// DelegadoGrelha

DelegadoGrelha::DelegadoGrelha(Grelha* grelha) : QStyledItemDelegate(grelha), m_grelha(grelha) {}

QWidget* DelegadoGrelha::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                      const QModelIndex& index) const {
    if (index.flags() & Qt::ItemIsUserCheckable)
        return nullptr;
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    if (const int maximo = m_grelha->comprimentoMaximo(index.column()); maximo > 0)
        editor->setMaxLength(maximo);
    // Aligned as the cell shows its value.
    if (const QVariant alinhamento = index.data(Qt::TextAlignmentRole); alinhamento.isValid())
        editor->setAlignment(Qt::Alignment(alinhamento.toInt()));
    return editor;
}

void DelegadoGrelha::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* linha = qobject_cast<QLineEdit*>(editor);
    if (!linha) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    linha->setText(index.data(Qt::EditRole).toString());
}

void DelegadoGrelha::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    auto* linha = qobject_cast<QLineEdit*>(editor);
    if (!linha) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    // Read the text first: the editor must not be touched once the handler ran.
    const QString texto = linha->text();
    m_grelha->confirmarEdicao(index, texto);
}

bool DelegadoGrelha::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) {
    const Qt::ItemFlags f = model->flags(index);
    if (!(f & Qt::ItemIsUserCheckable) || !(f & Qt::ItemIsEnabled))
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // Left to the view, which makes the cell current; the release toggles.
        return false;
    case QEvent::MouseButtonDblClick:
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseButtonRelease: {
        const auto* rato = static_cast<QMouseEvent*>(event);
        if (rato->button() != Qt::LeftButton || !option.rect.contains(rato->position().toPoint()))
            return false;
        return m_grelha->alternar(index);
    }
    case QEvent::KeyPress: {
        const int tecla = static_cast<QKeyEvent*>(event)->key();
        if (tecla != Qt::Key_Space && tecla != Qt::Key_Select)
            return false;
        return m_grelha->alternar(index);
    }
    default:
        return false;
    }
}

bool DelegadoGrelha::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::KeyPress && m_grelha->m_modoEnter == 1) {
        const int tecla = static_cast<QKeyEvent*>(event)->key();
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && (tecla == Qt::Key_Return || tecla == Qt::Key_Enter)) {
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, QAbstractItemDelegate::EditNextItem);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
