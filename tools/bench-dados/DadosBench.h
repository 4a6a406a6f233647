#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

/// Company databases for the benchmark: the same content, from the same
/// seed, on SQLite (a file) and on PostgreSQL (a database of a server).
///
/// Every base holds the document types and series of the demo (orders ENC and
/// ENW, the two the parameters configure, and ENX, export orders, which they do
/// not), the clients, the articles, the ERP's company and user, and orders:
/// those of the special clients below, always the same whatever the base, and
/// those of the other clients, which make up the base's size.
namespace DadosBench {

/// 30,000 lines the load returns (and others it must leave out).
inline const QString ClienteGrande = QStringLiteral("BIG");
/// 10 lines the load returns.
inline const QString ClientePequeno = QStringLiteral("SMALL");
/// 32,767 lines the load returns: the most a 16-bit row counter holds.
inline const QString ClienteLimite = QStringLiteral("LIMITE");

/// The ERP login of every base.
inline const QString Utilizador = QStringLiteral("bench");
inline const QString Password = QStringLiteral("bench");
inline const QString Empresa = QStringLiteral("BENCH");

/// A client whose orders are laid down exactly.
struct Especial {
    QString codigo;
    QString nome;
    int pendentes = 0;    ///< lines the load returns (configured types, pending, not annulled)
    int naoPendentes = 0; ///< lines of the same orders already satisfied or annulled
    int linhasPorEncomenda = 10;
    int encomendasOutroTipo = 0; ///< ENX orders (a type the parameters leave out)
    int linhasOutroTipo = 10;
};

/// What one base holds.
struct Perfil {
    QString nome;     ///< file and database name ("grande", "pequena-rapido", ...)
    int clientes = 0; ///< rows of Clientes, the special clients among them
    int artigos = 0;
    /// Orders and order lines of the base, the special clients' ones included
    /// when `totaisComEspeciais`; otherwise those of the other clients only.
    int encomendas = 0;
    int linhas = 0;
    bool totaisComEspeciais = true;
    QList<Especial> especiais;
};

enum class Base {
    Grande,   ///< 20,000 clients, 50,000 articles, 100,000 orders, 1,000,000 lines
    Pequena,  ///< the same clients and articles; BIG's and SMALL's orders and 10,000 other lines
    Clientes, ///< 200,000 clients (the look-up list)
};

/// The profile of a base; `rapido` gives the tiny one of the smoke run.
Perfil perfil(Base base, bool rapido);
QString nomeBase(Base base);

/// Counts of what was written.
struct Resumo {
    int clientes = 0;
    int artigos = 0;
    int encomendas = 0;
    int linhas = 0;
    /// Per special client, the lines the load must return.
    QStringList especiais;
};

/// Names the generator, the schema, the profile and the seed: a base whose
/// recorded signature differs is made anew.
QString assinatura(const Perfil& perfil, quint32 semente);

/// Makes `ficheiro` (replacing it) unless it exists with the same signature
/// (kept in `ficheiro`.assinatura). True when it was made.
bool garantirSqlite(const QString& ficheiro, const Perfil& perfil, quint32 semente, Resumo* resumo = nullptr);

/// Makes the database `base` on the PostgreSQL server reached by `ligacao` (a
/// libpq connection text without a database name), replacing it.
Resumo criarPostgres(const QString& ligacao, const QString& base, const Perfil& perfil, quint32 semente);

/// The same, unless the database is there with the same signature (kept as
/// the database's comment). True when it was made.
bool garantirPostgres(const QString& ligacao, const QString& base, const Perfil& perfil, quint32 semente);

/// The seed used unless another is given.
inline constexpr quint32 SementePadrao = 20240517;

} // namespace DadosBench
