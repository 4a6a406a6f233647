#pragma once

#include "BaseDados.h"
#include "SessaoErp.h"

#include <QDate>
#include <QString>

#include <vector>

/// One Guia of the workstation's documents list.
struct DocumentoDoPosto final {
    ChaveDocumento guia;
    QString entrada; ///< the entry's key text (DOCRELACIONADO); empty when none
    QString cliente;
    QString nomeCliente;
    QDate data;
    qint32 linhas = 0;
    bool anulada = false;
};

/// Which Guias the list shows.
struct FiltroDocumentos final {
    QString tipoGuia; ///< the Guias' document type (GUIAS item 0)
    QString posto;    ///< the workstation that stored them (DOCGCCAB.POSTO)
    QDate de;         ///< from this day ...
    QDate ate;        ///< ... to this one, both included
    /// A number (the Guia's) or a text in the client's code or name, without
    /// regard to case; empty: every Guia.
    QString procura;
};

/// The most Guias one list holds.
inline constexpr int MaximoDocumentosLista = 1000;

/// The workstation's Guias that the filter takes, newest first (by date,
/// then number), at most MaximoDocumentosLista of them. Raises Erro when the
/// database cannot be read.
std::vector<DocumentoDoPosto> documentosDoPosto(BaseDados& base, const FiltroDocumentos& filtro);
