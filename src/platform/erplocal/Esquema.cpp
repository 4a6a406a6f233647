#include "Esquema.h"

#include "Dialecto.h"
#include "Erro.h"
#include "FuncoesServidor.h"
#include "Senhas.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace Esquema {

namespace {

void executar(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        throw Erro(Erro::Sql,
                   QStringLiteral("Não foi possível criar as tabelas da empresa: %1").arg(q.lastError().text()));
}

/// Within the transaction, the server keeps to warnings.
void calarAvisos(QSqlQuery& q, const QSqlDatabase& db) {
    const QLatin1String sql = Dialecto::de(db).calarAvisos();
    if (!sql.isEmpty())
        q.exec(sql);
}

} // namespace

QStringList instrucoes(const QSqlDatabase& db) {
    // Dates carry the time of day.
    const QString data = Dialecto::de(db).tipoData();
    const QString valor = QStringLiteral("NUMERIC(19,4)");
    return {
        // Document types: TPDSAFT tells whether the type is communicated to the tax authority.
        QStringLiteral("CREATE TABLE IF NOT EXISTS TpDoc ("
                       " Codigo VARCHAR(10) NOT NULL PRIMARY KEY,"
                       " Descricao VARCHAR(60) NOT NULL DEFAULT '',"
                       " TPDSAFT INTEGER NOT NULL DEFAULT 0)"),
        // Series of each document type; Origem tells how documents of the series are numbered.
        QStringLiteral("CREATE TABLE IF NOT EXISTS NOMSERIE ("
                       " TipoDoc VARCHAR(10) NOT NULL,"
                       " Serie INTEGER NOT NULL,"
                       " Descricao VARCHAR(60) NOT NULL DEFAULT '',"
                       " Origem INTEGER,"
                       " PRIMARY KEY (TipoDoc, Serie))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Clientes ("
                       " Codigo VARCHAR(15) NOT NULL PRIMARY KEY,"
                       " Nome VARCHAR(100) NOT NULL DEFAULT '',"
                       " NumContribuinte VARCHAR(20) NOT NULL DEFAULT '',"
                       " Morada VARCHAR(100) NOT NULL DEFAULT '',"
                       " Localidade VARCHAR(50) NOT NULL DEFAULT '',"
                       " Inactivo INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Artigos ("
                       " Codigo VARCHAR(15) NOT NULL PRIMARY KEY,"
                       " Nome VARCHAR(100) NOT NULL DEFAULT '',"
                       " Unidade VARCHAR(5) NOT NULL DEFAULT 'UN',"
                       " PrecoVenda %1 NOT NULL DEFAULT 0,"
                       " Armazem VARCHAR(10) NOT NULL DEFAULT '',"
                       " Inactivo INTEGER NOT NULL DEFAULT 0)")
            .arg(valor),
        // Document headers: orders, delivery notes (Guias) and entries alike.
        QStringLiteral("CREATE TABLE IF NOT EXISTS DOCGCCAB ("
                       " TPDOC VARCHAR(10) NOT NULL,"
                       " SERIE INTEGER NOT NULL,"
                       " NNUMDOC INTEGER NOT NULL,"
                       " ANO INTEGER NOT NULL,"
                       " DATA %1 NOT NULL,"
                       " TERCEIRO VARCHAR(15) NOT NULL DEFAULT '',"
                       " TIPOTERCEIRO INTEGER NOT NULL DEFAULT 0,"
                       " VNUMDOC VARCHAR(30) NOT NULL DEFAULT '',"
                       " AREAGESTAO INTEGER NOT NULL DEFAULT 0,"
                       " SECTOR VARCHAR(10) NOT NULL DEFAULT '',"
                       " TIPOPRECO INTEGER NOT NULL DEFAULT 0,"
                       " NUMCONTRIBUINTE VARCHAR(20) NOT NULL DEFAULT '',"
                       " DESCONTOCAB %2 NOT NULL DEFAULT 0,"
                       " PROCESSO VARCHAR(30) NOT NULL DEFAULT '',"
                       " MEIOTRANSPORTE VARCHAR(30) NOT NULL DEFAULT '',"
                       " MATRICULA VARCHAR(15) NOT NULL DEFAULT '',"
                       " LOCALCARGA VARCHAR(60) NOT NULL DEFAULT '',"
                       " LOCALDESCARGA VARCHAR(60) NOT NULL DEFAULT '',"
                       " ARMAZEM VARCHAR(10) NOT NULL DEFAULT '',"
                       " OBSERVACOES VARCHAR(100) NOT NULL DEFAULT '',"
                       " MODOGRAVACAO INTEGER NOT NULL DEFAULT 0,"
                       " UTILIZADOR VARCHAR(30) NOT NULL DEFAULT '',"
                       " POSTO VARCHAR(30) NOT NULL DEFAULT '',"
                       " DOCRELACIONADO VARCHAR(40) NOT NULL DEFAULT '',"
                       " ANULADO INTEGER NOT NULL DEFAULT 0,"
                       " IMPRESSOES INTEGER NOT NULL DEFAULT 0,"
                       " MOTIVOANULACAO VARCHAR(200) NOT NULL DEFAULT '',"
                       " PRIMARY KEY (TPDOC, SERIE, NNUMDOC, ANO))")
            .arg(data, valor),
        // Document lines. QUANT is what is still pending on an order line;
        // a delivery line keeps the order line it satisfies in OrDoc..LinhaOriginal.
        QStringLiteral("CREATE TABLE IF NOT EXISTS DOCGCLIN ("
                       " TPDOCUM VARCHAR(10) NOT NULL,"
                       " SERIE INTEGER NOT NULL,"
                       " NNUMDOC INTEGER NOT NULL,"
                       " ANO INTEGER NOT NULL,"
                       " NUMLINHA INTEGER NOT NULL,"
                       " TIPODELINHA INTEGER NOT NULL DEFAULT 1,"
                       " ARTIGO VARCHAR(15) NOT NULL DEFAULT '',"
                       " DESCR VARCHAR(100) NOT NULL DEFAULT '',"
                       " ARMAZEM VARCHAR(10) NOT NULL DEFAULT '',"
                       " DATA %1 NOT NULL,"
                       " PRUNIT %2 NOT NULL DEFAULT 0,"
                       " QTDORIG %2 NOT NULL DEFAULT 0,"
                       " QUANT %2 NOT NULL DEFAULT 0,"
                       " LINANU INTEGER NOT NULL DEFAULT 0,"
                       " ORDOC VARCHAR(10),"
                       " ORANO INTEGER,"
                       " ORNUM INTEGER,"
                       " ORSERIE INTEGER,"
                       " LINHAORIGINAL INTEGER,"
                       " PRIMARY KEY (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA))")
            .arg(data, valor),
        // The pending-order load selects a client's headers by date, then their lines.
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_DOCGCCAB_TERCEIRO ON DOCGCCAB (TERCEIRO, DATA)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_DOCGCLIN_ARTIGO ON DOCGCLIN (ARTIGO)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS IX_DOCGCLIN_ORIGEM ON DOCGCLIN (ORDOC, ORSERIE, ORNUM, ORANO, LINHAORIGINAL)"),
        // The ERP's own tables: its users and companies. In a file, a user's
        // password is kept as a salted hash; on a server the user is a login
        // of the server, which keeps (and checks) its password.
        QStringLiteral("CREATE TABLE IF NOT EXISTS ErpUtilizadores ("
                       " Utilizador VARCHAR(30) NOT NULL PRIMARY KEY,%1"
                       " Activo INTEGER NOT NULL DEFAULT 1)")
            .arg(Dialecto::de(db).servidor() ? QString() : QStringLiteral(" HashPassword VARCHAR(200) NOT NULL,")),
        // The company's own row: what its printed documents say of the sender.
        QStringLiteral("CREATE TABLE IF NOT EXISTS ErpEmpresas ("
                       " Codigo VARCHAR(15) NOT NULL PRIMARY KEY,"
                       " Nome VARCHAR(100) NOT NULL DEFAULT '',"
                       " NumContribuinte VARCHAR(20) NOT NULL DEFAULT '',"
                       " Morada VARCHAR(100) NOT NULL DEFAULT '',"
                       " Localidade VARCHAR(50) NOT NULL DEFAULT '')"),
        // The last number given per document type, series and year: the row is
        // locked while a document is stored, so numbers never repeat.
        QStringLiteral("CREATE TABLE IF NOT EXISTS ErpNumeracao ("
                       " TipoDoc VARCHAR(10) NOT NULL,"
                       " Serie INTEGER NOT NULL,"
                       " Ano INTEGER NOT NULL,"
                       " Ultimo INTEGER NOT NULL DEFAULT 0,"
                       " PRIMARY KEY (TipoDoc, Serie, Ano))"),
        // The company database's own identity, one row given when the
        // database is created: each workstation's run journal is named after
        // it, whatever path or host its connection is written with.
        QStringLiteral("CREATE TABLE IF NOT EXISTS ErpIdentidade ("
                       " Identidade VARCHAR(36) NOT NULL PRIMARY KEY)"),
    };
}

void criar(QSqlDatabase& db) {
    if (!db.transaction())
        throw Erro(Erro::Sql,
                   QStringLiteral("Não foi possível criar as tabelas da empresa: %1").arg(db.lastError().text()));
    try {
        QSqlQuery q(db);
        calarAvisos(q, db);
        for (const QString& sql : instrucoes(db))
            executar(q, sql);
        executar(q, QStringLiteral("SELECT COUNT(*) FROM ErpIdentidade"));
        if (q.next() && q.value(0).toInt() == 0) {
            q.prepare(QStringLiteral("INSERT INTO ErpIdentidade (Identidade) VALUES (?)"));
            q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
            if (!q.exec())
                throw Erro(
                    Erro::Sql,
                    QStringLiteral("Não foi possível criar as tabelas da empresa: %1").arg(q.lastError().text()));
        }
        // On a server, the stores and the operators' rights with the tables.
        if (Dialecto::de(db).servidor())
            FuncoesServidor::instalar(db);
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit())
        throw Erro(Erro::Sql,
                   QStringLiteral("Não foi possível criar as tabelas da empresa: %1").arg(db.lastError().text()));
}

QStringList tabelas(const QSqlDatabase& db) {
    static const QRegularExpression criarTabela(QStringLiteral("^CREATE TABLE IF NOT EXISTS (\\w+)"),
                                                QRegularExpression::CaseInsensitiveOption);
    QStringList r;
    for (const QString& sql : instrucoes(db)) {
        const QRegularExpressionMatch m = criarTabela.match(sql);
        if (m.hasMatch())
            r << m.captured(1);
    }
    return r;
}

void apagar(QSqlDatabase& db) {
    if (!db.transaction())
        throw Erro(Erro::Sql,
                   QStringLiteral("Não foi possível apagar as tabelas da empresa: %1").arg(db.lastError().text()));
    try {
        QSqlQuery q(db);
        calarAvisos(q, db);
        const QStringList nomes = tabelas(db);
        if (Dialecto::de(db).servidor())
            for (const QString& sql : FuncoesServidor::remocao())
                if (!q.exec(sql))
                    throw Erro(
                        Erro::Sql,
                        QStringLiteral("Não foi possível apagar as tabelas da empresa: %1").arg(q.lastError().text()));
        // Later tables may refer to earlier ones: drop them last first.
        for (auto i = nomes.crbegin(); i != nomes.crend(); ++i) {
            if (!q.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(*i)))
                throw Erro(
                    Erro::Sql,
                    QStringLiteral("Não foi possível apagar as tabelas da empresa: %1").arg(q.lastError().text()));
        }
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit())
        throw Erro(Erro::Sql,
                   QStringLiteral("Não foi possível apagar as tabelas da empresa: %1").arg(db.lastError().text()));
}

void definirUtilizadorErp(QSqlDatabase& db, const QString& utilizador, const QString& password) {
    if (Dialecto::de(db).servidor()) {
        FuncoesServidor::definirOperador(db, utilizador, password);
        return;
    }
    const QString hash = Senhas::cifrar(password);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM ErpUtilizadores WHERE Utilizador = ?"));
    q.addBindValue(utilizador);
    if (!q.exec())
        throw Erro(Erro::Sql, q.lastError().text());
    q.prepare(QStringLiteral("INSERT INTO ErpUtilizadores (Utilizador, HashPassword, Activo) VALUES (?, ?, 1)"));
    q.addBindValue(utilizador);
    q.addBindValue(hash);
    if (!q.exec())
        throw Erro(Erro::Sql, q.lastError().text());
}

} // namespace Esquema
