#pragma once

// The local ERP on a PostgreSQL server: its stores are the server's functions
// (FuncoesServidor), each called in one statement, and its reads one round
// trip each. Shared by the local ERP's source files only.

#include "ErpLocalInterno.h"

#include <QSqlDatabase>

#include <optional>
#include <vector>

namespace ErpServidor {

/// Whether the connection is to a server whose stores run there.
bool noServidor(const QSqlDatabase& db);

/// The first row of a query in one round trip, its values bound in order
/// ("?" placeholders); raises Erro as ErpBd::executar does. Nothing when the
/// driver's connection cannot be used from here: the caller then runs it
/// through Qt's driver.
std::optional<std::optional<QVariantList>> primeiraLinha(const QSqlDatabase& db, const QString& sql,
                                                         const QVariantList& valores);

/// Every row of a query in one round trip, as primeiraLinha gives the first.
std::optional<std::vector<QVariantList>> linhas(const QSqlDatabase& db, const QString& sql,
                                                const QVariantList& valores);

/// The entry's store ("CriaDocumentoEntrada") or the Guia's ("GravaDocumento")
/// on the server: the document's number. Raises Recusa with the ERP's text,
/// or Erro when the database failed (the store may then have been committed,
/// if the connection failed once the call had gone). The test hooks of the
/// session strike as on SQLite: accaoNoMeio (and the fault "<operacao>:meio")
/// inside the store's transaction, which then is one of its own around the
/// call; accaoEmCurso while the call is on its way; accaoDepois after it.
qint32 gravar(NucleoErp& n, const QString& operacao, const CabecalhoGravar& cab,
              const std::vector<LinhaGravar>& linhas);

/// The annulment of a document on the server; raises as gravar does.
void anular(NucleoErp& n, const QString& tipo, int serie, qint32 numero, int ano, const QString& motivo);

/// Any store of the server (FuncoesServidor), called as gravar calls one:
/// `sql` selects its answer's columns, the last one its refusal, raised as
/// Recusa when there is one; otherwise the answer's values.
QVariantList chamar(NucleoErp& n, const QString& operacao, const QString& sql, const QVariantList& valores);

} // namespace ErpServidor
