#pragma once

#include "DocumentosDoPosto.h"

#include <QAbstractTableModel>

#include <vector>

/// The rows of the workstation's documents list: one Guia each, with its
/// entry, date, client, lines and state.
class ModeloDocumentos final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Coluna {
        ColGuia,
        ColEntrada,
        ColData,
        ColCliente,
        ColNome,
        ColLinhas,
        ColEstado,
        NumColunas,
    };

    explicit ModeloDocumentos(QObject* pai = nullptr);

    /// The list anew.
    void definir(std::vector<DocumentoDoPosto> documentos);
    const DocumentoDoPosto& documento(int linha) const { return m_documentos.at(static_cast<size_t>(linha)); }
    /// The row of a Guia, -1 when the list does not hold it.
    int linhaDe(const ChaveDocumento& guia) const;

    int rowCount(const QModelIndex& pai = {}) const override;
    int columnCount(const QModelIndex& pai = {}) const override;
    QVariant data(const QModelIndex& indice, int papel = Qt::DisplayRole) const override;
    QVariant headerData(int seccao, Qt::Orientation orientacao, int papel = Qt::DisplayRole) const override;

private:
    std::vector<DocumentoDoPosto> m_documentos;
};
