#include "FalhaBd.h"

#include "Dialecto.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <vector>

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

namespace {

/// libpq's connection keys and values, kept alive for its calls.
class ParametrosPg final {
public:
    /// What Qt's driver hands libpq for connection `db`: its host, port,
    /// database and user, then its connect options (every ';' a blank, as
    /// the driver turns them).
    explicit ParametrosPg(const QSqlDatabase& db) {
        const auto dado = [this](const char* chave, const QString& valor) {
            if (!valor.isEmpty())
                definir(chave, valor.toUtf8());
        };
        dado("host", db.hostName());
        dado("port", db.port() > 0 ? QString::number(db.port()) : QString());
        dado("dbname", db.databaseName());
        dado("user", db.userName());
        QByteArray opcoes = db.connectOptions().toUtf8();
        opcoes.replace(';', ' ');
        char* erro = nullptr;
        if (PQconninfoOption* lidas = PQconninfoParse(opcoes.constData(), &erro)) {
            for (const PQconninfoOption* o = lidas; o->keyword; ++o)
                if (o->val)
                    definir(o->keyword, o->val);
            PQconninfoFree(lidas);
        }
        PQfreemem(erro);
    }

    void definir(const QByteArray& chave, const QByteArray& valor) {
        for (auto& [k, v] : m_pares)
            if (k == chave) {
                v = valor;
                return;
            }
        m_pares.emplace_back(chave, valor);
    }
    QByteArray valor(const QByteArray& chave) const {
        for (const auto& [k, v] : m_pares)
            if (k == chave)
                return v;
        return {};
    }
    /// The null-terminated arrays libpq takes; valid while the object is unchanged.
    std::pair<std::vector<const char*>, std::vector<const char*>> listas() const {
        std::vector<const char*> chaves, valores;
        for (const auto& [k, v] : m_pares) {
            chaves.push_back(k.constData());
            valores.push_back(v.constData());
        }
        chaves.push_back(nullptr);
        valores.push_back(nullptr);
        return {std::move(chaves), std::move(valores)};
    }

private:
    std::vector<std::pair<QByteArray, QByteArray>> m_pares;
};

/// The shortest wait libpq takes: a server that does not answer by then did
/// not answer the open either.
constexpr std::chrono::seconds EsperaSonda{2};

/// The sslmode libpq ends up with for these settings (a service file or the
/// environment may give it).
QByteArray modoTls(const ParametrosPg& p) {
    const auto [chaves, valores] = p.listas();
    PGconn* c = PQconnectStartParams(chaves.data(), valores.data(), 0);
    QByteArray modo;
    if (PQconninfoOption* efectivas = c ? PQconninfo(c) : nullptr) {
        for (const PQconninfoOption* o = efectivas; o->keyword; ++o)
            if (qstrcmp(o->keyword, "sslmode") == 0 && o->val)
                modo = o->val;
        PQconninfoFree(efectivas);
    }
    PQfinish(c);
    return modo;
}

/// Whether a server at the address of these settings sets up TLS when its
/// certificate is not checked. The connection is dropped as soon as TLS is
/// up, before anything of the user's (name, database, password) is sent.
bool falaTls(ParametrosPg p) {
    p.definir("sslmode", "require");
    // A root certificate or client certificate file that can never exist:
    // libpq then checks no server certificate and offers no client's.
    p.definir("sslrootcert", "/dev/null/nenhum");
    p.definir("sslcert", "/dev/null/nenhum");
    p.definir("sslkey", "/dev/null/nenhum");
    p.definir("connect_timeout", QByteArray::number(qint64(EsperaSonda.count())));
    const auto [chaves, valores] = p.listas();
    PGconn* c = PQconnectStartParams(chaves.data(), valores.data(), 0);
    const auto limite = std::chrono::steady_clock::now() + EsperaSonda;
    bool tls = false;
    PostgresPollingStatusType estado = PGRES_POLLING_WRITING;
    while (c && PQstatus(c) != CONNECTION_BAD && estado != PGRES_POLLING_FAILED && estado != PGRES_POLLING_OK) {
        if (PQsslInUse(c)) {
            tls = true;
            break;
        }
        const auto falta =
            std::chrono::duration_cast<std::chrono::milliseconds>(limite - std::chrono::steady_clock::now()).count();
        pollfd f{PQsocket(c), static_cast<short>(estado == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        if (falta <= 0 || f.fd < 0)
            break;
        const int r = ::poll(&f, 1, static_cast<int>(falta));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        estado = PQconnectPoll(c);
    }
    tls = tls || (c && PQsslInUse(c));
    PQfinish(c);
    return tls;
}

} // namespace

int classeAbertura(const QSqlDatabase& db) {
    const QSqlError erro = db.lastError();
    if (!db.driver() || db.driver()->dbmsType() != QSqlDriver::PostgreSQL || !erro.nativeErrorCode().isEmpty())
        return classe(erro, db.driver());
    ParametrosPg p(db);
    p.definir("connect_timeout", QByteArray::number(qint64(EsperaSonda.count())));
    {
        const auto [chaves, valores] = p.listas();
        if (PQpingParams(chaves.data(), valores.data(), 0) == PQPING_OK)
            return Erro::AcessoRecusado;
    }
    if (modoTls(p).startsWith("verify") && falaTls(p))
        return Erro::ServidorNaoVerificado;
    return Erro::LigacaoPerdida;
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
    case Erro::ServidorNaoVerificado:
        return QStringLiteral("Não foi possível verificar o servidor da base de dados da empresa: o certificado que "
                              "apresentou não é o esperado (de outra autoridade de certificação, ou de outro nome de "
                              "servidor). Por segurança, o programa não se liga a ele. Avise o administrador.");
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
