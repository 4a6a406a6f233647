#pragma once

#include <QLatin1String>
#include <QStringView>

#include <array>
#include <cstddef>

/// The seventeen columns of the order-line grid, in position order: the one
/// place that numbers them.
enum class ColunaEncomenda : int {
    Artigo,
    Designacao,
    DataEnt,
    NumEnc,
    Req,
    Preco,
    QtdO,
    QtdP,
    Qtd,
    TpDoc,
    Serie,
    NoDoc,
    LinhaEnc,
    AnoEnc,
    Terceiro,
    AN,
    DataDoc,
};

inline constexpr int NumeroColunasEncomenda = 17;

/// Declared type of a column: governs how the grid shows and edits it.
enum class TipoColuna {
    Texto,
    Moeda,
    Inteiro16,
    Inteiro32,
    Booleano,
};

/// One column as the grid declares it.
struct DefinicaoColuna final {
    ColunaEncomenda coluna;
    QLatin1String chave; ///< what the column is found by (unaccented)
    QStringView titulo;  ///< what the operator reads
    int larguraTwips;
    TipoColuna tipo;
    QLatin1String formato; ///< display format; empty for the general format
    int comprimentoMaximo; ///< most characters an edit takes; 0 when not set
    bool oculta;
    bool soLeitura;
    bool caixaVerificacao;
};

/// The columns, in position order (the order of ColunaEncomenda).
inline constexpr std::array<DefinicaoColuna, NumeroColunasEncomenda> ColunasEncomenda = {{
    // clang-format off
    // column, key, caption, width (twips), type, display format, maximum length, hidden, read-only, check box
    {ColunaEncomenda::Artigo,     QLatin1String("Artigo"),     u"Artigo",           1500, TipoColuna::Texto,     QLatin1String(""),           15, false, true,  false},
    {ColunaEncomenda::Designacao, QLatin1String("Designacao"), u"Designação",       3800, TipoColuna::Texto,     QLatin1String(""),           50, false, true,  false},
    {ColunaEncomenda::DataEnt,    QLatin1String("DataEnt"),    u"Data Entrega",     1200, TipoColuna::Texto,     QLatin1String(""),           50, false, true,  false},
    {ColunaEncomenda::NumEnc,     QLatin1String("NumEnc"),     u"O.Produção",       1700, TipoColuna::Texto,     QLatin1String(""),           50, false, true,  false},
    {ColunaEncomenda::Req,        QLatin1String("Req"),        u"Requisição",       1500, TipoColuna::Texto,     QLatin1String(""),           50, false, true,  false},
    {ColunaEncomenda::Preco,      QLatin1String("Preco"),      u"Preço",            1200, TipoColuna::Moeda,     QLatin1String("##,###0.00"), 10, false, true,  false},
    {ColunaEncomenda::QtdO,       QLatin1String("QtdO"),       u"Qtd Original",     1200, TipoColuna::Moeda,     QLatin1String("##,###0.00"), 10, false, true,  false},
    {ColunaEncomenda::QtdP,       QLatin1String("QtdP"),       u"Qtd Pendente",     1200, TipoColuna::Moeda,     QLatin1String("##,###0.00"), 10, false, true,  false},
    {ColunaEncomenda::Qtd,        QLatin1String("Qtd"),        u"Qtd a Satisfazer", 1200, TipoColuna::Moeda,     QLatin1String("##,###0.00"), 10, false, false, false},
    {ColunaEncomenda::TpDoc,      QLatin1String("TpDoc"),      u"TpDoc",            1500, TipoColuna::Texto,     QLatin1String(""),           15, true,  true,  false},
    {ColunaEncomenda::Serie,      QLatin1String("Serie"),      u"Serie",            1500, TipoColuna::Inteiro16, QLatin1String(""),           15, true,  true,  false},
    {ColunaEncomenda::NoDoc,      QLatin1String("NoDoc"),      u"NoDoc",            1500, TipoColuna::Inteiro32, QLatin1String(""),           15, true,  true,  false},
    {ColunaEncomenda::LinhaEnc,   QLatin1String("LinhaEnc"),   u"LinhaEnc",         1500, TipoColuna::Inteiro16, QLatin1String(""),           15, true,  true,  false},
    {ColunaEncomenda::AnoEnc,     QLatin1String("AnoEnc"),     u"AnoEnc",           1500, TipoColuna::Inteiro16, QLatin1String(""),           15, true,  true,  false},
    {ColunaEncomenda::Terceiro,   QLatin1String("Terceiro"),   u"Terceiro",         1500, TipoColuna::Texto,     QLatin1String(""),           15, true,  true,  false},
    {ColunaEncomenda::AN,         QLatin1String("AN"),         u"...",               400, TipoColuna::Booleano,  QLatin1String(""),            0, false, false, true},
    {ColunaEncomenda::DataDoc,    QLatin1String("DataDoc"),    u"Data Doc",         1500, TipoColuna::Texto,     QLatin1String(""),           15, true,  true,  false},
    // clang-format on
}};

/// The declaration of a column.
constexpr const DefinicaoColuna& definicao(ColunaEncomenda c) {
    return ColunasEncomenda[static_cast<std::size_t>(c)];
}

// The table is in the enum's order.
static_assert([] {
    for (std::size_t i = 0; i < ColunasEncomenda.size(); ++i)
        if (static_cast<std::size_t>(ColunasEncomenda[i].coluna) != i)
            return false;
    return true;
}());
