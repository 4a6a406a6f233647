#pragma once

#include "LinhaEncomenda.h"
#include "ParametrosDocumentos.h"
#include "SessaoErp.h"

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
};

/// One run of "&Guia": the entry document from the marked lines, then the
/// Guia built through the ERP's document API (header, one line per marked
/// line pointing back at its order line) and saved; when anything fails after
/// the entry was stored, the entry is annulled again. Knows no window.
///
/// Inside, every failure is an exception (Erro or another); executar() turns
/// them into its outcome. The steps are public for the window's methods of
/// the same names, and raise.
class CorridaGuia final {
public:
    CorridaGuia(SessaoErp& sessao, ParametrosGuia guia, ParametrosEntrada entrada, qint16 modoGravacao);

    /// The whole run over `linhas` (the marked lines, in grid order) for
    /// client `cliente`. Never raises.
    ResultadoCorrida executar(const std::vector<LinhaMarcada>& linhas, const QString& cliente);

    /// A new API object, the name handed to the session exactly as written.
    std::shared_ptr<ObjectoApi> criaObjectoApi(const QString& nome);
    /// Stores the entry document, one line per marked line; its key. Raises
    /// Erro (RecusadoErp) with the ERP's text when the ERP does not store it.
    ChaveDocumento gravaEntrada(const std::vector<LinhaMarcada>& linhas);
    /// A new commercial document with its header written for `cliente`.
    std::shared_ptr<DocumentoComercial> criaCabecalho(const QString& cliente);
    /// Adds one line per marked line to `documento` and saves it. Raises Erro
    /// (RecusadoErp) when there is no line or the ERP does not save it.
    void criaLinhas(DocumentoComercial& documento, const std::vector<LinhaMarcada>& linhas);

private:
    /// Annuls each entry; those the ERP refused to annul or raised on, in order.
    std::vector<ChaveDocumento> anula(const std::vector<ChaveDocumento>& entradas);
    /// The saved Guia's key, as far as its header tells it.
    ChaveDocumento chaveGuia(DocumentoComercial& documento) const;

    SessaoErp& m_sessao;
    ParametrosGuia m_guia;
    ParametrosEntrada m_entrada;
    qint16 m_modoGravacao;
};

/// The text of an error for the operator: Erro's text, another exception's
/// what(), "Erro desconhecido." for anything else; empty for no error.
QString textoDoErro(const std::exception_ptr& erro);
