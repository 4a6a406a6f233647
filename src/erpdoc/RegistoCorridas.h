#pragma once

#include "DiarioCorridas.h"

#include <QDateTime>
#include <QString>

/// One run as its log line tells it.
struct RegistoCorrida final {
    QDateTime hora; ///< when the run ended
    QString utilizador;
    QString posto;
    QString cliente;
    FimCorrida fim;
    /// Closed by the recovery at start-up, not by the run itself.
    bool recuperacao = false;
    /// An annulment of a Guia and its entry, and the operator's reason.
    bool anulacao = false;
    QString motivo;
};

/// The log line of a run that started as `inicio` and ended as `fim`, now.
RegistoCorrida registoDe(const InicioCorrida& inicio, const FimCorrida& fim, bool recuperacao);

/// The log of every run's outcome, for people: one line per run appended to
/// a UTF-8 text file ("corridas.log" in the user's state folder), readable
/// with `less` and `grep`. A line is the local time, then tab-separated
/// "key=value" fields, always the same and in the same order:
///
///   2026-03-05 10:11:12+00:00  origem=corrida  utilizador=op  posto=POSTO1
///   cliente=C1  desfecho=guia  feitos=ENT/1/5/2026,GR/1/7/2026  anulados=
///   listados=  erro=
///
/// origem is "corrida", "anulacao" (a Guia annulled by the operator) or
/// "recuperacao"; desfecho "guia", "entrada-anulada", "entrada-por-anular",
/// "guia-anulada" or "nada"; feitos the documents stored, anulados those
/// annulled, listados those left for manual annulment. An annulment's line
/// ends with one more field, motivo, the operator's reason. In the
/// values a backslash, tab, line feed and carriage return are written \\,
/// \t, \n and \r, other control characters \xHH and the bidirectional
/// formatting characters \u{HHHH} (escaparControlos). Nothing of the
/// database connection is ever written.
///
/// Lines are not synced: the journal (DiarioCorridas) is the record that
/// recovery relies on; the log is what people read.
class RegistoCorridas final {
public:
    /// The log at `caminho`, or corridas.log in the state folder when empty.
    explicit RegistoCorridas(const QString& caminho = QString());

    QString caminho() const { return m_caminho; }
    /// Appends the run's line (under a lock on the file, so that lines of
    /// programs writing at once never mix). A line torn before (a full disk,
    /// a program killed while it wrote) is cut off first, and what was written
    /// of this one when its write fails. False when it cannot be written: the
    /// run never depends on its log.
    bool registar(const RegistoCorrida& r) const;
    /// The line without its line feed.
    static QByteArray linha(const RegistoCorrida& r);

private:
    QString m_caminho;
};
