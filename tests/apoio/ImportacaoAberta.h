#pragma once

#include "AmbienteJanela.h"
#include "Importacao.h"
#include "ModeloEncomendas.h"

#include <vector>

/// The window's controller, loaded as start-up loads the window (over the
/// environment's database, with the session given or a counting one), with
/// what it says recorded: its messages and the fields it sends the focus to.
struct ImportacaoAberta {
    explicit ImportacaoAberta(AmbienteJanela& a, std::unique_ptr<SessaoErp> sessao = {},
                              CorridasDoPosto* corridas = nullptr)
        : i(a.pastas) {
        QObject::connect(&i, &Importacao::aviso, &i, [this](const QString& t) { avisos << t; });
        QObject::connect(&i, &Importacao::focoPedido, &i, [this](Importacao::Campo c) { focos.push_back(c); });
        QObject::connect(&i, &Importacao::limpo, &i, [this] { ++limpezas; });
        i.abrir(a.bd, sessao ? std::move(sessao) : a.sessao(), corridas);
        limpezas = 0;
    }
    /// A load with these filters.
    void carregar(const QString& cliente, const QString& artigo = {}, const QString& numero = {},
                  const QString& req = {}) {
        i.carregar(FiltrosCarga{cliente, artigo, numero, req});
    }
    ModeloEncomendas& m() { return i.linhas(); }
    /// A cell as the grid shows it.
    QString celula(int linha, ColunaEncomenda c) { return m().data(m().indice(linha, c)).toString(); }
    void marcar(int linha, double qtd) {
        m().definirMarca(linha, true);
        m().definirQuantidade(linha, Moeda::deDouble(qtd));
    }
    /// Whether the window is as after its load: nothing loaded, the grid empty
    /// and laid out anew, mark-all ready to mark.
    bool limpa() const {
        return i.linhasCarregadas() == 0 && i.filtrosUsados().tamanho() == 0 && !i.linhas().encomenda(0) &&
               i.linhas().numeroLinhas() == 60 && i.marcarSeguinte() && i.nome(Importacao::Campo::Cliente).isEmpty();
    }

    Importacao i;
    QStringList avisos;
    std::vector<Importacao::Campo> focos;
    int limpezas = 0; ///< times the window was cleared since the load
};
