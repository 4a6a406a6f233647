#pragma once

#include "Moeda.h"

#include <QLocale>
#include <QString>
#include <QVariant>

/// The outcome of a quantity typed into the quantity to satisfy.
enum class DecisaoQuantidade {
    NaoNumerico, ///< refused silently; the previous value comes back
    Marcar,      ///< taken; the line becomes marked
    Desmarcar,   ///< zero: taken; the line becomes unmarked
    Invalido,    ///< above the pending quantity, or negative: "Valor inválido!"
};

/// Decides on a typed quantity against the line's pending quantity (an empty
/// pending quantity counts as 0). Comparisons are exact on currency values.
DecisaoQuantidade decidirQuantidade(const QString& texto, Moeda pendente, const QLocale& locale);

/// Whether a cell value counts as empty (none, null, or empty text).
bool valorVazio(const QVariant& v);

/// The editor text that puts a previous value back (its own edit text; 0 for
/// an empty one).
QString textoAnterior(const QVariant& anterior);
