#include "Grelha.h"

#include "CabecalhoGrelha.h"
#include "NumeroOle.h"
#include "Twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include <cmath>

namespace {

/// Largest magnitude a currency value takes, as a double.
constexpr double LimiteMoeda = 922337203685477.0;

} // namespace

Grelha::Grelha(QWidget* parent) : QTableView(parent), m_modelo(new ModeloGrelha(this)) {
    setModel(m_modelo);
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

    connect(m_modelo, &ModeloGrelha::valorAlterado, this, [this] {
        if (aoAlterarValor)
            aoAlterarValor();
    });
}

void Grelha::definirCorFundo(const QColor& cor) {
    QPalette p = palette();
    p.setColor(QPalette::Base, cor);
    setPalette(p);
}

void Grelha::removerColunas() {
    m_modelo->removerColunas();
}

void Grelha::adicionarColuna(const DefinicaoColuna& coluna) {
    m_modelo->adicionarColuna(coluna);
    const int i = m_modelo->numeroColunas() - 1;
    setColumnWidth(i, twipsParaPixeis(coluna.larguraTwips, this));
    setColumnHidden(i, coluna.oculta);
}

int Grelha::posicaoColuna(const QString& chave) const {
    const int i = m_modelo->indiceColuna(chave);
    return i < 0 ? -1 : i + 1;
}

int Grelha::linhaActual() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

int Grelha::posicaoColunaActual() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() + 1 : 0;
}

QVariant Grelha::valorCelula(int linha, int posicao) const {
    return m_modelo->valor(linha, posicao - 1);
}

void Grelha::definirValorCelula(int linha, int posicao, const QVariant& v) {
    m_modelo->definirValorCelula(linha, posicao - 1, v);
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
    const int linhas = m_modelo->numeroLinhas();
    const int colunas = m_modelo->numeroColunas();
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
            return m_modelo->index(r, c);
    }
}

QVariant Grelha::valorDoTexto(int indice, const QString& texto) const {
    const DefinicaoColuna& col = m_modelo->coluna(indice);
    switch (col.tipo) {
    case TipoColuna::Moeda: {
        const auto d = converterNumeroOle(texto, m_modelo->locale());
        if (!d || std::fabs(*d) > LimiteMoeda)
            return {};
        return QVariant::fromValue(Moeda::deDouble(*d));
    }
    case TipoColuna::Inteiro16:
    case TipoColuna::Inteiro32: {
        const auto d = converterNumeroOle(texto, m_modelo->locale());
        if (!d)
            return {};
        const double r = std::nearbyint(*d);
        const double limite = col.tipo == TipoColuna::Inteiro16 ? 32767.0 : 2147483647.0;
        if (r > limite || r < -limite - 1)
            return {};
        return static_cast<int>(r);
    }
    case TipoColuna::Booleano: {
        const QVariant b = m_modelo->converter(indice, texto);
        return b.typeId() == QMetaType::Bool ? b : QVariant();
    }
    case TipoColuna::Texto:
        break;
    }
    return texto;
}

bool Grelha::confirmarEdicao(const QModelIndex& index, const QString& texto) {
    // A modal box in the before-commit handler takes the focus from the
    // editor; the commit that may cause must not run the handler again.
    if (m_confirmando || !index.isValid())
        return false;
    const QScopedValueRollback<bool> guarda(m_confirmando, true);

    const QPersistentModelIndex celula(index);
    m_textoEditor = texto;
    const QVariant anterior = m_modelo->valor(index.row(), index.column());

    bool cancelar = false;
    if (antesDeConfirmar) {
        // While the handler runs the cell holds the value being committed.
        const QVariant proposto = valorDoTexto(index.column(), texto);
        if (proposto.isValid())
            m_modelo->definirValor(index.row(), index.column(), proposto);
        QVariant copia = anterior;
        try {
            antesDeConfirmar(index.row(), index.column() + 1, copia, cancelar);
        } catch (...) {
            if (celula.isValid())
                m_modelo->definirValor(celula.row(), celula.column(), anterior);
            throw;
        }
        if (!celula.isValid())
            return false;
        m_modelo->definirValor(celula.row(), celula.column(), anterior);
    }
    if (cancelar) {
        update(celula);
        return false;
    }
    // The handler may have changed the editor's text: that is what is stored.
    const QVariant valor = valorDoTexto(celula.column(), m_textoEditor);
    if (!valor.isValid()) {
        update(celula);
        return false;
    }
    return m_modelo->setData(celula, valor, Qt::EditRole);
}

// ---------------------------------------------------------------------------
// DelegadoGrelha

DelegadoGrelha::DelegadoGrelha(Grelha* grelha) : QStyledItemDelegate(grelha), m_grelha(grelha) {}

QWidget* DelegadoGrelha::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                      const QModelIndex& index) const {
    const DefinicaoColuna& col = m_grelha->modelo().coluna(index.column());
    if (col.caixaVerificacao)
        return nullptr;
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    if (col.comprimentoMaximo > 0)
        editor->setMaxLength(col.comprimentoMaximo);
    if (tipoNumerico(col.tipo))
        editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return editor;
}

void DelegadoGrelha::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* linha = qobject_cast<QLineEdit*>(editor);
    if (!linha) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    const QVariant v = index.data(Qt::EditRole);
    linha->setText(v.typeId() == QMetaType::QString ? v.toString()
                                                    : m_grelha->modelo().textoVisivel(index.column(), v));
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

    auto alternar = [&] {
        const bool marcado = index.data(Qt::CheckStateRole).toInt() == static_cast<int>(Qt::Checked);
        return model->setData(index, static_cast<int>(marcado ? Qt::Unchecked : Qt::Checked), Qt::CheckStateRole);
    };

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
        return alternar();
    }
    case QEvent::KeyPress: {
        const int tecla = static_cast<QKeyEvent*>(event)->key();
        if (tecla != Qt::Key_Space && tecla != Qt::Key_Select)
            return false;
        return alternar();
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
