#pragma once

#include "GuiaImpressa.h"

class SessaoErp;

/// Records one print of the Guia through the ERP session (a store, counted
/// in the company database for every workstation) and gives the Guia as this
/// print shows it: "2.ª via" unless it is the first. The count is the store's
/// own, so of two workstations printing at once only one prints the original.
/// The print is recorded before anything is drawn: a print that then fails is
/// counted, and the next one says "2.ª via" (never a second original).
/// Raises Erro (RecusadoErp) with the ERP's reason when it does not record it.
GuiaImpressa registarImpressao(SessaoErp& sessao, GuiaImpressa guia);
