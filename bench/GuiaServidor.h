#pragma once

// The Guia on a PostgreSQL company database: on the server's own socket and
// through the relay at a link's round trip, against the same writes straight
// through libpq; the round trips the relay counted.

#include "Pisos.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

struct pg_conn;

namespace Bench {

/// The Guia's database work through libpq in one transaction, pipelined:
/// the entry's header and lines, the Guia's header and lines (pointing at
/// the order lines), one conditional update per order line (of zero), one
/// synchronisation at the end.
class PisoGuiaPostgres {
public:
    /// `ligacao`: a libpq connection text with its dbname.
    explicit PisoGuiaPostgres(const QString& ligacao);
    ~PisoGuiaPostgres();
    PisoGuiaPostgres(const PisoGuiaPostgres&) = delete;
    PisoGuiaPostgres& operator=(const PisoGuiaPostgres&) = delete;

    /// The first `n` pending lines of `cliente` (the load's order).
    std::vector<LinhaPiso> linhasPendentes(const QString& cliente, int n);
    void guia(const std::vector<LinhaPiso>& linhas, int numero);

private:
    pg_conn* m_c = nullptr;
    bool m_preparadas = false;
};

/// The Guia of `linhas` of BIG's lines through the window of "guia-pg" (the
/// server's socket) or "guia-pg-rele" (the relay, holding each direction
/// `atraso`); through the relay, the round trips it counted.
void guiaPostgres(benchmark::State& st, const QString& empresa, std::chrono::microseconds atraso, int linhas);
/// Its floor, on "guia-pg-piso", on the socket or through the relay.
void pisoGuiaPostgres(benchmark::State& st, bool peloRele, std::chrono::microseconds atraso, int linhas);

} // namespace Bench
