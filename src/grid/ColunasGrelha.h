#pragma once

#include "ModeloGrelha.h"

#include <array>

class Grelha;
class QColor;

/// Store indexes of the order-line row (a column's position minus one).
namespace Col {
enum : int {
    Artigo = 0,
    Designacao = 1,
    DataEnt = 2,
    NumEnc = 3,
    Req = 4,
    Preco = 5,
    QtdO = 6,
    QtdP = 7,
    Qtd = 8,
    TpDoc = 9,
    Serie = 10,
    NoDoc = 11,
    LinhaEnc = 12,
    AnoEnc = 13,
    Terceiro = 14,
    AN = 15,
    DataDoc = 16,
    Total = 17,
};
}

/// The seventeen columns of the order-line grid, in position order.
const std::array<DefinicaoColuna, Col::Total>& colunasEncomendas();

/// Lays the order-line grid out anew: grid-wide settings, the seventeen
/// columns, sixty empty rows. Every value the grid held is discarded.
void disporGrelhaEncomendas(Grelha& grelha, const QColor& corFundo);

/// Rows the grid holds after every rebuild.
inline constexpr int LinhasIniciais = 60;
