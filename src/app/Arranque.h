#pragma once

#include "ArranqueConfiguracao.h"
#include "BaseDados.h"
#include "CorridasDoPosto.h"
#include "Guarda.h"
#include "SessaoErp.h"
#include "frmImportacao.h"

#include <functional>
#include <memory>

/// Start-up: finds the configuration, logs in to the ERP, opens the company
/// database and shows the import window.
namespace Arranque {

/// The text shown when the ERP login fails.
inline const QString MensagemLoginFalhado = QStringLiteral("Não foi possivel ligar ao ERP(V2022) ...");

/// What start-up leaves running: the database, this workstation's run
/// journal, and the window with its controller, which holds the ERP session
/// and logs it off when the window ends. They go in the reverse order.
struct Programa {
    Programa() = default;
    Programa(Programa&&) = default;
    /// The program held before goes first, in its order.
    Programa& operator=(Programa&& outro) noexcept {
        fechar();
        baseDados = std::move(outro.baseDados);
        corridas = std::move(outro.corridas);
        importacao = std::move(outro.importacao);
        janela = std::move(outro.janela);
        return *this;
    }
    ~Programa() { fechar(); }
    /// The window, its controller, the journal, then the database.
    void fechar() {
        janela.reset();
        importacao.reset();
        corridas.reset();
        baseDados.reset();
    }

    std::unique_ptr<BaseDados> baseDados;
    std::unique_ptr<CorridasDoPosto> corridas;
    std::unique_ptr<Importacao> importacao;
    std::unique_ptr<frmImportacao> janela;
};

/// Opens the run journal of workstation `posto` on `base`, held for the
/// program's life (a second instance for the same workstation and database is
/// refused), and finishes the runs an earlier life left unfinished, telling
/// the operator in one box (through `mensagens`) which entries and how. When
/// the journal cannot be opened the operator is told why and nothing is
/// returned: the program ends. `recuperacao`, when given, receives what
/// recovery did.
std::unique_ptr<CorridasDoPosto> abrirCorridas(Mensagens& mensagens, BaseDados& base, SessaoErp& sessao,
                                               const QString& utilizador, const QString& posto,
                                               ResultadoRecuperacao* recuperacao = nullptr);

/// Runs start-up: its boxes are `guarda`'s, which the window's events run
/// inside; its files are in `pastas`. `criarSessao` makes the ERP session
/// (the local ERP unless a test gives its own). Returns a Programa without a
/// window when the program must end (the operator was told why); errors
/// raised on the way leave it.
Programa Main(Guarda& guarda, const Pastas& pastas, const std::function<std::unique_ptr<SessaoErp>()>& criarSessao);

/// The whole program: start-up, then the window's life. Returns the exit status.
int executar(int argc, char** argv);

} // namespace Arranque
