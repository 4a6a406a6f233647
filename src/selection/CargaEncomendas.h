#pragma once

#include "LinhaEncomenda.h"
#include "ModeloGrelha.h"
#include "RecordSet.h"

#include <QVariant>

#include <functional>
#include <unordered_set>

using ChavesLinhas = std::unordered_set<ChaveLinhaEncomenda, HashChaveLinha>;

/// The keys of the order lines held in rows [0, linhas) of the grid.
ChavesLinhas chavesNaGrelha(const ModeloGrelha& modelo, int linhas);

/// "dd-mm-yyyy" of a date as the database gives it (a date, a date and time,
/// or ISO text); the time of day is dropped. Empty for an empty value.
QString dataDdMmAaaa(const QVariant& v);

/// A value in plain decimal text: whole numbers without decimals.
QString textoSimples(const QVariant& v);

/// Reads every record of the pending-order result into grid rows, in order,
/// skipping order lines already in `existentes` (the grid's) and lines met
/// earlier in the same result. `progresso` is called now and then (every
/// tenth of a second or so) so that the window can repaint.
std::vector<LinhaGrelha> lerLinhasEncomenda(RecordSet& rs, const ChavesLinhas& existentes,
                                            const std::function<void()>& progresso = {});

/// The grid's row count once loaded lines fill rows [0, linhaSeguinte): at
/// least two empty rows stay below the last line, and the count never goes down.
int linhasDaGrelha(int linhasActuais, int linhaSeguinte);
