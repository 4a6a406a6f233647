#include "Grelha.h"

#include "Erro.h"
#include "NumeroOle.h"

#include <QDate>
#include <QDateTime>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScreen>

#include <cmath>
#include <limits>
#include <optional>

namespace {

/// Largest magnitude a currency value takes, as a double.
constexpr double LimiteMoeda = 922337203685477.0;

bool eNumerica(TipoColuna t) {
    return t == TipoColuna::Moeda || t == TipoColuna::Inteiro16 || t == TipoColuna::Inteiro32;
}

bool eMoeda(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<Moeda>();
}

/// A value read as a boolean: booleans, numbers (non-zero is true), the texts
/// "True"/"False" in any case and numeric texts. Empty when it is none of these.
std::optional<bool> paraBooleano(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Char:
        return v.toLongLong() != 0;
    case QMetaType::Double:
    case QMetaType::Float:
        return v.toDouble() != 0.0;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString t = v.toString().trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        if (const auto m = Moeda::deTextoC(t))
            return m->unidades() != 0;
        return std::nullopt;
    }
    default:
        break;
    }
    if (eMoeda(v))
        return v.value<Moeda>().unidades() != 0;
    return std::nullopt;
}

/// Whether converter() would give `v` back as it is: a mark already a
/// boolean, a currency value already Moeda, or a column that converts nothing.
bool jaConvertido(const DefinicaoColuna& col, const QVariant& v) {
    if (col.caixaVerificacao || col.tipo == TipoColuna::Booleano)
        return v.typeId() == QMetaType::Bool;
    if (col.tipo == TipoColuna::Moeda)
        return eMoeda(v);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// ModeloGrelha

ModeloGrelha::ModeloGrelha(QObject* parent) : QAbstractTableModel(parent) {
    definirLocale(QLocale());
}

void ModeloGrelha::definirLocale(const QLocale& locale) {
    m_locale = locale;
    m_localeGeral = locale;
    m_localeGeral.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    actualizar();
}

void ModeloGrelha::removerColunas() {
    beginResetModel();
    m_colunas.clear();
    // With the columns go the values: the rows stay, empty.
    for (LinhaGrelha& linha : m_linhas)
        LinhaGrelha().swap(linha);
    endResetModel();
}

void ModeloGrelha::adicionarColuna(const DefinicaoColuna& coluna) {
    const int n = numeroColunas();
    beginInsertColumns(QModelIndex(), n, n);
    m_colunas.push_back(coluna);
    endInsertColumns();
}

const DefinicaoColuna& ModeloGrelha::coluna(int indice) const {
    if (indice < 0 || indice >= numeroColunas())
        throw Erro(Erro::Grelha, QStringLiteral("A grelha não tem a coluna %1.").arg(indice));
    return m_colunas[static_cast<std::size_t>(indice)];
}

int ModeloGrelha::indiceColuna(const QString& chave) const {
    for (std::size_t i = 0; i < m_colunas.size(); ++i) {
        if (m_colunas[i].chave == chave)
            return static_cast<int>(i);
    }
    return -1;
}

void ModeloGrelha::definirNumeroLinhas(int n) {
    if (n < 0)
        throw Erro(Erro::Grelha, QStringLiteral("Número de linhas inválido: %1.").arg(n));
    const int actual = numeroLinhas();
    if (n > actual) {
        beginInsertRows(QModelIndex(), actual, n - 1);
        m_linhas.resize(static_cast<std::size_t>(n));
        endInsertRows();
    } else if (n < actual) {
        beginRemoveRows(QModelIndex(), n, actual - 1);
        m_linhas.resize(static_cast<std::size_t>(n));
        endRemoveRows();
    }
}

void ModeloGrelha::limparValores() {
    for (LinhaGrelha& linha : m_linhas)
        LinhaGrelha().swap(linha);
    actualizar();
}

void ModeloGrelha::foraDaGrelha(int linha, int indice) {
    throw Erro(Erro::Grelha, QStringLiteral("A grelha não tem a célula (%1, %2).").arg(linha).arg(indice));
}

QVariant& ModeloGrelha::celula(int linha, int indice) {
    LinhaGrelha& l = m_linhas[static_cast<std::size_t>(linha)];
    if (l.size() <= static_cast<std::size_t>(indice))
        l.resize(m_colunas.size());
    return l[static_cast<std::size_t>(indice)];
}

void ModeloGrelha::guardar(int linha, int indice, QVariant v) {
    celula(linha, indice) = std::move(v);
}

const QVariant& ModeloGrelha::valorRef(int linha, int indice) const {
    verificar(linha, indice);
    static const QVariant vazio;
    const LinhaGrelha& l = m_linhas[static_cast<std::size_t>(linha)];
    return static_cast<std::size_t>(indice) < l.size() ? l[static_cast<std::size_t>(indice)] : vazio;
}

QVariant ModeloGrelha::valor(int linha, int indice) const {
    verificar(linha, indice);
    const LinhaGrelha& l = m_linhas[static_cast<std::size_t>(linha)];
    return static_cast<std::size_t>(indice) < l.size() ? l[static_cast<std::size_t>(indice)] : QVariant();
}

void ModeloGrelha::definirValor(int linha, int indice, const QVariant& v) {
    verificar(linha, indice);
    // `v` may be a cell of this very row (valorRef): growing the row would move it.
    if (m_linhas[static_cast<std::size_t>(linha)].size() <= static_cast<std::size_t>(indice)) {
        definirValor(linha, indice, QVariant(v));
        return;
    }
    // A value already of the column's type is what converter() would give back.
    if (jaConvertido(m_colunas[static_cast<std::size_t>(indice)], v))
        celula(linha, indice) = v;
    else
        celula(linha, indice) = converter(indice, v);
}

void ModeloGrelha::definirValor(int linha, int indice, QVariant&& v) {
    verificar(linha, indice);
    if (jaConvertido(m_colunas[static_cast<std::size_t>(indice)], v))
        celula(linha, indice) = std::move(v);
    else
        celula(linha, indice) = converter(indice, v);
}

void ModeloGrelha::definirValorCelula(int linha, int indice, const QVariant& v) {
    definirValor(linha, indice, v);
    const QModelIndex i = index(linha, indice);
    Q_EMIT dataChanged(i, i);
}

void ModeloGrelha::escreverLinhas(int primeira, std::vector<LinhaGrelha>&& linhas, int novoTotal) {
    const int antes = numeroLinhas();
    if (primeira < 0 || linhas.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() - primeira))
        throw Erro(Erro::Grelha, QStringLiteral("Linha inválida: %1.").arg(primeira));
    const int fim = primeira + static_cast<int>(linhas.size());
    const int total = std::max(novoTotal, fim);

    // Only the columns that hold converted values need a look at each cell.
    const std::size_t colunas = m_colunas.size();
    std::vector<std::size_t> aConverter;
    for (std::size_t c = 0; c < colunas; ++c) {
        const DefinicaoColuna& col = m_colunas[c];
        if (col.tipo == TipoColuna::Moeda || col.tipo == TipoColuna::Booleano || col.caixaVerificacao)
            aConverter.push_back(c);
    }
    for (LinhaGrelha& linha : linhas) {
        if (linha.size() > colunas)
            linha.resize(colunas);
        for (std::size_t c : aConverter) {
            // A value already of the column's type (the load's currency values
            // and marks) is what converter() would give back.
            if (c >= linha.size())
                continue;
            const QVariant& v = linha[c];
            if (!jaConvertido(m_colunas[c], v))
                linha[c] = converter(static_cast<int>(c), v);
        }
    }

    // A written row carries the cells it puts; a cell it leaves empty (or
    // does not reach) keeps what the store held, as with one put per cell.
    auto colocar = [&](int de, int ate) {
        for (int r = std::max(de, primeira); r < std::min(ate, fim); ++r) {
            LinhaGrelha& destino = m_linhas[static_cast<std::size_t>(r)];
            LinhaGrelha& origem = linhas[static_cast<std::size_t>(r - primeira)];
            if (destino.empty()) {
                destino = std::move(origem);
                continue;
            }
            if (destino.size() < origem.size())
                destino.resize(colunas);
            for (std::size_t c = 0; c < origem.size(); ++c) {
                if (origem[c].isValid())
                    destino[c] = std::move(origem[c]);
            }
        }
    };

    // New rows get their values inside the insertion; rows already there are
    // replaced afterwards and announced with one change over the whole range.
    if (total > antes) {
        beginInsertRows(QModelIndex(), antes, total - 1);
        m_linhas.resize(static_cast<std::size_t>(total));
        colocar(antes, total);
        endInsertRows();
    } else if (total < antes) {
        beginRemoveRows(QModelIndex(), total, antes - 1);
        m_linhas.resize(static_cast<std::size_t>(total));
        endRemoveRows();
    }
    const int existentes = std::min(antes, total);
    colocar(0, existentes);
    const int ultima = std::min(fim, existentes) - 1;
    if (primeira <= ultima && colunas > 0)
        Q_EMIT dataChanged(index(primeira, 0), index(ultima, static_cast<int>(colunas) - 1));
}

void ModeloGrelha::actualizar() {
    if (m_linhas.empty() || m_colunas.empty())
        return;
    Q_EMIT dataChanged(index(0, 0), index(numeroLinhas() - 1, numeroColunas() - 1));
}

void ModeloGrelha::actualizarColunas(std::initializer_list<int> indices) {
    if (m_linhas.empty())
        return;
    for (int c : indices) {
        if (c >= 0 && c < numeroColunas())
            Q_EMIT dataChanged(index(0, c), index(numeroLinhas() - 1, c));
    }
}

int ModeloGrelha::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : numeroLinhas();
}

int ModeloGrelha::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : numeroColunas();
}

QVariant ModeloGrelha::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= numeroLinhas() || index.column() >= numeroColunas())
        return {};
    const std::size_t c = static_cast<std::size_t>(index.column());
    const DefinicaoColuna& col = m_colunas[c];
    const LinhaGrelha& linha = m_linhas[static_cast<std::size_t>(index.row())];
    static const QVariant vazio;
    const QVariant& v = c < linha.size() ? linha[c] : vazio;

    switch (role) {
    case Qt::DisplayRole:
        return textoVisivel(index.column(), v);
    case Qt::EditRole:
        if (col.tipo == TipoColuna::Moeda && eMoeda(v))
            return textoEditavel(v.value<Moeda>());
        return v;
    case Qt::CheckStateRole:
        if (!col.caixaVerificacao)
            return {};
        return static_cast<int>(paraBooleano(v).value_or(false) ? Qt::Checked : Qt::Unchecked);
    case Qt::TextAlignmentRole:
        if (eNumerica(col.tipo))
            return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

bool ModeloGrelha::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    const DefinicaoColuna& col = m_colunas[static_cast<std::size_t>(index.column())];
    if (role == Qt::CheckStateRole) {
        if (!col.caixaVerificacao)
            return false;
        const bool marcado =
            value.typeId() == QMetaType::Bool ? value.toBool() : value.toInt() == static_cast<int>(Qt::Checked);
        guardar(index.row(), index.column(), marcado);
        Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
        Q_EMIT valorAlterado();
        return true;
    }
    if (role == Qt::EditRole) {
        if (col.caixaVerificacao || col.soLeitura)
            return false;
        guardar(index.row(), index.column(), converter(index.column(), value));
        Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        Q_EMIT valorAlterado();
        return true;
    }
    return false;
}

QVariant ModeloGrelha::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return QString(); // the row header is a narrow strip with no numbers
    if (section < 0 || section >= numeroColunas())
        return {};
    return m_colunas[static_cast<std::size_t>(section)].titulo;
}

Qt::ItemFlags ModeloGrelha::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.column() >= numeroColunas())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const DefinicaoColuna& col = m_colunas[static_cast<std::size_t>(index.column())];
    if (col.caixaVerificacao)
        f |= Qt::ItemIsUserCheckable;
    else if (!col.soLeitura)
        f |= Qt::ItemIsEditable;
    return f;
}

QString ModeloGrelha::textoVisivel(int indice, const QVariant& v) const {
    const DefinicaoColuna& col = coluna(indice);
    if (col.caixaVerificacao || !v.isValid() || v.isNull())
        return {};
    // The grid knows one numeric display format: grouped, two decimals.
    if (col.tipo == TipoColuna::Moeda && !col.formato.isEmpty()) {
        if (eMoeda(v))
            return v.value<Moeda>().formatar(m_locale);
        if (v.typeId() != QMetaType::QString) {
            if (const auto m = Moeda::deVariant(v))
                return m->formatar(m_locale);
        }
    }
    return textoGeral(v);
}

QString ModeloGrelha::textoGeral(const QVariant& v) const {
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::SChar:
        return m_localeGeral.toString(v.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UChar:
        return m_localeGeral.toString(v.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return m_localeGeral.toString(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("dd-MM-yyyy"));
    case QMetaType::QDateTime: {
        const QDateTime d = v.toDateTime();
        if (d.time() == QTime(0, 0))
            return d.date().toString(QStringLiteral("dd-MM-yyyy"));
        return d.toString(QStringLiteral("dd-MM-yyyy hh:mm:ss"));
    }
    default:
        break;
    }
    if (eMoeda(v))
        return textoEditavel(v.value<Moeda>());
    return v.toString();
}

QString ModeloGrelha::textoEditavel(const Moeda& m) const {
    QString t = m.paraTextoC();
    const QString decimal = m_locale.decimalPoint();
    if (decimal != QLatin1String("."))
        t.replace(QLatin1Char('.'), decimal);
    const QString menos = m_locale.negativeSign();
    if (m.unidades() < 0 && menos != QLatin1String("-"))
        t.replace(0, 1, menos);
    return t;
}

QVariant ModeloGrelha::converter(int indice, const QVariant& v) const {
    const DefinicaoColuna& col = coluna(indice);
    if (!v.isValid() || v.isNull())
        return v;
    if (col.caixaVerificacao || col.tipo == TipoColuna::Booleano) {
        if (const auto b = paraBooleano(v))
            return *b;
        return v;
    }
    if (col.tipo == TipoColuna::Moeda) {
        if (eMoeda(v))
            return v;
        if (const auto m = Moeda::deVariant(v))
            return QVariant::fromValue(*m);
    }
    return v;
}

// ---------------------------------------------------------------------------
// Grelha

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

    QHeaderView* horizontal = horizontalHeader();
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
    if (eNumerica(col.tipo))
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

// ---------------------------------------------------------------------------

int twipsParaPixeis(int twips, const QWidget* referencia, bool vertical) {
    double dpi = 96.0;
    if (referencia) {
        dpi = vertical ? referencia->logicalDpiY() : referencia->logicalDpiX();
    } else if (qGuiApp) {
        if (const QScreen* ecra = QGuiApplication::primaryScreen())
            dpi = vertical ? ecra->logicalDotsPerInchY() : ecra->logicalDotsPerInchX();
    }
    if (dpi <= 0)
        dpi = 96.0;
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}
