#pragma once

#include "BaseDados.h"
#include "CorridasDoPosto.h"
#include "SessaoErp.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

/// The longest reason an annulment keeps (DOCGCCAB.MOTIVOANULACAO).
inline constexpr int MaximoMotivoAnulacao = 200;

/// How anularDocumento ended.
enum class DesfechoAnulacao {
    Feita,    ///< annulled by this call (also when its answer was lost on the way)
    JaEstava, ///< refused, and the document was already annulled: by someone else
    Falhou,   ///< the document stays live; the reason in `falha`
};

/// Annuls `chave` through the session, keeping `motivo` with it. When the
/// call fails, the document is read back on a new connection of `base`: a
/// failure of the database may have come after the commit, and a refusal
/// may be another annulment's that came first. Raises Erro when that read
/// cannot reach the database.
DesfechoAnulacao anularDocumento(SessaoErp& sessao, const BaseDados& base, const ChaveDocumento& chave,
                                 const QString& motivo, QString& falha);

/// What an annulment did, and what the operator is to be told.
struct ResultadoAnulacao final {
    /// The Guia is annulled (and its entry, unless it is in `porAnular`).
    bool anulada = false;
    std::optional<ChaveDocumento> entrada;
    /// The messages to show, in order.
    QStringList mensagens;
    /// The entry whose annulment failed: to be annulled by hand.
    std::vector<ChaveDocumento> porAnular;
    /// The database failed and could not be read afterwards: what was
    /// annulled is not known. The annulment stays in the journal, for
    /// recovery to finish.
    bool porVerificar = false;
};

/// The operator's annulment of a Guia made by this workstation: the Guia,
/// which gives its lines' quantities back to their order lines, then its
/// entry, each through the ERP session, the reason kept with both. It goes
/// through the workstation's journal as a run does: recovery of unfinished
/// runs first, the start (with the Guia, its entry and the reason) synced to
/// the disk before anything is annulled, the outcome closed in the journal
/// and the run log. Killed at any point, recovery finishes it at the next
/// start. Knows no window.
class AnulacaoGuia final {
public:
    /// A Guia's row as the annulment reads it.
    struct EstadoGuia;

    AnulacaoGuia(SessaoErp& sessao, CorridasDoPosto& corridas);

    /// Why `motivo` cannot be the reason of annulling `guia` (none, or longer
    /// than MaximoMotivoAnulacao once trimmed); nothing when it can.
    static std::optional<QString> recusaMotivo(const ChaveDocumento& guia, const QString& motivo);

    /// Why this Guia cannot be annulled here (it is not stored, is already
    /// annulled, or is another workstation's); nothing when it can. Raises
    /// Erro when the database cannot be read.
    std::optional<QString> recusa(const ChaveDocumento& guia) const;
    /// The whole annulment, `motivo` required (recusaMotivo). Never raises.
    ResultadoAnulacao executar(const ChaveDocumento& guia, const QString& motivo);

private:
    std::optional<QString> recusaDe(const ChaveDocumento& guia, const std::optional<EstadoGuia>& estado) const;

    SessaoErp& m_sessao;
    CorridasDoPosto& m_corridas;
};
