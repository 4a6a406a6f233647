#include "ArranqueConfiguracao.h"

#include "Configuracao.h"
#include "Erro.h"
#include "LigacaoBd.h"
#include "Pastas.h"

#include <algorithm>

namespace Arranque {

namespace {

/// The section's other keys, each one of libpq's; raises Erro (Configuracao)
/// naming the first that is not, and the file.
void exigirChavesLibpq(const OutrasChaves& outras, const QString& ficheiro) {
    for (const auto& par : outras)
        if (!TextoLigacao::chaveLibpq(par.first))
            throw Erro(Erro::Configuracao,
                       QStringLiteral("O ficheiro \"%1\" tem na secção [BaseDados] a chave \"%2\", que o programa "
                                      "não conhece.")
                           .arg(ficheiro, par.first));
}

} // namespace

void exigirChavesConhecidas(const QString& instancia, const QString& ficheiro) {
    const QString chave = TextoLigacao::chaveDesconhecida(instancia);
    if (chave.isEmpty())
        return;
    try {
        TextoLigacao::analisar(instancia);
    } catch (const Erro& e) {
        // Its words: a key that may be the tail of a password is not repeated.
        throw Erro(Erro::Configuracao, QStringLiteral("O ficheiro \"%1\", em Instancia: %2").arg(ficheiro, e.texto()));
    }
}

QString caminhoConfiguracao(const Pastas& pastas) {
    QString pasta = juntarCaminho(pastas.pastaBase(), PastaFabricante);
    // Only the folder's existence is tested, not the file's.
    if (!Ficheiros().existePasta(pasta))
        pasta = pastas.pastaAplicacao();
    return juntarCaminho(pasta, FicheiroConfiguracao);
}

QString textoLigacaoBd(const Pastas& pastas, const QString& caminho, QStringList* comPassword) {
    ConfigBd config;
    config.ler(caminho);
    exigirChavesLibpq(config.outras(), caminho);
    OutrasChaves opcoes = config.outras();
    const bool d4NoFicheiro = !config.valores()[3].isEmpty();
    if (d4NoFicheiro && comPassword)
        *comPassword << caminho;
    if (config.valores()[0].isEmpty() || config.valores()[1].isEmpty() || config.valores()[2].isEmpty()) {
        const QString alternativo = juntarCaminho(pastas.pastaAplicacao(), FicheiroAlternativo);
        config.lerAlternativo(alternativo);
        exigirChavesLibpq(config.outrasAlternativas(), alternativo);
        // The fall-back's keys complete those the configuration file does not give.
        for (const auto& par : config.outrasAlternativas())
            if (std::none_of(opcoes.cbegin(), opcoes.cend(), [&par](const auto& o) { return o.first == par.first; }))
                opcoes.append(par);
        config.definicao(0);
        config.completar(nullptr);
        // With setting 0 nothing is asked: a password that appeared came from the fall-back file.
        if (!d4NoFicheiro && !config.valores()[3].isEmpty() && comPassword)
            *comPassword << alternativo;
    }
    const std::array<QString, 4>& d = config.valores();
    return LigacaoBd(pastas).construir(Fornecedor, 1, d[0], d[1], d[2], d[3], opcoes);
}

} // namespace Arranque
