// The report as the program prints it.

#include "IntegridadeEmpresa.h"
#include "TextoVisivel.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace Integridade {

namespace {

const QString TituloCategoria = QStringLiteral("Categoria");
const QString TituloChave = QStringLiteral("Documento / linha");
const QString TituloDetalhe = QStringLiteral("Detalhe");

QString linha(const QString& a, qsizetype larguraA, const QString& b, qsizetype larguraB, const QString& c) {
    return (a.leftJustified(larguraA) + QStringLiteral("  ") + b.leftJustified(larguraB) + QStringLiteral("  ") + c)
               .trimmed() +
           QLatin1Char('\n');
}

} // namespace

QString texto(const Relatorio& relatorio) {
    // Keys and details hold text read from the database: a control character
    // in it would act on the terminal instead of showing.
    QString t = QStringLiteral("Verificação da base de dados da empresa (entradas %1, guias %2)\n\n")
                    .arg(escaparControlos(relatorio.tipos.entrada), escaparControlos(relatorio.tipos.guia));
    if (relatorio.sa()) {
        t += QStringLiteral("Nenhum problema encontrado.\n");
    } else {
        std::vector<std::pair<QString, QString>> vistos;
        vistos.reserve(relatorio.achados.size());
        qsizetype largura1 = TituloCategoria.size();
        qsizetype largura2 = TituloChave.size();
        for (const Achado& a : relatorio.achados) {
            vistos.emplace_back(escaparControlos(a.chave), escaparControlos(a.detalhe));
            largura1 = std::max(largura1, nome(a.categoria).size());
            largura2 = std::max(largura2, vistos.back().first.size());
        }
        t += linha(TituloCategoria, largura1, TituloChave, largura2, TituloDetalhe);
        t += linha(QString(largura1, QLatin1Char('-')), largura1, QString(largura2, QLatin1Char('-')), largura2,
                   QString(TituloDetalhe.size(), QLatin1Char('-')));
        for (std::size_t i = 0; i < vistos.size(); ++i)
            t += linha(nome(relatorio.achados[i].categoria), largura1, vistos[i].first, largura2, vistos[i].second);
    }

    t += QStringLiteral("\nResumo\n");
    qsizetype largura = 0;
    for (const Categoria c : Categorias)
        largura = std::max(largura, nome(c).size());
    for (const Categoria c : Categorias)
        t += QStringLiteral("  %1  %2\n").arg(nome(c).leftJustified(largura)).arg(relatorio.quantos(c), 6);
    const Contagens& n = relatorio.contagens;
    t += QStringLiteral("\nDocumentos verificados: %1 entradas (%2 anuladas), %3 guias (%4 anuladas) com %5 linhas.\n")
             .arg(n.entradas)
             .arg(n.entradasAnuladas)
             .arg(n.guias)
             .arg(n.guiasAnuladas)
             .arg(n.linhasGuia);
    const auto total = relatorio.achados.size();
    t += relatorio.sa() ? QStringLiteral("A base de dados está sã.\n")
                        : QStringLiteral("Encontrado(s) %1 problema(s).\n").arg(total);
    return t;
}

} // namespace Integridade
