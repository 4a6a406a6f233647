#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

/// A TCP relay between workstations and a PostgreSQL server, for the tests
/// and the benchmark: it listens on the loopback interface (a free port) and
/// relays every connection it accepts to the server's Unix socket. It can
/// delay each direction (a link's round trip), stop forwarding (a link that
/// froze: a hung machine, a cut cable) and count the round trips it relayed.
///
/// A round trip is a burst of the workstation's messages sent after an answer
/// of the server (or as a connection's first): messages sent without waiting
/// for an answer between them count once, as on a real link.
///
/// It runs on a thread of its own; every member may be called from any thread.
class Rele final {
public:
    /// Listens at once; raises std::runtime_error when it cannot.
    explicit Rele(std::string socketServidor);
    ~Rele();
    Rele(const Rele&) = delete;
    Rele& operator=(const Rele&) = delete;

    /// The loopback port to connect to.
    int porta() const;

    /// Every byte is held this long in each direction before it is passed on
    /// (a round trip of twice this), from now on.
    void definirAtraso(std::chrono::microseconds cadaSentido);

    /// Stops forwarding in both directions, on every connection: what is sent
    /// is held (nothing is lost, nothing closed) until retomar().
    void congelar();
    void retomar();
    bool congelado() const;

    /// When the link freezes by itself, at a workstation's message holding `padrao`.
    enum class Momento {
        /// the message is held: it never reaches the server while frozen
        Pedido,
        /// the message reaches the server, the answer that follows is held
        Resposta,
    };
    /// Freezes at the first message holding `padrao` from now on (once).
    void congelarAo(std::string padrao, Momento momento);

    /// What was relayed since the start or the last zerar().
    struct Contagem {
        std::uint64_t idasEVoltas = 0;
        std::uint64_t ligacoes = 0;
        /// Round trips by the statement that begins them: the first word of a
        /// simple query ("PREPARE", "EXECUTE", "DEALLOCATE", "BEGIN",
        /// "SELECT" ...), "(extended)" for the extended protocol's messages,
        /// "(startup)" for a connection's start and its authentication.
        std::map<std::string, std::uint64_t> porInstrucao;
    };
    Contagem contagem() const;
    void zerar();

    struct Estado;

private:
    std::unique_ptr<Estado> m_estado;
};
