#pragma once

#include "Moeda.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <vector>

/// Declared type of a grid column: governs how the grid shows and edits it.
enum class TipoColuna {
    Texto,
    Moeda,
    Inteiro16,
    Inteiro32,
    Booleano,
};

/// One data column of the grid.
struct DefinicaoColuna final {
    QString chave;
    QString titulo;
    int larguraTwips = 1500;
    TipoColuna tipo = TipoColuna::Texto;
    QString formato;           ///< display format, e.g. "##,###0.00"; empty for general
    int comprimentoMaximo = 0; ///< most characters an edit takes; 0 for no limit
    bool oculta = false;
    bool soLeitura = false;
    bool caixaVerificacao = false;
};

using LinhaGrelha = std::vector<QVariant>;

/// The grid's row store: rows of variants addressed by row number and store
/// index (a column's position minus one; position 0 is the row header).
class ModeloGrelha final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModeloGrelha(QObject* parent = nullptr);

    // Columns.
    void removerColunas();
    void adicionarColuna(const DefinicaoColuna& coluna);
    int numeroColunas() const { return static_cast<int>(m_colunas.size()); }
    const DefinicaoColuna& coluna(int indice) const;
    /// Store index of the column with this key (exact), -1 when none.
    int indiceColuna(const QString& chave) const;

    // Rows.
    int numeroLinhas() const { return static_cast<int>(m_linhas.size()); }
    /// Sets the row count; new rows are empty. One signal for the whole change.
    void definirNumeroLinhas(int n);
    /// Empties every row, keeping the row count.
    void limparValores();

    /// Row store: the value at (row, store index); an empty variant for a cell
    /// never written. Raises Erro for a row or index outside the store.
    QVariant valor(int linha, int indice) const;
    /// The same without a copy, for walks over every row; valid until the
    /// store changes.
    const QVariant& valorRef(int linha, int indice) const;
    /// Puts a value without telling the views: call actualizar() once after a
    /// bulk change. Currency columns keep currency (Moeda) values.
    void definirValor(int linha, int indice, const QVariant& v);
    void definirValor(int linha, int indice, QVariant&& v);
    /// Puts a value and tells the views about this one cell.
    void definirValorCelula(int linha, int indice, const QVariant& v);
    /// Replaces rows [primeira, primeira + linhas.size()) and sets the row count
    /// to `novoTotal` (at least enough for those rows): one insert and one
    /// change signal for the whole batch. As with one put per cell, a cell the
    /// written row leaves empty (an invalid variant, or past the row's end)
    /// keeps the value the store held.
    void escreverLinhas(int primeira, std::vector<LinhaGrelha>&& linhas, int novoTotal);
    /// Tells the views that every cell may have changed (one signal).
    void actualizar();
    /// Tells the views that these columns may have changed in every row (one
    /// signal each): only they are painted again.
    void actualizarColunas(std::initializer_list<int> indices);

    // QAbstractTableModel.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// Formats a value as the column shows it.
    QString textoVisivel(int indice, const QVariant& v) const;
    /// Converts a value to the column's declared type (currency to Moeda,
    /// booleans to bool); empty stays empty.
    QVariant converter(int indice, const QVariant& v) const;

    void definirLocale(const QLocale& locale);
    const QLocale& locale() const { return m_locale; }
    /// A currency value as the cell editor shows it: the locale's decimal
    /// separator, no grouping, as many decimals as needed ("7", "7,5").
    QString textoEditavel(const Moeda& m) const;

Q_SIGNALS:
    /// The operator changed a cell's value (a tick, or a committed edit).
    void valorAlterado();

private:
    void verificar(int linha, int indice) const {
        if (linha < 0 || linha >= numeroLinhas() || indice < 0 || indice >= numeroColunas())
            foraDaGrelha(linha, indice);
    }
    [[noreturn]] static void foraDaGrelha(int linha, int indice);
    /// The row's cell, the row made as long as the columns first.
    QVariant& celula(int linha, int indice);
    void guardar(int linha, int indice, QVariant v);
    QString textoGeral(const QVariant& v) const;

    std::vector<DefinicaoColuna> m_colunas;
    std::vector<LinhaGrelha> m_linhas;
    QLocale m_locale;
    QLocale m_localeGeral; ///< m_locale without group separators, for the general format
};

/// The grid control: a table view over ModeloGrelha with its editing delegate.
class Grelha final : public QTableView {
    Q_OBJECT
public:
    explicit Grelha(QWidget* parent = nullptr);

    ModeloGrelha& modelo() { return *m_modelo; }
    const ModeloGrelha& modelo() const { return *m_modelo; }

    // Layout.
    void definirCorFundo(const QColor& cor);
    /// Enter and Tab: mode 1 moves to the next cell of the row, then to the
    /// first cell of the next row.
    void definirComportamentoEnter(int modo) { m_modoEnter = modo; }
    void definirComportamentoTab(int modo) { m_modoTab = modo; }
    int numeroLinhas() const { return m_modelo->numeroLinhas(); }
    void definirNumeroLinhas(int n) { m_modelo->definirNumeroLinhas(n); }
    void removerColunas();
    void adicionarColuna(const DefinicaoColuna& coluna);
    /// Position of the column with this key (store index + 1), -1 when none.
    int posicaoColuna(const QString& chave) const;

    // Rows and cells.
    int linhaActual() const;
    /// Position of the current column (1 to 17; 0 when none).
    int posicaoColunaActual() const;
    QVariant valorCelula(int linha, int posicao) const;
    void definirValorCelula(int linha, int posicao, const QVariant& v);

    // Cell editor.
    QString textoEditor() const { return m_textoEditor; }
    void definirTextoEditor(const QString& texto) { m_textoEditor = texto; }

    void actualizar() { m_modelo->actualizar(); }

    /// After the operator changed a cell (a tick or a committed edit).
    std::function<void()> aoAlterarValor;
    /// Before an edited cell is committed: row, column position, the cell's
    /// previous value (the handler's own copy) and the cancel flag. The text
    /// typed is textoEditor().
    std::function<void(int linha, int posicao, QVariant& anterior, bool& cancelar)> antesDeConfirmar;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class DelegadoGrelha;
    /// Runs the before-commit event for a committed text; true when taken.
    bool confirmarEdicao(const QModelIndex& index, const QString& texto);
    /// The value an editor text stands for in a column; empty when it does not convert.
    QVariant valorDoTexto(int indice, const QString& texto) const;
    QModelIndex celulaVizinha(const QModelIndex& actual, bool seguinte) const;

    ModeloGrelha* m_modelo;
    QString m_textoEditor;
    int m_modoEnter = 0;
    int m_modoTab = 0;
    bool m_confirmando = false; ///< inside confirmarEdicao: a second commit is ignored
};

/// Edits the grid's cells: a line edit limited to the column's maximum length;
/// the commit goes through the grid's before-commit event.
class DelegadoGrelha final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit DelegadoGrelha(Grelha* grelha);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    /// Check-box cells toggle on a click anywhere in the cell and on Space.
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

protected:
    /// Enter in an editor, in Enter mode 1, commits and moves on as Tab does.
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    Grelha* m_grelha;
};

/// Twips (1/1440 inch) to pixels at the screen's logical resolution.
int twipsParaPixeis(int twips, const QWidget* referencia = nullptr, bool vertical = false);
