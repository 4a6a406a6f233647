#pragma once

#include "BaseDados.h"
#include "DiarioCorridas.h"
#include "RegistoCorridas.h"
#include "SessaoErp.h"

#include <QString>

#include <vector>

/// What recovery did with one interrupted run.
struct CorridaRecuperada final {
    InicioCorrida inicio;
    FimCorrida fim;
    QString texto; ///< the sentence that tells it
};

/// The outcome of a recovery.
struct ResultadoRecuperacao final {
    std::vector<CorridaRecuperada> recuperadas;
    /// The database could not be reached: the runs not in `recuperadas` stay
    /// in the journal as they were, to be recovered at the next start.
    bool baseInacessivel = false;
    /// One text for one box: a sentence per run, the database's failure if
    /// any, then the entries to annul by hand with the run's own message.
    /// Empty when no run was interrupted.
    QString texto;
};

/// Closes every run of the journal that started and did not end (the program
/// was killed, the workstation lost power), from what the company database
/// holds now:
///
/// - the run's entry is the key recorded in the journal, taken only for a
///   stored entry of the run's entry type and series, stamped with this
///   workstation's name (the journal's) and with the run's lines, or for
///   one no longer stored; otherwise, the first entry stored by this
///   workstation (POSTO) with the
///   run's entry type, series and year, numbered above the highest number
///   read before the run (and not above the one read before the next run of
///   the journal), whose lines are the run's articles and quantities in
///   order. An entry of another workstation is never taken;
/// - no entry: closed as nothing stored;
/// - a Guia not annulled names the entry: closed as made, nothing annulled;
/// - the entry already annulled: closed as annulled;
/// - otherwise the entry is annulled through SessaoErp::AnulaDocumento; when
///   the ERP refuses, or fails, the database is read again (the annulment may
///   have been committed without its answer arriving): annulled there is
///   annulled, else the entry is listed for manual annulment.
///
/// Each run is closed in the journal (and written to `registo`, when given)
/// as soon as it is decided. When a read of the database fails, recovery
/// stops: that run and those after it stay in the journal untouched, and the
/// text says so. The journal's own errors (Erro Ficheiro) are raised.
ResultadoRecuperacao recuperarCorridas(DiarioCorridas& diario, const BaseDados& base, SessaoErp& sessao,
                                       const RegistoCorridas* registo = nullptr);
