#include "ListaPesquisa.h"

#include "Erro.h"
#include "FalhaBd.h"
#include "Guarda.h"
#include "MinusculasSqlite.h"
#include "TextoSimples.h"
#include "Twips.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QVBoxLayout>

namespace {

/// The query without its final ORDER BY (re-applied outside the wrapper).
QString semOrdem(const QString& sql, QString& ordem) {
    const qsizetype i = sql.lastIndexOf(QLatin1String("order by"), -1, Qt::CaseInsensitive);
    if (i < 0) {
        ordem.clear();
        return sql;
    }
    ordem = sql.mid(i);
    return sql.left(i);
}

QString citarNome(const QString& nome) {
    return QLatin1Char('"') + QString(nome).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

ModeloPesquisa::ModeloPesquisa(const QString& nomeLigacao, Guarda& guarda, QObject* parent)
    : QAbstractTableModel(parent), m_nomeLigacao(nomeLigacao), m_guarda(guarda) {
    // The narrowing lowers both sides: on SQLite, every letter, not ASCII only.
    minusculasUnicode(QSqlDatabase::database(m_nomeLigacao, false));
}

void ModeloPesquisa::definirConsulta(const QString& sql) {
    m_sql = sql;
    m_filtro.clear();
    recomecar();
}

void ModeloPesquisa::filtrar(const QString& texto) {
    // No name holds a control character, and a NUL cannot reach PostgreSQL.
    QString t = texto;
    t.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    if (t == m_filtro)
        return;
    m_filtro = t;
    recomecar();
}

void ModeloPesquisa::recomecar() {
    beginResetModel();
    m_linhas.clear();
    m_fim = false;
    try {
        m_linhas = lerPagina();
    } catch (...) {
        m_fim = true;
        endResetModel();
        throw;
    }
    endResetModel();
}

std::vector<std::vector<QVariant>> ModeloPesquisa::lerPagina() {
    // Each page is the query wrapped with a limit and an offset; the list's
    // own columns name the filter.
    QString ordem;
    const QString base = semOrdem(m_sql, ordem);
    QString sql = QStringLiteral("SELECT * FROM (") + base + QStringLiteral(") lista");
    QVariantList valores;
    if (!m_filtro.isEmpty() && m_colunas.size() >= 2) {
        const QString padrao = padraoLike(m_filtro);
        sql += QStringLiteral(" WHERE LOWER(%1) LIKE ? ESCAPE '\\' OR LOWER(%2) LIKE ? ESCAPE '\\'")
                   .arg(citarNome(m_colunas.at(0)), citarNome(m_colunas.at(1)));
        valores << padrao << padrao;
    }
    if (!ordem.isEmpty())
        sql += QStringLiteral(" ORDER BY 1");
    sql += QStringLiteral(" LIMIT %1 OFFSET %2").arg(Pagina).arg(m_linhas.size());
    QSqlQuery q(QSqlDatabase::database(m_nomeLigacao, false));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw FalhaBd::erro(q.lastError(), q.driver(), Erro::Sql, q.lastError().text());
    for (const QVariant& v : valores)
        q.addBindValue(v);
    if (!q.exec())
        throw FalhaBd::erro(q.lastError(), q.driver(), Erro::Sql, q.lastError().text());
    ++m_paginas;
    const QSqlRecord r = q.record();
    if (m_colunas.isEmpty())
        for (int i = 0; i < r.count(); ++i)
            m_colunas << r.fieldName(i);
    std::vector<std::vector<QVariant>> novas;
    while (q.next()) {
        std::vector<QVariant> linha(static_cast<size_t>(r.count()));
        for (int i = 0; i < r.count(); ++i)
            linha[static_cast<size_t>(i)] = q.value(i);
        novas.push_back(std::move(linha));
    }
    m_fim = novas.size() < static_cast<size_t>(Pagina);
    return novas;
}

int ModeloPesquisa::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_linhas.size());
}

int ModeloPesquisa::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_colunas.size());
}

QVariant ModeloPesquisa::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const auto& l = m_linhas.at(static_cast<size_t>(index.row()));
    return static_cast<size_t>(index.column()) < l.size() ? l[static_cast<size_t>(index.column())].toString()
                                                          : QVariant();
}

QVariant ModeloPesquisa::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_colunas.size())
        return {};
    // The aliases name the columns ("Cliente", "Nome"); some engines fold them to lower case.
    QString t = m_colunas.at(section);
    if (!t.isEmpty())
        t[0] = t[0].toUpper();
    return t;
}

bool ModeloPesquisa::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_fim;
}

void ModeloPesquisa::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || m_fim)
        return;
    // The view asks for more inside its events: an error ends the program
    // through the guard instead of unwinding through Qt's event loop.
    std::vector<std::vector<QVariant>> novas;
    bool lida = false;
    m_guarda([&] {
        novas = lerPagina();
        lida = true;
    });
    if (!lida) {
        m_fim = true;
        return;
    }
    if (novas.empty())
        return;
    const int antes = static_cast<int>(m_linhas.size());
    beginInsertRows(QModelIndex(), antes, antes + static_cast<int>(novas.size()) - 1);
    for (auto& l : novas)
        m_linhas.push_back(std::move(l));
    endInsertRows();
}

QString ModeloPesquisa::codigo(int linha) const {
    if (linha < 0 || static_cast<size_t>(linha) >= m_linhas.size() || m_linhas[static_cast<size_t>(linha)].empty())
        return QString();
    return m_linhas[static_cast<size_t>(linha)][0].toString();
}

ListaPesquisa::ListaPesquisa(std::unique_ptr<Ligacao> ligacao, Guarda& guarda, QWidget* parent)
    : QDialog(parent), m_ligacao(std::move(ligacao)), m_guarda(guarda) {
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* rotulo = new QLabel(QStringLiteral("&Procurar:"), this);
    m_filtro = new QLineEdit(this);
    m_filtro->setClearButtonEnabled(true);
    rotulo->setBuddy(m_filtro);
    layout->addWidget(rotulo);
    layout->addWidget(m_filtro);
    m_modelo = new ModeloPesquisa(m_ligacao->db().connectionName(), m_guarda, this);
    m_tabela = new QTableView(this);
    m_tabela->setModel(m_modelo);
    m_tabela->setItemDelegate(new DelegadoTextoSimples(m_tabela));
    m_tabela->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tabela->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tabela->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tabela->verticalHeader()->hide();
    m_tabela->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tabela->horizontalHeader()->setStretchLastSection(true);
    m_tabela->setTabKeyNavigation(false);
    layout->addWidget(m_tabela);
    m_filtro->installEventFilter(this);
    m_tabela->installEventFilter(this);
    connect(m_tabela, &QTableView::doubleClicked, this, [this] { escolher(); });
    connect(m_filtro, &QLineEdit::textEdited, this, [this](const QString& t) {
        // Inside an event: an error must not unwind through Qt's event loop.
        m_guarda([&] {
            m_modelo->filtrar(t);
            if (m_modelo->rowCount() > 0)
                m_tabela->setCurrentIndex(m_modelo->index(0, 0));
        });
    });
    resize(twipsParaPixeis(8000, this), twipsParaPixeis(6000, this, true));
}

ListaPesquisa::~ListaPesquisa() = default;

void ListaPesquisa::definirLargura(int twips) {
    resize(twipsParaPixeis(twips, this), height());
}

void ListaPesquisa::carregar() {
    m_modelo->definirConsulta(m_sql);
    if (m_modelo->rowCount() > 0)
        m_tabela->setCurrentIndex(m_modelo->index(0, 0));
}

void ListaPesquisa::definirLarguraColuna(int coluna, int twips) {
    m_tabela->setColumnWidth(coluna - 1, twipsParaPixeis(twips, this));
}

QString ListaPesquisa::mostrar() {
    m_escolhido.clear();
    m_filtro->setFocus();
    exec();
    return m_escolhido;
}

void ListaPesquisa::escolher() {
    const QModelIndex i = m_tabela->currentIndex();
    if (!i.isValid())
        return;
    m_escolhido = m_modelo->codigo(i.row());
    accept();
}

bool ListaPesquisa::eventFilter(QObject* alvo, QEvent* evento) {
    if (evento->type() != QEvent::KeyPress)
        return QDialog::eventFilter(alvo, evento);
    auto* k = static_cast<QKeyEvent*>(evento);
    switch (k->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        escolher();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (alvo == m_filtro) {
            // Arrows in the search box move through the list.
            QKeyEvent copia(k->type(), k->key(), k->modifiers());
            QCoreApplication::sendEvent(m_tabela, &copia);
            return true;
        }
        break;
    default:
        if (alvo == m_tabela && !k->text().isEmpty() && k->text().at(0).isPrint()) {
            // Typing in the list goes to the search box.
            m_filtro->setFocus();
            QCoreApplication::sendEvent(m_filtro, k);
            return true;
        }
        break;
    }
    return QDialog::eventFilter(alvo, evento);
}
