// orlavane-bench-dados: makes the company databases of the benchmark.
//
//   orlavane-bench-dados [--pasta DIR] [--rapido] [--semente N] [--base grande|pequena|clientes]...
//                        [--postgres "host=... port=... user=..."]
//
// SQLite files go to DIR (made only when missing or made from another
// generator, schema, profile or seed); with --postgres the same bases are
// made (anew) as databases orlavane_bench_<base> of that server.

#include "DadosBench.h"

#include "Erro.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlavane-bench-dados"));
    QCommandLineParser opcoes;
    opcoes.setApplicationDescription(QStringLiteral("Cria as bases de dados do benchmark do Orlavane."));
    opcoes.addHelpOption();
    const QCommandLineOption pasta(QStringLiteral("pasta"), QStringLiteral("Pasta dos ficheiros SQLite."),
                                   QStringLiteral("DIR"), QStringLiteral("bench-dados"));
    const QCommandLineOption rapido(QStringLiteral("rapido"), QStringLiteral("As bases minúsculas do ensaio rápido."));
    const QCommandLineOption semente(QStringLiteral("semente"), QStringLiteral("Semente do conteúdo."),
                                     QStringLiteral("N"), QString::number(DadosBench::SementePadrao));
    const QCommandLineOption base(QStringLiteral("base"),
                                  QStringLiteral("grande, pequena ou clientes (todas por omissão)."),
                                  QStringLiteral("BASE"));
    const QCommandLineOption postgres(QStringLiteral("postgres"),
                                      QStringLiteral("Criar as bases neste servidor PostgreSQL (texto de ligação libpq "
                                                     "sem dbname) em vez de ficheiros SQLite."),
                                      QStringLiteral("LIGACAO"));
    opcoes.addOptions({pasta, rapido, semente, base, postgres});
    opcoes.process(app);

    bool ok = false;
    const quint32 s = opcoes.value(semente).toUInt(&ok);
    if (!ok) {
        std::fprintf(stderr, "A semente \"%s\" não é um número.\n", qPrintable(opcoes.value(semente)));
        return 2;
    }
    QList<DadosBench::Base> bases;
    const QStringList pedidas = opcoes.values(base);
    for (DadosBench::Base b : {DadosBench::Base::Grande, DadosBench::Base::Pequena, DadosBench::Base::Clientes}) {
        if (pedidas.isEmpty() || pedidas.contains(DadosBench::nomeBase(b)))
            bases << b;
    }
    if (bases.size() != (pedidas.isEmpty() ? 3 : pedidas.size())) {
        std::fprintf(stderr, "Bases conhecidas: grande, pequena, clientes.\n");
        return 2;
    }
    try {
        for (DadosBench::Base b : bases) {
            const DadosBench::Perfil p = DadosBench::perfil(b, opcoes.isSet(rapido));
            QElapsedTimer t;
            t.start();
            DadosBench::Resumo r;
            QString onde;
            bool feita = true;
            if (opcoes.isSet(postgres)) {
                onde = QStringLiteral("PostgreSQL orlavane_bench_") +
                       QString(p.nome).replace(QLatin1Char('-'), QLatin1Char('_'));
                r = DadosBench::criarPostgres(opcoes.value(postgres), onde.mid(11), p, s);
            } else {
                onde = QDir(opcoes.value(pasta)).absoluteFilePath(p.nome + QStringLiteral(".db"));
                feita = DadosBench::garantirSqlite(onde, p, s, &r);
            }
            if (feita)
                std::printf("%s: %d clientes, %d artigos, %d encomendas, %d linhas (%s) em %.1f s\n", qPrintable(onde),
                            r.clientes, r.artigos, r.encomendas, r.linhas,
                            qPrintable(r.especiais.join(QStringLiteral("; "))),
                            static_cast<double>(t.elapsed()) / 1000.0);
            else
                std::printf("%s: já existe com a mesma assinatura.\n", qPrintable(onde));
        }
        return 0;
    } catch (const Erro& e) {
        std::fprintf(stderr, "Erro %d: %s\n", e.numero(), qPrintable(e.texto()));
        return 1;
    }
}
