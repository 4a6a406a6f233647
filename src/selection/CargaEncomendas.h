#pragma once

#include "LinhaEncomenda.h"
#include "RecordSet.h"

#include <functional>
#include <span>
#include <unordered_set>
#include <vector>

using ChavesLinhas = std::unordered_set<ChaveLinhaEncomenda, HashChaveLinha>;

/// The keys of these order lines (the grid's, so that a load skips them).
ChavesLinhas chavesDe(std::span<const LinhaEncomenda> linhas);

/// Reads every record of the pending-order result, in order, skipping order
/// lines already in `existentes` (the grid's) and lines met earlier in the
/// same result. Values are read with their types: NULL gives an empty text,
/// a zero number and no date; a value that is not of its field's kind, or
/// does not fit it, raises Erro. `progresso` is called now and then (every
/// tenth of a second or so) so that the window can repaint.
std::vector<LinhaEncomenda> lerLinhasEncomenda(RecordSet& rs, const ChavesLinhas& existentes,
                                               const std::function<void()>& progresso = {});

/// The grid's row count once loaded lines fill rows [0, linhaSeguinte): at
/// least two empty rows stay below the last line, and the count never goes down.
int linhasDaGrelha(int linhasActuais, int linhaSeguinte);
