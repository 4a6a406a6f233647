#pragma once

#include <QLatin1String>
#include <QString>
#include <QtGlobal>

#include <chrono>

class QSqlDatabase;

/// What differs between the two database engines the program runs on, in one
/// place: the SQL pieces and connection settings each needs, and how each is
/// reached. There is one object per engine.
class Dialecto final {
public:
    static const Dialecto& sqlite();
    static const Dialecto& postgres();
    /// The dialect of Qt's driver with this name ("QSQLITE", "QPSQL"); none
    /// for a driver the program does not use.
    static const Dialecto* doDriver(const QString& driver);
    /// The dialect of a connection; raises Erro (Configuracao) when its
    /// driver is none of the program's.
    static const Dialecto& de(const QSqlDatabase& db);
    Q_DISABLE_COPY_MOVE(Dialecto)

    /// Qt's driver name, as the connection texts give it.
    QLatin1String driver() const { return m_driver; }
    /// The engine's name, for the operator.
    QLatin1String nome() const { return m_nome; }
    /// PostgreSQL: a server reached over a connection, which streams one result
    /// at a time, may be dropped by the server, and aborts the transaction of a
    /// statement it rejects. SQLite (not a server): a file opened by this
    /// process, which must exist beforehand and takes a file lock around every
    /// read outside a transaction.
    bool servidor() const { return m_servidor; }

    /// Appended to a SELECT whose rows stay locked until the transaction ends
    /// (" FOR UPDATE"); empty where a write transaction holds the whole database.
    QLatin1String paraActualizar() const { return m_paraActualizar; }
    /// The column type of a date with its time of day.
    QLatin1String tipoData() const { return m_tipoData; }
    /// The statement that opens a write transaction holding the write lock
    /// from the start (SQLite: "BEGIN IMMEDIATE", so that two workstations
    /// never both read and then both fail to write); empty on the server,
    /// whose transactions Qt's driver opens and whose rows lock as written.
    QLatin1String inicioEscrita() const { return m_inicioEscrita; }
    /// Qt's connect options: how long to wait for another workstation's lock
    /// (espera()), and on PostgreSQL for the server to answer.
    QString opcoesLigacao() const;
    /// How long a statement waits for a lock another workstation holds before
    /// it fails (SQLite's busy timeout, PostgreSQL's lock_timeout): ten
    /// seconds, on both engines.
    static std::chrono::milliseconds espera();
    /// Changes that wait for the connections opened from now on (tests wait
    /// less).
    static void definirEspera(std::chrono::milliseconds espera);
    /// A statement that proves an open connection reaches a database (SQLite
    /// opens any file lazily); empty where opening proves it.
    QLatin1String verificacao() const { return m_verificacao; }
    /// Run once on a connection that stores documents, as soon as it opens;
    /// empty where nothing needs setting.
    QLatin1String ajusteEscrita() const { return m_ajusteEscrita; }
    /// Run first in a transaction that creates or drops tables, so that the
    /// server keeps to warnings; empty where nothing is said.
    QLatin1String calarAvisos() const { return m_calarAvisos; }

    /// Whether Qt's driver runs on the same client library of the engine as
    /// this program: only then may the driver's handles be used from here.
    bool leituraDirecta() const { return m_leituraDirecta(); }

private:
    struct Definicao {
        const char* driver;
        const char* nome;
        bool servidor;
        const char* paraActualizar;
        const char* tipoData;
        const char* inicioEscrita;
        const char* opcoesLigacao; ///< "%1" is the wait in milliseconds
        const char* verificacao;
        const char* ajusteEscrita;
        const char* calarAvisos;
        bool (*leituraDirecta)();
    };
    explicit Dialecto(const Definicao& d);

    QLatin1String m_driver;
    QLatin1String m_nome;
    bool m_servidor;
    QLatin1String m_paraActualizar;
    QLatin1String m_tipoData;
    QLatin1String m_inicioEscrita;
    QLatin1String m_opcoesLigacao;
    QLatin1String m_verificacao;
    QLatin1String m_ajusteEscrita;
    QLatin1String m_calarAvisos;
    bool (*m_leituraDirecta)();
};
