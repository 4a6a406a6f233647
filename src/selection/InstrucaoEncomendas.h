#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <span>

/// A statement with "?" placeholders and the values bound to them in order.
struct Instrucao final {
    QString sql;
    QVariantList parametros;
    /// Whether each parameter is written quoted when the statement is shown
    /// with its values (texts are, the order number is not).
    QList<bool> entreAspas;

    /// The statement with every value written in place: texts between single
    /// quotes (quotes doubled), numbers plain. For logs and checks only; the
    /// database always receives `sql` with bound values.
    QString comLiterais() const;
};

/// The filter fields of a load, as typed.
struct FiltrosCarga final {
    QString cliente;
    QString artigo;
    QString numero; ///< order number: digits only
    QString requisicao;
};

/// One order document type and series that the load reads.
struct TipoEncomenda final {
    QString tipo;
    qint64 serie = 0;
    bool operator==(const TipoEncomenda&) const = default;
};

/// The pending-order statement: the lines of the configured order types and
/// series still pending for the client, narrowed by the other filters,
/// oldest first.
Instrucao instrucaoEncomendas(std::span<const TipoEncomenda> tiposEncomenda, const FiltrosCarga& filtros);
/// The same from the types and series as one list of texts, in pairs (an
/// unpaired last item ignored); a series that is no whole number is bound as text.
Instrucao instrucaoEncomendas(const QStringList& tiposEncomenda, const FiltrosCarga& filtros);

/// The client check: an active client with exactly this code.
Instrucao instrucaoCliente(const QString& codigo);
/// The article check: an active article with exactly this code.
Instrucao instrucaoArtigo(const QString& codigo);

/// The look-up lists' statements: every client (article), its code and name, by code.
QString consultaListaClientes();
QString consultaListaArtigos();
