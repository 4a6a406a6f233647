#pragma once

#include "InstrucaoEncomendas.h"
#include "ParametrosDocumentos.h"

#include <QString>

#include <vector>

namespace Parametros {

/// The three keys of the parameters file the window works with, read once.
struct Lidos final {
    std::vector<TipoEncomenda> encomendas; ///< ENCOMENDAS in (type, series) pairs; an unpaired last item is not used
    ParametrosGuia guia;                   ///< GUIAS: type, series, sector, warehouse
    ParametrosEntrada entrada;             ///< ENTRADAS: type, series, two texts, price factor
};

/// Parses the values of ENCOMENDAS, GUIAS and ENTRADAS, each split at ","
/// (items taken as they stand, but for the numbers). Raises Erro (Parametros)
/// naming the file `caminho` and the key at the first thing wrong: control
/// characters in an item; ENCOMENDAS without a complete pair or with a series
/// that is no whole number; GUIAS with fewer than 4 items or a series that is
/// no 16-bit whole number; ENTRADAS without exactly 5 items, with such a
/// series, or with a price factor that FactorPreco does not read.
Lidos interpretar(const QString& caminho, const QString& encomendas, const QString& guias, const QString& entradas);

/// The key of the printed Guia's copies, and the copies when it is absent or empty.
inline const QString ChaveCopias = QStringLiteral("COPIAS");
inline constexpr int CopiasPorOmissao = 3;

/// The copies of each print of a Guia, from the value of COPIAS (blanks
/// around it ignored): CopiasPorOmissao when empty. Raises Erro (Parametros)
/// naming the file `caminho` and the key unless it is a whole number from 1
/// to DesenhoGuia::MaximoCopias.
int interpretarCopias(const QString& caminho, const QString& valor);

} // namespace Parametros
