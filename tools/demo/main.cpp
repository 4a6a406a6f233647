// orlavane-demo: writes the demo company database and the files that point
// the program at it.
//
//   orlavane-demo [--pasta DIR] [--postgres "Driver=QPSQL;Host=...;Database=...;User=..."] [--data yyyy-MM-dd]

#include "DadosDemo.h"

#include "Erro.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlavane-demo"));

    QCommandLineParser opcoes;
    opcoes.setApplicationDescription(
        QStringLiteral("Cria a empresa de demonstração do Orlavane (base de dados demo.db, Orlavane.zeb e "
                       "zeb_Parametros_Orlavane.zeb). Substitui o que lá estiver."));
    opcoes.addHelpOption();
    const QCommandLineOption pasta(QStringLiteral("pasta"),
                                   QStringLiteral("Pasta onde escrever os ficheiros (por omissão, a do programa)."),
                                   QStringLiteral("DIR"));
    const QCommandLineOption postgres(
        QStringLiteral("postgres"),
        QStringLiteral("Criar a empresa nesta base de dados PostgreSQL em vez de SQLite, com a ligação de um "
                       "administrador que possa criar papéis, por exemplo "
                       "\"Driver=QPSQL;Host=localhost;Port=5432;Database=demo;User=postgres\". Cria também o grupo "
                       "dos operadores e o operador demo (palavra-passe demo), com que o Orlavane.zeb escrito entra."),
        QStringLiteral("LIGACAO"));
    const QCommandLineOption data(QStringLiteral("data"),
                                  QStringLiteral("Dia de referência das encomendas (por omissão, hoje)."),
                                  QStringLiteral("yyyy-MM-dd"));
    opcoes.addOption(pasta);
    opcoes.addOption(postgres);
    opcoes.addOption(data);
    opcoes.process(app);

    const QString destino = opcoes.isSet(pasta) ? opcoes.value(pasta) : QCoreApplication::applicationDirPath();
    Demo::Opcoes o;
    if (opcoes.isSet(data)) {
        o.referencia = QDate::fromString(opcoes.value(data), QStringLiteral("yyyy-MM-dd"));
        if (!o.referencia.isValid()) {
            std::fprintf(stderr, "A data \"%s\" não é válida (yyyy-MM-dd).\n", qPrintable(opcoes.value(data)));
            return 2;
        }
    }
    try {
        const Demo::Ficheiros f = opcoes.isSet(postgres) ? Demo::criarPostgres(destino, opcoes.value(postgres), o)
                                                         : Demo::criarSqlite(destino, o);
        std::printf("Base de dados: %s\n  %d clientes, %d artigos, %d encomendas com %d linhas.\n"
                    "Configuração: %s\nParâmetros:   %s\nUtilizador do ERP: demo, palavra-passe demo.\n",
                    qPrintable(f.base), f.resumo.clientes, f.resumo.artigos, f.resumo.encomendas, f.resumo.linhas,
                    qPrintable(f.configuracao), qPrintable(f.parametros));
        return 0;
    } catch (const Erro& e) {
        std::fprintf(stderr, "Erro %d: %s\n", e.numero(), qPrintable(e.texto()));
        return 1;
    }
}
