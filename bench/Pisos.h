#pragma once

// The floors: the same database work done straight through the engine's C
// API (SQLite) or libpq (PostgreSQL), with nothing of the program around it.

#include "InstrucaoEncomendas.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct sqlite3;
struct pg_conn;

namespace Bench {

/// The order types and series of the benchmark's parameters file.
QStringList tiposEncomenda();
/// The pending-order statement of the load for a client, as the window builds it.
Instrucao instrucaoCarga(const QString& cliente);

/// What a walk over a result read: its rows and a sum of what was read, so
/// that nothing is left unread.
struct Leitura {
    int linhas = 0;
    std::uint64_t soma = 0;
};

/// An order line to satisfy, for the Guia's floor.
struct LinhaPiso {
    std::string tipo;
    int serie = 0, numero = 0, ano = 0, linha = 0;
    std::string artigo, descricao;
    std::int64_t preco = 0, quantidade = 0; ///< ten-thousandths
};

class PisoSqlite {
public:
    explicit PisoSqlite(const QString& ficheiro);
    ~PisoSqlite();
    PisoSqlite(const PisoSqlite&) = delete;
    PisoSqlite& operator=(const PisoSqlite&) = delete;

    /// Prepares the statement, binds its values, steps through every row and
    /// reads every column in the type the engine holds it.
    Leitura consulta(const Instrucao& instrucao, int maximo = -1);
    /// The engine's plan for the statement (EXPLAIN QUERY PLAN), one line per step.
    QStringList plano(const Instrucao& instrucao);
    /// The first `n` lines the load of `cliente` gives, to satisfy.
    std::vector<LinhaPiso> linhasPendentes(const QString& cliente, int n);
    /// The Guia's database work in one transaction: the entry's header and
    /// lines, the Guia's header and lines (pointing at `linhas`), and one
    /// conditional update per order line (of zero, so that nothing changes).
    void guia(const std::vector<LinhaPiso>& linhas, int numero);

private:
    sqlite3* m_db = nullptr;
};

class PisoPostgres {
public:
    /// `ligacao`: a libpq connection text with its dbname.
    explicit PisoPostgres(const QString& ligacao);
    ~PisoPostgres();
    PisoPostgres(const PisoPostgres&) = delete;
    PisoPostgres& operator=(const PisoPostgres&) = delete;

    /// The statement with its values as $n parameters, every row at once, every column read.
    Leitura consulta(const Instrucao& instrucao);
    /// The server's plan for the statement (EXPLAIN), one line per node.
    QStringList plano(const Instrucao& instrucao);

private:
    pg_conn* m_c = nullptr;
};

} // namespace Bench
