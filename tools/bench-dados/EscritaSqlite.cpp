// Writing a benchmark base to a SQLite file: prepared statements in one
// transaction, with neither journal nor sync while it is written (a file
// half-written is thrown away, never used), indexes built at the end.

#include "DestinoDados.h"

#include "Erro.h"

#include <QFile>

#include <sqlite3.h>

namespace DadosBench {

namespace {

class Instrucao {
public:
    Instrucao(sqlite3* db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_s, nullptr) != SQLITE_OK)
            falhar(sql);
    }
    ~Instrucao() { sqlite3_finalize(m_s); }
    Q_DISABLE_COPY_MOVE(Instrucao)

    Instrucao& texto(int i, const std::string& v) {
        sqlite3_bind_text(m_s, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        return *this;
    }
    Instrucao& texto(int i, const char* v) {
        sqlite3_bind_text(m_s, i, v, -1, SQLITE_STATIC);
        return *this;
    }
    Instrucao& inteiro(int i, std::int64_t v) {
        sqlite3_bind_int64(m_s, i, v);
        return *this;
    }
    /// A NUMERIC(19,4) value: the column keeps a whole number as an integer
    /// and any other as a double, as it does with the value's text.
    Instrucao& decimal(int i, std::int64_t decimosMilesimos) {
        if (decimosMilesimos % 10000 == 0)
            sqlite3_bind_int64(m_s, i, decimosMilesimos / 10000);
        else
            sqlite3_bind_double(m_s, i, static_cast<double>(decimosMilesimos) / 10000.0);
        return *this;
    }
    void executar() {
        if (sqlite3_step(m_s) != SQLITE_DONE)
            falhar(sqlite3_sql(m_s));
        sqlite3_reset(m_s);
    }

private:
    [[noreturn]] void falhar(const char* sql) {
        throw Erro(Erro::Sql,
                   QStringLiteral("%1: %2").arg(QString::fromUtf8(sql), QString::fromUtf8(sqlite3_errmsg(m_db))));
    }
    sqlite3* m_db;
    sqlite3_stmt* m_s = nullptr;
};

class DestinoSqlite final : public Destino {
public:
    explicit DestinoSqlite(const QString& ficheiro) {
        const QByteArray nome = QFile::encodeName(ficheiro);
        if (sqlite3_open_v2(nome.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK) {
            const QString motivo = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_close(m_db);
            throw Erro(Erro::BaseDadosFechada, QStringLiteral("\"%1\" não abre: %2").arg(ficheiro, motivo));
        }
    }
    ~DestinoSqlite() override {
        m_cliente.reset();
        m_artigo.reset();
        m_cabecalho.reset();
        m_linha.reset();
        sqlite3_close(m_db);
    }
    Q_DISABLE_COPY_MOVE(DestinoSqlite)

    void comecar(const QStringList& tabelas) override {
        executar("PRAGMA journal_mode = OFF");
        executar("PRAGMA synchronous = OFF");
        executar("PRAGMA cache_size = -262144"); // 256 MiB while the indexes are built
        executar("BEGIN");
        for (const QString& sql : tabelas)
            executar(sql.toUtf8().constData());
        m_cliente = std::make_unique<Instrucao>(
            m_db, "INSERT INTO Clientes (Codigo, Nome, NumContribuinte, Morada, Localidade, Inactivo)"
                  " VALUES (?, ?, ?, ?, ?, ?)");
        m_artigo = std::make_unique<Instrucao>(
            m_db,
            "INSERT INTO Artigos (Codigo, Nome, Unidade, PrecoVenda, Armazem, Inactivo) VALUES (?, ?, ?, ?, 'A1', ?)");
        m_cabecalho = std::make_unique<Instrucao>(
            m_db, "INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, TIPOTERCEIRO, VNUMDOC, AREAGESTAO,"
                  " NUMCONTRIBUINTE, ARMAZEM, UTILIZADOR) VALUES (?, ?, ?, ?, ?, ?, 2, ?, 4, ?, 'A1', 'erp')");
        m_linha = std::make_unique<Instrucao>(
            m_db, "INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, TIPODELINHA, ARTIGO, DESCR, ARMAZEM,"
                  " DATA, PRUNIT, QTDORIG, QUANT, LINANU) VALUES (?, ?, ?, ?, ?, 1, ?, ?, 'A1', ?, ?, ?, ?, ?)");
    }

    void tipoDocumento(const char* codigo, const char* descricao, int tpdsaft) override {
        Instrucao i(m_db, "INSERT INTO TpDoc (Codigo, Descricao, TPDSAFT) VALUES (?, ?, ?)");
        i.texto(1, codigo).texto(2, descricao).inteiro(3, tpdsaft).executar();
    }
    void serie(const char* tipo, int serie, const char* descricao, int origem) override {
        Instrucao i(m_db, "INSERT INTO NOMSERIE (TipoDoc, Serie, Descricao, Origem) VALUES (?, ?, ?, ?)");
        i.texto(1, tipo).inteiro(2, serie).texto(3, descricao).inteiro(4, origem).executar();
    }
    void empresa(const char* codigo, const char* nome) override {
        Instrucao i(m_db, "INSERT INTO ErpEmpresas (Codigo, Nome) VALUES (?, ?)");
        i.texto(1, codigo).texto(2, nome).executar();
    }
    void cliente(const LinhaCliente& c) override {
        m_cliente->texto(1, c.codigo)
            .texto(2, c.nome)
            .texto(3, c.nif)
            .texto(4, c.morada)
            .texto(5, c.localidade)
            .inteiro(6, c.inactivo)
            .executar();
    }
    void artigo(const LinhaArtigo& a) override {
        m_artigo->texto(1, a.codigo)
            .texto(2, a.nome)
            .texto(3, a.unidade)
            .decimal(4, a.preco)
            .inteiro(5, a.inactivo)
            .executar();
    }
    void cabecalho(const LinhaCabecalho& c) override {
        m_cabecalho->texto(1, c.tipo)
            .inteiro(2, c.serie)
            .inteiro(3, c.numero)
            .inteiro(4, c.ano)
            .texto(5, c.data)
            .texto(6, c.terceiro)
            .texto(7, c.vnumdoc)
            .texto(8, c.nif)
            .executar();
    }
    void linha(const LinhaDocumento& l) override {
        m_linha->texto(1, *l.tipo)
            .inteiro(2, l.serie)
            .inteiro(3, l.numero)
            .inteiro(4, l.ano)
            .inteiro(5, l.numLinha)
            .texto(6, *l.artigo)
            .texto(7, *l.descricao)
            .texto(8, *l.data)
            .decimal(9, l.preco)
            .decimal(10, l.pedida)
            .decimal(11, l.pendente)
            .inteiro(12, l.anulada)
            .executar();
    }

    void terminar(const QStringList& indices) override {
        m_cliente.reset();
        m_artigo.reset();
        m_cabecalho.reset();
        m_linha.reset();
        for (const QString& sql : indices)
            executar(sql.toUtf8().constData());
        executar("COMMIT");
        // The planner's statistics, as a company database in use has them.
        executar("ANALYZE");
        // Back to the engine's defaults for the program that will use it.
        executar("PRAGMA journal_mode = DELETE");
    }

private:
    void executar(const char* sql) {
        char* erro = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &erro) != SQLITE_OK) {
            const QString texto = QString::fromUtf8(erro ? erro : sqlite3_errmsg(m_db));
            sqlite3_free(erro);
            throw Erro(Erro::Sql, QStringLiteral("%1: %2").arg(QString::fromUtf8(sql), texto));
        }
    }

    sqlite3* m_db = nullptr;
    std::unique_ptr<Instrucao> m_cliente, m_artigo, m_cabecalho, m_linha;
};

} // namespace

std::unique_ptr<Destino> destinoSqlite(const QString& ficheiro) {
    return std::make_unique<DestinoSqlite>(ficheiro);
}

} // namespace DadosBench
