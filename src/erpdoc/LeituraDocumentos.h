#pragma once

#include "BaseDados.h"
#include "DiarioCorridas.h"
#include "SessaoErp.h"

#include <optional>
#include <vector>

/// The highest number stored in DOCGCCAB for a document type, series and
/// year (0 when there is none), read on `base`'s own connection. A run reads
/// it for its entry's type, series and year before it stores the entry.
qint32 maiorNumeroDocumento(BaseDados& base, const QString& tipo, qint16 serie, qint16 ano);

/// Reads what is stored about documents, on a connection of its own opened
/// on the database `base` is open on: after a connection error the one that
/// failed may be broken, and the answer must come from the database as it
/// now stands. Every read raises Erro when the database cannot be reached.
class LeituraDocumentos final {
public:
    /// Opens the connection; raises Erro (BaseDadosFechada) when it does not
    /// open (the text names the database, never its password).
    explicit LeituraDocumentos(const BaseDados& base);
    Q_DISABLE_COPY_MOVE(LeituraDocumentos)

    /// The Guia that names `entrada` (DOCRELACIONADO holds its key text,
    /// textoChave) and is not annulled; nothing when there is none.
    std::optional<ChaveDocumento> guiaDaEntrada(const ChaveDocumento& entrada);
    /// Whether the document is annulled (ANULADO = -1); nothing when it is not stored.
    std::optional<bool> anulado(const ChaveDocumento& chave);
    /// The entries stored by workstation `posto` (DOCGCCAB.POSTO) of the
    /// type, series and year, numbered above `acima` and, when given, not
    /// above `ate`, annulled or not, in number order.
    std::vector<ChaveDocumento> entradasDoPosto(const QString& posto, const QString& tipo, qint16 serie, qint16 ano,
                                                qint32 acima, std::optional<qint32> ate);
    /// A document's lines (article, original quantity) in line order.
    std::vector<LinhaDiario> linhas(const ChaveDocumento& chave);
    /// The entry a journaled run stored, found without its key: the first
    /// entry of the run's workstation, type, series and year numbered above
    /// the highest number the run read before it started (and not above
    /// `ate`, when given) whose lines are the run's articles and quantities
    /// in order. Nothing when there is none. An entry of another workstation
    /// is never taken.
    std::optional<ChaveDocumento> entradaDaCorrida(const InicioCorrida& corrida, std::optional<qint32> ate);
    /// Whether the stored document `entrada` can be the entry of `corrida`:
    /// of the run's entry type and series, stamped with the run's workstation
    /// (DOCGCCAB.POSTO), with the run's lines.
    bool daCorrida(const ChaveDocumento& entrada, const InicioCorrida& corrida);
    /// Whether the annulment `anulacao` can be this workstation's: its Guia
    /// stored, stamped with `posto` (DOCGCCAB.POSTO) and naming its entry
    /// (DOCRELACIONADO; none when it names none).
    bool anulacaoDoPosto(const AnulacaoDiario& anulacao, const QString& posto);

private:
    BaseDados m_base;
};

/// After a connection error while the Guia was saved: the Guia that names
/// `entrada` and is not annulled, read on a new connection. A Guia there is
/// a Guia made (the commit reached the database although its answer did
/// not): the entry stays. Raises Erro when the database cannot be reached;
/// then nothing can be decided.
std::optional<ChaveDocumento> guiaDaEntrada(const BaseDados& base, const ChaveDocumento& entrada);

/// After a connection error while the entry was annulled: whether the
/// document is annulled, read on a new connection (false when it is not
/// stored). Raises Erro when the database cannot be reached.
bool anulada(const BaseDados& base, const ChaveDocumento& chave);
