// The measures. Each figure runs the window's own handlers on its offscreen
// window and stops the clock when the grid (or the list) has painted; each
// floor does the same database work straight through the engine's API.

#include "Medidas.h"

#include "Ambiente.h"
#include "ArranqueConfiguracao.h"
#include "CampoEntrada.h"
#include "DiarioCorridas.h"
#include "Erro.h"
#include "FicheirosEstado.h"
#include "Filhos.h"
#include "Grelha.h"
#include "GuiaServidor.h"
#include "LigacaoBd.h"
#include "ListaPesquisa.h"
#include "ModeloEncomendas.h"
#include "Pastas.h"
#include "Pisos.h"
#include "Twips.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

namespace Bench {

namespace {

using Corpo = std::function<void(benchmark::State&)>;

/// Runs a measure; an error ends it as a benchmark error (named in the report).
void correr(benchmark::State& st, const Corpo& corpo) {
    try {
        corpo(st);
    } catch (const Erro& e) {
        st.SkipWithError(qPrintable(e.texto()));
    } catch (const std::exception& e) {
        st.SkipWithError(e.what());
    }
}

/// The paint counters of the grids, one per window.
ContadorPinturas& pinturasGrelha(Empresa& e) {
    static std::map<frmImportacao*, ContadorPinturas*> contadores;
    ContadorPinturas*& c = contadores[e.janela.get()];
    if (!c)
        c = new ContadorPinturas(e.controlo<Grelha>("Grelha").viewport());
    return *c;
}

void deixarPintar() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

/// The window with the client's lines loaded (unless they already are).
void carregada(Empresa& e, const QString& cliente, int linhas) {
    Importacao& i = *e.importacao;
    CampoEntrada& campoCliente = e.controlo<CampoEntrada>("campo1");
    if (i.linhasCarregadas() != linhas || campoCliente.text() != cliente) {
        i.limpar();
        campoCliente.setText(cliente);
        e.controlo<QPushButton>("btCarga").click();
        Ambiente::actual().exigirSemCaixas(QStringLiteral("Carregar %1").arg(cliente));
        if (i.linhasCarregadas() != linhas)
            throw Erro(
                Erro::Configuracao,
                QStringLiteral("%1 carregou %2 linhas, não %3.").arg(cliente).arg(i.linhasCarregadas()).arg(linhas));
    }
    deixarPintar();
}

// --- "&Carregar" -----------------------------------------------------------

void carga(benchmark::State& st, const QString& base, const QString& cliente) {
    Ambiente& a = Ambiente::actual();
    Empresa& e = a.comJanela(base);
    Importacao& i = *e.importacao;
    CampoEntrada& campoCliente = e.controlo<CampoEntrada>("campo1");
    QPushButton& btCarga = e.controlo<QPushButton>("btCarga");
    ContadorPinturas& pinturas = pinturasGrelha(e);
    const int esperadas = a.pendentes(cliente);
    for (auto _ : st) {
        i.limpar();
        campoCliente.setText(cliente);
        deixarPintar();
        // The load may paint the grid itself before it returns (it handles
        // what came in while it read): the first paint with the lines in it,
        // inside the call or after it, ends the measure.
        pinturas.contarSo([&] { return i.linhas().numeroLinhas() >= esperadas; });
        const int antes = pinturas.pinturas();
        const double t0 = agora();
        btCarga.click();
        pinturas.esperarPinturaDesde(antes);
        pinturas.contarSo(nullptr);
        st.SetIterationTime(agora() - t0);
        a.exigirSemCaixas(QStringLiteral("Carregar"));
        if (i.linhasCarregadas() != esperadas)
            throw Erro(Erro::Configuracao, QStringLiteral("Carregar %1 deu %2 linhas, não %3.")
                                               .arg(cliente)
                                               .arg(i.linhasCarregadas())
                                               .arg(esperadas));
    }
    st.counters["linhas"] = esperadas;
}

void pisoCargaSqlite(benchmark::State& st, const QString& base, const QString& cliente) {
    Ambiente& a = Ambiente::actual();
    PisoSqlite piso(a.empresa(base).ficheiro);
    const Instrucao ins = instrucaoCarga(cliente);
    for (auto _ : st) {
        const double t0 = agora();
        const Leitura l = piso.consulta(ins);
        st.SetIterationTime(agora() - t0);
        benchmark::DoNotOptimize(l.soma);
        if (l.linhas != a.pendentes(cliente))
            throw Erro(Erro::Configuracao, QStringLiteral("O piso leu %1 linhas.").arg(l.linhas));
    }
}

void pisoCargaPg(benchmark::State& st, const QString& cliente) {
    Ambiente& a = Ambiente::actual();
    PisoPostgres piso(a.opcoes().postgres + QStringLiteral(" dbname=") +
                      a.empresa(QStringLiteral("grande-pg")).baseDados);
    const Instrucao ins = instrucaoCarga(cliente);
    for (auto _ : st) {
        const double t0 = agora();
        const Leitura l = piso.consulta(ins);
        st.SetIterationTime(agora() - t0);
        benchmark::DoNotOptimize(l.soma);
        if (l.linhas != a.pendentes(cliente))
            throw Erro(Erro::Configuracao, QStringLiteral("O piso leu %1 linhas.").arg(l.linhas));
    }
}

// --- "&Marcar" / "&Desmarcar" ---------------------------------------------

void marcar(benchmark::State& st, bool desmarcar) {
    Ambiente& a = Ambiente::actual();
    Empresa& e = a.comJanela(QStringLiteral("grande"));
    carregada(e, DadosBench::ClienteGrande, a.pendentes(DadosBench::ClienteGrande));
    QPushButton& btMarcar = e.controlo<QPushButton>("btMarcar");
    ContadorPinturas& pinturas = pinturasGrelha(e);
    const QString antes = desmarcar ? QStringLiteral("&Desmarcar") : QStringLiteral("&Marcar");
    for (auto _ : st) {
        if (btMarcar.text() != antes) {
            btMarcar.click();
            deixarPintar();
        }
        const double t0 = agora();
        btMarcar.click();
        pinturas.esperarPintura();
        st.SetIterationTime(agora() - t0);
        a.exigirSemCaixas(antes);
        if (e.importacao->linhas().marcada(0) == desmarcar)
            throw Erro(Erro::Configuracao, QStringLiteral("%1 não mudou a primeira linha.").arg(antes));
    }
}

// --- one tick, one quantity ------------------------------------------------

/// Puts a hook of the grid back as it was when the measure ends, also by an error.
template <class F> class Repor {
public:
    explicit Repor(F& gancho) : m_gancho(gancho), m_original(gancho) {}
    ~Repor() { m_gancho = m_original; }
    Q_DISABLE_COPY_MOVE(Repor)

private:
    F& m_gancho;
    F m_original;
};

/// Rows visited in turn, spread over the grid.
int linhaDaVez(int i, int linhas) {
    return static_cast<int>((static_cast<long long>(i) * 7919) % linhas);
}

void tique(benchmark::State& st) {
    Ambiente& a = Ambiente::actual();
    Empresa& e = a.comJanela(QStringLiteral("grande"));
    const int linhas = a.pendentes(DadosBench::ClienteGrande);
    carregada(e, DadosBench::ClienteGrande, linhas);
    Grelha& grelha = e.controlo<Grelha>("Grelha");
    ModeloEncomendas& m = e.importacao->linhas();
    // The window's handler, timed on its own.
    const std::function<void()> original = grelha.aoAlterarValor;
    const Repor repor(grelha.aoAlterarValor);
    double noManipulador = 0;
    int chamadas = 0;
    grelha.aoAlterarValor = [&] {
        const double t0 = agora();
        original();
        noManipulador += agora() - t0;
        ++chamadas;
    };
    int i = 0;
    for (auto _ : st) {
        const int r = linhaDaVez(++i, linhas);
        const QModelIndex celula = m.indice(r, ColunaEncomenda::AN);
        grelha.setCurrentIndex(celula);
        const bool antes = m.marcada(r);
        QKeyEvent espaco(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        const double t0 = agora();
        QApplication::sendEvent(&grelha, &espaco);
        st.SetIterationTime(agora() - t0);
        if (m.marcada(r) == antes)
            throw Erro(Erro::Configuracao, QStringLiteral("O espaço não mudou a marca da linha %1.").arg(r));
    }
    a.exigirSemCaixas(QStringLiteral("Marcar uma linha"));
    st.counters["manipulador_us"] = chamadas ? noManipulador / chamadas * 1e6 : 0;
    deixarPintar();
}

void quantidade(benchmark::State& st) {
    Ambiente& a = Ambiente::actual();
    Empresa& e = a.comJanela(QStringLiteral("grande"));
    const int linhas = a.pendentes(DadosBench::ClienteGrande);
    carregada(e, DadosBench::ClienteGrande, linhas);
    Grelha& grelha = e.controlo<Grelha>("Grelha");
    ModeloEncomendas& m = e.importacao->linhas();
    const auto original = grelha.antesDeConfirmar;
    const Repor repor(grelha.antesDeConfirmar);
    double noManipulador = 0;
    int chamadas = 0;
    grelha.antesDeConfirmar = [&](const QModelIndex& celula, const QString& texto, QVariant& anterior, bool& cancelar) {
        const double t0 = agora();
        original(celula, texto, anterior, cancelar);
        noManipulador += agora() - t0;
        ++chamadas;
    };
    int i = 0;
    for (auto _ : st) {
        int r = linhaDaVez(++i, linhas);
        // A line with at least one unit pending takes the quantity 1.
        while (m.quantidadePendente(r).value_or(Moeda()) < Moeda::deInteiro(1))
            r = (r + 1) % linhas;
        const QModelIndex celula = m.indice(r, ColunaEncomenda::Qtd);
        grelha.setCurrentIndex(celula);
        grelha.edit(celula);
        auto* editor = qobject_cast<QLineEdit*>(grelha.indexWidget(celula));
        if (!editor)
            throw Erro(Erro::Configuracao, QStringLiteral("A célula da quantidade não abriu o editor."));
        editor->setText(QStringLiteral("1"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        const double t0 = agora();
        QApplication::sendEvent(editor, &enter);
        st.SetIterationTime(agora() - t0);
        if (!m.marcada(r) || m.quantidade(r) != Moeda::deInteiro(1))
            throw Erro(Erro::Configuracao, QStringLiteral("A quantidade 1 não ficou na linha %1.").arg(r));
    }
    a.exigirSemCaixas(QStringLiteral("Escrever uma quantidade"));
    st.counters["manipulador_us"] = chamadas ? noManipulador / chamadas * 1e6 : 0;
    deixarPintar();
}

// --- "&Guia" ---------------------------------------------------------------

/// 1,000 lines, or a quarter of the tiny base's: every Guia satisfies its
/// lines in full, and the repetitions must find lines left.
int linhasGuia() {
    return Ambiente::actual().tamanhos().linhasGuia;
}

/// The Guia of `n` of BIG's lines on base `nome`: "guia" (SQLite), "guia-pg"
/// (PostgreSQL, its socket) or "guia-pg-rele" (through the relay, holding
/// each direction `atraso`, with the round trips it counted).
void guia(benchmark::State& st, const QString& nome, std::chrono::microseconds atraso, int n) {
    Ambiente& a = Ambiente::actual();
    Empresa& e = a.comJanela(nome);
    Rele* rele = nome == QLatin1String("guia-pg-rele") ? &a.rele() : nullptr;
    Importacao& i = *e.importacao;
    ModeloEncomendas& m = i.linhas();
    QPushButton& btEnc = e.controlo<QPushButton>("btEnc");
    for (auto _ : st) {
        if (rele)
            rele->definirAtraso(atraso);
        // Each Guia satisfies its lines in full: the next load brings others.
        i.limpar();
        e.controlo<CampoEntrada>("campo1").setText(DadosBench::ClienteGrande);
        e.controlo<QPushButton>("btCarga").click();
        a.exigirSemCaixas(QStringLiteral("Carregar para a Guia"));
        if (i.linhasCarregadas() < n)
            throw Erro(Erro::Configuracao, QStringLiteral("Só há %1 linhas para a Guia.").arg(i.linhasCarregadas()));
        for (int r = 0; r < n; ++r) {
            m.definirMarca(r, true);
            m.definirQuantidade(r, m.quantidadePendente(r));
        }
        deixarPintar();
        const qint64 registo = QFileInfo(e.corridas->registo().caminho()).size();
        contarIdasEVoltas(st, rele, [&] {
            const double t0 = agora();
            btEnc.click();
            st.SetIterationTime(agora() - t0);
        });
        a.exigirSemCaixas(QStringLiteral("Guia"));
        if (!i.estado().startsWith(QStringLiteral("Criados")))
            throw Erro(Erro::Configuracao, QStringLiteral("A Guia não foi criada: %1").arg(i.estado()));
        // The run went through the journal and the log, and ended there.
        if (!e.corridas->diario().porTerminar().empty() || QFileInfo(e.corridas->registo().caminho()).size() <= registo)
            throw Erro(Erro::Configuracao, QStringLiteral("A Guia não ficou terminada no diário e no registo."));
    }
    st.counters["linhas"] = n;
}

void pisoGuia(benchmark::State& st) {
    Ambiente& a = Ambiente::actual();
    PisoSqlite piso(a.empresa(QStringLiteral("guia-piso")).ficheiro);
    static int numero = 0;
    for (auto _ : st) {
        const std::vector<LinhaPiso> linhas = piso.linhasPendentes(DadosBench::ClienteGrande, linhasGuia());
        const double t0 = agora();
        piso.guia(linhas, ++numero);
        st.SetIterationTime(agora() - t0);
    }
}

// --- the "Clientes" look-up ------------------------------------------------

/// Notes when a list's rows have first been painted (the end of the first
/// paint of its table that has rows) and closes the list right after.
class ObservadorLista final : public QObject {
public:
    double fim = 0;

protected:
    bool eventFilter(QObject* objecto, QEvent* evento) override {
        if (evento->type() != QEvent::Paint || m_visto || m_pintando)
            return false;
        auto* area = qobject_cast<QWidget*>(objecto);
        auto* tabela = area ? qobject_cast<QTableView*>(area->parentWidget()) : nullptr;
        if (!tabela || tabela->viewport() != area || !tabela->model() || tabela->model()->rowCount() == 0)
            return false;
        auto* dialogo = qobject_cast<QDialog*>(tabela->window());
        if (!dialogo)
            return false;
        m_visto = true;
        // The paint itself, here, so that the clock stops when it is done.
        m_pintando = true;
        QCoreApplication::sendEvent(area, evento);
        m_pintando = false;
        fim = agora();
        QMetaObject::invokeMethod(dialogo, &QDialog::reject, Qt::QueuedConnection);
        return true;
    }

private:
    bool m_visto = false;
    bool m_pintando = false;
};

void pesquisa(benchmark::State& st, const QString& base) {
    Ambiente& a = Ambiente::actual();
    Empresa& e = a.comJanela(base);
    QPushButton& btFx = e.controlo<QPushButton>("btFx1");
    for (auto _ : st) {
        ObservadorLista observador;
        qApp->installEventFilter(&observador);
        const double t0 = agora();
        btFx.click();
        qApp->removeEventFilter(&observador);
        if (observador.fim == 0)
            throw Erro(Erro::Configuracao, QStringLiteral("A lista de clientes fechou sem linhas pintadas."));
        st.SetIterationTime(observador.fim - t0);
        a.exigirSemCaixas(QStringLiteral("Lista de clientes"));
        deixarPintar();
    }
}

const Instrucao& instrucaoPesquisa() {
    static const Instrucao i{
        QStringLiteral("SELECT Codigo AS Cliente, Nome AS Nome From Clientes  ORDER BY Codigo"), {}, {}};
    return i;
}

void pisoPesquisa(benchmark::State& st, const QString& base) {
    PisoSqlite piso(Ambiente::actual().empresa(base).ficheiro);
    for (auto _ : st) {
        const double t0 = agora();
        const Leitura l = piso.consulta(instrucaoPesquisa(), ModeloPesquisa::Pagina);
        st.SetIterationTime(agora() - t0);
        benchmark::DoNotOptimize(l.soma);
    }
}

/// A bare Qt dialog of the list's size with a table of 100 rows, opened to
/// its first painted row.
void dialogoNu(benchmark::State& st) {
    QStandardItemModel modelo(ModeloPesquisa::Pagina, 2);
    for (int r = 0; r < ModeloPesquisa::Pagina; ++r) {
        modelo.setItem(r, 0, new QStandardItem(QStringLiteral("C%1").arg(r + 1, 6, 10, QLatin1Char('0'))));
        modelo.setItem(r, 1, new QStandardItem(QStringLiteral("Cliente número %1, Lda").arg(r + 1)));
    }
    for (auto _ : st) {
        ObservadorLista observador;
        qApp->installEventFilter(&observador);
        const double t0 = agora();
        {
            // The list's size, for a fair comparison: the same area to paint.
            QDialog d;
            auto* layout = new QVBoxLayout(&d);
            auto* tabela = new QTableView(&d);
            tabela->setModel(&modelo);
            layout->addWidget(tabela);
            d.resize(twipsParaPixeis(8000, &d), twipsParaPixeis(6000, &d, true));
            d.exec();
        }
        qApp->removeEventFilter(&observador);
        st.SetIterationTime(observador.fim - t0);
    }
}

// --- start-up and memory, in processes of their own ---------------------------

/// The journal start-up finds on an ordinary morning: yesterday's runs of
/// this workstation, every one finished. Made once; written again before
/// each start, since start-up may rewrite it.
struct DiarioDaVespera {
    QString caminho;
    QByteArray conteudo;
};

const DiarioDaVespera& diarioDaVespera() {
    static const DiarioDaVespera d = [] {
        Ambiente& a = Ambiente::actual();
        const QString texto =
            Arranque::textoLigacaoBd(Pastas(a.pastaArranque(), a.pastaArranque()),
                                     QDir(a.pastaArranque()).filePath(QStringLiteral("Orlavane.zeb")));
        DiarioCorridas diario(QStringLiteral("bench"), TextoLigacao::analisar(texto).descricao());
        for (int i = 1; i <= 20; ++i) {
            InicioCorrida inicio;
            inicio.cliente = DadosBench::ClientePequeno;
            inicio.tipoEntrada = QStringLiteral("ENT");
            inicio.serieEntrada = 1;
            inicio.anoEntrada = 2024;
            inicio.maiorNumero = i - 1;
            for (int l = 1; l <= 10; ++l)
                inicio.linhas.push_back({QStringLiteral("A%1").arg(l, 5, 10, QLatin1Char('0')), Moeda::deInteiro(l)});
            const QString id = diario.iniciar(inicio);
            diario.terminar(id, {FimCorrida::Tipo::GuiaFeita, ChaveDocumento{2024, QStringLiteral("ENT"), 1, i},
                                 ChaveDocumento{2024, QStringLiteral("GR"), 1, i}, QString()});
        }
        return DiarioDaVespera{diario.caminho(), FicheirosEstado::lerTudo(diario.caminho(), QStringLiteral("ler"))};
    }();
    return d;
}

void arranque(benchmark::State& st) {
    Ambiente& a = Ambiente::actual();
    const DiarioDaVespera& vespera = diarioDaVespera();
    double login = 0;
    for (auto _ : st) {
        QFile diario(vespera.caminho);
        if (!diario.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            diario.write(vespera.conteudo) != vespera.conteudo.size())
            throw Erro(Erro::Ficheiro, QStringLiteral("Não foi possível escrever %1.").arg(vespera.caminho));
        diario.close();
        const Relato r = correrFilho(a.opcoes().executavel, {QStringLiteral("arranque"), a.pastaArranque()});
        st.SetIterationTime(r.valor(QStringLiteral("mostrada")) - r.inicio);
        login += r.valor(QStringLiteral("login"));
    }
    st.counters["login_ms"] = login / static_cast<double>(st.iterations()) * 1e3;
}

void janelaNua(benchmark::State& st) {
    Ambiente& a = Ambiente::actual();
    double pico = 0;
    for (auto _ : st) {
        const Relato r = correrFilho(a.opcoes().executavel, {QStringLiteral("nua")});
        st.SetIterationTime(r.valor(QStringLiteral("mostrada")) - r.inicio);
        pico = std::max(pico, r.valor(QStringLiteral("pico_kib")));
    }
    st.counters["pico_MiB"] = pico / 1024.0;
}

void memoria(benchmark::State& st) {
    Ambiente& a = Ambiente::actual();
    double pico = 0, arranque = 0;
    for (auto _ : st) {
        const Relato r = correrFilho(a.opcoes().executavel,
                                     {QStringLiteral("memoria"), a.pastaArranque(), DadosBench::ClienteLimite});
        st.SetIterationTime(0.001);
        if (r.valor(QStringLiteral("linhas")) != a.pendentes(DadosBench::ClienteLimite))
            throw Erro(Erro::Configuracao, QStringLiteral("A carga de LIMITE não deu as linhas esperadas."));
        if (r.valor(QStringLiteral("reiniciado")) != 1)
            throw Erro(Erro::Configuracao, QStringLiteral("O pico de memória não pôde ser reiniciado."));
        pico = std::max(pico, r.valor(QStringLiteral("pico_kib")));
        arranque = std::max(arranque, r.valor(QStringLiteral("pico_arranque_kib")));
    }
    st.counters["pico_MiB"] = pico / 1024.0;
    st.counters["pico_arranque_MiB"] = arranque / 1024.0;
}

void registar(const char* nome, int repeticoes, int iteracoes, Corpo corpo) {
    benchmark::RegisterBenchmark(nome, [corpo](benchmark::State& st) { correr(st, corpo); })
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(iteracoes)
        ->Repetitions(repeticoes)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true);
}

} // namespace

QJsonObject planosDaCarga(Ambiente& a) {
    QJsonObject r;
    // PostgreSQL may choose to read the whole table for a client with tens of
    // thousands of lines (its cost model, not a missing index); for SMALL it must seek.
    auto verificar = [](const QString& onde, const QStringList& plano, bool exigir) {
        for (const QString& passo : plano)
            if (exigir && (passo.contains(QLatin1String("SCAN DOCGCLIN"), Qt::CaseInsensitive) ||
                           passo.contains(QLatin1String("Seq Scan on docgclin"), Qt::CaseInsensitive)))
                std::printf("AVISO: %s lê DOCGCLIN inteira: %s\n", qPrintable(onde), qPrintable(passo));
        return QJsonArray::fromStringList(plano);
    };
    PisoSqlite sqlite(a.empresa(QStringLiteral("grande")).ficheiro);
    for (const QString& cliente : {DadosBench::ClienteGrande, DadosBench::ClientePequeno}) {
        const QString onde = QStringLiteral("SQLite, %1").arg(cliente);
        const QStringList plano = sqlite.plano(instrucaoCarga(cliente));
        r[onde] = verificar(onde, plano, true);
        if (plano.join(QLatin1Char(' ')).contains(QLatin1String("SCAN DOCGCLIN")))
            throw Erro(Erro::Configuracao,
                       QStringLiteral("A instrução de \"&Carregar\" lê DOCGCLIN inteira no SQLite."));
    }
    if (a.tem(QStringLiteral("grande-pg"))) {
        PisoPostgres pg(a.opcoes().postgres + QStringLiteral(" dbname=") +
                        a.empresa(QStringLiteral("grande-pg")).baseDados);
        for (const QString& cliente : {DadosBench::ClienteGrande, DadosBench::ClientePequeno}) {
            const QString onde = QStringLiteral("PostgreSQL, %1").arg(cliente);
            r[onde] = verificar(onde, pg.plano(instrucaoCarga(cliente)), cliente == DadosBench::ClientePequeno);
        }
    }
    return r;
}

void registarMedidas(bool rapido, bool postgres, int repeticoes) {
    // The smoke run only checks that every measure runs: few repetitions.
    const auto vezes = [=](int n) { return repeticoes > 0 ? repeticoes : (rapido ? 2 : n); };
    const QString grande = DadosBench::ClienteGrande, pequeno = DadosBench::ClientePequeno;
    registar(Nome::CargaGrande, vezes(25), 1, [=](auto& st) { carga(st, QStringLiteral("grande"), grande); });
    registar(Nome::PisoCargaGrande, vezes(25), 1,
             [=](auto& st) { pisoCargaSqlite(st, QStringLiteral("grande"), grande); });
    if (postgres) {
        registar(Nome::CargaGrandePg, vezes(15), 1, [=](auto& st) { carga(st, QStringLiteral("grande-pg"), grande); });
        registar(Nome::PisoCargaGrandePg, vezes(15), 1, [=](auto& st) { pisoCargaPg(st, grande); });
    }
    registar(Nome::CargaPequenoGrande, vezes(20), 5, [=](auto& st) { carga(st, QStringLiteral("grande"), pequeno); });
    registar(Nome::CargaPequenoPequena, vezes(20), 5, [=](auto& st) { carga(st, QStringLiteral("pequena"), pequeno); });
    registar(Nome::CargaGrandePequena, vezes(10), 1, [=](auto& st) { carga(st, QStringLiteral("pequena"), grande); });
    registar(Nome::Marcar, vezes(25), 1, [](auto& st) { marcar(st, false); });
    registar(Nome::Desmarcar, vezes(25), 1, [](auto& st) { marcar(st, true); });
    registar(Nome::Tique, vezes(10), rapido ? 20 : 100, [](auto& st) { tique(st); });
    registar(Nome::Quantidade, vezes(10), rapido ? 20 : 100, [](auto& st) { quantidade(st); });
    registar(Nome::Guia, vezes(15), 1,
             [](auto& st) { guia(st, QStringLiteral("guia"), std::chrono::microseconds(0), linhasGuia()); });
    registar(Nome::PisoGuia, vezes(15), 1, [](auto& st) { pisoGuia(st); });
    if (postgres) {
        // The Guia on the server, on its socket and over a link of 1 and 10 ms.
        using std::chrono::microseconds;
        // The smoke run's BIG has too few lines for a Guia of its quarter per repetition.
        const int n = rapido ? 10 : Ambiente::actual().tamanhos().linhasGuia;
        const QString local = QStringLiteral("guia-pg"), rele = QStringLiteral("guia-pg-rele");
        registar(Nome::GuiaPg, vezes(5), 1, [=](auto& st) { guia(st, local, microseconds(0), n); });
        registar(Nome::PisoGuiaPg, vezes(5), 1, [=](auto& st) { pisoGuiaPostgres(st, false, microseconds(0), n); });
        registar(Nome::GuiaPg1, vezes(5), 1, [=](auto& st) { guia(st, rele, microseconds(500), n); });
        registar(Nome::PisoGuiaPg1, vezes(5), 1, [=](auto& st) { pisoGuiaPostgres(st, true, microseconds(500), n); });
        registar(Nome::GuiaPg10, vezes(5), 1, [=](auto& st) { guia(st, rele, microseconds(5000), n); });
        registar(Nome::PisoGuiaPg10, vezes(5), 1, [=](auto& st) { pisoGuiaPostgres(st, true, microseconds(5000), n); });
        registar(Nome::GuiaPgCurta, vezes(3), 1, [=](auto& st) { guia(st, rele, microseconds(5000), 10); });
    }
    registar(Nome::Pesquisa, vezes(25), 1, [](auto& st) { pesquisa(st, QStringLiteral("grande")); });
    registar(Nome::PesquisaMuitos, vezes(25), 1, [](auto& st) { pesquisa(st, QStringLiteral("clientes")); });
    registar(Nome::PisoPesquisa, vezes(15), 10, [](auto& st) { pisoPesquisa(st, QStringLiteral("grande")); });
    registar(Nome::PisoPesquisaMuitos, vezes(15), 10, [](auto& st) { pisoPesquisa(st, QStringLiteral("clientes")); });
    registar(Nome::PisoDialogo, vezes(25), 1, [](auto& st) { dialogoNu(st); });
    registar(Nome::Arranque, vezes(15), 1, [](auto& st) { arranque(st); });
    registar(Nome::JanelaNua, vezes(15), 1, [](auto& st) { janelaNua(st); });
    registar(Nome::Memoria, vezes(3), 1, [](auto& st) { memoria(st); });
}

} // namespace Bench
