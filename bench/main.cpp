// orlavane-bench: the program's operations, through the window's own code on
// an offscreen window, each measured in the same run as its floor.
//
//   orlavane-bench --dados DIR [--rapido] [--postgres "host=... port=... user=..."] [--json FILE]
//                  [--semente N] [--repeticoes N] [--benchmark_filter=REGEX ...]
//
// --repeticoes sets every measure's repetitions (to profile one measure).
//
// Prints one line per measure, then the table of figures against their floors,
// and writes the same as JSON. Exit status 0 when every measure ran (a missed
// target is reported, not an error), 1 when a measure failed.

#include "Ambiente.h"
#include "Erro.h"
#include "Filhos.h"
#include "Medidas.h"
#include "Relatorio.h"

#include <QApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

/// The offscreen platform says, for every dialog, that it cannot do something
/// no measure needs; everything else goes through.
QtMessageHandler g_anterior = nullptr;
void mensagemQt(QtMsgType tipo, const QMessageLogContext& contexto, const QString& texto) {
    if (texto.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    g_anterior(tipo, contexto, texto);
}

} // namespace

int main(int argc, char** argv) {
    // Every window of the benchmark is offscreen, children included.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_anterior = qInstallMessageHandler(mensagemQt);
    if (argc > 1 && std::strcmp(argv[1], "--filho") == 0)
        return Bench::executarFilho(argc, argv);

    Bench::Opcoes opcoes;
    opcoes.pastaDados = QStringLiteral("bench-dados");
    opcoes.json = QStringLiteral("bench.json");
    // Google Benchmark's own options pass through; the repetitions of all the
    // measures are interleaved at random, so that a drift of the machine
    // touches a figure and its floor alike.
    std::vector<char*> gb{argv[0]};
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    gb.push_back(interleave);
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        auto valor = [&]() -> QString {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s precisa de um valor.\n", argv[i]);
                std::exit(2);
            }
            return QString::fromLocal8Bit(argv[++i]);
        };
        if (a == QLatin1String("--dados"))
            opcoes.pastaDados = valor();
        else if (a == QLatin1String("--rapido"))
            opcoes.rapido = true;
        else if (a == QLatin1String("--postgres"))
            opcoes.postgres = valor();
        else if (a == QLatin1String("--json"))
            opcoes.json = valor();
        else if (a == QLatin1String("--repeticoes"))
            opcoes.repeticoes = valor().toInt();
        else if (a == QLatin1String("--semente"))
            opcoes.semente = valor().toUInt();
        else if (a.startsWith(QLatin1String("--benchmark_")))
            gb.push_back(argv[i]);
        else {
            std::fprintf(stderr, "Opção desconhecida: %s\n", argv[i]);
            return 2;
        }
    }
    int gbArgc = static_cast<int>(gb.size());
    benchmark::Initialize(&gbArgc, gb.data());

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("orlavane-bench"));
    opcoes.executavel = QApplication::applicationFilePath();
    try {
        Bench::Ambiente ambiente(opcoes);
        Bench::registarMedidas(opcoes.rapido, !opcoes.postgres.isEmpty(), opcoes.repeticoes);
        const QJsonObject planos = Bench::planosDaCarga(ambiente);
        Bench::Recolha recolha;
        benchmark::RunSpecifiedBenchmarks(&recolha);
        Bench::relatar(recolha.medidas(), ambiente.tamanhos(), planos, opcoes.rapido, opcoes.json);
        for (const auto& [nome, m] : recolha.medidas())
            if (!m.erro.isEmpty())
                return 1;
        return 0;
    } catch (const Erro& e) {
        std::fprintf(stderr, "Erro %d: %s\n", e.numero(), qPrintable(e.texto()));
        return 1;
    }
}
