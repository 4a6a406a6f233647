#include "ModeloGrelha.h"

#include "Erro.h"

#include <QDate>
#include <QDateTime>

#include <limits>
#include <optional>

namespace {

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
        if (tipoNumerico(col.tipo))
            return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::AccessibleDescriptionRole:
        // A screen reader says which column a cell is in.
        return col.titulo;
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
    // The caption is also the heading's tooltip: the heading may show it cut.
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
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
