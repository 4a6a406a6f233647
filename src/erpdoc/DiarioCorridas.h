#pragma once

#include "FicheirosEstado.h"
#include "Moeda.h"
#include "SessaoErp.h"

#include <QDateTime>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

/// One line of the entry document as the journal keeps it: the article and
/// the quantity exactly as the entry receives it (Moeda::deDouble of the
/// quantity handed to CriaDocumentoEntrada).
struct LinhaDiario final {
    QString artigo;
    Moeda quantidade;
    bool operator==(const LinhaDiario&) const = default;
};

/// What an annulment run is to annul: a Guia and its entry, with the
/// operator's reason.
struct AnulacaoDiario final {
    ChaveDocumento guia;
    std::optional<ChaveDocumento> entrada; ///< none when the Guia names no entry
    QString motivo;
};

/// What a run knows before it stores its entry (or, for an annulment run,
/// before it annuls anything).
struct InicioCorrida final {
    QString id;         ///< given by DiarioCorridas::iniciar unless set
    QDateTime hora;     ///< given by DiarioCorridas::iniciar unless set (UTC)
    QString utilizador; ///< the ERP user
    QString posto;      ///< the workstation (E5)
    QString cliente;
    /// The entry's type, series and year, and the highest number of that type,
    /// series and year stored before the run (maiorNumeroDocumento): the
    /// run's entry, if stored, is numbered above it.
    QString tipoEntrada;
    qint16 serieEntrada = 0;
    qint16 anoEntrada = 0;
    qint32 maiorNumero = 0;
    std::vector<LinhaDiario> linhas;
    /// An annulment run: the Guia and entry to annul; the entry's type,
    /// numbers and lines above are then not used.
    std::optional<AnulacaoDiario> anulacao;
};

/// How a run ended.
struct FimCorrida final {
    enum class Tipo {
        GuiaFeita,      ///< the entry and its Guia are stored
        EntradaAnulada, ///< the Guia was not made; the entry is annulled
        EntradaListada, ///< the Guia was not made and the entry could not be annulled: listed for the operator
        NadaGuardado,   ///< no entry was stored (an annulment run: nothing annulled)
        GuiaAnulada,    ///< an annulment run: the Guia and its entry are annulled
    };
    Tipo tipo = Tipo::NadaGuardado;
    std::optional<ChaveDocumento> entrada;
    std::optional<ChaveDocumento> guia;
    /// The error the operator was shown; for the run log only, the journal
    /// does not keep it.
    QString erro;
};

/// A run as the journal holds it.
struct CorridaDiario final {
    InicioCorrida inicio;
    std::optional<ChaveDocumento> entrada; ///< from the "entry stored" record
    std::optional<FimCorrida> fim;         ///< from the "run ended" record
    bool recuperada = false;               ///< ended by recovery, not by the run itself
};

/// The durable journal of the document runs of one workstation on one company
/// database: a file in the user's state folder (FicheirosEstado::pasta()),
/// named after the workstation and a short hash of the database's identity
/// (CorridasDoPosto::identidadeBase), so that each workstation's runs are by
/// construction in a journal of their own.
///
/// The file is a sequence of records appended one after another, one per
/// line: "<length> <check> <JSON>\n", the length in bytes and the first 16
/// hex digits of the SHA-256 of the JSON text. A record that does not check
/// out (torn by a power cut in the middle of a write, or never fully written)
/// is ignored; the records before and after it are read. Records: "inicio"
/// (run started, with everything InicioCorrida holds; an annulment run's with
/// "anular", the Guia, its entry and the reason), "entrada" (entry stored,
/// its key) and "fim" (run ended, its outcome and documents).
///
/// The reader trusts nothing in the file beyond its form: a record's values
/// of the wrong type read as empty, and recovery checks every entry a record
/// names against the database before it touches it (RecuperacaoCorridas).
///
/// Only the "inicio" record is synced to the disk before iniciar() returns,
/// so that it is there before the entry is stored. Everything else recovery
/// can tell from the company database (RecuperacaoCorridas). The file is
/// opened with O_APPEND and each sync is an fdatasync of the whole file, so
/// the records written before a synced one are on the disk with it.
///
/// The object holds an exclusive lock (flock) on a lock file beside the
/// journal for its whole life: two instances of the program for the same
/// workstation and database never run or recover at the same time. The
/// program keeps the object as long as it runs.
class DiarioCorridas final {
public:
    /// Opens the journal of workstation `posto` on the database whose
    /// identity is `identidadeBase` (CorridasDoPosto::identidadeBase: names
    /// the database, never its password), creating the folder and the file when needed, and
    /// takes the lock. Drops the finished runs and any torn record from the
    /// file. Raises Erro (Ficheiro) when another instance holds the lock (a
    /// text for the operator) or when the file cannot be opened or written.
    /// The file is compacted whenever it grows beyond `limiteBytes`.
    ///
    /// A file whose runs all ended is emptied in place, with no sync: it holds
    /// nothing recovery needs, so the old records coming back after a power
    /// cut, or the file staying empty, are both a good journal. Only a file
    /// with runs to keep is rewritten through compactar().
    DiarioCorridas(const QString& posto, const QString& identidadeBase, qint64 limiteBytes = 256 * 1024);
    ~DiarioCorridas();
    Q_DISABLE_COPY_MOVE(DiarioCorridas)

    /// The journal's file name in the state folder:
    /// "diario-<workstation, percent-encoded>-<12 hex digits of the SHA-256 of the identity>".
    static QString nomeFicheiro(const QString& posto, const QString& identidadeBase);
    QString caminho() const { return m_caminho; }
    /// The workstation whose runs the journal holds.
    const QString& posto() const { return m_posto; }

    /// Writes the "inicio" record (giving it a new id and the current time
    /// unless it has them) and syncs it to the disk. Call it before the entry
    /// is stored; the run must not store anything when it raises Erro
    /// (Ficheiro). Returns the id.
    QString iniciar(InicioCorrida inicio);
    /// Writes the "entrada" record: the run's entry is stored under `chave`.
    void entradaGuardada(const QString& id, const ChaveDocumento& chave);
    /// Writes the "fim" record (`recuperada`: written by recovery, not by the
    /// run); compacts the file when it has grown beyond the limit.
    void terminar(const QString& id, const FimCorrida& fim, bool recuperada = false);

    /// Every run in the file, in the order they started.
    std::vector<CorridaDiario> corridas() const;
    /// Every run in the journal file at `caminho` as it stands, without
    /// opening it for writing, locking or compacting it (empty when there is
    /// no file): what a finished program left behind.
    static std::vector<CorridaDiario> lerFicheiro(const QString& caminho);
    /// The runs started and not ended, in the order they started.
    std::vector<CorridaDiario> porTerminar() const;
    /// Whether the file may hold a run started and not ended. Known without
    /// reading the file, since only this object writes it while it holds the
    /// lock: false only when every run in the file has ended.
    bool podeTerPorTerminar() const { return !m_abertas.isEmpty(); }

    /// Rewrites the file with the records of the unfinished runs only: a
    /// temporary file (created anew, O_EXCL), synced, renamed over the
    /// journal, the folder synced.
    void compactar();

private:
    void acrescentar(const QByteArray& registo, bool sincronizar);
    void abrirParaAcrescentar();
    /// Drops every record: for a file whose runs all ended.
    void esvaziar();

    QString m_posto;
    QString m_caminho;
    qint64 m_limite;
    FicheirosEstado::Descritor m_trinco;
    FicheirosEstado::Descritor m_ficheiro;
    /// The runs of the file that may not have ended: each from before its
    /// "inicio" record is written until its "fim" record is.
    QSet<QString> m_abertas;
};
