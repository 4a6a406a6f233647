#pragma once

// The Guia on a PostgreSQL company database: on the server's own socket and
// through the relay at a link's round trip, against the same writes straight
// through libpq; the round trips the relay counted.

#include "Pisos.h"
#include "Rele.h"

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

/// The Guia's floor on PostgreSQL, on "guia-pg-piso", on the socket or
/// through the relay (holding each direction `atraso`).
void pisoGuiaPostgres(benchmark::State& st, bool peloRele, std::chrono::microseconds atraso, int linhas);

/// Runs `corpo`; with a relay, what it counted meanwhile as the measure's
/// counters: its round trips, and how many began with each statement.
template <class F> void contarIdasEVoltas(benchmark::State& st, Rele* rele, F&& corpo) {
    if (rele)
        rele->zerar();
    corpo();
    if (!rele)
        return;
    const Rele::Contagem c = rele->contagem();
    st.counters["idas_e_voltas"] = static_cast<double>(c.idasEVoltas);
    for (const auto& [instrucao, n] : c.porInstrucao)
        st.counters["idas_" + instrucao] = static_cast<double>(n);
}

} // namespace Bench
