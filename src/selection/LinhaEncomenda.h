#pragma once

#include "Moeda.h"

#include <QDate>
#include <QString>

#include <cstddef>
#include <functional>

/// What identifies an order line in the ERP: the order's document type,
/// series, number and year, and the line's number within the order.
struct ChaveLinhaEncomenda final {
    QString tipo;      ///< DOCGCLIN.TPDOCUM
    qint32 serie = 0;  ///< DOCGCLIN.SERIE
    qint32 numero = 0; ///< DOCGCLIN.NNUMDOC
    qint32 ano = 0;    ///< DOCGCLIN.ANO
    qint32 linha = 0;  ///< DOCGCLIN.NUMLINHA
    bool operator==(const ChaveLinhaEncomenda&) const = default;
    /// The order the line belongs to as the operator knows it: type, series
    /// and number joined by "/" ("T/S/15").
    QString referencia() const {
        return tipo + QLatin1Char('/') + QString::number(serie) + QLatin1Char('/') + QString::number(numero);
    }
};

struct HashChaveLinha {
    std::size_t operator()(const ChaveLinhaEncomenda& c) const noexcept {
        std::size_t h = qHash(c.tipo);
        for (qint32 v : {c.serie, c.numero, c.ano, c.linha})
            h = h * 1000003u ^ std::hash<qint32>()(v);
        return h;
    }
};

/// One pending order line as the load reads it from the company database.
struct LinhaEncomenda final {
    ChaveLinhaEncomenda chave;
    QString artigo;           ///< never empty for a line of the load
    QString descricao;        ///< DOCGCLIN.DESCR
    QDate data;               ///< the line's date, shown as the delivery date
    QString requisicao;       ///< the customer's reference of the order (DOCGCCAB.VNUMDOC)
    Moeda preco;              ///< unit price
    Moeda quantidadeOriginal; ///< quantity ordered
    Moeda quantidadePendente; ///< quantity still pending
    QString terceiro;         ///< the order's client (DOCGCCAB.TERCEIRO)
    QDate dataDocumento;      ///< the order's document date
};

/// A line marked for the next documents, with the quantity to satisfy.
struct LinhaMarcada final {
    LinhaEncomenda encomenda;
    Moeda quantidade;
};
