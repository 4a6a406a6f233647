#include "Arranque.h"

#include "CodigosErp.h"
#include "Configuracao.h"
#include "Dialecto.h"
#include "ErpLocal.h"
#include "Erro.h"
#include "Guarda.h"
#include "LigacaoBd.h"
#include "Mensagens.h"
#include "MensagensQt.h"
#include "Pastas.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <functional>
#include <optional>

namespace Arranque {

namespace {

/// Whether values read from a configuration file hold a password: the ERP
/// user's (E2), the database's (D4), or one inside the ERP's connection text (E4).
bool guardaPassword(const QString& e2, const QString& e4, const QString& d4) {
    if (!e2.isEmpty() || !d4.isEmpty())
        return true;
    try {
        return !TextoLigacao::analisar(e4).password.isEmpty();
    } catch (const Erro&) {
        return false; // no usable connection text: the login says so
    }
}

/// Warns once, without refusing, about the configuration files that hold a
/// password and can be read by other users of the workstation.
void avisarPermissoes(Mensagens& mensagens, QStringList caminhos) {
    caminhos.removeDuplicates();
    QStringList legiveis;
    for (const QString& c : caminhos) {
        if (QFileInfo::exists(c) && (QFile::permissions(c) & (QFile::ReadGroup | QFile::ReadOther)))
            legiveis << QLatin1Char('"') + c + QLatin1Char('"');
    }
    if (legiveis.isEmpty())
        return;
    const QString texto =
        legiveis.size() == 1
            ? QStringLiteral("O ficheiro de configuração %1 guarda palavras-passe e pode ser lido por outros "
                             "utilizadores deste posto. Torne-o legível só pelo seu dono (chmod 600).")
                  .arg(legiveis.constFirst())
            : QStringLiteral("Os ficheiros de configuração %1 guardam palavras-passe e podem ser lidos por outros "
                             "utilizadores deste posto. Torne-os legíveis só pelo seu dono (chmod 600).")
                  .arg(legiveis.join(QStringLiteral(" e ")));
    mensagens.caixa(QStringLiteral("Orlavane"), texto, Mensagens::Botoes::Ok, Mensagens::Icone::Aviso);
}

/// The failed login's box: its fixed text, then, when the ERP says that the
/// database failed (something the operator can act on), the ERP's words for
/// it. A refused user or password is not spelt out.
QString mensagemLoginFalhado(SessaoErp& sessao) {
    qint32 codigo = 0;
    QString motivo;
    sessao.UltimoErro(codigo, motivo);
    if (codigo != CodigosErp::ErroBaseDados || motivo.isEmpty())
        return MensagemLoginFalhado;
    return MensagemLoginFalhado + QStringLiteral("\n\n") + motivo;
}

/// The company database and this workstation's run journal, opened one
/// after the other; what failed is kept, to be told in its turn.
struct BaseEDiario {
    std::unique_ptr<BaseDados> base;
    std::unique_ptr<CorridasDoPosto> corridas; ///< holds `base`: goes first
    std::optional<Erro> falhaDiario;

    void abrir(const QString& texto, const QString& utilizador, const QString& posto) {
        base = std::make_unique<BaseDados>();
        if (!base->abrir(texto))
            return;
        try {
            corridas = std::make_unique<CorridasDoPosto>(*base, utilizador, posto);
        } catch (const Erro& e) {
            falhaDiario = e;
        }
    }
};

/// Whether the connection text names a database kept in a file of this
/// workstation, which opens at once. Only such a one is opened while the ERP
/// checks the login: a server that does not answer would hold a refused
/// login's box up for its whole connection timeout.
bool abreSemServidor(const QString& texto) {
    try {
        const Dialecto* d = Dialecto::doDriver(TextoLigacao::analisar(texto).driver);
        return d && !d->servidor();
    } catch (const Erro&) {
        return false; // opened after the login, which then says what is wrong
    }
}

/// Why the run journal could not be opened: the program then ends.
void dizerFalhaDiario(Mensagens& mensagens, const Erro& e) {
    mensagens.caixa(QStringLiteral("Orlavane"), e.texto(), Mensagens::Botoes::Ok, Mensagens::Icone::Critico);
}

/// Finishes the runs an earlier life left unfinished and tells the operator.
void recuperar(Mensagens& mensagens, CorridasDoPosto& corridas, SessaoErp& sessao, ResultadoRecuperacao* recuperacao) {
    const ResultadoRecuperacao r = corridas.recuperar(sessao);
    if (!r.texto.isEmpty())
        mensagens.caixa(QStringLiteral("Informação"), r.texto, Mensagens::Botoes::Ok,
                        r.baseInacessivel ? Mensagens::Icone::Aviso : Mensagens::Icone::Informacao);
    if (recuperacao)
        *recuperacao = r;
}

} // namespace

std::unique_ptr<CorridasDoPosto> abrirCorridas(Mensagens& mensagens, BaseDados& base, SessaoErp& sessao,
                                               const QString& utilizador, const QString& posto,
                                               ResultadoRecuperacao* recuperacao) {
    std::unique_ptr<CorridasDoPosto> corridas;
    try {
        corridas = std::make_unique<CorridasDoPosto>(base, utilizador, posto);
    } catch (const Erro& e) {
        dizerFalhaDiario(mensagens, e);
        return nullptr;
    }
    recuperar(mensagens, *corridas, sessao, recuperacao);
    return corridas;
}

Programa Main(Guarda& guarda, const Pastas& pastas, const std::function<std::unique_ptr<SessaoErp>()>& criarSessao) {
    Mensagens& mensagens = guarda.mensagens();
    Programa programa;
    const QString caminho = caminhoConfiguracao(pastas);

    // ERP login.
    std::array<QString, 5> e;
    // The files whose own text holds a password (not what the operator typed).
    QStringList comPassword;
    {
        ConfigErp config;
        config.ler(caminho);
        e = config.valores();
        exigirChavesConhecidas(e[3], caminho);
        if (guardaPassword(e[1], e[3], QString()))
            comPassword << caminho;
        if (e[0].isEmpty() || e[2].isEmpty() || e[3].isEmpty() || e[4].isEmpty()) {
            config.completar(mensagens);
            e = config.valores();
        }
    }
    std::unique_ptr<SessaoErp> sessao = criarSessao();
    sessao->definicao(3);
    // The ERP checks the login (its password hash is slow on purpose) while
    // this thread builds and lays out the window, not shown, and opens a
    // company database kept in a file with this workstation's run journal:
    // the operator then waits for the login alone. Nothing of it is seen or
    // told before the login has succeeded, and then in the order of the
    // steps: a refused login lets it all go unseen.
    const std::function<bool()> concluirLogin = sessao->iniciarLogin(e[0], e[1], e[2], e[3], e[4]);
    auto importacao = std::make_unique<Importacao>(pastas);
    auto janela = std::make_unique<frmImportacao>(*importacao, guarda);
    janela->ensurePolished();
    // Drawn once off the screen as it will first show (cleared, its grid's
    // columns in place): the glyphs and headings it needs are then ready when
    // it is first painted.
    importacao->limpar();
    janela->grab();
    const QString texto = textoLigacaoBd(pastas, caminho, &comPassword);
    BaseEDiario empresa;
    if (abreSemServidor(texto))
        empresa.abrir(texto, e[0], e[4]);
    const bool ligado = concluirLogin();
    if (!ligado) {
        mensagens.caixa(QStringLiteral("Orlavane"), mensagemLoginFalhado(*sessao), Mensagens::Botoes::Ok,
                        Mensagens::Icone::Nenhum);
        return programa;
    }
    // From here on the session is logged off however start-up ends, until
    // the window takes it.
    const auto logoff = qScopeGuard([&sessao] {
        if (sessao)
            sessao->logoff();
    });

    // Company database.
    avisarPermissoes(mensagens, comPassword);
    if (!empresa.base)
        empresa.abrir(texto, e[0], e[4]);
    const auto desistir = [&programa, &empresa, &sessao] {
        empresa.corridas.reset();
        sessao->logoff();
        sessao.reset();
        empresa.base.reset();
        return std::move(programa);
    };
    if (!empresa.base->aberta()) {
        // Without the company database nothing can be done: say which one and end.
        mensagens.caixa(QStringLiteral("Orlavane"), empresa.base->ultimoErro(), Mensagens::Botoes::Ok,
                        Mensagens::Icone::Critico);
        return desistir();
    }

    // This workstation's runs: nothing is stored without the journal, and
    // what an earlier life left half-done is finished before the window opens.
    if (empresa.falhaDiario) {
        dizerFalhaDiario(mensagens, *empresa.falhaDiario);
        return desistir();
    }
    recuperar(mensagens, *empresa.corridas, *sessao, nullptr);
    programa.baseDados = std::move(empresa.base);
    programa.corridas = std::move(empresa.corridas);

    QApplication::restoreOverrideCursor();
    programa.importacao = std::move(importacao);
    programa.janela = std::move(janela);
    programa.importacao->definirEmpresa(e[2]);
    programa.janela->Form_Load(*programa.baseDados, std::move(sessao), programa.corridas.get());
    programa.janela->show();
    return programa;
}

int executar(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlavane"));
    // The operator's boxes and the guard of every event, for the program's life.
    MensagensQt caixas;
    Guarda guarda(caixas);
    const Pastas pastas;
    Programa programa;
    guarda([&] { programa = Main(guarda, pastas, [] { return std::make_unique<ErpLocal>(); }); });
    if (guarda.terminacaoPedida() || !programa.janela)
        return 1; // ended before the window opened: what start-up took goes with `programa`
    // The window, then its controller (which logs the session off and closes
    // the database), the journal and the database go with `programa`.
    return QApplication::exec();
}

} // namespace Arranque
