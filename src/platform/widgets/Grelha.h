#pragma once

#include <QColor>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <vector>

/// A column of the grid control: the key it is found by and how it is laid
/// out. What its cells show, and whether they are edited or ticked, the
/// model says (texts, check state, alignment, flags).
struct ColunaGrelha final {
    QString chave;
    int larguraTwips = 1500;
    int comprimentoMaximo = 0; ///< most characters an edit takes; 0 for no limit
    bool oculta = false;
};

/// The grid control: a table view over a table model, with its editing
/// delegate. Its columns are laid out under keys, the i-th one over the
/// model's column i; cells are read and edited through the model's roles
/// (display and edit texts, check state, alignment, flags).
class Grelha final : public QTableView {
    Q_OBJECT
public:
    explicit Grelha(QWidget* parent = nullptr);

    /// The layout is put on the model's columns again whenever it resets.
    void setModel(QAbstractItemModel* modelo) override;

    // Layout.
    void definirCorFundo(const QColor& cor);
    /// Enter and Tab: mode 1 moves to the next cell of the row, then to the
    /// first cell of the next row.
    void definirComportamentoEnter(int modo) { m_modoEnter = modo; }
    void definirComportamentoTab(int modo) { m_modoTab = modo; }
    void removerColunas();
    void adicionarColuna(const ColunaGrelha& coluna);
    /// Position of the column with this key (the model's column + 1: position
    /// 0 is the row header), -1 when none. Keys match exactly.
    int posicaoColuna(const QString& chave) const;

    // Cell editor.
    QString textoEditor() const { return m_textoEditor; }
    void definirTextoEditor(const QString& texto) { m_textoEditor = texto; }

    /// After the operator changed a cell: a tick, or a committed edit; never
    /// for a change the program makes.
    std::function<void()> aoAlterarValor;
    /// Before an edited cell is committed: the cell, the text committed, the
    /// cell's previous value (its edit text; the handler's own copy) and the
    /// cancel flag. The cell still holds its previous value. The handler may
    /// put another text in the editor (definirTextoEditor): the model is
    /// given that one.
    std::function<void(const QModelIndex& celula, const QString& texto, QVariant& anterior, bool& cancelar)>
        antesDeConfirmar;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class DelegadoGrelha;
    /// Runs the before-commit event for a committed text; true when taken.
    bool confirmarEdicao(const QModelIndex& index, const QString& texto);
    /// Ticks or unticks a check-box cell for the operator; true when it changed.
    bool alternar(const QModelIndex& index);
    int comprimentoMaximo(int coluna) const;
    void aplicarColunas();
    void alterouValor();
    QModelIndex celulaVizinha(const QModelIndex& actual, bool seguinte) const;

    std::vector<ColunaGrelha> m_colunas;
    QMetaObject::Connection m_reposicao;
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
