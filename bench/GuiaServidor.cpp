#include "GuiaServidor.h"

#include "Ambiente.h"
#include "DadosBench.h"
#include "Erro.h"
#include "Rele.h"

#include <libpq-fe.h>

#include <cstdio>
#include <string>

namespace Bench {

namespace {

[[noreturn]] void falharPg(pg_conn* c, const QString& onde) {
    throw Erro(Erro::Sql, QStringLiteral("%1: %2").arg(onde, QString::fromUtf8(PQerrorMessage(c)).trimmed()));
}

std::string decimal(std::int64_t dezMilesimos) {
    const std::int64_t m = dezMilesimos < 0 ? -dezMilesimos : dezMilesimos;
    char t[40];
    std::snprintf(t, sizeof t, "%s%lld.%04lld", dezMilesimos < 0 ? "-" : "", static_cast<long long>(m / 10000),
                  static_cast<long long>(m % 10000));
    return t;
}

} // namespace

PisoGuiaPostgres::PisoGuiaPostgres(const QString& ligacao) : m_c(PQconnectdb(ligacao.toUtf8().constData())) {
    if (PQstatus(m_c) != CONNECTION_OK) {
        const QString motivo = QString::fromUtf8(PQerrorMessage(m_c)).trimmed();
        PQfinish(m_c);
        m_c = nullptr;
        throw Erro(Erro::BaseDadosFechada, motivo);
    }
}

PisoGuiaPostgres::~PisoGuiaPostgres() {
    PQfinish(m_c);
}

std::vector<LinhaPiso> PisoGuiaPostgres::linhasPendentes(const QString& cliente, int n) {
    const Instrucao instrucao = instrucaoCarga(cliente);
    QString sql;
    int k = 0;
    for (const QChar ch : instrucao.sql)
        sql += ch == QLatin1Char('?') ? QStringLiteral("$%1").arg(++k) : QString(ch);
    std::vector<QByteArray> valores;
    std::vector<const char*> ponteiros;
    for (const QVariant& v : instrucao.parametros)
        valores.push_back(v.toString().toUtf8());
    for (const QByteArray& v : valores)
        ponteiros.push_back(v.constData());
    PGresult* r = PQexecParams(m_c, sql.toUtf8().constData(), static_cast<int>(ponteiros.size()), nullptr,
                               ponteiros.data(), nullptr, nullptr, 0);
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        PQclear(r);
        falharPg(m_c, QStringLiteral("Linhas pendentes"));
    }
    auto coluna = [&](const char* nome) { return PQfnumber(r, nome); };
    const int tipo = coluna("tpdocum"), numero = coluna("nnumdoc"), artigo = coluna("artigo"),
              descricao = coluna("descr"), preco = coluna("prunit"), quant = coluna("quant"), serie = coluna("serie"),
              ano = coluna("ano"), linha = coluna("numlinha");
    auto dezMilesimos = [&](int i, int c) { return std::llround(std::stod(PQgetvalue(r, i, c)) * 10000.0); };
    std::vector<LinhaPiso> linhas;
    for (int i = 0; i < PQntuples(r) && static_cast<int>(linhas.size()) < n; ++i) {
        LinhaPiso l;
        l.tipo = PQgetvalue(r, i, tipo);
        l.numero = std::atoi(PQgetvalue(r, i, numero));
        l.artigo = PQgetvalue(r, i, artigo);
        l.descricao = PQgetvalue(r, i, descricao);
        l.preco = dezMilesimos(i, preco);
        l.quantidade = dezMilesimos(i, quant);
        l.serie = std::atoi(PQgetvalue(r, i, serie));
        l.ano = std::atoi(PQgetvalue(r, i, ano));
        l.linha = std::atoi(PQgetvalue(r, i, linha));
        linhas.push_back(std::move(l));
    }
    PQclear(r);
    return linhas;
}

void PisoGuiaPostgres::guia(const std::vector<LinhaPiso>& linhas, int numero) {
    // As the local ERP stores them: the same columns, the same conditional
    // update; every statement sent before the first answer is read.
    const std::string cab = "INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, TIPOTERCEIRO, VNUMDOC,"
                            " AREAGESTAO, SECTOR, TIPOPRECO, NUMCONTRIBUINTE, DESCONTOCAB, PROCESSO, MEIOTRANSPORTE,"
                            " MATRICULA, LOCALCARGA, LOCALDESCARGA, ARMAZEM, OBSERVACOES, MODOGRAVACAO, UTILIZADOR,"
                            " POSTO, DOCRELACIONADO, ANULADO)"
                            " VALUES ($1, 99, $2, 2024, '2024-12-31', $3, $4, '', 4, $5, 0, '', 0, '', '', '', '',"
                            " '', $6, $7, $8, 'bench', 'bench', $9, 0)";
    const std::string lin = "INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, TIPODELINHA, ARTIGO, DESCR,"
                            " ARMAZEM, DATA, PRUNIT, QTDORIG, QUANT, LINANU, ORDOC, ORANO, ORNUM, ORSERIE,"
                            " LINHAORIGINAL) VALUES ($1, 99, $2, 2024, $3, 1, $4, $5, 'A1', '2024-12-31', $6, $7, $7,"
                            " 0, $8, $9, $10, $11, $12)";
    const std::string satisfazer = "UPDATE DOCGCLIN SET QUANT = (ROUND(QUANT * 10000) - $1) / 10000.0"
                                   " WHERE TPDOCUM = $2 AND SERIE = $3 AND NNUMDOC = $4 AND ANO = $5 AND NUMLINHA = $6"
                                   " AND LINANU <> -1 AND ROUND(QUANT * 10000) >= $7";
    if (PQenterPipelineMode(m_c) != 1)
        falharPg(m_c, QStringLiteral("Modo de pipeline"));
    int enviados = 0;
    auto enviar = [&](const char* nome, std::vector<std::string> valores) {
        std::vector<const char*> p;
        for (const std::string& v : valores)
            p.push_back(v == "\x01" ? nullptr : v.c_str());
        if (PQsendQueryPrepared(m_c, nome, static_cast<int>(p.size()), p.data(), nullptr, nullptr, 0) != 1)
            falharPg(m_c, QStringLiteral("Envio"));
        ++enviados;
    };
    const std::string nulo = "\x01", n = std::to_string(numero), cliente = DadosBench::ClienteGrande.toStdString();
    auto preparar = [&](const char* nome, const std::string& sql) {
        if (PQsendPrepare(m_c, nome, sql.c_str(), 0, nullptr) != 1)
            falharPg(m_c, QStringLiteral("Preparação"));
        ++enviados;
    };
    if (PQsendQueryParams(m_c, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) != 1)
        falharPg(m_c, QStringLiteral("BEGIN"));
    ++enviados;
    // Prepared once per connection, in the first pipeline.
    if (!m_preparadas) {
        preparar("cab", cab);
        preparar("lin", lin);
        preparar("sat", satisfazer);
    }
    enviar("cab", {"ENT", n, "", "0", "", "A1", "Entrada", "0", ""});
    int k = 0;
    for (const LinhaPiso& l : linhas)
        enviar("lin", {"ENT", n, std::to_string(++k), l.artigo, l.descricao, decimal(l.preco), decimal(l.quantidade),
                       nulo, nulo, nulo, nulo, nulo});
    enviar("cab", {"GR", n, cliente, "2", "1", "", "", "2", "ENT/99"});
    k = 0;
    for (const LinhaPiso& l : linhas)
        enviar("lin",
               {"GR", n, std::to_string(++k), l.artigo, l.descricao, decimal(l.preco), decimal(l.quantidade), l.tipo,
                std::to_string(l.ano), std::to_string(l.numero), std::to_string(l.serie), std::to_string(l.linha)});
    for (const LinhaPiso& l : linhas)
        enviar("sat", {"0", l.tipo, std::to_string(l.serie), std::to_string(l.numero), std::to_string(l.ano),
                       std::to_string(l.linha), "0"});
    if (PQsendQueryParams(m_c, "COMMIT", 0, nullptr, nullptr, nullptr, nullptr, 0) != 1 || PQpipelineSync(m_c) != 1)
        falharPg(m_c, QStringLiteral("COMMIT"));
    ++enviados;
    // Every answer, then the synchronisation's.
    QString erro;
    for (int i = 0; i < enviados; ++i) {
        PGresult* r = PQgetResult(m_c);
        const ExecStatusType e = PQresultStatus(r);
        if (e != PGRES_COMMAND_OK && e != PGRES_TUPLES_OK && erro.isEmpty())
            erro = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
        const std::string estado = PQcmdStatus(r);
        const bool escrita = estado.rfind("INSERT", 0) == 0 || estado.rfind("UPDATE", 0) == 0;
        if (erro.isEmpty() && escrita && std::string(PQcmdTuples(r)) != "1")
            erro = QStringLiteral("Uma linha do piso não foi escrita.");
        PQclear(r);
        while ((r = PQgetResult(m_c)))
            PQclear(r);
    }
    PGresult* sync = PQgetResult(m_c);
    PQclear(sync);
    PQexitPipelineMode(m_c);
    m_preparadas = true;
    if (!erro.isEmpty())
        throw Erro(Erro::Sql, erro);
}

// --- the measures ------------------------------------------------------------

void pisoGuiaPostgres(benchmark::State& st, bool peloRele, std::chrono::microseconds atraso, int n) {
    Ambiente& a = Ambiente::actual();
    const Empresa& e = a.empresa(QStringLiteral("guia-pg-piso"));
    Rele* rele = peloRele ? &a.rele() : nullptr;
    QString ligacao = a.ligacaoPg(e.baseDados);
    if (rele)
        ligacao += QStringLiteral(" host=127.0.0.1 port=%1").arg(rele->porta());
    PisoGuiaPostgres piso(ligacao);
    static int numero = 0;
    for (auto _ : st) {
        if (rele)
            rele->definirAtraso(atraso);
        const std::vector<LinhaPiso> linhas = piso.linhasPendentes(DadosBench::ClienteGrande, n);
        if (static_cast<int>(linhas.size()) < n)
            throw Erro(Erro::Configuracao, QStringLiteral("Só há %1 linhas para o piso.").arg(linhas.size()));
        contarIdasEVoltas(st, rele, [&] {
            const double t0 = agora();
            piso.guia(linhas, ++numero);
            st.SetIterationTime(agora() - t0);
        });
    }
}

} // namespace Bench
