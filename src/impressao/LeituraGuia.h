#pragma once

#include "BaseDados.h"
#include "GuiaImpressa.h"

/// Reads what the company database holds for one Guia, whichever program
/// stored it: its header and lines (DOCGCCAB, DOCGCLIN), the client's row,
/// the articles' units, the document type's name and the series' validation
/// code, the company's row (ErpEmpresas, code `empresa`). A value that an
/// older database has no column for is read as absent. Raises Erro
/// (RecusadoErp) when the document or the company is not there, and the
/// database's errors as they come.
GuiaImpressa lerGuia(BaseDados& base, const ChaveDocumento& chave, const QString& empresa);
