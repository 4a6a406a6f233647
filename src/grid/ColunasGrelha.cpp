#include "ColunasGrelha.h"

#include "Grelha.h"

namespace {

const QString FormatoMoeda = QStringLiteral("##,###0.00");

DefinicaoColuna texto(const char* chave, const QString& titulo, int largura, int maximo, bool oculta) {
    DefinicaoColuna c;
    c.chave = QString::fromLatin1(chave);
    c.titulo = titulo;
    c.larguraTwips = largura;
    c.tipo = TipoColuna::Texto;
    c.comprimentoMaximo = maximo;
    c.oculta = oculta;
    // The shown text columns are read-only; the hidden ones are never edited.
    c.soLeitura = true;
    return c;
}

DefinicaoColuna moeda(const char* chave, const QString& titulo, bool editavel) {
    DefinicaoColuna c = texto(chave, titulo, 1200, 10, false);
    c.tipo = TipoColuna::Moeda;
    c.formato = FormatoMoeda;
    c.soLeitura = !editavel;
    return c;
}

DefinicaoColuna inteiro(const char* chave, TipoColuna tipo) {
    DefinicaoColuna c = texto(chave, QString::fromLatin1(chave), 1500, 15, true);
    c.tipo = tipo;
    return c;
}

std::array<DefinicaoColuna, Col::Total> construir() {
    DefinicaoColuna an;
    an.chave = QStringLiteral("AN");
    an.titulo = QStringLiteral("...");
    an.larguraTwips = 400;
    an.tipo = TipoColuna::Booleano;
    an.caixaVerificacao = true;

    DefinicaoColuna dataDoc = texto("DataDoc", QStringLiteral("Data Doc"), 1500, 15, true);

    return {
        texto("Artigo", QStringLiteral("Artigo"), 1500, 15, false),
        texto("Designacao", QStringLiteral("Designação"), 3800, 50, false),
        texto("DataEnt", QStringLiteral("Data Entrega"), 1200, 50, false),
        texto("NumEnc", QStringLiteral("O.Produção"), 1700, 50, false),
        texto("Req", QStringLiteral("Requisição"), 1500, 50, false),
        moeda("Preco", QStringLiteral("Preço"), false),
        moeda("QtdO", QStringLiteral("Qtd Original"), false),
        moeda("QtdP", QStringLiteral("Qtd Pendente"), false),
        moeda("Qtd", QStringLiteral("Qtd a Satisfazer"), true),
        texto("TpDoc", QStringLiteral("TpDoc"), 1500, 15, true),
        inteiro("Serie", TipoColuna::Inteiro16),
        inteiro("NoDoc", TipoColuna::Inteiro32),
        inteiro("LinhaEnc", TipoColuna::Inteiro16),
        inteiro("AnoEnc", TipoColuna::Inteiro16),
        texto("Terceiro", QStringLiteral("Terceiro"), 1500, 15, true),
        an,
        dataDoc,
    };
}

} // namespace

const std::array<DefinicaoColuna, Col::Total>& colunasEncomendas() {
    static const auto colunas = construir();
    return colunas;
}

void disporGrelhaEncomendas(Grelha& grelha, const QColor& corFundo) {
    grelha.definirCorFundo(corFundo);
    grelha.definirComportamentoEnter(1);
    grelha.definirComportamentoTab(1);
    grelha.removerColunas();
    grelha.definirNumeroLinhas(0);
    for (const DefinicaoColuna& c : colunasEncomendas())
        grelha.adicionarColuna(c);
    grelha.definirNumeroLinhas(LinhasIniciais);
}
