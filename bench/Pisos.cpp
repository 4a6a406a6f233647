#include "Pisos.h"

#include "DadosBench.h"
#include "Erro.h"

#include <QFile>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstring>

namespace Bench {

namespace {

[[noreturn]] void falharSqlite(sqlite3* db, const char* onde) {
    throw Erro(Erro::Sql, QStringLiteral("%1: %2").arg(QString::fromUtf8(onde), QString::fromUtf8(sqlite3_errmsg(db))));
}

/// A prepared statement, finalized when it goes.
class Preparada {
public:
    Preparada(sqlite3* db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_s, nullptr) != SQLITE_OK)
            falharSqlite(db, sql);
    }
    ~Preparada() { sqlite3_finalize(m_s); }
    Preparada(const Preparada&) = delete;
    Preparada& operator=(const Preparada&) = delete;
    sqlite3_stmt* s() const { return m_s; }
    /// Binds values in order (texts, whole numbers, decimals in ten-thousandths as doubles).
    Preparada& texto(int i, const std::string& v) {
        sqlite3_bind_text(m_s, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        return *this;
    }
    Preparada& inteiro(int i, std::int64_t v) {
        sqlite3_bind_int64(m_s, i, v);
        return *this;
    }
    Preparada& decimal(int i, std::int64_t decimosMilesimos) {
        sqlite3_bind_double(m_s, i, static_cast<double>(decimosMilesimos) / 10000.0);
        return *this;
    }
    void executar() {
        if (sqlite3_step(m_s) != SQLITE_DONE)
            falharSqlite(m_db, sqlite3_sql(m_s));
        sqlite3_reset(m_s);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_s = nullptr;
};

void executar(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        falharSqlite(db, sql);
}

} // namespace

QStringList tiposEncomenda() {
    return {QStringLiteral("ENC"), QStringLiteral("1"), QStringLiteral("ENW"), QStringLiteral("1")};
}

Instrucao instrucaoCarga(const QString& cliente) {
    return instrucaoEncomendas(tiposEncomenda(), FiltrosCarga{cliente, {}, {}, {}});
}

// ---------------------------------------------------------------------------

PisoSqlite::PisoSqlite(const QString& ficheiro) {
    if (sqlite3_open_v2(QFile::encodeName(ficheiro).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString motivo = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        throw Erro(Erro::BaseDadosFechada, QStringLiteral("%1: %2").arg(ficheiro, motivo));
    }
    sqlite3_busy_timeout(m_db, 10000);
}

namespace {

/// The statement's values: text as UTF-8, everything else as an integer.
void ligarParametros(sqlite3_stmt* s, const QVariantList& valores) {
    int i = 0;
    for (const QVariant& v : valores) {
        ++i;
        if (v.typeId() == QMetaType::QString) {
            const QByteArray texto = v.toString().toUtf8();
            sqlite3_bind_text(s, i, texto.constData(), static_cast<int>(texto.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_int64(s, i, v.toLongLong());
        }
    }
}

} // namespace

PisoSqlite::~PisoSqlite() {
    sqlite3_close(m_db);
}

Leitura PisoSqlite::consulta(const Instrucao& instrucao, int maximo) {
    const QByteArray sql = instrucao.sql.toUtf8();
    Preparada p(m_db, sql.constData());
    ligarParametros(p.s(), instrucao.parametros);
    Leitura r;
    const int colunas = sqlite3_column_count(p.s());
    while ((maximo < 0 || r.linhas < maximo) && sqlite3_step(p.s()) == SQLITE_ROW) {
        ++r.linhas;
        for (int c = 0; c < colunas; ++c) {
            switch (sqlite3_column_type(p.s(), c)) {
            case SQLITE_INTEGER:
                r.soma += static_cast<std::uint64_t>(sqlite3_column_int64(p.s(), c));
                break;
            case SQLITE_FLOAT:
                r.soma += static_cast<std::uint64_t>(sqlite3_column_double(p.s(), c));
                break;
            case SQLITE_NULL:
                break;
            default: {
                const unsigned char* t = sqlite3_column_text(p.s(), c);
                const int n = sqlite3_column_bytes(p.s(), c);
                r.soma += static_cast<std::uint64_t>(n) + (n > 0 ? t[0] : 0u);
                break;
            }
            }
        }
    }
    return r;
}

QStringList PisoSqlite::plano(const Instrucao& instrucao) {
    const QByteArray sql = QByteArrayLiteral("EXPLAIN QUERY PLAN ") + instrucao.sql.toUtf8();
    Preparada p(m_db, sql.constData());
    ligarParametros(p.s(), instrucao.parametros);
    QStringList r;
    // id, parent, notused, detail
    while (sqlite3_step(p.s()) == SQLITE_ROW)
        r << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(p.s(), 3)));
    return r;
}

std::vector<LinhaPiso> PisoSqlite::linhasPendentes(const QString& cliente, int n) {
    const Instrucao ins = instrucaoCarga(cliente);
    const QByteArray sql = ins.sql.toUtf8();
    Preparada p(m_db, sql.constData());
    ligarParametros(p.s(), ins.parametros);
    auto texto = [&](int c) { return std::string(reinterpret_cast<const char*>(sqlite3_column_text(p.s(), c))); };
    auto decimal = [&](int c) { return static_cast<std::int64_t>(sqlite3_column_double(p.s(), c) * 10000.0 + 0.5); };
    std::vector<LinhaPiso> r;
    // TPDOCUM, NNUMDOC, ARTIGO, DESCR, PRUNIT, QUANT, SERIE, ANO, DATA, VNUMDOC, QTDORIG, NUMLINHA, ...
    while (static_cast<int>(r.size()) < n && sqlite3_step(p.s()) == SQLITE_ROW) {
        LinhaPiso l;
        l.tipo = texto(0);
        l.numero = sqlite3_column_int(p.s(), 1);
        l.artigo = texto(2);
        l.descricao = texto(3);
        l.preco = decimal(4);
        l.quantidade = decimal(5);
        l.serie = sqlite3_column_int(p.s(), 6);
        l.ano = sqlite3_column_int(p.s(), 7);
        l.linha = sqlite3_column_int(p.s(), 11);
        r.push_back(std::move(l));
    }
    return r;
}

void PisoSqlite::guia(const std::vector<LinhaPiso>& linhas, int numero) {
    // As the local ERP stores them: the same columns, the same conditional update.
    const std::string data = "2024-12-31 00:00:00", vazio, armazem = "A1",
                      cliente = DadosBench::ClienteGrande.toStdString();
    executar(m_db, "BEGIN IMMEDIATE");
    try {
        Preparada cab(m_db,
                      "INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, TIPOTERCEIRO, VNUMDOC,"
                      " AREAGESTAO, SECTOR, TIPOPRECO, NUMCONTRIBUINTE, DESCONTOCAB, PROCESSO, MEIOTRANSPORTE,"
                      " MATRICULA, LOCALCARGA, LOCALDESCARGA, ARMAZEM, OBSERVACOES, MODOGRAVACAO, UTILIZADOR,"
                      " POSTO, DOCRELACIONADO, ANULADO)"
                      " VALUES (?, 99, ?, 2024, ?, ?, ?, '', 4, ?, 0, '', 0, '', '', '', '', '', ?, ?, ?, 'bench',"
                      " 'bench', ?, 0)");
        Preparada lin(m_db, "INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, TIPODELINHA, ARTIGO, DESCR,"
                            " ARMAZEM, DATA, PRUNIT, QTDORIG, QUANT, LINANU, ORDOC, ORANO, ORNUM, ORSERIE,"
                            " LINHAORIGINAL) VALUES (?, 99, ?, 2024, ?, 1, ?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?)");
        Preparada satisfazer(m_db, "UPDATE DOCGCLIN SET QUANT = (ROUND(QUANT * 10000) - ?) / 10000.0"
                                   " WHERE TPDOCUM = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ? AND NUMLINHA = ?"
                                   " AND LINANU <> -1 AND ROUND(QUANT * 10000) >= ?");
        // The entry: no client, no origins.
        cab.texto(1, "ENT").inteiro(2, numero).texto(3, data).texto(4, vazio).inteiro(5, 0).texto(6, vazio);
        cab.texto(7, armazem).texto(8, "Entrada").inteiro(9, 0).texto(10, vazio).executar();
        int n = 0;
        for (const LinhaPiso& l : linhas) {
            lin.texto(1, "ENT").inteiro(2, numero).inteiro(3, ++n).texto(4, l.artigo).texto(5, l.descricao);
            lin.texto(6, armazem).texto(7, data).decimal(8, l.preco).decimal(9, l.quantidade).decimal(10, l.quantidade);
            for (int c = 11; c <= 15; ++c)
                sqlite3_bind_null(lin.s(), c);
            lin.executar();
        }
        // The Guia: the client, each line pointing at its order line.
        cab.texto(1, "GR").inteiro(2, numero).texto(3, data).texto(4, cliente).inteiro(5, 2).texto(6, "1");
        cab.texto(7, vazio).texto(8, vazio).inteiro(9, 2).texto(10, "ENT/99").executar();
        n = 0;
        for (const LinhaPiso& l : linhas) {
            lin.texto(1, "GR").inteiro(2, numero).inteiro(3, ++n).texto(4, l.artigo).texto(5, l.descricao);
            lin.texto(6, armazem).texto(7, data).decimal(8, l.preco).decimal(9, l.quantidade).decimal(10, l.quantidade);
            lin.texto(11, l.tipo).inteiro(12, l.ano).inteiro(13, l.numero).inteiro(14, l.serie).inteiro(15, l.linha);
            lin.executar();
        }
        for (const LinhaPiso& l : linhas) {
            satisfazer.inteiro(1, 0).texto(2, l.tipo).inteiro(3, l.serie).inteiro(4, l.numero).inteiro(5, l.ano);
            satisfazer.inteiro(6, l.linha).inteiro(7, 0).executar();
            if (sqlite3_changes(m_db) != 1)
                throw Erro(Erro::Sql, QStringLiteral("A linha de encomenda do piso não foi actualizada."));
        }
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    executar(m_db, "COMMIT");
}

// ---------------------------------------------------------------------------

PisoPostgres::PisoPostgres(const QString& ligacao) : m_c(PQconnectdb(ligacao.toUtf8().constData())) {
    if (PQstatus(m_c) != CONNECTION_OK) {
        const QString motivo = QString::fromUtf8(PQerrorMessage(m_c)).trimmed();
        PQfinish(m_c);
        m_c = nullptr;
        throw Erro(Erro::BaseDadosFechada, motivo);
    }
}

PisoPostgres::~PisoPostgres() {
    PQfinish(m_c);
}

namespace {

/// The statement with "?" placeholders as $1, $2... (it has no "?" of its own), run with its values as text.
PGresult* executarPg(pg_conn* c, const QString& prefixo, const Instrucao& instrucao) {
    QString sql = prefixo;
    int n = 0;
    for (const QChar ch : instrucao.sql)
        sql += ch == QLatin1Char('?') ? QStringLiteral("$%1").arg(++n) : QString(ch);
    std::vector<QByteArray> valores;
    std::vector<const char*> ponteiros;
    for (const QVariant& v : instrucao.parametros)
        valores.push_back(v.toString().toUtf8());
    for (const QByteArray& v : valores)
        ponteiros.push_back(v.constData());
    PGresult* r = PQexecParams(c, sql.toUtf8().constData(), static_cast<int>(ponteiros.size()), nullptr,
                               ponteiros.data(), nullptr, nullptr, 0);
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        const QString motivo = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
        PQclear(r);
        throw Erro(Erro::Sql, motivo);
    }
    return r;
}

} // namespace

QStringList PisoPostgres::plano(const Instrucao& instrucao) {
    PGresult* r = executarPg(m_c, QStringLiteral("EXPLAIN "), instrucao);
    QStringList linhas;
    for (int i = 0; i < PQntuples(r); ++i)
        linhas << QString::fromUtf8(PQgetvalue(r, i, 0));
    PQclear(r);
    return linhas;
}

Leitura PisoPostgres::consulta(const Instrucao& instrucao) {
    PGresult* r = executarPg(m_c, QString(), instrucao);
    Leitura l;
    const int linhas = PQntuples(r), colunas = PQnfields(r);
    for (int i = 0; i < linhas; ++i) {
        for (int c = 0; c < colunas; ++c) {
            const int tamanho = PQgetlength(r, i, c);
            l.soma += static_cast<std::uint64_t>(tamanho) +
                      (tamanho > 0 ? static_cast<unsigned char>(PQgetvalue(r, i, c)[0]) : 0u);
        }
    }
    l.linhas = linhas;
    PQclear(r);
    return l;
}

} // namespace Bench
