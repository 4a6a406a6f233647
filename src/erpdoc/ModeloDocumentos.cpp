#include "ModeloDocumentos.h"

ModeloDocumentos::ModeloDocumentos(QObject* pai) : QAbstractTableModel(pai) {}

void ModeloDocumentos::definir(std::vector<DocumentoDoPosto> documentos) {
    beginResetModel();
    m_documentos = std::move(documentos);
    endResetModel();
}

int ModeloDocumentos::linhaDe(const ChaveDocumento& guia) const {
    for (size_t i = 0; i < m_documentos.size(); ++i)
        if (textoChave(m_documentos[i].guia) == textoChave(guia))
            return static_cast<int>(i);
    return -1;
}

int ModeloDocumentos::rowCount(const QModelIndex& pai) const {
    return pai.isValid() ? 0 : static_cast<int>(m_documentos.size());
}

int ModeloDocumentos::columnCount(const QModelIndex& pai) const {
    return pai.isValid() ? 0 : NumColunas;
}

QVariant ModeloDocumentos::data(const QModelIndex& indice, int papel) const {
    if (!indice.isValid() || indice.row() >= rowCount())
        return {};
    const DocumentoDoPosto& d = documento(indice.row());
    if (papel == Qt::TextAlignmentRole)
        return indice.column() == ColLinhas ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (papel != Qt::DisplayRole && papel != Qt::ToolTipRole)
        return {};
    switch (indice.column()) {
    case ColGuia:
        return textoChave(d.guia);
    case ColEntrada:
        return d.entrada;
    case ColData:
        return d.data.toString(QStringLiteral("dd-MM-yyyy"));
    case ColCliente:
        return d.cliente;
    case ColNome:
        return d.nomeCliente;
    case ColLinhas:
        return d.linhas;
    case ColEstado:
        return d.anulada ? QStringLiteral("Anulada") : QStringLiteral("Emitida");
    default:
        return {};
    }
}

QVariant ModeloDocumentos::headerData(int seccao, Qt::Orientation orientacao, int papel) const {
    if (orientacao != Qt::Horizontal || papel != Qt::DisplayRole)
        return QAbstractTableModel::headerData(seccao, orientacao, papel);
    static const QString titulos[NumColunas] = {
        QStringLiteral("Guia"), QStringLiteral("Entrada"), QStringLiteral("Data"),  QStringLiteral("Cliente"),
        QStringLiteral("Nome"), QStringLiteral("Linhas"),  QStringLiteral("Estado")};
    return seccao >= 0 && seccao < NumColunas ? QVariant(titulos[seccao]) : QVariant();
}
