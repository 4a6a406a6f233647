// orlavane-posto: one workstation of the several-workstations test.
//
// Logs in to the local ERP with a session of its own, opens the company
// database with a connection of its own and drives the real import window
// (offscreen) as an operator would: accept the client, "&Carregar", tick
// lines and type quantities (or "&Marcar"), "&Guia"; again and again until
// the runs or the seconds are spent. Some runs may have a fault injected in
// the making of the Guia, so that its entry is annulled while the other
// workstations save. Opens the workstation's run journal (in the state
// folder, XDG_STATE_HOME) as the program does, finishing what an earlier
// run of it left unfinished, before the first round. After that and after
// every round it writes one line on standard output, the counts so far:
//
//   RESUMO posto=P rondas=N guias=G recusadas=R vazias=V falhas=F falhasEntrada=E listadas=L outras=O fatais=X
//          recuperadasGuia=RG recuperadasAnuladas=RA recuperadasNada=RN recuperadasListadas=RL
//          anuladas=A recuperadasAnulacao=RX
//
// guias: entry and Guia made; recusadas: the Guia refused because another
// workstation took the pending quantity first (the entry annulled); vazias:
// nothing pending any more; falhas: a fault injected in the Guia (the entry
// annulled); falhasEntrada: a fault injected in the entry (nothing stored);
// listadas: entries the window listed for manual annulment; outras: anything
// else, and windows not cleared after a run; fatais: errors that would have
// ended the program; recuperadas*: the runs an earlier, killed, life of this
// workstation left unfinished, closed at start-up with the Guia made, the
// entry annulled, nothing stored, or the entry listed for manual annulment.
//
//   orlavane-posto --ligacao TEXTO --pasta DIR --posto NOME --cliente CODIGO
//                  [--utilizador U --password P --empresa E]
//                  [--rondas N] [--segundos S] [--semente N] [--falhas PERCENTAGEM]
//                  [--matar-em PONTO [--matar-na-ronda N]] [--anular MOTIVO]
//
// --matar-em ends the process with SIGKILL (no destructor runs, nothing is
// flushed: as a crash or a power cut would) at a point of the first Guia run
// that reaches it from round N on (1): "entrada" right after the entry's
// commit, "gravacao" while the Guia's save is under way (on SQLite inside its
// transaction, every row written, before the commit; on PostgreSQL while its
// one statement is on its way to the server, which then completes it),
// "guia" right after the Guia's commit, "anulacao" while the entry's
// annulment is under way (the same) and "anulada" right after its commit
// (for these two the Guia is made to fail).
//
// --anular annuls, after the rounds, the workstation's newest Guia not yet
// annulled, with that reason, as "&Anular" in "&Documentos" does (anuladas
// counts it). With it, --matar-em also takes the points of that annulment:
// "anular-guia" inside the Guia's annulment, "guia-anulada" right after its
// commit, "anular-entrada" inside the entry's annulment and
// "entrada-anulada" right after its commit. recuperadasAnulacao counts the
// annulments an earlier life left unfinished, finished at start-up.
//
// Exit status: 0 when every run ended as the program promises (documents made,
// or refused with a message, and the window cleared); 2 after an error that
// would have ended the program; 3 when the login, the database or the run
// journal failed.

#include "ErpLocal.h"
#include "Grelha.h"
#include "Guarda.h"
#include "Mensagens.h"
#include "ModeloEncomendas.h"
#include "Moeda.h"
#include "frmImportacao.h"

#include "Arranque.h"
#include "CampoEntrada.h"
#include "Pastas.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include <csignal>
#include <cstdio>
#include <random>

namespace {

/// Answers every box with OK and remembers its text; forms are cancelled.
class MensagensPosto final : public Mensagens {
public:
    int caixa(const QString&, const QString& texto, Botoes, Icone) override {
        textos << texto;
        return RespostaOk;
    }
    bool pedirValores(const QString&, const QStringList&, QStringList&, const QList<int>&) override { return false; }
    void terminar(int codigo) override {
        terminado = true;
        codigoFim = codigo;
    }

    QStringList textos;
    bool terminado = false;
    int codigoFim = 0;
};

struct Contagem {
    int rondas = 0;
    int guias = 0;
    int recusadas = 0;
    int vazias = 0;
    int falhas = 0;
    int falhasEntrada = 0;
    int listadas = 0;
    int outras = 0;
    int fatais = 0;
    int anuladas = 0;
    /// What start-up recovery did, by outcome (FimCorrida::Tipo).
    QHash<FimCorrida::Tipo, int> recuperadas;
};

void escreverResumo(const QString& posto, const Contagem& c) {
    using T = FimCorrida::Tipo;
    std::printf("RESUMO posto=%s rondas=%d guias=%d recusadas=%d vazias=%d falhas=%d falhasEntrada=%d listadas=%d "
                "outras=%d fatais=%d recuperadasGuia=%d recuperadasAnuladas=%d recuperadasNada=%d "
                "recuperadasListadas=%d anuladas=%d recuperadasAnulacao=%d\n",
                qPrintable(posto), c.rondas, c.guias, c.recusadas, c.vazias, c.falhas, c.falhasEntrada, c.listadas,
                c.outras, c.fatais, c.recuperadas.value(T::GuiaFeita), c.recuperadas.value(T::EntradaAnulada),
                c.recuperadas.value(T::NadaGuardado), c.recuperadas.value(T::EntradaListada), c.anuladas,
                c.recuperadas.value(T::GuiaAnulada));
    std::fflush(stdout);
}

/// The points of a run where --matar-em ends the process, and the store of
/// the local ERP they are in the course of (no) or right after the commit of (yes).
struct PontoMorte {
    const char* nome;
    const char* operacao;
    bool depois;
    bool guiaFalha; ///< the Guia is made to fail, for the annulment to run
};
constexpr PontoMorte PontosMorte[] = {
    {"entrada", "CriaDocumentoEntrada", true, false}, {"gravacao", "GravaDocumento", false, false},
    {"guia", "GravaDocumento", true, false},          {"anulacao", "AnulaDocumento", false, true},
    {"anulada", "AnulaDocumento", true, true},
};

/// Arms the point for the next run: SIGKILL raised on the process itself.
void armarMorte(ErpLocal& erp, const PontoMorte& p) {
    const QString operacao = QString::fromLatin1(p.operacao);
    auto matar = [operacao](const QString& op) {
        if (op == operacao)
            std::raise(SIGKILL);
    };
    if (p.depois)
        erp.definirAccaoDepois(matar);
    else
        erp.definirAccaoEmCurso(matar);
    if (p.guiaFalha)
        erp.falharEm(QStringLiteral("GravaDocumento"));
}

/// The points of an annulment where --matar-em ends the process: inside
/// (no) or right after (yes) the commit of the ERP's n-th annulment, the
/// Guia's (1) or its entry's (2).
struct PontoAnulacao {
    const char* nome;
    int chamada;
    bool depois;
};
constexpr PontoAnulacao PontosAnulacao[] = {
    {"anular-guia", 1, false},
    {"guia-anulada", 1, true},
    {"anular-entrada", 2, false},
    {"entrada-anulada", 2, true},
};

void armarMorte(ErpLocal& erp, const PontoAnulacao& p) {
    auto matar = [chamada = p.chamada, vezes = 0](const QString& op) mutable {
        if (op == QLatin1String("AnulaDocumento") && ++vezes == chamada)
            std::raise(SIGKILL);
    };
    if (p.depois)
        erp.definirAccaoDepois(matar);
    else
        erp.definirAccaoNoMeio(matar);
}

/// Faults injected in the making of the Guia, after the entry was stored.
const QStringList FalhasGuia = {
    QStringLiteral("CriaObjectoApi"),
    QStringLiteral("Cab"),
    QStringLiteral("Validar"),
    QStringLiteral("AdicionaLinha"),
    QStringLiteral("GravaDocumento"),
    QStringLiteral("GravaDocumento:meio"),
    QStringLiteral("CriaDocumentoEntrada:recusa"),
};

void escreverErro(const QString& texto) {
    std::fprintf(stderr, "%s\n", qPrintable(texto));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlavane-posto"));

    QCommandLineParser opcoes;
    opcoes.setApplicationDescription(QStringLiteral("Um posto de trabalho do teste de vários postos em simultâneo."));
    opcoes.addHelpOption();
    const auto opcao = [&](const char* nome, const char* descricao, const char* valor, const char* defeito = nullptr) {
        QCommandLineOption o(QString::fromLatin1(nome), QString::fromUtf8(descricao), QString::fromLatin1(valor));
        if (defeito)
            o.setDefaultValue(QString::fromUtf8(defeito));
        opcoes.addOption(o);
        return o;
    };
    const auto ligacao = opcao("ligacao", "Texto de ligação à base de dados da empresa (e do ERP).", "TEXTO");
    const auto pasta = opcao("pasta", "Pasta do programa: a do ficheiro de parâmetros.", "DIR");
    const auto posto = opcao("posto", "Nome deste posto.", "NOME");
    const auto cliente = opcao("cliente", "Cliente cujas encomendas satisfazer.", "CODIGO");
    const auto utilizador = opcao("utilizador", "Utilizador do ERP.", "U", "demo");
    const auto password = opcao("password", "Palavra-passe do utilizador do ERP.", "P", "demo");
    const auto empresa = opcao("empresa", "Empresa do ERP.", "E", "DEMO");
    const auto rondas = opcao("rondas", "Número máximo de rondas.", "N", "20");
    const auto segundos = opcao("segundos", "Não começa rondas depois de tantos segundos.", "S", "60");
    const auto semente = opcao("semente", "Semente do gerador aleatório.", "N", "1");
    const auto falhas = opcao("falhas", "Percentagem de rondas com uma falha injectada na guia.", "P", "0");
    const auto matarEm = opcao("matar-em",
                               "Termina o processo (SIGKILL) neste ponto de uma guia: entrada, gravacao, guia, "
                               "anulacao ou anulada; ou da anulação de --anular: anular-guia, guia-anulada, "
                               "anular-entrada ou entrada-anulada.",
                               "PONTO");
    const auto matarNaRonda = opcao("matar-na-ronda", "Primeira ronda em que --matar-em se aplica.", "N", "1");
    const auto anular =
        opcao("anular", "Depois das rondas, anula a guia mais recente deste posto com este motivo.", "MOTIVO");
    opcoes.process(app);
    for (const auto& o : {ligacao, pasta, posto, cliente})
        if (opcoes.value(o).isEmpty()) {
            std::fprintf(stderr, "Falta --%s.\n", qPrintable(o.names().constFirst()));
            return 64;
        }

    const QString nomePosto = opcoes.value(posto);
    const QString codigoCliente = opcoes.value(cliente);
    const int maxRondas = opcoes.value(rondas).toInt();
    const qint64 limite = opcoes.value(segundos).toLongLong() * 1000;
    const int percentagemFalhas = opcoes.value(falhas).toInt();
    const PontoMorte* morte = nullptr;
    for (const PontoMorte& p : PontosMorte)
        if (opcoes.value(matarEm) == QLatin1String(p.nome))
            morte = &p;
    const PontoAnulacao* morteAnulacao = nullptr;
    for (const PontoAnulacao& p : PontosAnulacao)
        if (opcoes.value(matarEm) == QLatin1String(p.nome))
            morteAnulacao = &p;
    if (opcoes.isSet(matarEm) && !morte && !morteAnulacao) {
        std::fprintf(stderr, "Ponto desconhecido: %s.\n", qPrintable(opcoes.value(matarEm)));
        return 64;
    }
    const int rondaMorte = opcoes.value(matarNaRonda).toInt();
    std::mt19937 aleatorio(opcoes.value(semente).toUInt());
    const auto ate = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(aleatorio); };

    const Pastas pastas({}, opcoes.value(pasta));
    MensagensPosto mensagens;
    Guarda guarda(mensagens);

    auto sessao = std::make_unique<ErpLocal>();
    ErpLocal* erp = sessao.get();
    sessao->definicao(3);
    if (!sessao->login(opcoes.value(utilizador), opcoes.value(password), opcoes.value(empresa), opcoes.value(ligacao),
                       nomePosto)) {
        escreverErro(QStringLiteral("%1: login falhado: %2").arg(nomePosto, sessao->motivoFalhaLogin()));
        return 3;
    }
    BaseDados bd;
    if (!bd.abrir(opcoes.value(ligacao))) {
        escreverErro(QStringLiteral("%1: %2").arg(nomePosto, bd.ultimoErro()));
        return 3;
    }

    Contagem c;
    ResultadoRecuperacao recuperacao;
    std::unique_ptr<CorridasDoPosto> corridas;
    guarda([&] {
        corridas = Arranque::abrirCorridas(mensagens, bd, *erp, opcoes.value(utilizador), nomePosto, &recuperacao);
    });
    if (!corridas) {
        escreverErro(QStringLiteral("%1: %2").arg(nomePosto, mensagens.textos.join('|')));
        return 3;
    }
    for (const CorridaRecuperada& r : recuperacao.recuperadas)
        ++c.recuperadas[r.fim.tipo];
    if (!recuperacao.texto.isEmpty())
        escreverErro(QStringLiteral("%1: %2").arg(nomePosto, recuperacao.texto));
    {
        Importacao importacao(pastas);
        frmImportacao w(importacao, guarda);
        importacao.definirEmpresa(opcoes.value(empresa));
        guarda([&] { w.Form_Load(bd, std::move(sessao), corridas.get()); });
        // The window's controls, by name.
        auto* cliente = w.findChild<CampoEntrada*>(QStringLiteral("campo1"));
        const auto botao = [&w](const char* nome) { return w.findChild<QPushButton*>(QLatin1String(nome)); };
        if (!mensagens.terminado) {
            w.show();
            QElapsedTimer relogio;
            relogio.start();
            for (; c.rondas < maxRondas && relogio.elapsed() < limite && !mensagens.terminado; ++c.rondas) {
                // The counts so far: what a killed process leaves on its output.
                escreverResumo(nomePosto, c);
                mensagens.textos.clear();
                // The client typed and the field left: the next load starts a fresh grid.
                cliente->setFocus();
                cliente->setText(codigoCliente);
                importacao.definirValidarCampo(true);
                if (!cliente->validarSaida() || !mensagens.textos.isEmpty()) {
                    ++c.outras;
                    escreverErro(QStringLiteral("%1: cliente recusado: %2").arg(nomePosto, mensagens.textos.join('|')));
                    continue;
                }
                botao("btCarga")->click();
                if (mensagens.terminado)
                    break;
                if (!mensagens.textos.isEmpty()) {
                    ++c.vazias; // nothing pending any more
                    continue;
                }

                // Tick some of the oldest lines, as operators do, so that the
                // workstations compete for the same ones; often for the whole
                // pending quantity, which another may be taking at that moment.
                ModeloEncomendas& m = importacao.linhas();
                const int linhas = importacao.linhasCarregadas();
                if (ate(20) == 0) {
                    botao("btMarcar")->click();
                    for (int r = 0; r < linhas; ++r) {
                        const Moeda pendente = m.quantidadePendente(r).value_or(Moeda());
                        m.definirQuantidade(r, std::min(pendente, Moeda::deInteiro(1 + ate(3))));
                    }
                } else {
                    const int marcar = 1 + ate(std::min(3, linhas));
                    for (int k = 0; k < marcar; ++k) {
                        const int r = ate(std::min(6, linhas));
                        const Moeda pendente = m.quantidadePendente(r).value_or(Moeda());
                        const std::int64_t inteiro = pendente.unidades() / Moeda::Escala;
                        const Moeda q = (ate(3) == 0 || inteiro < 1)
                                            ? pendente
                                            : Moeda::deInteiro(1 + ate(int(std::min<std::int64_t>(inteiro, 5))));
                        m.definirMarca(r, true);
                        m.definirQuantidade(r, q);
                    }
                }

                const bool injectar = percentagemFalhas > 0 && ate(100) < percentagemFalhas;
                if (morte && c.rondas + 1 >= rondaMorte)
                    armarMorte(*erp, *morte);
                else if (injectar)
                    erp->falharEm(FalhasGuia.at(ate(int(FalhasGuia.size()))));
                botao("btEnc")->click();
                erp->limparFalhas();
                if (mensagens.terminado)
                    break;

                const QStringList& t = mensagens.textos;
                const QString listagem = QStringLiteral("Os documentos seguintes devem ser anulados manualmente");
                if (t.isEmpty()) {
                    ++c.guias;
                } else if (t.constFirst().contains(QLatin1String("Falha simulada em CriaDocumentoEntrada"))) {
                    ++c.falhasEntrada;
                } else if (t.constFirst().contains(QLatin1String("Falha simulada"))) {
                    ++c.falhas;
                } else if (t.constFirst().contains(QLatin1String(": pendente "))) {
                    ++c.recusadas;
                } else {
                    ++c.outras;
                    escreverErro(QStringLiteral("%1: ronda %2: %3").arg(nomePosto).arg(c.rondas).arg(t.join('|')));
                }
                for (const QString& s : t)
                    if (s.startsWith(listagem)) {
                        c.listadas += int(s.count(QLatin1String("\n\r'")));
                        escreverErro(QStringLiteral("%1: %2").arg(nomePosto, s));
                    }
                // Every run ends with the window cleared.
                if (importacao.linhasCarregadas() != 0 || m.encomenda(0) || !botao("btEnc")->isEnabled()) {
                    ++c.outras;
                    escreverErro(QStringLiteral("%1: ronda %2: a janela não ficou limpa").arg(nomePosto).arg(c.rondas));
                }
            }
        }
        if (opcoes.isSet(anular) && !mensagens.terminado) {
            // The newest of the day's Guias not yet annulled.
            mensagens.textos.clear();
            guarda([&] {
                const QDate hoje = QDate::currentDate();
                for (const DocumentoDoPosto& d : importacao.documentos(hoje, hoje, QString())) {
                    if (d.anulada)
                        continue;
                    if (morteAnulacao)
                        armarMorte(*erp, *morteAnulacao);
                    if (importacao.anular(d.guia, opcoes.value(anular)).anulada)
                        ++c.anuladas;
                    else
                        ++c.outras;
                    break;
                }
            });
            if (!mensagens.textos.isEmpty())
                escreverErro(QStringLiteral("%1: %2").arg(nomePosto, mensagens.textos.join('|')));
        }
        if (mensagens.terminado) {
            ++c.fatais;
            escreverErro(QStringLiteral("%1: o programa terminaria: %2").arg(nomePosto, mensagens.textos.join('|')));
        }
    }
    escreverResumo(nomePosto, c);
    return c.fatais > 0 ? 2 : 0;
}
