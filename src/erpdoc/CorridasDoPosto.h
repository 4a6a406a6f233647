#pragma once

#include "BaseDados.h"
#include "DiarioCorridas.h"
#include "RecuperacaoCorridas.h"
#include "RegistoCorridas.h"
#include "SessaoErp.h"
#include "TrincoPosto.h"

#include <QString>

#include <optional>

/// This workstation's document runs on the company database: their journal
/// (held, with its lock, for the program's whole life), their log, and the
/// names every run records (the ERP user, the workstation). Start-up makes
/// it once, after the database opens; every Guia run goes through it.
class CorridasDoPosto final {
public:
    /// Opens the journal of workstation `posto` on `base` (see
    /// DiarioCorridas: raises Erro (Ficheiro) when another instance of the
    /// program holds it, with a text for the operator, or when it cannot be
    /// opened), then takes the workstation's name on the database (see
    /// TrincoPosto: raises Erro, with a text for the operator, when another
    /// program anywhere holds it), and opens the log at `caminhoRegisto`
    /// (corridas.log in the state folder when empty). `base` must outlive
    /// the object.
    /// A name longer than the ERP's documents keep (TamanhoMaximoPosto) is
    /// refused first, with Erro (Configuracao) and a text for the operator.
    CorridasDoPosto(BaseDados& base, QString utilizador, QString posto, const QString& caminhoRegisto = QString());
    Q_DISABLE_COPY_MOVE(CorridasDoPosto)

    /// The characters of a workstation's name the ERP's documents keep (the
    /// header's POSTO column): PostgreSQL refuses a longer one on every
    /// store, SQLite would keep it whole.
    static constexpr qsizetype TamanhoMaximoPosto = 30;

    /// What the workstations' journals of `base` are named after: the
    /// identity the database was given when it was created (its ERP table
    /// ErpIdentidade), the same whatever path, host or port its connection
    /// is written with. A database made before it had one goes by how its
    /// connection is described (TextoLigacao::descricao), as its journals
    /// always did. Raises Erro when the database cannot be read.
    static QString identidadeBase(BaseDados& base);

    BaseDados& base() const { return m_base; }
    const QString& posto() const { return m_posto; }
    DiarioCorridas& diario() { return m_diario; }
    const RegistoCorridas& registo() const { return m_registo; }

    /// Finishes every run of this workstation that started and did not end
    /// (recuperarCorridas), each closed in the journal and written to the log.
    ResultadoRecuperacao recuperar(SessaoErp& sessao);

    /// Journals a run that is about to store its entry: fills in the ERP
    /// user, the workstation and the highest number of the entry's type,
    /// series and year stored so far (read on the company database; not for
    /// an annulment run, which stores no entry), then
    /// writes the record and syncs it to the disk. Raises Erro when the
    /// number cannot be read or the record written: the run must then store
    /// nothing.
    InicioCorrida iniciar(InicioCorrida inicio);
    /// The run's entry is stored under `chave`. A journal that cannot be
    /// written now is no reason to stop: recovery finds the entry without it.
    void entradaGuardada(const InicioCorrida& inicio, const ChaveDocumento& chave);
    /// The run ended as `fim`: closed in the journal and written to the log.
    /// A journal that cannot be written leaves the run unfinished there, to be
    /// closed by recovery from what the database holds.
    void terminar(const InicioCorrida& inicio, const FimCorrida& fim);

    /// After the database failed while the run's entry was stored: the entry,
    /// if it reached the database all the same, read on a new connection.
    /// Raises Erro when the database cannot be reached.
    std::optional<ChaveDocumento> entradaDaCorrida(const InicioCorrida& inicio) const;

private:
    BaseDados& m_base;
    QString m_utilizador;
    QString m_posto;
    DiarioCorridas m_diario;
    TrincoPosto m_trinco;
    RegistoCorridas m_registo;
};
