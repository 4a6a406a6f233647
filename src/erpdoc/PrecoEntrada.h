#pragma once

#include "Moeda.h"

#include <QString>

/// The price factor of the entry posting: read from the start of the text as a
/// decimal number with "." as separator, blanks ignored; 0 when the text does
/// not begin with a number.
double factorPreco(const QString& texto);

/// The entry line's unit price: price × (1 − factor), rounded to 2 decimals
/// with halves going to the even neighbour.
double precoEntrada(const Moeda& preco, double factor);
