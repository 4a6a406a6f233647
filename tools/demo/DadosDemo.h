#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

/// The demo company "DEMO": document types and series, clients, articles and
/// customer orders in every state, an ERP user "demo" (password "demo"), and
/// the configuration and parameters files that point the program at it.
namespace Demo {

/// The demo's ERP user and its password; on PostgreSQL an operator, with a
/// login of the server of its own.
inline const QString UtilizadorDemo = QStringLiteral("demo");
inline const QString PasswordDemo = QStringLiteral("demo");

struct Opcoes {
    int clientes = 40;
    int artigos = 60;
    int encomendas = 30;
    int linhasMinimas = 2; ///< order lines per order, from..to
    int linhasMaximas = 8;
    /// The orders fall in the six months before this day; an invalid date is today.
    QDate referencia;
    /// The same seed (and day) gives the same content.
    quint32 semente = 20240517;
    /// The folder of the program the files are for (empty: this program's):
    /// a database made there is named relative to it.
    QString pastaAplicacao;
};

/// What preencher() wrote.
struct Resumo {
    int clientes = 0;
    int artigos = 0;
    int encomendas = 0;
    int linhas = 0;
};

/// The files written by the criar functions.
struct Ficheiros {
    QString base; ///< the SQLite file, or the PostgreSQL database's description
    QString configuracao;
    QString parametros;
    Resumo resumo;
};

/// Fills a company database whose tables exist and are empty, in one
/// transaction. Raises Erro on failure.
Resumo preencher(QSqlDatabase& db, const Opcoes& opcoes = {});

/// Creates (replacing it) the SQLite database `pasta`/demo.db with the tables
/// and the demo content, then writes `pasta`/Orlavane.zeb and
/// `pasta`/zeb_Parametros_Orlavane.zeb. The configuration names the database
/// file relative to the application folder when `pasta` is that folder.
Ficheiros criarSqlite(const QString& pasta, const Opcoes& opcoes = {});

/// The same on the PostgreSQL database named by `textoLigacao`, an
/// administrator's connection (tables of the company that are already there
/// are dropped first): the tables, the ERP's functions, the operators' group
/// and the operator "demo" (password "demo"), a login of the server. The
/// files go to `pasta`; the configuration logs in as "demo", both the ERP
/// (Instancia names no user) and the program's own connection.
Ficheiros criarPostgres(const QString& pasta, const QString& textoLigacao, const Opcoes& opcoes = {});

/// The parameters file of the demo: Windows-1252, CR LF line ends.
void escreverParametros(const QString& caminho);

} // namespace Demo
