// Writing a benchmark base to PostgreSQL: one COPY per table, indexes and
// statistics at the end.

#include "DestinoDados.h"

#include "Erro.h"

#include <libpq-fe.h>

namespace DadosBench {

namespace {

class DestinoPostgres final : public Destino {
public:
    explicit DestinoPostgres(const QString& ligacao) : m_c(PQconnectdb(ligacao.toUtf8().constData())) {
        if (PQstatus(m_c) != CONNECTION_OK)
            falhar(QStringLiteral("Ligação ao PostgreSQL"));
    }
    ~DestinoPostgres() override { PQfinish(m_c); }
    Q_DISABLE_COPY_MOVE(DestinoPostgres)

    void comecar(const QStringList& tabelas) override {
        executar("SET client_min_messages = warning");
        for (const QString& sql : tabelas)
            executar(sql.toUtf8().constData());
    }
    void tipoDocumento(const char* codigo, const char* descricao, int tpdsaft) override {
        copiar("TpDoc (Codigo, Descricao, TPDSAFT)");
        campo(codigo).campo(descricao).campo(tpdsaft).fimLinha();
    }
    void serie(const char* tipo, int serie, const char* descricao, int origem) override {
        copiar("NOMSERIE (TipoDoc, Serie, Descricao, Origem)");
        campo(tipo).campo(serie).campo(descricao).campo(origem).fimLinha();
    }
    void empresa(const char* codigo, const char* nome) override {
        copiar("ErpEmpresas (Codigo, Nome)");
        campo(codigo).campo(nome).fimLinha();
    }
    void cliente(const LinhaCliente& c) override {
        copiar("Clientes (Codigo, Nome, NumContribuinte, Morada, Localidade, Inactivo)");
        campo(c.codigo).campo(c.nome).campo(c.nif).campo(c.morada).campo(c.localidade).campo(c.inactivo).fimLinha();
    }
    void artigo(const LinhaArtigo& a) override {
        copiar("Artigos (Codigo, Nome, Unidade, PrecoVenda, Armazem, Inactivo)");
        campo(a.codigo)
            .campo(a.nome)
            .campo(a.unidade)
            .campo(textoDecimal(a.preco))
            .campo("A1")
            .campo(a.inactivo)
            .fimLinha();
    }
    void cabecalho(const LinhaCabecalho& c) override {
        copiar("DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, TIPOTERCEIRO, VNUMDOC, AREAGESTAO,"
               " NUMCONTRIBUINTE, ARMAZEM, UTILIZADOR)");
        campo(c.tipo).campo(c.serie).campo(c.numero).campo(c.ano).campo(c.data).campo(c.terceiro).campo(2);
        campo(c.vnumdoc).campo(4).campo(c.nif).campo("A1").campo("erp").fimLinha();
    }
    void linha(const LinhaDocumento& l) override {
        copiar("DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, TIPODELINHA, ARTIGO, DESCR, ARMAZEM, DATA, PRUNIT,"
               " QTDORIG, QUANT, LINANU)");
        campo(*l.tipo).campo(l.serie).campo(l.numero).campo(l.ano).campo(l.numLinha).campo(1).campo(*l.artigo);
        campo(*l.descricao).campo("A1").campo(*l.data).campo(textoDecimal(l.preco)).campo(textoDecimal(l.pedida));
        campo(textoDecimal(l.pendente)).campo(l.anulada).fimLinha();
    }
    void terminar(const QStringList& indices) override {
        acabarCopia();
        for (const QString& sql : indices)
            executar(sql.toUtf8().constData());
        // As a working database is: vacuumed (the first reads of freshly
        // copied rows would otherwise write every page again to mark its rows
        // committed) and checkpointed (the copy's pages written out now, not
        // by the server in the background while the figures are measured).
        executar("VACUUM ANALYZE");
        executar("CHECKPOINT");
    }

private:
    /// Starts the COPY of a table unless it is the one being copied.
    void copiar(const char* tabela) {
        if (m_tabela == tabela)
            return;
        acabarCopia();
        const std::string sql = std::string("COPY ") + tabela + " FROM STDIN";
        PGresult* r = PQexec(m_c, sql.c_str());
        const bool ok = PQresultStatus(r) == PGRES_COPY_IN;
        PQclear(r);
        if (!ok)
            falhar(QString::fromStdString(sql));
        m_tabela = tabela;
    }
    void acabarCopia() {
        if (m_tabela.empty())
            return;
        enviar();
        if (PQputCopyEnd(m_c, nullptr) != 1)
            falhar(QStringLiteral("COPY"));
        PGresult* r = PQgetResult(m_c);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        while ((r = PQgetResult(m_c)))
            PQclear(r);
        if (!ok)
            falhar(QStringLiteral("COPY %1").arg(QString::fromStdString(m_tabela)));
        m_tabela.clear();
    }
    DestinoPostgres& campo(const std::string& v) { return campo(v.c_str()); }
    DestinoPostgres& campo(const char* v) {
        if (!m_inicioLinha)
            m_buffer += '\t';
        m_inicioLinha = false;
        // COPY's text format: backslash, tab and line breaks escaped.
        for (const char* p = v; *p; ++p) {
            switch (*p) {
            case '\\':
                m_buffer += "\\\\";
                break;
            case '\t':
                m_buffer += "\\t";
                break;
            case '\n':
                m_buffer += "\\n";
                break;
            case '\r':
                m_buffer += "\\r";
                break;
            default:
                m_buffer += *p;
            }
        }
        return *this;
    }
    DestinoPostgres& campo(std::int64_t v) { return campo(std::to_string(v)); }
    DestinoPostgres& campo(int v) { return campo(std::to_string(v)); }
    void fimLinha() {
        m_buffer += '\n';
        m_inicioLinha = true;
        if (m_buffer.size() >= (1u << 20))
            enviar();
    }
    void enviar() {
        if (!m_buffer.empty() && PQputCopyData(m_c, m_buffer.data(), static_cast<int>(m_buffer.size())) != 1)
            falhar(QStringLiteral("COPY"));
        m_buffer.clear();
    }
    void executar(const char* sql) {
        PGresult* r = PQexec(m_c, sql);
        const ExecStatusType e = PQresultStatus(r);
        PQclear(r);
        if (e != PGRES_COMMAND_OK && e != PGRES_TUPLES_OK)
            falhar(QString::fromUtf8(sql));
    }
    [[noreturn]] void falhar(const QString& onde) {
        throw Erro(Erro::Sql, QStringLiteral("%1: %2").arg(onde, QString::fromUtf8(PQerrorMessage(m_c)).trimmed()));
    }

    PGconn* m_c;
    std::string m_tabela;
    std::string m_buffer;
    bool m_inicioLinha = true;
};

} // namespace

std::unique_ptr<Destino> destinoPostgres(const QString& ligacao) {
    return std::make_unique<DestinoPostgres>(ligacao);
}

} // namespace DadosBench
