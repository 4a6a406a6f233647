#pragma once

#include "Moeda.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <vector>

/// Declared type of a grid column: governs how the grid shows and edits it.
enum class TipoColuna {
    Texto,
    Moeda,
    Inteiro16,
    Inteiro32,
    Booleano,
};

/// Whether a column of this type holds numbers (shown right-aligned).
inline bool tipoNumerico(TipoColuna t) {
    return t == TipoColuna::Moeda || t == TipoColuna::Inteiro16 || t == TipoColuna::Inteiro32;
}

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
