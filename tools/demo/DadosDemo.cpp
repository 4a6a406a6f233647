#include "DadosDemo.h"

#include "CodigoPagina.h"
#include "Configuracao.h"
#include "Dialecto.h"
#include "Erro.h"
#include "Esquema.h"
#include "LigacaoBd.h"
#include "Moeda.h"
#include "Pastas.h"
#include "Sorteio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace Demo {

namespace {

const QStringList Actividades = {
    QStringLiteral("Ferragens"),      QStringLiteral("Construções"),   QStringLiteral("Serralharia"),
    QStringLiteral("Carpintaria"),    QStringLiteral("Electricidade"), QStringLiteral("Canalizações"),
    QStringLiteral("Drogaria"),       QStringLiteral("Metalúrgica"),   QStringLiteral("Tintas"),
    QStringLiteral("Climatização"),   QStringLiteral("Mobiliário"),    QStringLiteral("Materiais de Construção"),
    QStringLiteral("Agro-Pecuária"),  QStringLiteral("Oficina Auto"),  QStringLiteral("Caixilharia"),
    QStringLiteral("Obras Públicas"), QStringLiteral("Pavimentos"),
};
const QStringList Apelidos = {
    QStringLiteral("Silva"),    QStringLiteral("Santos"),    QStringLiteral("Ferreira"),  QStringLiteral("Pereira"),
    QStringLiteral("Oliveira"), QStringLiteral("Costa"),     QStringLiteral("Rodrigues"), QStringLiteral("Martins"),
    QStringLiteral("Sousa"),    QStringLiteral("Fernandes"), QStringLiteral("Gonçalves"), QStringLiteral("Gomes"),
    QStringLiteral("Lopes"),    QStringLiteral("Marques"),   QStringLiteral("Alves"),     QStringLiteral("Almeida"),
    QStringLiteral("Ribeiro"),  QStringLiteral("Pinto"),     QStringLiteral("Carvalho"),  QStringLiteral("Teixeira"),
    QStringLiteral("Moreira"),  QStringLiteral("Correia"),   QStringLiteral("Mendes"),    QStringLiteral("Nunes"),
    QStringLiteral("Soares"),   QStringLiteral("Vieira"),    QStringLiteral("Monteiro"),  QStringLiteral("Cardoso"),
    QStringLiteral("Rocha"),    QStringLiteral("Neves"),     QStringLiteral("Antunes"),   QStringLiteral("Magalhães"),
};
const QStringList Sociedades = {QStringLiteral(", Lda"), QStringLiteral(" & Filhos, Lda"), QStringLiteral(", SA"),
                                QStringLiteral(", Unipessoal Lda"), QStringLiteral(" & Irmãos, Lda")};
const QStringList Nomes = {QStringLiteral("José Manuel"), QStringLiteral("Maria do Carmo"),
                           QStringLiteral("António"),     QStringLiteral("Ana Rita"),
                           QStringLiteral("João Pedro"),  QStringLiteral("Conceição")};
const QStringList Localidades = {
    QStringLiteral("Braga"),
    QStringLiteral("Guimarães"),
    QStringLiteral("Porto"),
    QStringLiteral("Vila Nova de Gaia"),
    QStringLiteral("Matosinhos"),
    QStringLiteral("Aveiro"),
    QStringLiteral("Coimbra"),
    QStringLiteral("Leiria"),
    QStringLiteral("Viseu"),
    QStringLiteral("Lisboa"),
    QStringLiteral("Setúbal"),
    QStringLiteral("Évora"),
    QStringLiteral("Faro"),
    QStringLiteral("Santarém"),
    QStringLiteral("Viana do Castelo"),
    QStringLiteral("Barcelos"),
    QStringLiteral("Vila Nova de Famalicão"),
};
const QStringList Ruas = {
    QStringLiteral("Rua da Liberdade"),        QStringLiteral("Avenida 25 de Abril"),
    QStringLiteral("Rua do Comércio"),         QStringLiteral("Rua Nova"),
    QStringLiteral("Largo da Igreja"),         QStringLiteral("Rua das Flores"),
    QStringLiteral("Zona Industrial, Lote"),   QStringLiteral("Rua Dr. Manuel de Arriaga"),
    QStringLiteral("Estrada Nacional 14, km"),
};

struct Familia {
    const char* codigo;
    const char* nome; ///< "%1" is the variant
    const char* unidade;
    std::int64_t preco; ///< ten-thousandths, for the first variant
    const char* variantes[3];
};

// Prices grow with the variant; fasteners are priced to the tenth of a cent.
const Familia Familias[] = {
    {"PAR", "Parafuso sextavado zincado %1", "UN", 450, {"M6x20", "M8x30", "M10x40"}},
    {"POR", "Porca sextavada zincada %1", "UN", 180, {"M6", "M8", "M10"}},
    {"ANI", "Anilha lisa zincada %1", "UN", 90, {"M6", "M8", "M10"}},
    {"BUC", "Bucha de nylon %1", "UN", 250, {"6 mm", "8 mm", "10 mm"}},
    {"BRO", "Broca HSS para metal %1", "UN", 21500, {"4 mm", "6 mm", "8 mm"}},
    {"TIN", "Tinta plástica branca mate %1", "UN", 124900, {"1 L", "5 L", "15 L"}},
    {"CIM", "Cimento cola cinzento %1", "UN", 69000, {"5 kg", "25 kg", "saco 40 kg"}},
    {"PVC", "Tubo PVC esgoto %1 (barra 3 m)", "UN", 57500, {"40 mm", "50 mm", "110 mm"}},
    {"CAB", "Cabo eléctrico H07V-U %1", "M", 4200, {"1,5 mm²", "2,5 mm²", "4 mm²"}},
    {"DIS", "Disjuntor monofásico %1", "UN", 68000, {"10 A", "16 A", "20 A"}},
    {"LUV", "Luvas de trabalho nitrilo tam. %1", "CX", 42500, {"8", "9", "10"}},
    {"SIL", "Silicone %1 280 ml", "UN", 38900, {"transparente", "branco", "anti-fungos"}},
    {"ARA", "Arame recozido %1", "KG", 31000, {"1,2 mm", "2 mm", "3 mm"}},
    {"CHA", "Chapa galvanizada %1", "UN", 185000, {"0,5 mm", "0,8 mm", "1 mm"}},
    {"VER", "Verniz marítimo %1", "UN", 152000, {"incolor 0,75 L", "mogno 0,75 L", "incolor 4 L"}},
    {"LIX", "Lixa de água grão %1", "UN", 6500, {"120", "240", "400"}},
    {"FIT", "Fita isoladora %1", "UN", 9900, {"preta", "azul", "vermelha"}},
    {"ROL", "Rolo de pintura %1", "UN", 47500, {"9 cm", "18 cm", "22 cm"}},
    {"TOR", "Torneira de segurança %1", "UN", 99000, {"1/2\"", "3/4\"", "1\""}},
    {"CAL", "Cal hidratada %1", "KG", 3500, {"granel", "saco 10 kg", "saco 25 kg"}},
};

struct Artigo {
    QString codigo;
    QString nome;
    QString unidade;
    std::int64_t preco;
    bool activo;
};

struct Cliente {
    QString codigo;
    QString nif;
    bool activo;
};

/// A Portuguese company tax number: 5 and seven digits, then the check digit.
QString nif(Sorteio& s) {
    int digitos[9] = {5};
    for (int i = 1; i < 8; ++i)
        digitos[i] = s.entre(0, 9);
    int soma = 0;
    for (int i = 0; i < 8; ++i)
        soma += digitos[i] * (9 - i);
    const int resto = 11 - soma % 11;
    digitos[8] = resto >= 10 ? 0 : resto;
    QString r;
    for (const int d : digitos)
        r += QChar(u'0' + d);
    return r;
}

QString nomeCliente(int i, Sorteio& s) {
    // One in seven is a sole trader under a person's name; the rest, companies.
    if (i % 7 == 3)
        return Nomes.at(i / 7 % Nomes.size()) + QLatin1Char(' ') + Apelidos.at((i * 5 + 3) % Apelidos.size()) +
               QLatin1Char(' ') + Apelidos.at((i * 11 + 1) % Apelidos.size());
    if (i == 5)
        return QStringLiteral("Adega d'Avó, Lda");
    return Actividades.at(i % Actividades.size()) + QLatin1Char(' ') + Apelidos.at((i * 7) % Apelidos.size()) +
           Sociedades.at(s.entre(0, static_cast<int>(Sociedades.size()) - 1));
}

class Escritor {
public:
    explicit Escritor(QSqlDatabase& db) : m_q(db) {}
    void preparar(const QString& sql) {
        if (!m_q.prepare(sql))
            falhar();
    }
    void executar(const QVariantList& valores) {
        for (int i = 0; i < valores.size(); ++i)
            m_q.bindValue(i, valores.at(i));
        if (!m_q.exec())
            falhar();
    }

private:
    [[noreturn]] void falhar() {
        throw Erro(
            Erro::Sql,
            QStringLiteral("Não foi possível escrever os dados de demonstração: %1").arg(m_q.lastError().text()));
    }
    QSqlQuery m_q;
};

QString valor(std::int64_t decimosMilesimos) {
    return Moeda::deUnidades(decimosMilesimos).paraTextoC();
}
QString dataHora(const QDateTime& d) {
    return d.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void tiposEClientes(QSqlDatabase& db, const Opcoes& o, Sorteio& s, std::vector<Cliente>& clientes) {
    Escritor w(db);
    w.preparar(QStringLiteral("INSERT INTO TpDoc (Codigo, Descricao, TPDSAFT) VALUES (?, ?, ?)"));
    w.executar({QStringLiteral("ENC"), QStringLiteral("Encomenda de cliente"), 0});
    w.executar({QStringLiteral("ENW"), QStringLiteral("Encomenda web"), 0});
    w.executar({QStringLiteral("GR"), QStringLiteral("Guia de remessa"), 1});
    w.executar({QStringLiteral("ENT"), QStringLiteral("Entrada de produção"), 0});
    w.executar({QStringLiteral("ORC"), QStringLiteral("Orçamento"), 0});
    w.preparar(QStringLiteral("INSERT INTO NOMSERIE (TipoDoc, Serie, Descricao, Origem) VALUES (?, ?, ?, ?)"));
    w.executar({QStringLiteral("ENC"), 1, QStringLiteral("Encomendas de clientes"), 1});
    w.executar({QStringLiteral("ENW"), 1, QStringLiteral("Encomendas da loja online"), 1});
    w.executar({QStringLiteral("GR"), 1, QStringLiteral("Guias de remessa"), 2});
    w.executar({QStringLiteral("ENT"), 1, QStringLiteral("Entradas de produção"), 1});
    w.executar({QStringLiteral("ORC"), 1, QStringLiteral("Orçamentos"), 1});

    w.preparar(QStringLiteral("INSERT INTO Clientes (Codigo, Nome, NumContribuinte, Morada, Localidade, Inactivo)"
                              " VALUES (?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < o.clientes; ++i) {
        Cliente c{QStringLiteral("C%1").arg(i + 1, 4, 10, QLatin1Char('0')), nif(s), i % 9 != 8};
        const QString morada = Ruas.at(s.entre(0, static_cast<int>(Ruas.size()) - 1)) + QLatin1Char(' ') +
                               QString::number(s.entre(1, 250));
        w.executar({c.codigo, nomeCliente(i, s), c.nif, morada,
                    Localidades.at(s.entre(0, static_cast<int>(Localidades.size()) - 1)), c.activo ? 0 : -1});
        clientes.push_back(c);
    }
}

std::vector<Artigo> artigos(QSqlDatabase& db, const Opcoes& o) {
    Escritor w(db);
    w.preparar(QStringLiteral("INSERT INTO Artigos (Codigo, Nome, Unidade, PrecoVenda, Armazem, Inactivo)"
                              " VALUES (?, ?, ?, ?, 'A1', ?)"));
    std::vector<Artigo> r;
    const int nFamilias = static_cast<int>(std::size(Familias));
    for (int i = 0; i < o.artigos; ++i) {
        const Familia& f = Familias[i / 3 % nFamilias];
        const int v = i % 3;
        const int serie = i / (3 * nFamilias); // beyond 60 articles, the families again
        Artigo a;
        a.codigo = QStringLiteral("%1%2").arg(QLatin1String(f.codigo)).arg(serie * 3 + v + 1, 3, 10, QLatin1Char('0'));
        a.nome = QString::fromUtf8(f.nome).arg(QString::fromUtf8(f.variantes[v]));
        if (serie > 0)
            a.nome += QStringLiteral(" (modelo %1)").arg(serie + 1);
        a.unidade = QLatin1String(f.unidade);
        a.preco = f.preco * (10 + 6 * v) / 10;
        a.activo = i % 13 != 12;
        w.executar({a.codigo, a.nome, a.unidade, valor(a.preco), a.activo ? 0 : -1});
        r.push_back(a);
    }
    return r;
}

struct Cabecalho {
    QString tipo;
    QDateTime data;
    int cliente;
};

Resumo encomendas(QSqlDatabase& db, const Opcoes& o, Sorteio& s, const std::vector<Cliente>& clientes,
                  const std::vector<Artigo>& arts) {
    const QDate hoje = o.referencia.isValid() ? o.referencia : QDate::currentDate();
    std::vector<int> activos;
    for (int i = 0; i < static_cast<int>(clientes.size()); ++i) {
        if (clientes[static_cast<std::size_t>(i)].activo)
            activos.push_back(i);
    }
    std::vector<int> artigosActivos;
    for (int i = 0; i < static_cast<int>(arts.size()); ++i) {
        if (arts[static_cast<std::size_t>(i)].activo)
            artigosActivos.push_back(i);
    }
    if (activos.empty() || artigosActivos.empty())
        return {};

    std::vector<Cabecalho> cabecalhos;
    for (int k = 0; k < o.encomendas; ++k) {
        // Mostly counter orders, a third from the web shop, one in ten a
        // quotation (a type the program is not set up to load).
        const QString tipo = k % 10 == 9  ? QStringLiteral("ORC")
                             : k % 3 == 2 ? QStringLiteral("ENW")
                                          : QStringLiteral("ENC");
        // A few regular clients place most of the orders.
        int c = s.entre(0, static_cast<int>(activos.size()) - 1);
        if (s.em(60))
            c %= std::min<int>(6, static_cast<int>(activos.size()));
        const QDateTime data(hoje.addDays(-s.entre(1, 180)), QTime(s.entre(8, 18), s.entre(0, 59), s.entre(0, 59)));
        cabecalhos.push_back({tipo, data, activos[static_cast<std::size_t>(c)]});
    }
    // Numbers follow the dates, per type and year.
    std::stable_sort(cabecalhos.begin(), cabecalhos.end(),
                     [](const Cabecalho& a, const Cabecalho& b) { return a.data < b.data; });

    Escritor cab(db);
    cab.preparar(
        QStringLiteral("INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, VNUMDOC,"
                       " NUMCONTRIBUINTE, ARMAZEM, UTILIZADOR) VALUES (?, 1, ?, ?, ?, ?, ?, ?, 'A1', 'demo')"));
    Escritor lin(db);
    lin.preparar(QStringLiteral("INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, TIPODELINHA, ARTIGO,"
                                " DESCR, ARMAZEM, DATA, PRUNIT, QTDORIG, QUANT, LINANU)"
                                " VALUES (?, 1, ?, ?, ?, 1, ?, ?, 'A1', ?, ?, ?, ?, ?)"));
    std::map<std::pair<QString, int>, int> numeros;
    Resumo r;
    for (const Cabecalho& h : cabecalhos) {
        const int ano = h.data.date().year();
        const int numero = ++numeros[{h.tipo, ano}];
        QString req = QStringLiteral(""); // empty, not NULL: the column takes no NULL
        if (h.tipo == QLatin1String("ENW"))
            req = QStringLiteral("WEB-%1").arg(s.entre(100000, 999999));
        else if (s.em(60))
            req = QStringLiteral("REQ %1/%2").arg(s.entre(1, 999)).arg(ano);
        const Cliente& cliente = clientes[static_cast<std::size_t>(h.cliente)];
        cab.executar({h.tipo, numero, ano, dataHora(h.data), cliente.codigo, req, cliente.nif});
        ++r.encomendas;

        const int nLinhas = s.entre(o.linhasMinimas, o.linhasMaximas);
        for (int n = 1; n <= nLinhas; ++n) {
            const Artigo& a = arts[static_cast<std::size_t>(
                artigosActivos[static_cast<std::size_t>(s.entre(0, static_cast<int>(artigosActivos.size()) - 1))])];
            // Whole units; by weight or length, with up to two decimals.
            const std::int64_t pedida = a.unidade == QLatin1String("KG") || a.unidade == QLatin1String("M")
                                            ? std::int64_t{s.entre(100, 25000)} * 100
                                            : std::int64_t{s.entre(1, 60)} * Moeda::Escala;
            std::int64_t pendente = pedida;
            int anulada = 0;
            const int estado = s.entre(0, 99);
            if (estado < 55) {
                // still pending in full
            } else if (estado < 75) {
                // partly delivered: something, but not everything, left
                if (pedida > Moeda::Escala)
                    pendente = Moeda::Escala * s.entre(1, static_cast<int>((pedida - 1) / Moeda::Escala));
            } else if (estado < 90) {
                pendente = 0;
            } else {
                anulada = -1;
            }
            const QDateTime entrega(h.data.date().addDays(s.entre(3, 30)), QTime(0, 0));
            lin.executar({h.tipo, numero, ano, n, a.codigo, a.nome, dataHora(entrega), valor(a.preco), valor(pedida),
                          valor(pendente), anulada});
            ++r.linhas;
        }
    }
    return r;
}

QString nomeLigacaoTemporaria() {
    return QStringLiteral("orlavane-demo-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

/// Makes the tables and the content on a connection opened by `abrir`, and lets it go.
Resumo criarEm(const TextoLigacao& t, const Opcoes& opcoes, bool apagarAntes) {
    const QString nome = nomeLigacaoTemporaria();
    Resumo r;
    try {
        QSqlDatabase db = t.abrir(nome);
        if (apagarAntes)
            Esquema::apagar(db);
        Esquema::criar(db);
        r = preencher(db, opcoes);
        db.close();
    } catch (...) {
        if (QSqlDatabase::contains(nome))
            QSqlDatabase::removeDatabase(nome);
        throw;
    }
    QSqlDatabase::removeDatabase(nome);
    return r;
}

QString posto() {
    const QString p = QSysInfo::machineHostName();
    return p.isEmpty() ? QStringLiteral("posto1") : p;
}

void escreverFicheiros(const QString& pasta, const QString& instancia, const std::array<QString, 4>& bd, Ficheiros& f) {
    f.configuracao = QDir(pasta).absoluteFilePath(QStringLiteral("Orlavane.zeb"));
    f.parametros = QDir(pasta).absoluteFilePath(QStringLiteral("zeb_Parametros_Orlavane.zeb"));
    escreverConfiguracao(f.configuracao, {UtilizadorDemo, PasswordDemo, QStringLiteral("DEMO"), instancia, posto()},
                         bd);
    escreverParametros(f.parametros);
}

void criarPasta(const QString& pasta) {
    if (!QDir().mkpath(pasta))
        throw Erro(Erro::Ficheiro, QStringLiteral("A pasta \"%1\" não pode ser criada.").arg(pasta));
}

} // namespace

Resumo preencher(QSqlDatabase& db, const Opcoes& opcoes) {
    if (!db.transaction())
        throw Erro(Erro::Sql,
                   QStringLiteral("Não foi possível escrever os dados de demonstração: %1").arg(db.lastError().text()));
    Resumo r;
    try {
        Sorteio s(opcoes.semente);
        std::vector<Cliente> clientes;
        tiposEClientes(db, opcoes, s, clientes);
        const std::vector<Artigo> arts = artigos(db, opcoes);
        r = encomendas(db, opcoes, s, clientes, arts);
        r.clientes = static_cast<int>(clientes.size());
        r.artigos = static_cast<int>(arts.size());
        Escritor w(db);
        w.preparar(QStringLiteral(
            "INSERT INTO ErpEmpresas (Codigo, Nome, NumContribuinte, Morada, Localidade) VALUES (?, ?, ?, ?, ?)"));
        w.executar({QStringLiteral("DEMO"), QStringLiteral("Empresa de Demonstração, Lda"), QStringLiteral("509999999"),
                    QStringLiteral("Rua do Comércio, 12"), QStringLiteral("3500-001 Viseu")});
        Esquema::definirUtilizadorErp(db, UtilizadorDemo, PasswordDemo);
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit())
        throw Erro(Erro::Sql,
                   QStringLiteral("Não foi possível escrever os dados de demonstração: %1").arg(db.lastError().text()));
    return r;
}

Ficheiros criarSqlite(const QString& pasta, const Opcoes& opcoes) {
    criarPasta(pasta);
    Ficheiros f;
    f.base = QDir::cleanPath(QDir(pasta).absoluteFilePath(QStringLiteral("demo.db")));
    for (const QString& sufixo :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(f.base + sufixo) && !QFile::remove(f.base + sufixo))
            throw Erro(Erro::Ficheiro,
                       QStringLiteral("O ficheiro \"%1\" não pode ser substituído.").arg(f.base + sufixo));
    }
    {
        // Create the empty file: TextoLigacao refuses to open a missing one.
        QFile vazio(f.base);
        if (!vazio.open(QIODevice::WriteOnly))
            throw Erro(Erro::Ficheiro,
                       QStringLiteral("O ficheiro \"%1\" não pode ser criado: %2").arg(f.base, vazio.errorString()));
    }
    TextoLigacao t;
    t.driver = Dialecto::sqlite().driver();
    t.base = f.base;
    f.resumo = criarEm(t, opcoes, false);

    // Relative to the application folder when it is there, so that the
    // program and its database can move together.
    const bool naAplicacao =
        QDir::cleanPath(QFileInfo(pasta).absoluteFilePath()) ==
        QDir::cleanPath(QFileInfo(Pastas({}, opcoes.pastaAplicacao).pastaAplicacao()).absoluteFilePath());
    escreverFicheiros(
        pasta, t.texto(),
        {QStringLiteral("sqlite"), naAplicacao ? QStringLiteral("demo.db") : f.base, QStringLiteral("demo"), QString()},
        f);
    return f;
}

Ficheiros criarPostgres(const QString& pasta, const QString& textoLigacao, const Opcoes& opcoes) {
    TextoLigacao t = TextoLigacao::analisar(textoLigacao);
    if (&t.dialecto() != &Dialecto::postgres())
        throw Erro(Erro::Configuracao, QStringLiteral("A ligação indicada não é a uma base de dados PostgreSQL."));
    criarPasta(pasta);
    Ficheiros f;
    f.base = t.descricao();
    f.resumo = criarEm(t, opcoes, true);

    // The server as the configuration writes it: host[:port], "[v6]:port".
    QString servidor = t.host.isEmpty() ? QStringLiteral("localhost") : t.host;
    if (t.porta > 0)
        servidor = (servidor.contains(QLatin1Char(':')) ? QLatin1Char('[') + servidor + QLatin1Char(']') : servidor) +
                   QLatin1Char(':') + QString::number(t.porta);
    // The workstation logs in as the demo's operator, never as the
    // administrator who made the database: the ERP's connection as its user
    // (E1, E2), the program's own with the same login.
    t.fornecedor.clear();
    t.utilizador.clear();
    t.password.clear();
    escreverFicheiros(pasta, t.texto(), {servidor, t.base, UtilizadorDemo, PasswordDemo}, f);
    return f;
}

void escreverParametros(const QString& caminho) {
    const QStringList linhas = {
        QStringLiteral("' Orlavane: tipos de documento e séries da empresa de demonstração"),
        QStringLiteral("ENCOMENDAS=ENC,1,ENW,1"),
        QStringLiteral("GUIAS=GR,1,1,A1"),
        QStringLiteral("ENTRADAS=ENT,1,A1,Entrada automática,0"),
    };
    const QByteArray conteudo = paraWindows1252(linhas.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(conteudo) != conteudo.size() || !f.flush())
        throw Erro(
            Erro::Ficheiro,
            QStringLiteral("O ficheiro de parâmetros \"%1\" não pode ser escrito: %2").arg(caminho, f.errorString()));
}

} // namespace Demo
