// The content of the benchmark bases: profiles, the rows and their order.

#include "DadosBench.h"
#include "DestinoDados.h"

#include "Erro.h"
#include "Esquema.h"
#include "Sorteio.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <libpq-fe.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <vector>

namespace DadosBench {

namespace {

/// Changes whenever the generator writes something else from the same seed.
constexpr int VersaoGerador = 1;

/// A stream of its own for each part of the content, so that one part stays
/// the same when another changes size.
quint32 semente(quint32 base, const QString& parte) {
    return base ^ static_cast<quint32>(qHash(parte, 0x5eed));
}

Especial grande(bool rapido) {
    return rapido
               ? Especial{ClienteGrande, QStringLiteral("Grande Armazém de Ferragens, SA"), 300, 60, 10, 5, 10}
               : Especial{ClienteGrande, QStringLiteral("Grande Armazém de Ferragens, SA"), 30000, 6000, 10, 100, 10};
}
Especial pequeno() {
    return {ClientePequeno, QStringLiteral("Drogaria Pequena, Lda"), 10, 2, 6, 1, 3};
}
Especial limite(bool rapido) {
    return rapido ? Especial{ClienteLimite, QStringLiteral("Distribuidora Limite, SA"), 400, 40, 10, 5, 10}
                  : Especial{ClienteLimite, QStringLiteral("Distribuidora Limite, SA"), 32767, 3233, 10, 100, 10};
}

const char* const Actividades[] = {"Ferragens",    "Construções", "Serralharia",    "Carpintaria", "Electricidade",
                                   "Canalizações", "Drogaria",    "Metalúrgica",    "Tintas",      "Climatização",
                                   "Mobiliário",   "Caixilharia", "Obras Públicas", "Pavimentos",  "Agro-Pecuária"};
const char* const Apelidos[] = {"Silva",   "Santos",  "Ferreira",  "Pereira",   "Oliveira", "Costa",    "Rodrigues",
                                "Martins", "Sousa",   "Fernandes", "Gonçalves", "Gomes",    "Lopes",    "Marques",
                                "Alves",   "Almeida", "Ribeiro",   "Pinto",     "Carvalho", "Teixeira", "Moreira"};
const char* const Sociedades[] = {", Lda", " & Filhos, Lda", ", SA", ", Unipessoal Lda", " & Irmãos, Lda"};
const char* const Localidades[] = {"Braga",  "Guimarães", "Porto",  "Vila Nova de Gaia", "Aveiro", "Coimbra",
                                   "Leiria", "Viseu",     "Lisboa", "Setúbal",           "Évora",  "Faro"};
const char* const Ruas[] = {"Rua da Liberdade", "Avenida 25 de Abril",   "Rua do Comércio",
                            "Rua Nova",         "Zona Industrial, Lote", "Estrada Nacional 14, km"};

struct Familia {
    const char* codigo;
    const char* nome;
    const char* unidade;
    std::int64_t preco; ///< ten-thousandths
};
const Familia Familias[] = {
    {"PAR", "Parafuso sextavado zincado", "UN", 450},
    {"POR", "Porca sextavada zincada", "UN", 180},
    {"ANI", "Anilha lisa zincada", "UN", 90},
    {"BUC", "Bucha de nylon", "UN", 250},
    {"BRO", "Broca HSS para metal", "UN", 21500},
    {"TIN", "Tinta plástica branca mate", "UN", 124900},
    {"CIM", "Cimento cola cinzento", "UN", 69000},
    {"PVC", "Tubo PVC esgoto (barra 3 m)", "UN", 57500},
    {"CAB", "Cabo eléctrico H07V-U", "M", 4200},
    {"DIS", "Disjuntor monofásico", "UN", 68000},
    {"LUV", "Luvas de trabalho nitrilo", "CX", 42500},
    {"SIL", "Silicone 280 ml", "UN", 38900},
    {"ARA", "Arame recozido", "KG", 31000},
    {"CHA", "Chapa galvanizada", "UN", 185000},
    {"LIX", "Lixa de água", "UN", 6500},
    {"ROL", "Rolo de pintura", "UN", 47500},
};

std::string numero(const char* prefixo, int n, int digitos) {
    char b[32];
    std::snprintf(b, sizeof b, "%s%0*d", prefixo, digitos, n);
    return b;
}

std::string nif(Sorteio& s) {
    int d[9] = {5};
    for (int i = 1; i < 8; ++i)
        d[i] = s.entre(0, 9);
    int soma = 0;
    for (int i = 0; i < 8; ++i)
        soma += d[i] * (9 - i);
    const int resto = 11 - soma % 11;
    d[8] = resto >= 10 ? 0 : resto;
    std::string r;
    for (int v : d)
        r += static_cast<char>('0' + v);
    return r;
}

template <class T, std::size_t N> const T& um(const T (&lista)[N], Sorteio& s) {
    return lista[static_cast<std::size_t>(s.entre(0, static_cast<int>(N) - 1))];
}

struct Artigo {
    std::string codigo;
    std::string nome;
    bool aPeso; ///< sold by weight or length: quantities with decimals
    std::int64_t preco;
};

/// The days of the orders: the three years before the reference day; their
/// texts are made once.
class Calendario {
public:
    static constexpr int Dias = 1095;
    static constexpr int Prazo = 30; ///< delivery, days after the order at most

    Calendario() : m_referencia(2024, 12, 31) {
        for (int d = -Dias; d <= Prazo; ++d) {
            const QDate dia = m_referencia.addDays(d);
            m_texto.push_back(dia.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
            m_meiaNoite.push_back(m_texto.back() + " 00:00:00");
            m_ano.push_back(dia.year());
        }
    }
    /// Day `d` relative to the reference (-Dias..Prazo).
    const std::string& texto(int d) const { return m_texto[static_cast<std::size_t>(d + Dias)]; }
    const std::string& meiaNoite(int d) const { return m_meiaNoite[static_cast<std::size_t>(d + Dias)]; }
    int ano(int d) const { return m_ano[static_cast<std::size_t>(d + Dias)]; }

private:
    QDate m_referencia;
    std::vector<std::string> m_texto;
    std::vector<std::string> m_meiaNoite;
    std::vector<int> m_ano;
};

/// One order to write, before it has a number.
struct Encomenda {
    int tipo = 0; ///< index into Tipos
    int dia = 0;
    int segundos = 0; ///< time of day
    int cliente = 0;  ///< index into the client codes
    int linhas = 0;
    /// Per line: true when already satisfied or annulled (special clients only).
    std::vector<char> fechadas;
    bool especial = false;
};

const std::array<std::string, 3> Tipos = {"ENC", "ENW", "ENX"};

class Gerador {
public:
    Gerador(Destino& destino, const Perfil& perfil, quint32 semente)
        : m_destino(destino), m_perfil(perfil), m_semente(semente) {}

    Resumo gerar(const QStringList& tabelas, const QStringList& indices) {
        m_destino.comecar(tabelas);
        tabelasBase();
        clientes();
        artigos();
        encomendas();
        m_destino.terminar(indices);
        return m_resumo;
    }

private:
    void tabelasBase() {
        m_destino.tipoDocumento("ENC", "Encomenda de cliente", 0);
        m_destino.tipoDocumento("ENW", "Encomenda da loja online", 0);
        m_destino.tipoDocumento("ENX", "Encomenda de exportação", 0);
        m_destino.tipoDocumento("GR", "Guia de remessa", 1);
        m_destino.tipoDocumento("ENT", "Entrada de produção", 0);
        m_destino.serie("ENC", 1, "Encomendas de clientes", 1);
        m_destino.serie("ENW", 1, "Encomendas da loja online", 1);
        m_destino.serie("ENX", 1, "Encomendas de exportação", 1);
        m_destino.serie("GR", 1, "Guias de remessa", 2);
        m_destino.serie("ENT", 1, "Entradas de produção", 1);
        m_destino.empresa(Empresa.toUtf8().constData(), "Empresa de Ensaio, Lda");
    }

    void clientes() {
        Sorteio s(semente(m_semente, QStringLiteral("clientes")));
        const int outros = m_perfil.clientes - static_cast<int>(m_perfil.especiais.size());
        LinhaCliente c;
        for (int i = 0; i < outros; ++i) {
            c.codigo = numero("C", i + 1, 6);
            if (i % 7 == 3)
                c.nome = std::string(um(Apelidos, s)) + ' ' + um(Apelidos, s) + ' ' + um(Apelidos, s);
            else
                c.nome = std::string(um(Actividades, s)) + ' ' + um(Apelidos, s) + um(Sociedades, s);
            c.nif = nif(s);
            c.morada = std::string(um(Ruas, s)) + ' ' + std::to_string(s.entre(1, 250));
            c.localidade = um(Localidades, s);
            // One in fifty no longer buys: it places no orders.
            c.inactivo = i % 50 == 49 ? -1 : 0;
            if (c.inactivo == 0)
                m_activos.push_back(static_cast<int>(m_codigos.size()));
            m_codigos.push_back(c.codigo);
            m_nifs.push_back(c.nif);
            m_destino.cliente(c);
        }
        for (const Especial& e : m_perfil.especiais) {
            c.codigo = e.codigo.toStdString();
            c.nome = e.nome.toStdString();
            c.nif = nif(s);
            c.morada = "Zona Industrial, Lote 7";
            c.localidade = "Braga";
            c.inactivo = 0;
            m_codigos.push_back(c.codigo);
            m_nifs.push_back(c.nif);
            m_destino.cliente(c);
        }
        m_resumo.clientes = static_cast<int>(m_codigos.size());
    }

    void artigos() {
        Sorteio s(semente(m_semente, QStringLiteral("artigos")));
        const int nFamilias = static_cast<int>(std::size(Familias));
        LinhaArtigo a;
        for (int i = 0; i < m_perfil.artigos; ++i) {
            const Familia& f = Familias[i % nFamilias];
            const int modelo = i / nFamilias + 1;
            a.codigo = numero(f.codigo, modelo, 6);
            a.nome = std::string(f.nome) + " (modelo " + std::to_string(modelo) + ")";
            a.unidade = f.unidade;
            a.preco = f.preco * s.entre(8, 30) / 10;
            // One in forty is no longer sold: no order line has it.
            a.inactivo = i % 40 == 39 ? -1 : 0;
            m_destino.artigo(a);
            if (a.inactivo == 0)
                m_artigos.push_back({a.codigo, a.nome, a.unidade != "UN" && a.unidade != "CX", a.preco});
        }
        m_resumo.artigos = m_perfil.artigos;
    }

    Encomenda nova(Sorteio& s, int tipo, int cliente, int linhas) const {
        Encomenda e;
        e.tipo = tipo;
        e.dia = -s.entre(1, Calendario::Dias);
        e.segundos = s.entre(8 * 3600, 19 * 3600 - 1);
        e.cliente = cliente;
        e.linhas = linhas;
        return e;
    }

    /// The special client's orders: every line counted, those to leave out chosen at random.
    std::vector<Encomenda> especiais(const Especial& esp, int indiceCliente) const {
        Sorteio s(semente(m_semente, QStringLiteral("especial ") + esp.codigo));
        const int total = esp.pendentes + esp.naoPendentes;
        std::vector<char> fechadas(static_cast<std::size_t>(total), 0);
        std::fill_n(fechadas.begin(), esp.naoPendentes, 1);
        for (int i = total - 1; i > 0; --i)
            std::swap(fechadas[static_cast<std::size_t>(i)], fechadas[static_cast<std::size_t>(s.entre(0, i))]);
        std::vector<Encomenda> r;
        for (int feitas = 0; feitas < total; feitas += esp.linhasPorEncomenda) {
            Encomenda e = nova(s, s.em(65) ? 0 : 1, indiceCliente, std::min(esp.linhasPorEncomenda, total - feitas));
            e.fechadas.assign(fechadas.begin() + feitas, fechadas.begin() + feitas + e.linhas);
            e.especial = true;
            r.push_back(std::move(e));
        }
        for (int i = 0; i < esp.encomendasOutroTipo; ++i) {
            Encomenda e = nova(s, 2, indiceCliente, esp.linhasOutroTipo);
            e.especial = true;
            r.push_back(std::move(e));
        }
        return r;
    }

    void encomendas() {
        // The special clients first, in the profile's order, so that their
        // numbers do not depend on the other clients.
        const int primeiroEspecial =
            static_cast<int>(m_codigos.size() - static_cast<std::size_t>(m_perfil.especiais.size()));
        int encomendasEspeciais = 0, linhasEspeciais = 0;
        for (qsizetype k = 0; k < m_perfil.especiais.size(); ++k) {
            std::vector<Encomenda> lista = especiais(m_perfil.especiais.at(k), primeiroEspecial + static_cast<int>(k));
            for (const Encomenda& e : lista) {
                ++encomendasEspeciais;
                linhasEspeciais += e.linhas;
            }
            escrever(std::move(lista), semente(m_semente, QStringLiteral("linhas ") + m_perfil.especiais.at(k).codigo));
            const Especial& esp = m_perfil.especiais.at(k);
            m_resumo.especiais << QStringLiteral("%1: %2 linhas pendentes").arg(esp.codigo).arg(esp.pendentes);
        }

        // The other clients make up the size of the base.
        const int nEncomendas = m_perfil.encomendas - (m_perfil.totaisComEspeciais ? encomendasEspeciais : 0);
        const int nLinhas = m_perfil.linhas - (m_perfil.totaisComEspeciais ? linhasEspeciais : 0);
        if (nEncomendas <= 0 || nLinhas < nEncomendas || m_activos.empty())
            throw Erro(Erro::Configuracao,
                       QStringLiteral("O perfil %1 não deixa encomendas para os outros clientes.").arg(m_perfil.nome));
        Sorteio s(semente(m_semente, QStringLiteral("encomendas")));
        const int media = nLinhas / nEncomendas;
        std::vector<Encomenda> lista;
        lista.reserve(static_cast<std::size_t>(nEncomendas));
        long long soma = 0;
        for (int k = 0; k < nEncomendas; ++k) {
            // Mostly counter orders, a third from the web shop, one in ten for export.
            const int tipo = k % 10 == 9 ? 2 : (k % 3 == 2 ? 1 : 0);
            // A fifth of the clients place most of the orders.
            int c = s.entre(0, static_cast<int>(m_activos.size()) - 1);
            if (s.em(60))
                c %= std::max(1, static_cast<int>(m_activos.size()) / 5);
            lista.push_back(nova(s, tipo, m_activos[static_cast<std::size_t>(c)], s.entre(1, 2 * media - 1)));
            soma += lista.back().linhas;
        }
        // Exactly the lines asked for.
        while (soma != nLinhas) {
            Encomenda& e = lista[static_cast<std::size_t>(s.entre(0, nEncomendas - 1))];
            if (soma < nLinhas && e.linhas < 4 * media) {
                ++e.linhas;
                ++soma;
            } else if (soma > nLinhas && e.linhas > 1) {
                --e.linhas;
                --soma;
            }
        }
        escrever(std::move(lista), semente(m_semente, QStringLiteral("linhas")));
    }

    /// Numbers the orders by date, per type and year, after the numbers
    /// already given, and writes them with their lines.
    void escrever(std::vector<Encomenda> lista, quint32 sementeLinhas) {
        std::stable_sort(lista.begin(), lista.end(), [](const Encomenda& a, const Encomenda& b) {
            return a.dia != b.dia ? a.dia < b.dia : a.segundos < b.segundos;
        });
        Sorteio s(sementeLinhas);
        LinhaCabecalho cab;
        LinhaDocumento lin;
        for (const Encomenda& e : lista) {
            const std::string& tipo = Tipos[static_cast<std::size_t>(e.tipo)];
            cab.tipo = tipo;
            cab.ano = m_calendario.ano(e.dia);
            cab.numero = ++m_numeros[{e.tipo, cab.ano}];
            char hora[32];
            std::snprintf(hora, sizeof hora, " %02d:%02d:%02d", (e.segundos / 3600) % 24, e.segundos / 60 % 60,
                          e.segundos % 60);
            cab.data = m_calendario.texto(e.dia) + hora;
            cab.terceiro = m_codigos[static_cast<std::size_t>(e.cliente)];
            cab.nif = m_nifs[static_cast<std::size_t>(e.cliente)];
            if (e.tipo == 1)
                cab.vnumdoc = "WEB-" + std::to_string(s.entre(100000, 999999));
            else if (e.tipo == 2)
                cab.vnumdoc = "EXP-" + std::to_string(s.entre(1000, 9999));
            else if (s.em(60))
                cab.vnumdoc = "REQ " + std::to_string(s.entre(1, 999)) + '/' + std::to_string(cab.ano);
            else
                cab.vnumdoc.clear();
            m_destino.cabecalho(cab);
            ++m_resumo.encomendas;

            lin.tipo = &tipo;
            lin.numero = cab.numero;
            lin.ano = cab.ano;
            for (int n = 1; n <= e.linhas; ++n) {
                const Artigo& a =
                    m_artigos[static_cast<std::size_t>(s.entre(0, static_cast<int>(m_artigos.size()) - 1))];
                lin.numLinha = n;
                lin.artigo = &a.codigo;
                lin.descricao = &a.nome;
                lin.data = &m_calendario.meiaNoite(e.dia + s.entre(3, Calendario::Prazo));
                lin.preco = a.preco;
                lin.pedida = a.aPeso ? std::int64_t{s.entre(100, 25000)} * 100 : std::int64_t{s.entre(1, 60)} * 10000;
                estado(lin, s,
                       e.especial ? std::optional<bool>(n <= static_cast<int>(e.fechadas.size()) &&
                                                        e.fechadas[static_cast<std::size_t>(n - 1)])
                                  : std::nullopt);
                m_destino.linha(lin);
                ++m_resumo.linhas;
            }
        }
    }

    /// Pending, partly delivered, satisfied or annulled. A special client's
    /// line is closed (satisfied or annulled) exactly when `fechada` says so.
    static void estado(LinhaDocumento& l, Sorteio& s, std::optional<bool> fechada) {
        l.pendente = l.pedida;
        l.anulada = 0;
        int e = s.entre(0, 99);
        if (fechada)
            e = *fechada ? (e < 60 ? 80 : 95) : (e < 70 ? 0 : 60);
        if (e < 55)
            return; // still pending in full
        if (e < 75) {
            // partly delivered: something, but not everything, left
            if (l.pedida > 10000)
                l.pendente = 10000 * s.entre(1, static_cast<int>((l.pedida - 1) / 10000));
            return;
        }
        if (e < 90)
            l.pendente = 0;
        else
            l.anulada = -1;
    }

    Destino& m_destino;
    const Perfil& m_perfil;
    quint32 m_semente;
    Calendario m_calendario;
    std::vector<std::string> m_codigos;
    std::vector<std::string> m_nifs;
    std::vector<int> m_activos; ///< the other clients still buying
    std::vector<Artigo> m_artigos;
    std::map<std::pair<int, int>, int> m_numeros;
    Resumo m_resumo;
};

/// The schema's statements for a driver, split into tables and indexes.
void esquema(const QString& driver, QStringList& tabelas, QStringList& indices) {
    const QString nome = QStringLiteral("orlavane-bench-esquema-") + driver;
    {
        const QSqlDatabase db = QSqlDatabase::contains(nome) ? QSqlDatabase::database(nome, false)
                                                             : QSqlDatabase::addDatabase(driver, nome);
        for (const QString& sql : Esquema::instrucoes(db))
            (sql.startsWith(QLatin1String("CREATE INDEX"), Qt::CaseInsensitive) ? indices : tabelas) << sql;
    }
}

/// The ERP user, hashed as the ERP does it, over a Qt connection.
void definirUtilizador(const QString& driver, const QString& ficheiro, const QString& host, int porta,
                       const QString& utilizador, const QString& base) {
    const QString nome = QStringLiteral("orlavane-bench-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, nome);
        db.setDatabaseName(driver == QLatin1String("QSQLITE") ? ficheiro : base);
        if (driver != QLatin1String("QSQLITE")) {
            db.setHostName(host);
            db.setPort(porta);
            db.setUserName(utilizador);
        }
        if (!db.open())
            throw Erro(Erro::BaseDadosFechada, db.lastError().text());
        // On a server, with the tables written: the ERP's functions there and
        // the operators' rights, before the user (an operator) is added.
        if (driver != QLatin1String("QSQLITE"))
            Esquema::criar(db);
        Esquema::definirUtilizadorErp(db, Utilizador, Password);
        db.close();
    }
    QSqlDatabase::removeDatabase(nome);
}

[[noreturn]] void falharPg(PGconn* c, const QString& onde) {
    const QString texto = QString::fromUtf8(PQerrorMessage(c)).trimmed();
    PQfinish(c);
    throw Erro(Erro::Sql, QStringLiteral("%1: %2").arg(onde, texto));
}

} // namespace

std::string textoDecimal(std::int64_t v) {
    const bool negativo = v < 0;
    const std::uint64_t a = negativo ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v);
    std::string r = (negativo ? "-" : "") + std::to_string(a / 10000);
    std::uint64_t resto = a % 10000;
    if (resto != 0) {
        char b[8];
        std::snprintf(b, sizeof b, ".%04u", static_cast<unsigned>(resto));
        std::string d(b);
        while (d.back() == '0')
            d.pop_back();
        r += d;
    }
    return r;
}

QString nomeBase(Base base) {
    switch (base) {
    case Base::Grande:
        return QStringLiteral("grande");
    case Base::Pequena:
        return QStringLiteral("pequena");
    case Base::Clientes:
        return QStringLiteral("clientes");
    }
    return {};
}

Perfil perfil(Base base, bool rapido) {
    Perfil p;
    p.nome = nomeBase(base) + (rapido ? QStringLiteral("-rapido") : QString());
    switch (base) {
    case Base::Grande:
        p.clientes = rapido ? 300 : 20000;
        p.artigos = rapido ? 500 : 50000;
        p.encomendas = rapido ? 400 : 100000;
        p.linhas = rapido ? 4000 : 1000000;
        p.especiais = {grande(rapido), pequeno(), limite(rapido)};
        break;
    case Base::Pequena:
        p.clientes = rapido ? 300 : 20000;
        p.artigos = rapido ? 500 : 50000;
        p.encomendas = rapido ? 20 : 1000;
        p.linhas = rapido ? 200 : 10000;
        p.totaisComEspeciais = false;
        p.especiais = {grande(rapido), pequeno()};
        break;
    case Base::Clientes:
        p.clientes = rapido ? 3000 : 200000;
        p.artigos = rapido ? 100 : 1000;
        p.encomendas = rapido ? 20 : 1000;
        p.linhas = rapido ? 200 : 10000;
        p.totaisComEspeciais = false;
        p.especiais = {pequeno()};
        break;
    }
    return p;
}

QString assinatura(const Perfil& p, quint32 s) {
    QStringList tabelas, indices;
    esquema(QStringLiteral("QSQLITE"), tabelas, indices);
    const QByteArray textoEsquema = (tabelas + indices).join(QLatin1Char('\n')).toUtf8();
    QStringList especiais;
    for (const Especial& e : p.especiais)
        especiais << QStringLiteral("%1/%2/%3/%4/%5/%6")
                         .arg(e.codigo)
                         .arg(e.pendentes)
                         .arg(e.naoPendentes)
                         .arg(e.linhasPorEncomenda)
                         .arg(e.encomendasOutroTipo)
                         .arg(e.linhasOutroTipo);
    return QStringLiteral("gerador %1; esquema %2; perfil %3: %4 clientes, %5 artigos, %6 encomendas, %7 linhas%8; "
                          "especiais %9; semente %10")
        .arg(VersaoGerador)
        .arg(QString::fromLatin1(QCryptographicHash::hash(textoEsquema, QCryptographicHash::Sha256).toHex().left(16)))
        .arg(p.nome)
        .arg(p.clientes)
        .arg(p.artigos)
        .arg(p.encomendas)
        .arg(p.linhas)
        .arg(p.totaisComEspeciais ? QString() : QStringLiteral(" além dos especiais"))
        .arg(especiais.join(QLatin1Char(' ')))
        .arg(s);
}

bool garantirSqlite(const QString& ficheiro, const Perfil& p, quint32 s, Resumo* resumo) {
    const QString marca = ficheiro + QStringLiteral(".assinatura");
    const QString esperada = assinatura(p, s);
    {
        QFile f(marca);
        if (QFileInfo::exists(ficheiro) && f.open(QIODevice::ReadOnly) &&
            QString::fromUtf8(f.readAll()).trimmed() == esperada)
            return false;
    }
    if (!QDir().mkpath(QFileInfo(ficheiro).absolutePath()))
        throw Erro(Erro::Ficheiro, QStringLiteral("A pasta de \"%1\" não pode ser criada.").arg(ficheiro));
    QFile::remove(marca);
    const QString temporario = ficheiro + QStringLiteral(".novo");
    QFile::remove(temporario);
    QStringList tabelas, indices;
    esquema(QStringLiteral("QSQLITE"), tabelas, indices);
    {
        std::unique_ptr<Destino> d = destinoSqlite(temporario);
        Gerador g(*d, p, s);
        const Resumo r = g.gerar(tabelas, indices);
        if (resumo)
            *resumo = r;
    }
    definirUtilizador(QStringLiteral("QSQLITE"), temporario, {}, 0, {}, {});
    QFile::remove(ficheiro);
    if (!QFile::rename(temporario, ficheiro))
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("\"%1\" não pode tomar o lugar de \"%2\".").arg(temporario, ficheiro));
    QFile f(marca);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(esperada.toUtf8() + '\n') < 0)
        throw Erro(Erro::Ficheiro, QStringLiteral("\"%1\" não pode ser escrito.").arg(marca));
    return true;
}

bool garantirPostgres(const QString& ligacao, const QString& base, const Perfil& p, quint32 s) {
    const QString esperada = assinatura(p, s);
    PGconn* c = PQconnectdb((ligacao + QStringLiteral(" dbname=postgres")).toUtf8().constData());
    if (PQstatus(c) != CONNECTION_OK)
        falharPg(c, QStringLiteral("Ligação ao PostgreSQL"));
    const QByteArray nome = base.toUtf8();
    const char* valores[] = {nome.constData()};
    PGresult* r = PQexecParams(c, "SELECT shobj_description(oid, 'pg_database') FROM pg_database WHERE datname = $1", 1,
                               nullptr, valores, nullptr, nullptr, 0);
    const bool igual =
        PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1 && QString::fromUtf8(PQgetvalue(r, 0, 0)) == esperada;
    PQclear(r);
    PQfinish(c);
    if (igual)
        return false;
    criarPostgres(ligacao, base, p, s);
    return true;
}

Resumo criarPostgres(const QString& ligacao, const QString& base, const Perfil& p, quint32 s) {
    // The database anew.
    {
        PGconn* c = PQconnectdb((ligacao + QStringLiteral(" dbname=postgres")).toUtf8().constData());
        if (PQstatus(c) != CONNECTION_OK)
            falharPg(c, QStringLiteral("Ligação ao PostgreSQL"));
        // "does not exist, skipping" and the like are no news here.
        PQsetNoticeProcessor(
            c, [](void*, const char*) {}, nullptr);
        for (const QString& sql : {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(base),
                                   QStringLiteral("CREATE DATABASE %1").arg(base)}) {
            PGresult* r = PQexec(c, sql.toUtf8().constData());
            const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
            if (!ok)
                falharPg(c, sql);
        }
        PQfinish(c);
    }
    QStringList tabelas, indices;
    esquema(QStringLiteral("QPSQL"), tabelas, indices);
    const QString ligacaoBase = ligacao + QStringLiteral(" dbname=") + base;
    Resumo r;
    {
        std::unique_ptr<Destino> d = destinoPostgres(ligacaoBase);
        Gerador g(*d, p, s);
        r = g.gerar(tabelas, indices);
    }
    // The host, port and user for the Qt connection, from the libpq text.
    QString host, utilizador;
    int porta = 5432;
    if (PQconninfoOption* opcoes = PQconninfoParse(ligacaoBase.toUtf8().constData(), nullptr)) {
        for (PQconninfoOption* o = opcoes; o->keyword; ++o) {
            if (!o->val)
                continue;
            const QString k = QString::fromLatin1(o->keyword), v = QString::fromUtf8(o->val);
            if (k == QLatin1String("host"))
                host = v;
            else if (k == QLatin1String("port"))
                porta = v.toInt();
            else if (k == QLatin1String("user"))
                utilizador = v;
        }
        PQconninfoFree(opcoes);
    }
    definirUtilizador(QStringLiteral("QPSQL"), {}, host, porta, utilizador, base);
    // The signature, so that the next run can keep the database.
    {
        PGconn* c = PQconnectdb(ligacaoBase.toUtf8().constData());
        if (PQstatus(c) != CONNECTION_OK)
            falharPg(c, QStringLiteral("Ligação ao PostgreSQL"));
        const QByteArray texto = assinatura(p, s).toUtf8();
        char* literal = PQescapeLiteral(c, texto.constData(), static_cast<std::size_t>(texto.size()));
        std::string sql = "COMMENT ON DATABASE " + base.toStdString() + " IS " + std::string(literal ? literal : "''");
        PQfreemem(literal);
        PGresult* res = PQexec(c, sql.c_str());
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        PQclear(res);
        if (!ok)
            falharPg(c, QStringLiteral("COMMENT ON DATABASE"));
        PQfinish(c);
    }
    return r;
}

} // namespace DadosBench
