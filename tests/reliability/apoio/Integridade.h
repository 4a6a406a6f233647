#pragma once

#include "Apoio.h"
#include "Moeda.h"

#include <QHash>
#include <QString>
#include <QStringList>

/// The pending quantity of every order line (ENC, ENV), by "TYPE/SERIES/NUMBER/YEAR/LINE".
using Pendentes = QHash<QString, Moeda>;
Pendentes pendentesDasEncomendas(BaseTeste& base);

/// What a look at the company database found after documents were made. A
/// sound database has every count at 0.
struct Integridade {
    /// Order lines where what is pending now plus what live Guias took differs
    /// from what was pending at the start, or is below zero.
    int sobreSatisfeitas = 0;
    /// Live entries that no live Guia of the same workstation names.
    int entradasSemGuia = 0;
    /// Live Guias that name no live entry of their workstation, or an entry
    /// that another Guia names too.
    int guiasSemEntrada = 0;
    /// Pairs (entry, Guia) whose lines differ in article or quantity.
    int paresDiferentes = 0;
    /// Document numbers used twice for a type, series and year, or numbering
    /// rows behind the numbers stored.
    int numerosRepetidos = 0;
    /// Headers without lines, lines without a header, and documents annulled
    /// in part (header and lines disagreeing).
    int meioGuardados = 0;

    int entradas = 0;         ///< entry documents stored
    int entradasAnuladas = 0; ///< of which annulled
    int guias = 0;            ///< Guias stored (none is ever annulled here)
    int linhasGuia = 0;

    QStringList detalhes; ///< one line per fault found, for the test's message

    bool sa() const {
        return sobreSatisfeitas + entradasSemGuia + guiasSemEntrada + paresDiferentes + numerosRepetidos +
                   meioGuardados ==
               0;
    }
    QString resumo() const;
};

/// Checks the documents in the database against the pending quantities of
/// the order lines before any document was made.
Integridade verificarIntegridade(BaseTeste& base, const Pendentes& inicio);

/// Every row of every company table, in a fixed order: two pictures are equal
/// when nothing in the database changed.
QString retratoDaBase(BaseTeste& base);

/// The ERP company "DEMO" and its user "op" with password "segredo".
void prepararErp(BaseTeste& base);
