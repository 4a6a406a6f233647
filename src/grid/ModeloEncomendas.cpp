#include "ModeloEncomendas.h"

#include "Erro.h"
#include "NumeroOle.h"

#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

/// Largest magnitude a currency value takes, as a double.
constexpr double LimiteMoeda = 922337203685477.0;

/// "dd-mm-yyyy"; empty for no date. Written digit by digit for the years
/// 1000 to 9999: a screenful of rows asks for it at every paint.
QString textoDia(const QDate& d) {
    if (!d.isValid())
        return {};
    int ano = 0, mes = 0, dia = 0;
    d.getDate(&ano, &mes, &dia);
    if (ano < 1000 || ano > 9999)
        return d.toString(QStringLiteral("dd-MM-yyyy"));
    QString r(10, Qt::Uninitialized);
    QChar* p = r.data();
    auto digitos = [](QChar* q, int v, int n) {
        for (int i = n - 1; i >= 0; --i, v /= 10)
            q[i] = QChar(static_cast<char16_t>(u'0' + v % 10));
    };
    digitos(p, dia, 2);
    p[2] = QLatin1Char('-');
    digitos(p + 3, mes, 2);
    p[5] = QLatin1Char('-');
    digitos(p + 6, ano, 4);
    return r;
}

/// Lets go of the lines. A large grid's lines hold tens of thousands of texts
/// whose memory is freed one by one: that is done on another core, so that
/// clearing the grid after a Guia or before a load does not hold the window
/// up. The texts are the lines' own or shared by reference counts, which are
/// safe to drop from any thread.
void largar(std::vector<LinhaEncomenda>&& linhas) {
    constexpr std::size_t Poucas = 2000;
    if (linhas.size() < Poucas) {
        linhas.clear();
        return;
    }
    auto aLargar = std::make_shared<std::vector<LinhaEncomenda>>(std::move(linhas));
    QThreadPool::globalInstance()->start([aLargar] { aLargar->clear(); });
}

bool numerica(TipoColuna t) {
    return t == TipoColuna::Moeda || t == TipoColuna::Inteiro16 || t == TipoColuna::Inteiro32;
}

} // namespace

ModeloEncomendas::ModeloEncomendas(QObject* parent) : QAbstractTableModel(parent) {}

void ModeloEncomendas::definirLocale(const QLocale& locale) {
    m_locale = locale;
    if (!m_marcas.empty())
        Q_EMIT dataChanged(index(0, 0), index(numeroLinhas() - 1, NumeroColunasEncomenda - 1));
}

void ModeloEncomendas::recomecar(int linhas) {
    if (linhas < 0)
        throw Erro(Erro::Grelha, QStringLiteral("Número de linhas inválido: %1.").arg(linhas));
    beginResetModel();
    largar(std::move(m_encomendas));
    m_encomendas.clear();
    m_marcas.assign(static_cast<std::size_t>(linhas), Marca());
    endResetModel();
}

void ModeloEncomendas::acrescentarLinhas(std::vector<LinhaEncomenda>&& linhas, int minimo) {
    const std::size_t primeira = m_encomendas.size();
    const std::size_t fim = primeira + linhas.size();
    const std::size_t antes = m_marcas.size();
    const std::size_t total = std::max({fim, antes, static_cast<std::size_t>(std::max(minimo, 0))});
    if (total > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw Erro(Erro::Grelha, QStringLiteral("A grelha não leva %1 linhas.").arg(total));

    if (m_encomendas.empty())
        m_encomendas = std::move(linhas);
    else
        m_encomendas.insert(m_encomendas.end(), std::make_move_iterator(linhas.begin()),
                            std::make_move_iterator(linhas.end()));
    // First the empty rows that took lines (the rows after them do not exist
    // for the views yet), then the new rows.
    const std::size_t ultima = std::min(fim, antes);
    for (std::size_t r = primeira; r < ultima; ++r)
        m_marcas[r] = Marca{false, Moeda()};
    if (primeira < ultima)
        Q_EMIT dataChanged(index(static_cast<int>(primeira), 0),
                           index(static_cast<int>(ultima) - 1, NumeroColunasEncomenda - 1));
    if (total > antes) {
        beginInsertRows(QModelIndex(), static_cast<int>(antes), static_cast<int>(total) - 1);
        m_marcas.resize(total);
        for (std::size_t r = antes; r < fim; ++r)
            m_marcas[r] = Marca{false, Moeda()};
        endInsertRows();
    }
}

void ModeloEncomendas::semLinha(int linha) {
    throw Erro(Erro::Grelha, QStringLiteral("A grelha não tem a linha %1.").arg(linha));
}

void ModeloEncomendas::definirMarca(int linha, bool marcada) {
    exigirLinha(linha);
    m_marcas[static_cast<std::size_t>(linha)].marcada = marcada;
    // The lists of roles are made once: a tick should not allocate.
    static const QList<int> papeis{Qt::CheckStateRole};
    const QModelIndex i = indice(linha, ColunaEncomenda::AN);
    Q_EMIT dataChanged(i, i, papeis);
}

void ModeloEncomendas::definirQuantidade(int linha, std::optional<Moeda> quantidade) {
    exigirLinha(linha);
    m_marcas[static_cast<std::size_t>(linha)].quantidade = quantidade;
    static const QList<int> papeis{Qt::DisplayRole, Qt::EditRole};
    const QModelIndex i = indice(linha, ColunaEncomenda::Qtd);
    Q_EMIT dataChanged(i, i, papeis);
}

void ModeloEncomendas::seguirMarca(int linha) {
    if (!marcada(linha))
        definirQuantidade(linha, Moeda());
    else if (quantidade(linha).value_or(Moeda()) == Moeda())
        definirQuantidade(linha, quantidadePendente(linha));
}

void ModeloEncomendas::marcarTodas(bool marcar) {
    for (std::size_t r = 0; r < m_encomendas.size(); ++r) {
        const LinhaEncomenda& l = m_encomendas[r];
        if (l.artigo.isEmpty())
            continue;
        m_marcas[r] = marcar ? Marca{true, l.quantidadePendente} : Marca{false, Moeda()};
    }
    // Only the marks and the quantities changed: only they are painted again.
    if (m_encomendas.empty())
        return;
    const int ultima = static_cast<int>(m_encomendas.size()) - 1;
    for (ColunaEncomenda c : {ColunaEncomenda::AN, ColunaEncomenda::Qtd})
        Q_EMIT dataChanged(indice(0, c), indice(ultima, c));
}

std::vector<LinhaMarcada> ModeloEncomendas::linhasMarcadas() const {
    std::vector<LinhaMarcada> r;
    for (std::size_t i = 0; i < m_encomendas.size(); ++i) {
        const Marca& m = m_marcas[i];
        if (m.marcada && !m_encomendas[i].artigo.isEmpty())
            r.push_back({m_encomendas[i], m.quantidade.value_or(Moeda())});
    }
    return r;
}

int ModeloEncomendas::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : numeroLinhas();
}

int ModeloEncomendas::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : NumeroColunasEncomenda;
}

QString ModeloEncomendas::textoEditavel(const Moeda& m) const {
    QString t = m.paraTexto(m_locale.decimalPoint(), 0);
    const QString menos = m_locale.negativeSign();
    if (m.unidades() < 0 && menos != QLatin1String("-"))
        t.replace(0, 1, menos);
    return t;
}

QString ModeloEncomendas::textoMoeda(const Moeda& m, ColunaEncomenda c) const {
    // The grid knows one numeric display format: grouped, two decimals.
    return definicao(c).formato.isEmpty() ? textoEditavel(m) : m.formatar(m_locale);
}

QString ModeloEncomendas::texto(int linha, ColunaEncomenda c) const {
    const auto r = static_cast<std::size_t>(linha);
    if (c == ColunaEncomenda::Qtd) {
        const std::optional<Moeda>& q = m_marcas[r].quantidade;
        return q ? textoMoeda(*q, c) : QString();
    }
    if (r >= m_encomendas.size())
        return {};
    const LinhaEncomenda& l = m_encomendas[r];
    switch (c) {
    case ColunaEncomenda::Artigo:
        return l.artigo;
    case ColunaEncomenda::Designacao:
        return l.descricao;
    case ColunaEncomenda::DataEnt:
        return textoDia(l.data);
    case ColunaEncomenda::NumEnc:
        return l.chave.referencia();
    case ColunaEncomenda::Req:
        return l.requisicao;
    case ColunaEncomenda::Preco:
        return textoMoeda(l.preco, c);
    case ColunaEncomenda::QtdO:
        return textoMoeda(l.quantidadeOriginal, c);
    case ColunaEncomenda::QtdP:
        return textoMoeda(l.quantidadePendente, c);
    case ColunaEncomenda::TpDoc:
        return l.chave.tipo;
    case ColunaEncomenda::Serie:
        return QString::number(l.chave.serie);
    case ColunaEncomenda::NoDoc:
        return QString::number(l.chave.numero);
    case ColunaEncomenda::LinhaEnc:
        return QString::number(l.chave.linha);
    case ColunaEncomenda::AnoEnc:
        return QString::number(l.chave.ano);
    case ColunaEncomenda::Terceiro:
        return l.terceiro;
    case ColunaEncomenda::DataDoc:
        return textoDia(l.dataDocumento);
    case ColunaEncomenda::Qtd:
    case ColunaEncomenda::AN:
        break;
    }
    return {};
}

bool ModeloEncomendas::celulaValida(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && index.row() < numeroLinhas() &&
           index.column() < NumeroColunasEncomenda;
}

QVariant ModeloEncomendas::data(const QModelIndex& index, int role) const {
    if (!celulaValida(index))
        return {};
    const ColunaEncomenda c = coluna(index);
    const DefinicaoColuna& col = definicao(c);
    switch (role) {
    case Qt::DisplayRole:
        if (col.caixaVerificacao)
            return {};
        return texto(index.row(), c);
    case Qt::EditRole:
        if (col.caixaVerificacao)
            return {};
        if (c == ColunaEncomenda::Qtd) {
            const std::optional<Moeda>& q = m_marcas[static_cast<std::size_t>(index.row())].quantidade;
            return q ? textoEditavel(*q) : QString();
        }
        return texto(index.row(), c);
    case Qt::CheckStateRole:
        if (!col.caixaVerificacao)
            return {};
        return static_cast<int>(m_marcas[static_cast<std::size_t>(index.row())].marcada ? Qt::Checked : Qt::Unchecked);
    case Qt::TextAlignmentRole:
        if (numerica(col.tipo))
            return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::AccessibleDescriptionRole:
        // A screen reader says which column a cell is in.
        return col.titulo.toString();
    default:
        return {};
    }
}

bool ModeloEncomendas::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!celulaValida(index))
        return false;
    const ColunaEncomenda c = coluna(index);
    if (role == Qt::CheckStateRole && c == ColunaEncomenda::AN) {
        const bool marcar =
            value.typeId() == QMetaType::Bool ? value.toBool() : value.toInt() == static_cast<int>(Qt::Checked);
        definirMarca(index.row(), marcar);
        return true;
    }
    if (role == Qt::EditRole && c == ColunaEncomenda::Qtd) {
        if (value.typeId() != QMetaType::QString) {
            const std::optional<Moeda> m = Moeda::deVariant(value);
            if (m)
                definirQuantidade(index.row(), *m);
            return m.has_value();
        }
        const std::optional<double> d = converterNumeroOle(value.toString(), m_locale);
        if (!d || std::fabs(*d) > LimiteMoeda)
            return false;
        definirQuantidade(index.row(), Moeda::deDouble(*d));
        return true;
    }
    return false;
}

QVariant ModeloEncomendas::headerData(int section, Qt::Orientation orientation, int role) const {
    // The caption is also the heading's tooltip: the heading may show it cut.
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (orientation == Qt::Vertical)
        return QString(); // the row header is a narrow strip with no numbers
    if (section < 0 || section >= NumeroColunasEncomenda)
        return {};
    return ColunasEncomenda[static_cast<std::size_t>(section)].titulo.toString();
}

Qt::ItemFlags ModeloEncomendas::flags(const QModelIndex& index) const {
    if (!celulaValida(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const DefinicaoColuna& col = definicao(coluna(index));
    if (col.caixaVerificacao)
        f |= Qt::ItemIsUserCheckable;
    else if (!col.soLeitura)
        f |= Qt::ItemIsEditable;
    return f;
}
