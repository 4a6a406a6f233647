#include "Dialecto.h"

#include "Erro.h"

#include <QSqlDatabase>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <string>

#if defined(__GLIBC__)
#include <dlfcn.h>
#include <link.h>
#endif

namespace {

/// Whether the loaded Qt SQL driver plugin whose file name holds `plugin`
/// resolves `simbolo` to `nosso`, the library function this program calls.
bool driverPartilha(const char* plugin, const char* simbolo, void* nosso) {
#if defined(__GLIBC__)
    struct Procura {
        const char* plugin;
        std::string caminho;
    } procura{plugin, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* dados) {
            auto* p = static_cast<Procura*>(dados);
            const std::string nome = info->dlpi_name ? info->dlpi_name : "";
            if (nome.find(p->plugin) == std::string::npos)
                return 0;
            p->caminho = nome;
            return 1;
        },
        &procura);
    if (procura.caminho.empty())
        return false;
    void* h = dlopen(procura.caminho.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!h)
        return false;
    // The driver's own copy of the library, or the one it shares with us.
    void* deles = dlsym(h, simbolo);
    dlclose(h);
    return deles == nosso;
#else
    Q_UNUSED(plugin);
    Q_UNUSED(simbolo);
    Q_UNUSED(nosso);
    return false;
#endif
}

// Asked once the driver is loaded (a connection of its engine was opened).
bool sqliteDirecto() {
    static const bool mesma = driverPartilha("qsqlite", "sqlite3_step", reinterpret_cast<void*>(&sqlite3_step));
    return mesma;
}

bool postgresDirecto() {
    static const bool mesma = driverPartilha("qsqlpsql", "PQgetvalue", reinterpret_cast<void*>(&PQgetvalue));
    return mesma;
}

} // namespace

Dialecto::Dialecto(const Definicao& d)
    : m_driver(d.driver), m_nome(d.nome), m_servidor(d.servidor), m_paraActualizar(d.paraActualizar),
      m_tipoData(d.tipoData), m_inicioEscrita(d.inicioEscrita), m_opcoesLigacao(d.opcoesLigacao),
      m_verificacao(d.verificacao), m_ajusteEscrita(d.ajusteEscrita), m_calarAvisos(d.calarAvisos),
      m_leituraDirecta(d.leituraDirecta) {}

const Dialecto& Dialecto::sqlite() {
    static const Dialecto d({
        .driver = "QSQLITE",
        .nome = "SQLite",
        .servidor = false,
        .paraActualizar = "",
        // SQLite keeps dates as ISO text.
        .tipoData = "TEXT",
        .inicioEscrita = "BEGIN IMMEDIATE",
        .opcoesLigacao = "QSQLITE_BUSY_TIMEOUT=%1",
        .verificacao = "SELECT count(*) FROM sqlite_master",
        // A store touches a page or two of every order line it satisfies,
        // spread over the whole table: with SQLite's small default page cache
        // a large Guia would spill half-written pages to the file before its
        // commit and read them back. 32 MiB holds a few thousand lines' pages;
        // the cache grows only as far as it is used.
        .ajusteEscrita = "PRAGMA cache_size = -32768",
        .calarAvisos = "",
        .leituraDirecta = &sqliteDirecto,
    });
    return d;
}

const Dialecto& Dialecto::postgres() {
    static const Dialecto d({
        .driver = "QPSQL",
        .nome = "PostgreSQL",
        .servidor = true,
        .paraActualizar = " FOR UPDATE",
        .tipoData = "TIMESTAMP",
        .inicioEscrita = "",
        // Without a lock timeout a statement would wait for a row or table
        // another workstation holds for as long as it holds it. A workstation
        // that goes away (a hung machine, a cut cable) must not hold anything
        // for long either: the server ends a session left idle inside a
        // transaction after 30 s, and, over TCP, one whose peer stopped
        // answering (keepalives after 10 s idle, every 5 s, 3 missed; data
        // unacknowledged for 30 s); the workstation gives up on a server
        // that stopped answering the same way.
        .opcoesLigacao = "connect_timeout=10;keepalives=1;keepalives_idle=10;keepalives_interval=5;"
                         "keepalives_count=3;tcp_user_timeout=30000;options='-c lock_timeout=%1"
                         " -c idle_in_transaction_session_timeout=30000 -c tcp_keepalives_idle=10"
                         " -c tcp_keepalives_interval=5 -c tcp_keepalives_count=3 -c tcp_user_timeout=30000'",
        .verificacao = "",
        .ajusteEscrita = "",
        // Every "IF [NOT] EXISTS" that finds nothing to do is told otherwise.
        .calarAvisos = "SET LOCAL client_min_messages = warning",
        .leituraDirecta = &postgresDirecto,
    });
    return d;
}

namespace {
std::atomic<std::chrono::milliseconds::rep> esperaBloqueio{10000};
} // namespace

std::chrono::milliseconds Dialecto::espera() {
    return std::chrono::milliseconds(esperaBloqueio.load());
}

void Dialecto::definirEspera(std::chrono::milliseconds espera) {
    esperaBloqueio.store(espera.count());
}

QString Dialecto::opcoesLigacao() const {
    return QString(m_opcoesLigacao).arg(espera().count());
}

const Dialecto* Dialecto::doDriver(const QString& driver) {
    for (const Dialecto* d : {&sqlite(), &postgres()}) {
        if (driver == d->driver())
            return d;
    }
    return nullptr;
}

const Dialecto& Dialecto::de(const QSqlDatabase& db) {
    if (const Dialecto* d = doDriver(db.driverName()))
        return *d;
    throw Erro(Erro::Configuracao,
               QStringLiteral("O motor de base de dados \"%1\" não é um dos do programa (QSQLITE ou QPSQL).")
                   .arg(db.driverName()));
}
