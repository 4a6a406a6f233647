#pragma once

#include <QSqlDatabase>
#include <QString>

#include <array>
#include <vector>

/// The integrity check of a company database: the documents the program
/// stores (entries and Guias), the order lines they satisfy and the numbering,
/// looked at with a handful of set-based queries in one read-only snapshot.
namespace Integridade {

/// What can be wrong, one category per kind; the report lists them in this order.
enum class Categoria {
    EntradaSemGuia,       ///< a live entry that no live Guia names
    GuiaSemEntrada,       ///< a live Guia whose entry is annulled, missing or not its own
    LinhaSobreSatisfeita, ///< an order line satisfied beyond its original quantity
    NumeroRepetido,       ///< a document number used twice, or the numbering behind it
    MeioGuardado,         ///< an entry or Guia stored or annulled in part
    GuiaDiferente,        ///< a Guia whose lines differ from its entry's
};
inline constexpr std::array<Categoria, 6> Categorias = {
    Categoria::EntradaSemGuia, Categoria::GuiaSemEntrada, Categoria::LinhaSobreSatisfeita,
    Categoria::NumeroRepetido, Categoria::MeioGuardado,   Categoria::GuiaDiferente,
};
/// The category's name as the report prints it.
QString nome(Categoria categoria);

/// One thing found wrong.
struct Achado {
    Categoria categoria;
    /// The document ("ENT/1/45/2026": type/series/number/year, as DOCRELACIONADO
    /// names it), the order line ("ENC/1/10/2026 linha 2") or the numbering
    /// ("ENT/1/2026").
    QString chave;
    QString detalhe;

    friend bool operator==(const Achado&, const Achado&) = default;
};

/// The document types the program stores: ENTRADAS item 0 and GUIAS item 0.
struct Tipos {
    QString entrada;
    QString guia;
};

/// How many documents were looked at.
struct Contagens {
    int entradas = 0;
    int entradasAnuladas = 0;
    int guias = 0;
    int guiasAnuladas = 0;
    int linhasGuia = 0; ///< lines of every Guia, annulled or not
};

struct Relatorio {
    Tipos tipos;
    /// By category, in the order of Categorias; within one, by document.
    std::vector<Achado> achados;
    Contagens contagens;

    bool sa() const { return achados.empty(); }
    int quantos(Categoria categoria) const;
    std::vector<Achado> de(Categoria categoria) const;
};

/// Checks the company database open on `db`. It only reads: every query runs
/// in one transaction (read only, with one snapshot, on PostgreSQL) that is
/// rolled back at the end. Raises Erro (Parametros) when a type is empty, both
/// are the same or one is not in TpDoc, and Erro (Sql) when the database
/// refuses a query.
///
/// An entry whose Guia is being stored at that very moment shows as an entry
/// without a Guia: the check sees the documents as they are committed.
Relatorio verificar(const QSqlDatabase& db, const Tipos& tipos);

/// Opens the database that the connection text names, for reading only (the
/// SQLite file read-only; on PostgreSQL the session's transactions read only),
/// under the Qt connection name `nomeLigacao`. Raises Erro (Configuracao) for
/// a text that names no usable database and Erro (BaseDadosFechada), naming
/// the database and never the password, when it does not open.
QSqlDatabase abrirSoLeitura(const QString& textoLigacao, const QString& nomeLigacao);

/// The report as the program prints it: one row per finding (category, key,
/// detail), then the count of each category and of the documents looked at.
QString texto(const Relatorio& relatorio);

/// The program's exit status: 0 sound, 1 something found (2, could not check, is the caller's).
int codigoSaida(const Relatorio& relatorio);

} // namespace Integridade
