#pragma once

#include "Moeda.h"
#include "SessaoErp.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

/// Who sends or receives the goods, as the paper names them.
struct EntidadeImpressa final {
    QString codigo;
    QString nome;
    QString contribuinte; ///< the tax number as stored (may carry a country prefix)
    QString morada;
    QString localidade;

    /// The address on one line: street, then town ("" when neither is known).
    QString moradaCompleta() const;
};

/// The order line a Guia line satisfies.
struct OrigemImpressa final {
    QString tipo;
    qint32 serie = 0;
    qint32 numero = 0;
    qint32 ano = 0;
    qint32 linha = 0;

    /// "ENC 1/12/2026, linha 3".
    QString texto() const;
};

/// One line of the printed Guia.
struct LinhaImpressa final {
    QString artigo;
    QString descricao;
    Moeda quantidade;
    QString unidade;
    std::optional<OrigemImpressa> origem;
};

/// Everything the printed Guia shows, read from the company database
/// (LeituraGuia) or made by a test: the layout, the QR code and the PDF take
/// only this.
struct GuiaImpressa final {
    ChaveDocumento chave;
    QString nomeTipo; ///< the document type's name (TpDoc)
    QDate data;
    /// When the Guia was stored: the start of transport. Only the day (from
    /// `data`) when the program that stored it kept no time.
    std::optional<QDateTime> gravadaEm;
    EntidadeImpressa empresa;
    EntidadeImpressa cliente;
    QString localCarga;    ///< the company's address unless the document names one
    QString localDescarga; ///< the client's address unless the document names one
    QString matricula;     ///< the vehicle's plate; empty when none
    /// The series' validation code; empty when the series has none.
    QString codigoValidacao;
    std::vector<LinhaImpressa> linhas;
    bool anulada = false;
    QString motivoAnulacao;
    /// How many times the Guia was printed before this print: 0 prints the
    /// original, any other number "2.ª via".
    qint32 impressoesAnteriores = 0;

    /// "GR 1/45": type, series and number, as the tax authority names a document.
    QString identificacao() const;
    /// The document's unique code: the validation code ("0" when none), "-", the number.
    QString atcud() const;
    Moeda quantidadeTotal() const;
};

/// A text as it may go on paper: every control character (line breaks and
/// tabs included) becomes a space, so that a stored value can never break
/// the layout.
QString textoImprimivel(const QString& texto);
