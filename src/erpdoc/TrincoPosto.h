#pragma once

#include "BaseDados.h"
#include "FicheirosEstado.h"

#include <QString>

/// Holds a workstation's name (E5) on the company database for as long as
/// the object lives: one running program per name and database, wherever
/// the others run (another machine, another user, another state folder).
/// The program keeps it as long as it runs.
///
/// On PostgreSQL: a session-level advisory lock on the company database,
/// taken on `base`'s own connection and keyed by a hash of the name; the
/// server lets it go when that session ends (the program ends, or its
/// connection drops, which leaves the program unable to store anything on
/// it). On SQLite: an exclusive lock (flock) on a file beside the database
/// file, named after the same hash and openable by whoever may write the
/// database; the system lets it go when the program ends. In a folder where
/// the file cannot be made no lock is taken: SQLite cannot store anything
/// there either.
class TrincoPosto final {
public:
    /// Takes the name. Raises Erro (Configuracao) with a text for the
    /// operator, naming the workstation, when another program holds it (a
    /// session of a program just killed is waited for a moment), and Erro
    /// when the lock cannot be taken at all.
    TrincoPosto(BaseDados& base, const QString& posto);
    ~TrincoPosto();
    Q_DISABLE_COPY_MOVE(TrincoPosto)

    /// The key of a name (PostgreSQL's advisory lock; the SQLite lock file's name).
    static qint64 chave(const QString& posto);
    /// The SQLite lock file of workstation `posto` beside database file `ficheiro`.
    static QString ficheiroTrinco(const QString& ficheiro, const QString& posto);

private:
    BaseDados& m_base;
    bool m_servidor;
    qint64 m_chave;
    FicheirosEstado::Descritor m_ficheiro;
};
