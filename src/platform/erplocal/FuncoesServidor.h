#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

/// The local ERP's stores on a PostgreSQL company database: functions kept
/// on the server with the company's tables, each store one statement (one
/// transaction, one round trip), and the rights of the operators.
///
/// Every operator logs in to the server with a login of his own, a member of
/// the operators' group. The group may read the tables the program reads and
/// call the stores, nothing else: no INSERT, UPDATE or DELETE on the ERP's
/// tables, no DDL, no temporary tables. The stores run with their owner's
/// rights (SECURITY DEFINER, their search_path fixed), check everything the
/// ERP's rules ask of a document, take the user from the session, and either
/// give the document's number or refuse with the ERP's text, storing nothing.
///
///  - erp_cria_documento_entrada(documento jsonb) -> (numero, recusa)
///  - erp_grava_documento(documento jsonb) -> (numero, recusa)
///  - erp_anula_documento(tipo, serie, numero, ano, posto, motivo) -> recusa
///  - erp_regista_impressao(tipo, serie, numero, ano) -> (anteriores, recusa)
///
/// A document is {"cab": {...}, "linhas": [{...}, ...]}: the header's and the
/// lines' columns by their names in DOCGCCAB and DOCGCLIN (lower case).
///
/// A store is added here: its text in instrucoes(), its name and arguments in
/// Publicas; the session calls it with ErpServidor::chamar, its answer's last
/// column the refusal.
namespace FuncoesServidor {

/// The operators' group role (one for the whole server).
inline constexpr const char* GrupoOperadores = "orlavane_operadores";

/// The functions the operators' group may call, with their argument types.
inline constexpr const char* Publicas[] = {
    "erp_cria_documento_entrada(jsonb)",
    "erp_grava_documento(jsonb)",
    "erp_anula_documento(text, integer, integer, integer, text, text)",
    "erp_regista_impressao(text, integer, integer, integer)",
};

/// The statements that (re)create the functions in schema `esquema` (quoted).
QStringList instrucoes(const QString& esquema);

/// Creates the operators' group when the server has none, the functions in
/// the connection's current schema, and grants the group what it may do.
/// Runs in the caller's transaction. Raises Erro (Sql) on failure.
void instalar(QSqlDatabase& db);

/// The statement that drops the functions (before the tables are dropped).
QStringList remocao();

/// Adds an operator (or gives it a new password): a login of the server in
/// the operators' group, and an active user of the ERP. An empty password
/// leaves the login without one (it cannot log in with a password).
void definirOperador(QSqlDatabase& db, const QString& utilizador, const QString& password);

} // namespace FuncoesServidor
