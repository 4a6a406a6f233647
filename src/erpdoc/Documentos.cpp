#include "Documentos.h"

#include "ColunasGrelha.h"
#include "EdicaoLinhas.h"
#include "PrecoEntrada.h"

bool linhaParaDocumento(const ModeloGrelha& m, int linha) {
    return m.valor(linha, Col::AN).toBool() && !valorVazio(m.valor(linha, Col::Artigo));
}

LinhasEntrada linhasEntrada(const ModeloGrelha& m, const QString& textoFactor) {
    LinhasEntrada e;
    const double factor = factorPreco(textoFactor);
    const int n = m.numeroLinhas();
    for (int r = 0; r < n; ++r) {
        if (!linhaParaDocumento(m, r))
            continue;
        e.artigos << m.valor(r, Col::Artigo).toString();
        e.descricoes << m.valor(r, Col::Designacao).toString();
        e.quantidades.push_back(moedaOuZero(m.valor(r, Col::Qtd)).paraDouble());
        e.precos.push_back(precoEntrada(moedaOuZero(m.valor(r, Col::Preco)), factor));
        e.textos << QString();
    }
    return e;
}

QString mensagemAnulacaoManual(const QStringList& chaves) {
    if (chaves.isEmpty())
        return QString();
    QString t = QStringLiteral("Os documentos seguintes devem ser anulados manualmente - ");
    for (const QString& c : chaves)
        // Line feed first, then carriage return, as the ERP's users know the list.
        t += QStringLiteral("\n\r'") + c + QStringLiteral(" '");
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

std::optional<QString> clienteDiferente(const ModeloGrelha& m, const QString& cliente) {
    const int n = m.numeroLinhas();
    for (int r = 0; r < n; ++r)
        if (linhaParaDocumento(m, r) && m.valor(r, Col::Terceiro).toString() != cliente)
            return m.valor(r, Col::Terceiro).toString();
    return std::nullopt;
}
