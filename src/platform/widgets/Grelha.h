#pragma once

#include "ModeloGrelha.h"

#include <QColor>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

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
