// Transitional: see ColunasGrelha.h.

#include "ModeloGrelha.h"

QVariant ModeloEncomendas::valor(int linha, int coluna) const {
    exigirLinha(linha);
    const auto c = static_cast<ColunaEncomenda>(coluna);
    if (c == ColunaEncomenda::AN)
        return marcada(linha);
    if (c == ColunaEncomenda::Qtd) {
        const std::optional<Moeda> q = quantidade(linha);
        return q ? QVariant::fromValue(*q) : QVariant();
    }
    const LinhaEncomenda* l = encomenda(linha);
    if (!l)
        return {};
    switch (c) {
    case ColunaEncomenda::Preco:
        return QVariant::fromValue(l->preco);
    case ColunaEncomenda::QtdO:
        return QVariant::fromValue(l->quantidadeOriginal);
    case ColunaEncomenda::QtdP:
        return QVariant::fromValue(l->quantidadePendente);
    // The keys as the load gave them from SQLite's integers.
    case ColunaEncomenda::Serie:
        return qlonglong(l->chave.serie);
    case ColunaEncomenda::NoDoc:
        return qlonglong(l->chave.numero);
    case ColunaEncomenda::LinhaEnc:
        return qlonglong(l->chave.linha);
    case ColunaEncomenda::AnoEnc:
        return qlonglong(l->chave.ano);
    default:
        return texto(linha, c);
    }
}
