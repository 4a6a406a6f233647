#include "ErpLocalServidor.h"

#include "Dialecto.h"
#include "Erro.h"
#include "FalhaBd.h"
#include "LigacaoBd.h"

#include <QSqlDriver>

#include <libpq-fe.h>

#include <memory>
#include <poll.h>
#include <vector>

namespace ErpServidor {

namespace {

/// The libpq connection of Qt's driver, when the driver runs on the libpq
/// this program calls: a statement then goes in one round trip (Qt's
/// driver prepares, runs and releases each statement in three).
PGconn* conexao(const QSqlDatabase& db) {
    if (!db.isOpen() || !db.driver() || !Dialecto::postgres().leituraDirecta())
        return nullptr;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "pg_conn*") != 0)
        return nullptr;
    return *static_cast<PGconn* const*>(h.constData());
}

struct LibertarResultado {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Resultado = std::unique_ptr<PGresult, LibertarResultado>;

/// "?" placeholders as libpq's $1, $2 ... (outside quoted texts).
QByteArray comParametros(const QString& sql) {
    QString r;
    r.reserve(sql.size() + 16);
    int n = 0;
    bool citado = false;
    for (const QChar c : sql) {
        if (c == QLatin1Char('\''))
            citado = !citado;
        if (c == QLatin1Char('?') && !citado)
            r += QLatin1Char('$') + QString::number(++n);
        else
            r += c;
    }
    return r.toUtf8();
}

/// A value as libpq's text; nothing for SQL NULL.
std::optional<QByteArray> textoDe(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return v.userType() == QMetaType::QString ? std::optional<QByteArray>(QByteArray("")) : std::nullopt;
    if (v.userType() == qMetaTypeId<Moeda>())
        return v.value<Moeda>().paraTextoC().toLatin1();
    if (v.userType() == QMetaType::Bool)
        return QByteArray(v.toBool() ? "true" : "false");
    return v.toString().toUtf8();
}

/// A column's value as Qt's driver would give it (amounts as exact text).
QVariant valorDe(const PGresult* r, int linha, int coluna) {
    const Oid tipo = PQftype(r, coluna);
    if (PQgetisnull(r, linha, coluna))
        return QVariant();
    const char* t = PQgetvalue(r, linha, coluna);
    switch (tipo) {
    case 16: // bool
        return QVariant(t[0] == 't');
    case 20: // int8
        return QVariant(QByteArray(t).toLongLong());
    case 21: // int2
    case 23: // int4
        return QVariant(QByteArray(t).toInt());
    default:
        return QVariant(QString::fromUtf8(t, PQgetlength(r, linha, coluna)));
    }
}

/// The failure of a statement (or of the connection under it) as the
/// operator is told it, of its class (FalhaBd).
Erro erroDe(PGconn* c, const PGresult* r) {
    const char* estado = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const char* primaria = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    QString texto = QString::fromUtf8(primaria ? primaria : PQerrorMessage(c)).trimmed();
    if (texto.isEmpty())
        texto = QStringLiteral("A base de dados falhou sem indicar o motivo.");
    int classe = estado ? FalhaBd::classePostgres(QString::fromLatin1(estado)) : 0;
    if (!classe && (!estado || PQstatus(c) == CONNECTION_BAD))
        classe = Erro::LigacaoPerdida;
    return FalhaBd::erro(classe, Erro::Sql, texto);
}

/// The parameters of a statement, kept while it runs.
struct Parametros {
    std::vector<std::optional<QByteArray>> textos;
    std::vector<const char*> ponteiros;

    explicit Parametros(const QVariantList& valores) {
        textos.reserve(static_cast<size_t>(valores.size()));
        for (const QVariant& v : valores)
            textos.push_back(textoDe(v));
        for (const auto& t : textos)
            ponteiros.push_back(t ? t->constData() : nullptr);
    }
    int n() const { return static_cast<int>(ponteiros.size()); }
};

/// Sends a statement; false when nothing could be sent (the connection was
/// already broken: nothing of it reached the server).
bool enviar(PGconn* c, const QByteArray& sql, const Parametros& p) {
    return PQsendQueryParams(c, sql.constData(), p.n(), nullptr, p.ponteiros.data(), nullptr, nullptr, 0) == 1;
}

/// Waits for the statement's answer; raises Erro when it failed.
Resultado receber(PGconn* c) {
    Resultado primeiro;
    while (PGresult* r = PQgetResult(c)) {
        if (!primeiro)
            primeiro.reset(r);
        else
            PQclear(r);
    }
    const ExecStatusType e = primeiro ? PQresultStatus(primeiro.get()) : PGRES_FATAL_ERROR;
    if (e != PGRES_TUPLES_OK && e != PGRES_COMMAND_OK)
        throw erroDe(c, primeiro.get());
    return primeiro;
}

/// The session's connection, ready for a statement: one the server dropped
/// while idle (its restart, an administrator) shows now, without a round
/// trip, and is opened again.
PGconn* pronta(QSqlDatabase db) {
    PGconn* c = conexao(db);
    if (c) {
        // What the server sent meanwhile (the reason it ends the session,
        // then the end itself) is read as long as there is some.
        for (int i = 0; i < 4 && PQstatus(c) != CONNECTION_BAD; ++i) {
            pollfd p{PQsocket(c), POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0 || !PQconsumeInput(c))
                break;
        }
        if (PQstatus(c) != CONNECTION_BAD)
            return c;
    }
    ErpBd::reabrir(db);
    c = conexao(db);
    if (!c)
        throw Erro(Erro::BaseDadosFechada, QStringLiteral("A ligação à base de dados está fechada."));
    return c;
}

/// A row of a result.
QVariantList linhaDe(const PGresult* r, int linha) {
    QVariantList v;
    v.reserve(PQnfields(r));
    for (int i = 0; i < PQnfields(r); ++i)
        v << valorDe(r, linha, i);
    return v;
}

/// The first row of a result (nothing when it has none).
QVariantList linhaDe(const PGresult* r) {
    return PQntuples(r) > 0 ? linhaDe(r, 0) : QVariantList();
}

/// The result of a query sent on the driver's connection; nothing when
/// that connection cannot be used from here.
std::optional<Resultado> consultar(const QSqlDatabase& db, const QString& sql, const QVariantList& valores) {
    PGconn* c = conexao(db);
    if (!c)
        return std::nullopt;
    if (!enviar(c, comParametros(sql), Parametros(valores)))
        throw erroDe(c, nullptr);
    return receber(c);
}

/// Whether a store's answer (its last column the refusal) says it stored.
bool guardou(const QVariantList& linha) {
    return !linha.isEmpty() && linha.constLast().isNull();
}

/// The hooks of a test that strike inside the store's transaction.
void noMeio(NucleoErp& n, const QString& operacao, const QVariantList& linha) {
    // A refusal leaves nothing to keep: the hooks are for what was written.
    if (!guardou(linha))
        return;
    if (n.accaoNoMeio)
        n.accaoNoMeio(operacao);
    n.falhas.verificar(operacao + QStringLiteral(":meio"));
}

/// Runs a store through Qt's driver, when its connection cannot be used
/// from here (three round trips instead of one).
QVariantList correrPeloQt(NucleoErp& n, const QString& operacao, const QString& sql, const QVariantList& valores,
                          bool transaccao) {
    QSqlDatabase db = n.db();
    if (!db.isOpen())
        ErpBd::reabrir(db);
    if (!transaccao) {
        if (n.accaoEmCurso)
            n.accaoEmCurso(operacao);
        return ErpBd::primeiraLinha(db, sql, valores).value_or(QVariantList());
    }
    ErpBd::Transaccao t(db);
    const QVariantList linha = ErpBd::primeiraLinha(db, sql, valores).value_or(QVariantList());
    noMeio(n, operacao, linha);
    t.confirmar();
    return linha;
}

/// Runs a store of the session with its hooks: inside a transaction of its
/// own when a test asks to strike there, else alone. Its answer's first row.
QVariantList correrLoja(NucleoErp& n, const QString& operacao, const QString& sql, const QVariantList& valores) {
    const bool transaccao = bool(n.accaoNoMeio) || n.falhas.armada(operacao + QStringLiteral(":meio"));
    QSqlDatabase db = n.db();
    if (!Dialecto::postgres().leituraDirecta())
        return correrPeloQt(n, operacao, sql, valores, transaccao);
    PGconn* c = pronta(db);
    const QByteArray texto = comParametros(sql);
    const Parametros p(valores);
    if (!transaccao) {
        if (!enviar(c, texto, p)) {
            // Nothing reached the server: the connection is opened again once.
            ErpBd::reabrir(db);
            c = pronta(db);
            if (!enviar(c, texto, p))
                throw erroDe(c, nullptr);
        }
        if (n.accaoEmCurso)
            n.accaoEmCurso(operacao);
        return linhaDe(receber(c).get());
    }
    auto comando = [&](const char* t) {
        if (!enviar(c, t, Parametros({})))
            throw erroDe(c, nullptr);
        receber(c);
    };
    comando("BEGIN");
    QVariantList linha;
    try {
        if (!enviar(c, texto, p))
            throw erroDe(c, nullptr);
        linha = linhaDe(receber(c).get());
        noMeio(n, operacao, linha);
    } catch (...) {
        if (PQstatus(c) != CONNECTION_BAD)
            Resultado fim(PQexec(c, "ROLLBACK"));
        throw;
    }
    comando("COMMIT");
    return linha;
}

/// The refusal a store answered with, raised; nothing when it stored.
void recusaDe(const QVariantList& linha) {
    if (linha.isEmpty())
        throw Erro(Erro::Sql, QStringLiteral("O servidor não respondeu como o ERP espera."));
    if (!guardou(linha))
        throw Recusa{linha.constLast().toString()};
}

/// The document as the server's stores take it: the columns of DOCGCCAB and
/// DOCGCLIN by name, in one JSON value.
class DocumentoJson {
public:
    void abrir(char c) {
        virgula();
        m_t += c;
        m_primeiro = true;
    }
    void fechar(char c) {
        m_t += c;
        m_primeiro = false;
    }
    void chave(const char* nome) {
        virgula();
        m_t += '"';
        m_t += nome;
        m_t += "\":";
        m_primeiro = true;
    }
    void texto(const char* nome, const QString& v) {
        chave(nome);
        m_t += '"';
        for (const char c : v.toUtf8()) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                m_t += '\\';
                m_t += c;
            } else if (u < 0x20) {
                static const char hex[] = "0123456789abcdef";
                m_t += "\\u00";
                m_t += hex[u >> 4];
                m_t += hex[u & 15];
            } else {
                m_t += c;
            }
        }
        m_t += '"';
        m_primeiro = false;
    }
    void inteiro(const char* nome, qint64 v) {
        chave(nome);
        m_t += QByteArray::number(v);
        m_primeiro = false;
    }
    void valor(const char* nome, Moeda v) {
        chave(nome);
        m_t += '"';
        m_t += v.paraTextoC().toLatin1();
        m_t += '"';
        m_primeiro = false;
    }
    void nulo(const char* nome) {
        chave(nome);
        m_t += "null";
        m_primeiro = false;
    }
    QByteArray tirar() { return std::move(m_t); }

private:
    void virgula() {
        if (!m_primeiro)
            m_t += ',';
    }
    QByteArray m_t;
    bool m_primeiro = true;
};

QByteArray documento(const CabecalhoGravar& cab, const std::vector<LinhaGravar>& linhas, const NucleoErp& n) {
    DocumentoJson j;
    j.abrir('{');
    j.chave("cab");
    j.abrir('{');
    j.texto("tpdoc", cab.tipo);
    j.inteiro("serie", cab.serie);
    j.inteiro("ano", cab.ano);
    j.texto("data", ErpBd::textoData(cab.data));
    j.texto("terceiro", cab.terceiro);
    j.inteiro("tipoterceiro", cab.tipoTerceiro);
    j.texto("vnumdoc", cab.vossoNumero);
    j.inteiro("areagestao", cab.areaGestao);
    j.texto("sector", cab.sector);
    j.inteiro("tipopreco", cab.tipoPreco);
    j.texto("numcontribuinte", cab.contribuinte);
    j.valor("descontocab", cab.desconto);
    j.texto("processo", cab.processo);
    j.texto("meiotransporte", cab.meioTransporte);
    j.texto("matricula", cab.matricula);
    j.texto("localcarga", cab.localCarga);
    j.texto("localdescarga", cab.localDescarga);
    j.texto("armazem", cab.armazem);
    j.texto("observacoes", cab.observacoes);
    j.inteiro("modogravacao", cab.modo);
    j.texto("posto", n.posto);
    j.texto("docrelacionado", cab.relacionado);
    j.fechar('}');
    j.chave("linhas");
    j.abrir('[');
    for (const LinhaGravar& l : linhas) {
        j.abrir('{');
        j.inteiro("tipodelinha", l.tipoLinha);
        j.texto("artigo", l.artigo);
        j.texto("descr", l.descricao);
        j.texto("armazem", l.armazem);
        j.valor("prunit", l.preco);
        j.valor("qtdorig", l.quantidadeOrigem);
        j.valor("quant", l.quantidade);
        if (l.origem) {
            j.texto("ordoc", l.origem->tipo);
            j.inteiro("orano", l.origem->ano);
            j.inteiro("ornum", l.origem->numero);
            j.inteiro("orserie", l.origem->serie);
            j.inteiro("linhaoriginal", l.origem->linha);
        } else {
            for (const char* c : {"ordoc", "orano", "ornum", "orserie", "linhaoriginal"})
                j.nulo(c);
        }
        j.fechar('}');
    }
    j.fechar(']');
    j.fechar('}');
    return j.tirar();
}

} // namespace

bool noServidor(const QSqlDatabase& db) {
    return Dialecto::de(db).servidor();
}

std::optional<std::optional<QVariantList>> primeiraLinha(const QSqlDatabase& db, const QString& sql,
                                                         const QVariantList& valores) {
    const std::optional<Resultado> r = consultar(db, sql, valores);
    if (!r)
        return std::nullopt;
    std::optional<QVariantList> linha;
    if (PQntuples(r->get()) > 0)
        linha = linhaDe(r->get(), 0);
    return linha;
}

std::optional<std::vector<QVariantList>> linhas(const QSqlDatabase& db, const QString& sql,
                                                const QVariantList& valores) {
    const std::optional<Resultado> r = consultar(db, sql, valores);
    if (!r)
        return std::nullopt;
    std::vector<QVariantList> v;
    v.reserve(static_cast<size_t>(PQntuples(r->get())));
    for (int i = 0; i < PQntuples(r->get()); ++i)
        v.push_back(linhaDe(r->get(), i));
    return v;
}

QVariantList chamar(NucleoErp& n, const QString& operacao, const QString& sql, const QVariantList& valores) {
    const QVariantList r = correrLoja(n, operacao, sql, valores);
    recusaDe(r);
    return r;
}

qint32 gravar(NucleoErp& n, const QString& operacao, const CabecalhoGravar& cab,
              const std::vector<LinhaGravar>& linhas) {
    const QString sql = operacao == QLatin1String("GravaDocumento")
                            ? QStringLiteral("SELECT numero, recusa FROM erp_grava_documento(?)")
                            : QStringLiteral("SELECT numero, recusa FROM erp_cria_documento_entrada(?)");
    return chamar(n, operacao, sql, {QString::fromUtf8(documento(cab, linhas, n))}).constFirst().toInt();
}

void anular(NucleoErp& n, const QString& tipo, int serie, qint32 numero, int ano, const QString& motivo) {
    chamar(n, QStringLiteral("AnulaDocumento"),
           QStringLiteral("SELECT recusa FROM erp_anula_documento(?, ?, ?, ?, ?, ?)"),
           {tipo, serie, numero, ano, n.posto, motivo});
}

} // namespace ErpServidor
