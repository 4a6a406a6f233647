#pragma once

#include "BaseDados.h"
#include "Guarda.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <memory>
#include <vector>

class QLineEdit;
class QTableView;

/// The rows of a look-up query, fetched a page at a time as the list scrolls,
/// so that the list opens at once on tables of any size. Narrowing keeps the
/// rows whose first or second column contains the typed text.
class ModeloPesquisa final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int Pagina = 100;

    /// Queries run on the named connection, looked up at each page; the
    /// pages the view asks for are read inside `guarda`.
    ModeloPesquisa(const QString& nomeLigacao, Guarda& guarda, QObject* parent = nullptr);

    /// Runs the query (its first page). Raises Erro when the database rejects it.
    void definirConsulta(const QString& sql);
    /// Narrows to rows containing `texto` (matched literally, without regard to case).
    void filtrar(const QString& texto);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    /// The first column of a row.
    QString codigo(int linha) const;
    /// Number of page queries run so far (lets tests see that nothing is loaded ahead).
    int paginasLidas() const { return m_paginas; }

private:
    void recomecar();
    std::vector<std::vector<QVariant>> lerPagina();

    QString m_nomeLigacao;
    Guarda& m_guarda;
    QString m_sql;
    QString m_filtro;
    QStringList m_colunas;
    std::vector<std::vector<QVariant>> m_linhas;
    bool m_fim = true;
    int m_paginas = 0;
};

/// The modal look-up list: codes and names fed by a query over the connection
/// handed to it. Enter or a double click picks the current row, Escape
/// cancels, typing narrows the list.
class ListaPesquisa final : public QDialog {
    Q_OBJECT
public:
    /// Its events run inside `guarda`.
    ListaPesquisa(std::unique_ptr<Ligacao> ligacao, Guarda& guarda, QWidget* parent = nullptr);
    ~ListaPesquisa() override;

    void definirTitulo(const QString& titulo) { setWindowTitle(titulo); }
    void definirConsulta(const QString& sql) { m_sql = sql; }
    /// Widths in twips.
    void definirLargura(int twips);
    void carregar();
    void definirLarguraColuna(int coluna, int twips);
    /// Shows the list modally; the first column of the row chosen, or an empty text.
    QString mostrar();

    ModeloPesquisa& modelo() { return *m_modelo; }
    QTableView* tabela() const { return m_tabela; }
    QLineEdit* filtro() const { return m_filtro; }

protected:
    bool eventFilter(QObject* alvo, QEvent* evento) override;

private:
    void escolher();

    std::unique_ptr<Ligacao> m_ligacao;
    Guarda& m_guarda;
    ModeloPesquisa* m_modelo;
    QTableView* m_tabela;
    QLineEdit* m_filtro;
    QString m_sql;
    QString m_escolhido;
};
