#pragma once

#include "FactorPreco.h"

#include <QString>

/// The Guia's parameters (GUIAS): the document the run creates.
struct ParametrosGuia final {
    QString tipo;         ///< the document type (item 0)
    QString serieEscrita; ///< the series as written (item 1): what the header's Serie receives
    qint16 serie = 0;     ///< the same series as a number
    QString sector;       ///< item 2, the header's Sector
    QString armazem;      ///< item 3, the warehouse of every line
};

/// The entry document's parameters (ENTRADAS).
struct ParametrosEntrada final {
    QString tipo;        ///< the document type (item 0)
    qint16 serie = 0;    ///< item 1
    QString armazem;     ///< item 2, the warehouse text, passed twice
    QString observacoes; ///< item 3, the observations text
    FactorPreco factor;  ///< item 4: the entry price is the order price less this fraction
};
