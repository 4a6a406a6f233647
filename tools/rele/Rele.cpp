#include "Rele.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <list>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using Relogio = std::chrono::steady_clock;

[[noreturn]] void falhar(const char* oque) {
    throw std::runtime_error(std::string("relay: ") + oque + ": " + std::strerror(errno));
}

void semBloqueio(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

/// Bytes read from one side, held until they are due on the other.
struct Bloco {
    Relogio::time_point devido;
    std::string bytes;
    std::size_t enviados = 0;
};

/// One direction of a connection.
struct Sentido {
    int de = -1;
    int para = -1;
    std::deque<Bloco> fila;
    bool fim = false;     ///< its source closed
    bool fechado = false; ///< its end passed on
};

/// The workstation's messages, taken apart as they arrive (PostgreSQL's
/// protocol: a start without a type byte, then a type and a length each).
struct Mensagens {
    std::string pendente;
    bool arranque = true;

    /// Hands each complete message's kind to `nova`.
    template <class F> void juntar(const char* dados, std::size_t n, F&& nova) {
        pendente.append(dados, n);
        std::size_t i = 0;
        for (;;) {
            const std::size_t cabecalho = arranque ? 4 : 5;
            if (pendente.size() - i < cabecalho)
                break;
            std::uint32_t comprimento = 0;
            std::memcpy(&comprimento, pendente.data() + i + (arranque ? 0 : 1), 4);
            comprimento = ntohl(comprimento);
            const std::size_t total = comprimento + (arranque ? 0 : 1);
            if (comprimento < 4 || pendente.size() - i < total)
                break;
            if (arranque) {
                std::uint32_t codigo = 0;
                if (comprimento >= 8)
                    std::memcpy(&codigo, pendente.data() + i + 4, 4);
                codigo = ntohl(codigo);
                // A request for TLS or GSS is answered by one byte, and the
                // start comes after it.
                if (codigo != 80877103 && codigo != 80877104)
                    arranque = false;
                nova(std::string("(startup)"));
            } else {
                const char tipo = pendente[i];
                if (tipo == 'Q') {
                    const char* q = pendente.data() + i + 5;
                    const char* fimQ = pendente.data() + i + total;
                    while (q < fimQ && (*q == ' ' || *q == '\n' || *q == '\t' || *q == '('))
                        ++q;
                    std::string palavra;
                    while (q < fimQ && *q && *q != ' ' && *q != '\n' && *q != '(' && *q != ';')
                        palavra += static_cast<char>(std::toupper(static_cast<unsigned char>(*q++)));
                    nova(palavra);
                } else if (tipo == 'p') {
                    nova(std::string("(startup)"));
                } else {
                    nova(std::string("(extended)"));
                }
            }
            i += total;
        }
        pendente.erase(0, i);
    }
};

struct Ligacao {
    Sentido pedido;   ///< workstation to server
    Sentido resposta; ///< server to workstation
    bool esperaPedido = true;
    bool porClassificar = false;
    bool congelarNaResposta = false;
    std::string cauda; ///< the last bytes of the workstation's, for a pattern cut in two
    Mensagens mensagens;

    ~Ligacao() {
        for (int fd : {pedido.de, resposta.de})
            if (fd >= 0)
                ::close(fd);
    }
};

} // namespace

struct Rele::Estado {
    std::string destino;
    int escuta = -1;
    int acordar = -1;
    int porta = 0;
    std::thread fio;

    mutable std::mutex m;
    bool parar = false;
    bool congelado = false;
    std::chrono::microseconds atraso{0};
    std::string padrao;
    Momento momento = Momento::Pedido;
    Contagem contagem;
    std::list<Ligacao> ligacoes;

    void avisar() const {
        const std::uint64_t um = 1;
        [[maybe_unused]] const auto r = ::write(acordar, &um, sizeof um);
    }

    void aceitar() {
        const int cliente = ::accept4(escuta, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (cliente < 0)
            return;
        const int um = 1;
        setsockopt(cliente, IPPROTO_TCP, TCP_NODELAY, &um, sizeof um);
        const int servidor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un endereco{};
        endereco.sun_family = AF_UNIX;
        std::strncpy(endereco.sun_path, destino.c_str(), sizeof endereco.sun_path - 1);
        if (servidor < 0 || ::connect(servidor, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) != 0) {
            ::close(cliente);
            if (servidor >= 0)
                ::close(servidor);
            return;
        }
        semBloqueio(servidor);
        Ligacao& l = ligacoes.emplace_back();
        l.pedido.de = cliente;
        l.pedido.para = servidor;
        l.resposta.de = servidor;
        l.resposta.para = cliente;
        ++contagem.ligacoes;
    }

    /// What the workstation sent: counted, looked at for the pattern, held.
    void doPosto(Ligacao& l, const char* dados, std::size_t n) {
        if (l.esperaPedido) {
            ++contagem.idasEVoltas;
            l.esperaPedido = false;
            l.porClassificar = true;
        }
        l.mensagens.juntar(dados, n, [&](const std::string& tipo) {
            if (l.porClassificar) {
                ++contagem.porInstrucao[tipo];
                l.porClassificar = false;
            }
        });
        if (!padrao.empty()) {
            const std::string janela = l.cauda + std::string(dados, n);
            if (janela.find(padrao) != std::string::npos) {
                padrao.clear();
                if (momento == Momento::Pedido)
                    congelado = true;
                else
                    l.congelarNaResposta = true;
            }
            l.cauda = janela.substr(janela.size() - std::min(janela.size(), std::size_t(256)));
        }
    }

    void ler(Ligacao& l, Sentido& s, bool doPostoParaServidor) {
        char buffer[65536];
        const ssize_t n = ::recv(s.de, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            s.fim = true;
            return;
        }
        if (n < 0)
            return;
        if (doPostoParaServidor) {
            doPosto(l, buffer, static_cast<std::size_t>(n));
        } else {
            l.esperaPedido = true;
            if (l.congelarNaResposta) {
                l.congelarNaResposta = false;
                congelado = true;
            }
        }
        s.fila.push_back({Relogio::now() + atraso, std::string(buffer, static_cast<std::size_t>(n))});
    }

    void escrever(Sentido& s) {
        const auto agora = Relogio::now();
        while (!s.fila.empty() && s.fila.front().devido <= agora) {
            Bloco& b = s.fila.front();
            const ssize_t n =
                ::send(s.para, b.bytes.data() + b.enviados, b.bytes.size() - b.enviados, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n < 0) {
                if (errno != EAGAIN && errno != EINTR) {
                    // The destination is gone: so is what was for it.
                    s.fim = true;
                    s.fila.clear();
                }
                return;
            }
            b.enviados += static_cast<std::size_t>(n);
            if (b.enviados < b.bytes.size())
                return;
            s.fila.pop_front();
        }
        if (s.fim && s.fila.empty() && !s.fechado) {
            ::shutdown(s.para, SHUT_WR);
            s.fechado = true;
        }
    }

    void executar() {
        std::vector<pollfd> fds;
        std::vector<std::pair<Ligacao*, bool>> deQuem;
        std::unique_lock<std::mutex> trinco(m);
        while (!parar) {
            fds.assign({{acordar, POLLIN, 0}, {escuta, POLLIN, 0}});
            deQuem.assign(2, {nullptr, false});
            auto proximo = Relogio::time_point::max();
            const auto agora = Relogio::now();
            // Frozen, the connections are not even looked at: a side that
            // closed meanwhile is seen once the link is back.
            if (!congelado)
                for (Ligacao& l : ligacoes)
                    for (Sentido* s : {&l.pedido, &l.resposta}) {
                        const bool lerDaqui = !s->fim;
                        bool escreverAli = false;
                        if (!s->fila.empty()) {
                            if (s->fila.front().devido <= agora)
                                escreverAli = true;
                            else
                                proximo = std::min(proximo, s->fila.front().devido);
                        }
                        // Reads by its source, writes by its destination; an
                        // entry with nothing to wait for is left out (-1).
                        fds.push_back({lerDaqui ? s->de : -1, POLLIN, 0});
                        deQuem.push_back({&l, s == &l.pedido});
                        fds.push_back({escreverAli ? s->para : -1, POLLOUT, 0});
                        deQuem.push_back({&l, s == &l.pedido});
                    }
            timespec espera{};
            timespec* limite = nullptr;
            if (proximo != Relogio::time_point::max()) {
                const auto falta = std::chrono::duration_cast<std::chrono::nanoseconds>(proximo - agora).count();
                espera.tv_sec = static_cast<time_t>(falta / 1000000000);
                espera.tv_nsec = static_cast<long>(falta % 1000000000);
                limite = &espera;
            }
            trinco.unlock();
            ::ppoll(fds.data(), fds.size(), limite, nullptr);
            trinco.lock();
            if (fds[0].revents & POLLIN) {
                std::uint64_t v = 0;
                [[maybe_unused]] const auto r = ::read(acordar, &v, sizeof v);
            }
            if (fds[1].revents & POLLIN)
                aceitar();
            for (std::size_t k = 2; k < fds.size(); k += 2) {
                if (!fds[k].revents || congelado)
                    continue;
                Ligacao& l = *deQuem[k].first;
                ler(l, deQuem[k].second ? l.pedido : l.resposta, deQuem[k].second);
            }
            if (!congelado)
                for (Ligacao& l : ligacoes) {
                    escrever(l.pedido);
                    escrever(l.resposta);
                }
            ligacoes.remove_if([](const Ligacao& l) {
                return l.pedido.fim && l.resposta.fim && l.pedido.fila.empty() && l.resposta.fila.empty();
            });
        }
    }
};

Rele::Rele(std::string socketServidor) : m_estado(std::make_unique<Estado>()) {
    Estado& e = *m_estado;
    e.destino = std::move(socketServidor);
    e.acordar = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (e.acordar < 0)
        falhar("eventfd");
    e.escuta = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (e.escuta < 0)
        falhar("socket");
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t tamanho = sizeof endereco;
    if (::bind(e.escuta, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) != 0 || ::listen(e.escuta, 64) != 0 ||
        ::getsockname(e.escuta, reinterpret_cast<sockaddr*>(&endereco), &tamanho) != 0)
        falhar("listen");
    e.porta = ntohs(endereco.sin_port);
    e.fio = std::thread([&e] { e.executar(); });
}

Rele::~Rele() {
    {
        std::lock_guard<std::mutex> t(m_estado->m);
        m_estado->parar = true;
    }
    m_estado->avisar();
    m_estado->fio.join();
    m_estado->ligacoes.clear();
    ::close(m_estado->escuta);
    ::close(m_estado->acordar);
}

int Rele::porta() const {
    return m_estado->porta;
}

void Rele::definirAtraso(std::chrono::microseconds cadaSentido) {
    std::lock_guard<std::mutex> t(m_estado->m);
    m_estado->atraso = cadaSentido;
}

void Rele::congelar() {
    std::lock_guard<std::mutex> t(m_estado->m);
    m_estado->congelado = true;
}

void Rele::retomar() {
    {
        std::lock_guard<std::mutex> t(m_estado->m);
        m_estado->congelado = false;
    }
    m_estado->avisar();
}

bool Rele::congelado() const {
    std::lock_guard<std::mutex> t(m_estado->m);
    return m_estado->congelado;
}

void Rele::congelarAo(std::string padrao, Momento momento) {
    std::lock_guard<std::mutex> t(m_estado->m);
    m_estado->padrao = std::move(padrao);
    m_estado->momento = momento;
}

Rele::Contagem Rele::contagem() const {
    std::lock_guard<std::mutex> t(m_estado->m);
    return m_estado->contagem;
}

void Rele::zerar() {
    std::lock_guard<std::mutex> t(m_estado->m);
    m_estado->contagem = {};
}
