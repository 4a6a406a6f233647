#pragma once

// Where the generated rows go: a SQLite file or a PostgreSQL database. The
// generator hands rows over one at a time; each destination writes them in
// bulk (prepared statements in one transaction, or COPY).

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>

namespace DadosBench {

struct LinhaCliente {
    std::string codigo;
    std::string nome;
    std::string nif;
    std::string morada;
    std::string localidade;
    int inactivo = 0;
};

struct LinhaArtigo {
    std::string codigo;
    std::string nome;
    std::string unidade;
    std::int64_t preco = 0; ///< ten-thousandths
    int inactivo = 0;
};

struct LinhaCabecalho {
    std::string tipo;
    int serie = 1;
    int numero = 0;
    int ano = 0;
    std::string data; ///< "yyyy-MM-dd hh:mm:ss"
    std::string terceiro;
    std::string vnumdoc;
    std::string nif;
};

struct LinhaDocumento {
    const std::string* tipo = nullptr;
    int serie = 1;
    int numero = 0;
    int ano = 0;
    int numLinha = 0;
    const std::string* artigo = nullptr;
    const std::string* descricao = nullptr;
    const std::string* data = nullptr; ///< "yyyy-MM-dd hh:mm:ss"
    std::int64_t preco = 0;            ///< ten-thousandths
    std::int64_t pedida = 0;
    std::int64_t pendente = 0;
    int anulada = 0; ///< 0 or -1
};

/// A value in ten-thousandths as plain decimal text ("12.5", "3").
std::string textoDecimal(std::int64_t decimosMilesimos);

class Destino {
public:
    virtual ~Destino() = default;
    /// Creates the tables (without their secondary indexes) and starts writing.
    virtual void comecar(const QStringList& tabelas) = 0;
    virtual void tipoDocumento(const char* codigo, const char* descricao, int tpdsaft) = 0;
    virtual void serie(const char* tipo, int serie, const char* descricao, int origem) = 0;
    virtual void empresa(const char* codigo, const char* nome) = 0;
    virtual void cliente(const LinhaCliente& c) = 0;
    virtual void artigo(const LinhaArtigo& a) = 0;
    virtual void cabecalho(const LinhaCabecalho& c) = 0;
    virtual void linha(const LinhaDocumento& l) = 0;
    /// Ends writing, creates the indexes and gathers the planner's statistics.
    virtual void terminar(const QStringList& indices) = 0;
};

std::unique_ptr<Destino> destinoSqlite(const QString& ficheiro);
/// `ligacao`: libpq connection text of the database (already created, empty).
std::unique_ptr<Destino> destinoPostgres(const QString& ligacao);

} // namespace DadosBench
