#pragma once

#include "ColunaEncomenda.h"
#include "LinhaEncomenda.h"
#include "Moeda.h"

#include <QAbstractTableModel>
#include <QLocale>

#include <optional>
#include <vector>

/// The rows of the order-line grid: each holds a loaded order line (none in
/// the empty rows below the lines), its mark `AN` and its quantity to satisfy
/// `Qtd`. The loaded lines fill rows 0 upwards, in load order; a row is an
/// order line when it has one with an article. The columns are those of
/// ColunaEncomenda: the model shows a line's values as the grid shows them
/// (currency grouped with two decimals under the locale, dates "dd-mm-yyyy",
/// integers plain, the order as "T/S/N"); the operator ticks `AN` and edits `Qtd`.
/// Each column's caption is its heading, the heading's tooltip (the heading
/// may show it cut) and its cells' accessible description.
class ModeloEncomendas final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModeloEncomendas(QObject* parent = nullptr);

    /// The column of an index of this model.
    static ColunaEncomenda coluna(const QModelIndex& indice) { return static_cast<ColunaEncomenda>(indice.column()); }
    QModelIndex indice(int linha, ColunaEncomenda c) const { return index(linha, static_cast<int>(c)); }

    // Rows.
    int numeroLinhas() const { return static_cast<int>(m_marcas.size()); }
    /// Discards every row and starts again with `linhas` empty rows.
    void recomecar(int linhas);
    /// The loaded lines, rows 0 upwards.
    const std::vector<LinhaEncomenda>& encomendas() const { return m_encomendas; }
    /// Writes loaded lines into the rows below the lines already loaded, each
    /// unmarked with 0 to satisfy, and makes the row count at least `minimo`:
    /// one insertion and one change over the rows that were there.
    void acrescentarLinhas(std::vector<LinhaEncomenda>&& linhas, int minimo);

    // One row. Each raises Erro (Grelha) for a row the grid does not have.
    /// The row's order line; none for an empty row.
    const LinhaEncomenda* encomenda(int linha) const {
        exigirLinha(linha);
        const auto r = static_cast<std::size_t>(linha);
        return r < m_encomendas.size() ? &m_encomendas[r] : nullptr;
    }
    bool marcada(int linha) const {
        exigirLinha(linha);
        return m_marcas[static_cast<std::size_t>(linha)].marcada;
    }
    /// `Qtd`: empty until written.
    std::optional<Moeda> quantidade(int linha) const {
        exigirLinha(linha);
        return m_marcas[static_cast<std::size_t>(linha)].quantidade;
    }
    /// `QtdP`: empty in a row without a line.
    std::optional<Moeda> quantidadePendente(int linha) const {
        const LinhaEncomenda* l = encomenda(linha);
        return l ? std::optional<Moeda>(l->quantidadePendente) : std::nullopt;
    }
    /// These put a value and tell the views about that cell.
    void definirMarca(int linha, bool marcada);
    void definirQuantidade(int linha, std::optional<Moeda> quantidade);

    /// The quantity to satisfy follows a mark the operator just set or took
    /// away: ticked with nothing to satisfy yet (0 or empty), the whole
    /// pending quantity (a quantity typed before stays); unticked, 0.
    void seguirMarca(int linha);
    /// "&Marcar" (every order line marked, with its pending quantity to
    /// satisfy, whatever was typed) or "&Desmarcar" (unmarked, 0): rows
    /// without an article are left alone. The views are told once per column.
    void marcarTodas(bool marcar);
    /// The marked order lines, in row order, with their quantities to satisfy.
    std::vector<LinhaMarcada> linhasMarcadas() const;

    void definirLocale(const QLocale& locale);
    const QLocale& locale() const { return m_locale; }

    // QAbstractTableModel.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    /// The operator's changes: a tick in `AN` (Qt::CheckStateRole), or the
    /// text committed to `Qtd` (Qt::EditRole), read as a number under the
    /// locale; false, with nothing changed, for a text that is no number.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Marca {
        bool marcada = false;
        std::optional<Moeda> quantidade;
    };
    void exigirLinha(int linha) const {
        if (linha < 0 || linha >= numeroLinhas())
            semLinha(linha);
    }
    [[noreturn]] static void semLinha(int linha);
    bool celulaValida(const QModelIndex& index) const;
    /// The cell's text as the grid shows it.
    QString texto(int linha, ColunaEncomenda c) const;
    /// A currency value in its column's display format.
    QString textoMoeda(const Moeda& m, ColunaEncomenda c) const;
    /// A quantity as the cell editor shows it: the locale's decimal
    /// separator, no grouping, as many decimals as needed ("7", "7,5").
    QString textoEditavel(const Moeda& m) const;

    std::vector<LinhaEncomenda> m_encomendas;
    std::vector<Marca> m_marcas; ///< one per row
    QLocale m_locale;
};
