#include "ArranqueConfiguracao.h"

#include "Configuracao.h"
#include "LigacaoBd.h"
#include "Pastas.h"

namespace Arranque {

QString caminhoConfiguracao() {
    Pastas pastas;
    QString pasta = juntarCaminho(pastas.pastaBase(), PastaFabricante);
    // Only the folder's existence is tested, not the file's.
    if (!Ficheiros().existePasta(pasta))
        pasta = Pastas::pastaAplicacao();
    return juntarCaminho(pasta, FicheiroConfiguracao);
}

QString textoLigacaoBd(const QString& caminho, QStringList* comPassword) {
    ConfigBd config;
    config.ler(caminho);
    const bool d4NoFicheiro = !config.valores()[3].isEmpty();
    if (d4NoFicheiro && comPassword)
        *comPassword << caminho;
    if (config.valores()[0].isEmpty() || config.valores()[1].isEmpty() || config.valores()[2].isEmpty()) {
        const QString alternativo = juntarCaminho(Pastas::pastaAplicacao(), FicheiroAlternativo);
        config.lerAlternativo(alternativo);
        config.definicao(0);
        config.completar();
        // With setting 0 nothing is asked: a password that appeared came from the fall-back file.
        if (!d4NoFicheiro && !config.valores()[3].isEmpty() && comPassword)
            *comPassword << alternativo;
    }
    const std::array<QString, 4>& d = config.valores();
    return LigacaoBd().construir(Fornecedor, 1, d[0], d[1], d[2], d[3]);
}

} // namespace Arranque
