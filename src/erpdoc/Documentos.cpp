#include "Documentos.h"

LinhasEntrada linhasEntrada(const std::vector<LinhaMarcada>& linhas, const FactorPreco& factor) {
    LinhasEntrada e;
    const qsizetype n = static_cast<qsizetype>(linhas.size()) + 1;
    e.artigos.reserve(n);
    e.descricoes.reserve(n);
    e.quantidades.reserve(static_cast<size_t>(n));
    e.precos.reserve(static_cast<size_t>(n));
    e.textos.reserve(n);
    for (const LinhaMarcada& l : linhas) {
        e.artigos << l.encomenda.artigo;
        e.descricoes << l.encomenda.descricao;
        e.quantidades.push_back(l.quantidade.paraDouble());
        e.precos.push_back(factor.aplicar(l.encomenda.preco).paraDouble());
        e.textos << QString();
    }
    return e;
}

QString comPonto(const QString& texto) {
    const QString t = texto.trimmed();
    return t.endsWith(QLatin1Char('.')) ? t : t + QLatin1Char('.');
}

QString mensagemAnulacaoManual(const std::vector<ChaveDocumento>& chaves) {
    if (chaves.empty())
        return QString();
    QString t = QStringLiteral("Os documentos seguintes devem ser anulados manualmente - ");
    for (const ChaveDocumento& c : chaves)
        // Line feed first, then carriage return, as the ERP's users know the list.
        t += QStringLiteral("\n\r'") + textoChave(c) + QStringLiteral(" '");
    return t;
}

int modoDeGravacao(qint16 modoGravacao) {
    switch (modoGravacao) {
    case 0:
        return 1;
    case 1:
        return 3;
    default:
        return 2;
    }
}

std::optional<QString> clienteDiferente(const std::vector<LinhaMarcada>& linhas, const QString& cliente) {
    for (const LinhaMarcada& l : linhas)
        if (l.encomenda.terceiro != cliente)
            return l.encomenda.terceiro;
    return std::nullopt;
}
