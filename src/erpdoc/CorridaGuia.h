#pragma once

#include "CorridasDoPosto.h"
#include "LinhaEncomenda.h"
#include "ParametrosDocumentos.h"
#include "SessaoErp.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>
#include <optional>
#include <vector>

/// What one run of "&Guia" made, and what the operator is to be told.
struct ResultadoCorrida final {
    /// The entry document, once stored. When the Guia failed it was annulled
    /// again, unless it is in `porAnular`.
    std::optional<ChaveDocumento> entrada;
    /// The Guia, once saved; its Numero is 0 when the ERP did not tell it.
    std::optional<ChaveDocumento> guia;
    /// The messages to show, in order.
    QStringList mensagens;
    /// The entries whose annulment failed: they must be annulled by hand.
    std::vector<ChaveDocumento> porAnular;
    /// The error the entry's store raised (rather than refusing): nothing else
    /// was tried. The window treats it as any error it does not expect.
    std::exception_ptr erro;
    /// The database failed in the middle of a store and could not be read
    /// afterwards: what was stored is not known. The run stays unfinished in
    /// the journal, for recovery to close; the messages say so.
    bool porVerificar = false;
};

/// One run of "&Guia": the entry document from the marked lines, then the
/// Guia built through the ERP's document API (header, one line per marked
/// line pointing back at its order line) and saved; when anything fails after
/// the entry was stored, the entry is annulled again. Knows no window.
///
/// With the workstation's runs (CorridasDoPosto) the run is journaled, so
/// that a run cut short (the program killed, the power gone) is finished by
/// recovery: before anything is stored, the unfinished runs of this
/// workstation are recovered and the run's start is written and synced to
/// the disk; the entry's key is written once it is stored; the outcome at
/// the end, also to the run log. When the database fails in the middle of
/// the Guia's save, of the annulment or of the entry's store, the outcome is
/// read back from the database before anything is decided: the commit may
/// have reached it although its answer did not.
///
/// Inside, every failure is an exception (Erro or another); executar() turns
/// them into its outcome. Its steps carry their names: GravaEntrada,
/// LibertaDocumento, CriaCabecalho, CriaLinhas.
class CorridaGuia final {
public:
    /// `corridas` null: the run is not journaled (nothing to recover it from).
    CorridaGuia(SessaoErp& sessao, ParametrosGuia guia, ParametrosEntrada entrada, qint16 modoGravacao,
                CorridasDoPosto* corridas = nullptr);

    /// The whole run over `linhas` (the marked lines, in grid order) for
    /// client `cliente`. Never raises.
    ResultadoCorrida executar(const std::vector<LinhaMarcada>& linhas, const QString& cliente);

    /// Stores the entry document dated `data`, one line per marked line; its
    /// key. Raises Erro (RecusadoErp) with the ERP's text when the ERP
    /// refuses it, Erro (Sql) when the ERP reports that the database failed
    /// (the store may or may not have reached it).
    ChaveDocumento GravaEntrada(const std::vector<LinhaMarcada>& linhas, QDate data = QDate::currentDate());

private:
    enum class Anulacao {
        Feita,
        Recusada,
        Incerta, ///< the database failed: it may have been committed
    };
    /// Annuls the entry.
    Anulacao anula(const ChaveDocumento& entrada);
    /// The run once its entry is stored: the Guia, or the entry annulled again.
    void fazGuia(ResultadoCorrida& r, const InicioCorrida& inicio, const std::vector<LinhaMarcada>& linhas,
                 const QString& cliente, QDate data);
    /// The Guia failed with `texto`: the entry annulled, or listed.
    void anulaEntrada(ResultadoCorrida& r, const InicioCorrida& inicio, const QString& texto);
    /// The journal's end of the run, when it is journaled.
    void terminar(const InicioCorrida& inicio, FimCorrida::Tipo tipo, const ResultadoCorrida& r,
                  const QString& erro = QString());
    /// A new API object, the name handed to the session exactly as written.
    std::shared_ptr<ObjectoApi> ErpCreateApiObject(const QString& sObjectName);
    /// Lets the Guia being built go.
    void LibertaDocumento();
    /// A new commercial document (DocComercial) with its header written for
    /// `cliente`, dated `data`.
    void CriaCabecalho(const QString& cliente, QDate data);
    /// Adds one line per marked line to DocComercial and saves it. Raises Erro
    /// (RecusadoErp) when there is no line or the ERP does not save it, Erro
    /// (Sql) when the ERP reports that the database failed.
    void CriaLinhas(const std::vector<LinhaMarcada>& linhas);
    /// The saved Guia's key, as far as its header tells it.
    ChaveDocumento chaveGuia() const;

    SessaoErp& m_sessao;
    ParametrosGuia m_guia;
    ParametrosEntrada m_entrada;
    qint16 m_modoGravacao;
    CorridasDoPosto* m_corridas;
    /// The Guia being built (DocComercial), from its header until it is let go.
    std::shared_ptr<DocumentoComercial> m_docComercial;
};

/// The text of an error for the operator: Erro's text, another exception's
/// what(), "Erro desconhecido." for anything else; empty for no error.
QString textoDoErro(const std::exception_ptr& erro);

/// Whether an error says that the database failed (Erro::daBaseDados): a
/// store that failed so may have been committed all the same, its answer
/// lost on the way back. A refusal, or any other error, says
/// that nothing was stored.
bool falhaDaBaseDados(const std::exception_ptr& erro);
