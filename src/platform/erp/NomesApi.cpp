#include "NomesApi.h"

namespace NomesApi {

const QStringList& membrosCabecalho() {
    static const QStringList membros{
        QStringLiteral("Ano"),
        QStringLiteral("Data"),
        QStringLiteral("AreaGestao"),
        QStringLiteral("Sector"),
        QStringLiteral("Serie"),
        QStringLiteral("TipoDocumento"),
        QStringLiteral("TipoTerceiro"),
        QStringLiteral("Terceiro"),
        QStringLiteral("TipoPreco"),
        QStringLiteral("NumeroContribuinte"),
        QStringLiteral("DescontoCabecalho"),
        QStringLiteral("Processo"),
        QStringLiteral("VossoNoDocumento"),
        QStringLiteral("MeiodeTransporte"),
        QStringLiteral("Matricula"),
        QStringLiteral("LocalCarga"),
        QStringLiteral("LocalDescarga"),
        QStringLiteral("Numero"),
    };
    return membros;
}

const QStringList& membrosLinha() {
    static const QStringList membros{
        QStringLiteral("TipoDeLinha"),   QStringLiteral("Artigo"),     QStringLiteral("Armazem"),
        QStringLiteral("Descricao"),     QStringLiteral("Quantidade"), QStringLiteral("QuantidadeOrigem"),
        QStringLiteral("PrecoUnitario"), QStringLiteral("OrDoc"),      QStringLiteral("Orano"),
        QStringLiteral("OrNum"),         QStringLiteral("Orserie"),    QStringLiteral("LinhaOriginal"),
        QStringLiteral("Unidade"),
    };
    return membros;
}

} // namespace NomesApi
