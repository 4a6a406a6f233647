#include "FalhaBd.h"

#include "Dialecto.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cerrno>

namespace FalhaBd {

namespace {

/// The SQLite connection behind a driver of Qt's, when the driver runs on the
/// SQLite library this program calls; null otherwise.
sqlite3* ligacaoSqlite(const QSqlDriver* driver) {
    const QVariant h = driver->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0 || !Dialecto::sqlite().leituraDirecta())
        return nullptr;
    return *static_cast<sqlite3* const*>(h.constData());
}

/// Whether libpq holds the connection of a driver of Qt's for broken (when
/// the driver runs on the libpq this program calls).
bool ligacaoPgEmBaixo(const QSqlDriver* driver) {
    const QVariant h = driver->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "pg_conn*") != 0 || !Dialecto::postgres().leituraDirecta())
        return false;
    const PGconn* c = *static_cast<PGconn* const*>(h.constData());
    return c && PQstatus(c) == CONNECTION_BAD;
}

} // namespace

int classeSqlite(int codigo, int errnoSistema) {
    switch (codigo & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Erro::BaseDadosOcupada;
    case SQLITE_FULL:
        return Erro::DiscoCheio;
    case SQLITE_READONLY:
        return Erro::SoLeitura;
    case SQLITE_CANTOPEN: // the file exists (it is looked for first): it cannot be opened by this user
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Erro::SemPermissao;
    case SQLITE_IOERR:
        if (codigo == SQLITE_IOERR_NOMEM)
            return Erro::SemRecursos;
        // A write the system refused for want of room: the disk, the user's
        // quota or the largest file allowed.
        if (errnoSistema == ENOSPC || errnoSistema == EDQUOT || errnoSistema == EFBIG)
            return Erro::DiscoCheio;
        return Erro::FalhaDisco;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Erro::BaseDadosDanificada;
    case SQLITE_NOMEM:
        return Erro::SemRecursos;
    default:
        return 0;
    }
}

int classePostgres(QStringView s) {
    if (s.size() != 5)
        return 0;
    const auto e = [&s](const char* codigo) { return s == QLatin1String(codigo); };
    const auto classe = [&s](const char* prefixo) { return s.startsWith(QLatin1String(prefixo)); };
    if (classe("08") || e("57P01") || e("57P02") || e("57P03"))
        return Erro::LigacaoPerdida;
    if (e("53100"))
        return Erro::DiscoCheio;
    if (classe("53")) // out of memory, too many connections, other limits
        return Erro::SemRecursos;
    if (e("25006"))
        return Erro::SoLeitura;
    if (e("42501"))
        return Erro::SemPermissao;
    if (classe("28"))
        return Erro::AcessoRecusado;
    if (e("55P03") || e("40001") || e("40P01"))
        return Erro::BaseDadosOcupada;
    if (e("58030"))
        return Erro::FalhaDisco;
    if (e("XX001") || e("XX002"))
        return Erro::BaseDadosDanificada;
    return 0;
}

int classe(const QSqlError& erro, const QSqlDriver* driver) {
    if (!driver || erro.type() == QSqlError::NoError)
        return 0;
    const QString codigo = erro.nativeErrorCode();
    switch (driver->dbmsType()) {
    case QSqlDriver::SQLite: {
        bool ok = false;
        const int n = codigo.toInt(&ok);
        if (!ok)
            return 0;
        sqlite3* s = ligacaoSqlite(driver);
        return classeSqlite(n, s ? sqlite3_system_errno(s) : 0);
    }
    case QSqlDriver::PostgreSQL:
        if (const int c = classePostgres(codigo))
            return c;
        // No SQLSTATE: a connection that did not open (refused, no server),
        // or one libpq found broken, which Qt's driver then closes.
        if (codigo.isEmpty() &&
            (erro.type() == QSqlError::ConnectionError || !driver->isOpen() || ligacaoPgEmBaixo(driver)))
            return Erro::LigacaoPerdida;
        return 0;
    default:
        return 0;
    }
}

int classeAbertura(const QSqlDatabase& db) {
    const QSqlError erro = db.lastError();
    if (!db.driver() || db.driver()->dbmsType() != QSqlDriver::PostgreSQL || !erro.nativeErrorCode().isEmpty())
        return classe(erro, db.driver());
    const QByteArray host = db.hostName().toUtf8(), porta = QByteArray::number(db.port() > 0 ? db.port() : 5432),
                     base = db.databaseName().toUtf8(), utilizador = db.userName().toUtf8();
    // The shortest wait libpq takes: a server that does not answer by then
    // did not answer the open either.
    const char* chaves[] = {"host", "port", "dbname", "user", "connect_timeout", nullptr};
    const char* valores[] = {host.isEmpty() ? nullptr : host.constData(),
                             porta.constData(),
                             base.constData(),
                             utilizador.isEmpty() ? nullptr : utilizador.constData(),
                             "2",
                             nullptr};
    return PQpingParams(chaves, valores, 0) == PQPING_OK ? Erro::AcessoRecusado : Erro::LigacaoPerdida;
}

QString frase(int classe) {
    switch (classe) {
    case Erro::BaseDadosOcupada:
        return QStringLiteral("A base de dados está ocupada por outro posto; tente novamente dentro de momentos.");
    case Erro::LigacaoPerdida:
        return QStringLiteral("Não foi possível falar com a base de dados da empresa (a ligação falhou ou caiu). "
                              "Verifique a rede e o servidor e tente de novo.");
    case Erro::DiscoCheio:
        return QStringLiteral(
            "O disco da base de dados está cheio e não aceita mais gravações. Liberte espaço e tente de novo.");
    case Erro::SoLeitura:
        return QStringLiteral("A base de dados está só de leitura neste posto e não aceita gravações. Peça ao "
                              "administrador para corrigir as permissões.");
    case Erro::SemPermissao:
        return QStringLiteral("Este utilizador não tem permissão para esta operação na base de dados. Peça ao "
                              "administrador para corrigir as permissões.");
    case Erro::FalhaDisco:
        return QStringLiteral("O disco da base de dados falhou ao ler ou ao gravar. Tente de novo; se voltar a "
                              "acontecer, peça ao administrador para verificar o disco ou a rede.");
    case Erro::BaseDadosDanificada:
        return QStringLiteral("A base de dados está danificada (ou o ficheiro indicado não é uma base de dados). "
                              "Não continue: peça ao administrador para a verificar ou repor a cópia de segurança.");
    case Erro::AcessoRecusado:
        return QStringLiteral("A base de dados da empresa recusou a ligação (utilizador, palavra-passe ou nome da "
                              "base de dados). Verifique-os na configuração ou peça ao administrador.");
    case Erro::SemRecursos:
        return QStringLiteral("A base de dados ficou sem memória ou sem ligações livres; tente novamente dentro de "
                              "momentos e, se voltar a acontecer, avise o administrador.");
    default:
        return QString();
    }
}

Erro erro(int classe, int numero, const QString& texto) {
    const QString f = frase(classe);
    if (f.isEmpty())
        return Erro(numero, texto);
    return Erro(classe, f + QStringLiteral("\n\nDetalhe: ") + texto);
}

Erro erro(const QSqlError& e, const QSqlDriver* driver, int numero, const QString& texto) {
    return erro(classe(e, driver), numero, texto);
}

Erro erroSqlite(sqlite3* ligacao, int numero, const QString& texto) {
    return erro(classeSqlite(sqlite3_extended_errcode(ligacao), sqlite3_system_errno(ligacao)), numero, texto);
}

} // namespace FalhaBd
