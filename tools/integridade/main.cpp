// orlavane-integridade: checks a whole company database and lists what is
// wrong with the documents the program stores (entries without a Guia, Guias
// without a live entry, order lines satisfied beyond their quantity, numbers
// used twice, documents stored in part, Guias whose lines differ from their
// entry's). It only reads.
//
//   orlavane-integridade [--ligacao TEXTO] [--entrada TIPO] [--guia TIPO]
//
// By default the database is the program's (section [BaseDados] of
// Orlavane.zeb, found as the program finds it) and the types are items 0 of
// ENTRADAS and GUIAS in the parameters file beside this executable.
//
// Exit status: 0 nothing found, 1 something found, 2 the check could not be
// made (bad arguments, configuration, parameters or database).

#include "ArranqueConfiguracao.h"
#include "IntegridadeEmpresa.h"
#include "Parametros.h"

#include "Configuracao.h"
#include "Erro.h"
#include "LigacaoBd.h"
#include "Pastas.h"
#include "SenhaTerminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

constexpr int NaoVerificado = 2;

void escrever(std::FILE* destino, const QString& texto) {
    std::fputs(texto.toUtf8().constData(), destino);
}

/// Item 0 of a parameter of the parameters file beside the executable.
QString tipoDosParametros(const Pastas& pastas, const QString& chave) {
    const QString caminho = juntarCaminho(pastas.pastaAplicacao(), Parametros::NomeFicheiro);
    const QString tipo = Parametros::dividir(Parametros::ler(caminho, chave)).value(0);
    if (tipo.isEmpty())
        throw Erro(Erro::Parametros,
                   QStringLiteral("O ficheiro de parâmetros \"%1\" não indica o tipo de documento em %2.")
                       .arg(caminho, chave));
    return tipo;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlavane-integridade"));

    QCommandLineParser opcoes;
    opcoes.setApplicationDescription(
        QStringLiteral("Verifica a base de dados da empresa: entradas sem guia, guias sem entrada, linhas de "
                       "encomenda satisfeitas a mais, números repetidos e documentos guardados em parte. Só lê.\n"
                       "Termina com 0 quando nada encontra, 1 quando encontra problemas e 2 quando não pôde "
                       "verificar."));
    const QCommandLineOption ajuda = opcoes.addHelpOption();
    const QCommandLineOption ligacao(
        QStringLiteral("ligacao"),
        QStringLiteral("Texto de ligação à base de dados, por exemplo \"Driver=QSQLITE;Database=/dados/empresa.db\" "
                       "ou \"Driver=QPSQL;Host=...;Port=5432;Database=...;User=...;sslmode=verify-full;"
                       "sslrootcert=...\" (por omissão, a secção [BaseDados] de Orlavane.zeb). Sem palavra-passe: "
                       "a do ficheiro de palavras-passe (PGPASSFILE, ~/.pgpass) ou do ficheiro de serviços, ou "
                       "pedida no terminal."),
        QStringLiteral("TEXTO"));
    const QCommandLineOption entrada(
        QStringLiteral("entrada"),
        QStringLiteral("Tipo de documento das entradas (por omissão, ENTRADAS no ficheiro de parâmetros)."),
        QStringLiteral("TIPO"));
    const QCommandLineOption guia(
        QStringLiteral("guia"),
        QStringLiteral("Tipo de documento das guias (por omissão, GUIAS no ficheiro de parâmetros)."),
        QStringLiteral("TIPO"));
    opcoes.addOption(ligacao);
    opcoes.addOption(entrada);
    opcoes.addOption(guia);

    // Bad arguments end with the status of a check not made, not with the
    // parser's own. It fails on an unknown option, or on a value option given
    // last, without its value.
    const QStringList argumentos = QCoreApplication::arguments();
    if (!opcoes.parse(argumentos)) {
        const QStringList desconhecidas = opcoes.unknownOptionNames();
        const QString motivo = desconhecidas.isEmpty()
                                   ? QStringLiteral("falta o valor de %1").arg(argumentos.constLast())
                                   : QStringLiteral("opção desconhecida: %1").arg(desconhecidas.constFirst());
        escrever(stderr, QStringLiteral("orlavane-integridade: %1.\nUse --help para ver as opções.\n").arg(motivo));
        return NaoVerificado;
    }
    if (opcoes.isSet(ajuda) || opcoes.isSet(QStringLiteral("help-all"))) {
        escrever(stdout, opcoes.helpText());
        return 0;
    }
    if (!opcoes.positionalArguments().isEmpty()) {
        escrever(stderr, QStringLiteral("orlavane-integridade: argumento a mais: \"%1\".\nUse --help para ver as "
                                        "opções.\n")
                             .arg(opcoes.positionalArguments().constFirst()));
        return NaoVerificado;
    }

    const Pastas pastas;
    try {
        QString texto;
        if (opcoes.isSet(ligacao)) {
            texto = opcoes.value(ligacao);
        } else {
            const QString caminho = Arranque::caminhoConfiguracao(pastas);
            try {
                texto = Arranque::textoLigacaoBd(pastas, caminho);
                TextoLigacao::analisar(texto);
            } catch (const Erro& e) {
                throw Erro(e.numero(),
                           QStringLiteral("Configuração \"%1\", secção [BaseDados]: %2").arg(caminho, e.texto()));
            }
        }
        Integridade::Tipos tipos;
        tipos.entrada =
            opcoes.isSet(entrada) ? opcoes.value(entrada) : tipoDosParametros(pastas, QStringLiteral("ENTRADAS"));
        tipos.guia = opcoes.isSet(guia) ? opcoes.value(guia) : tipoDosParametros(pastas, QStringLiteral("GUIAS"));

        // A password is never given on the command line, where every user
        // of the machine could read it: libpq's files have it, or it is asked.
        texto = SenhaTerminal::completar(texto);
        const QString nomeLigacao = QStringLiteral("orlavane-integridade");
        Integridade::Relatorio relatorio;
        {
            const QSqlDatabase db = Integridade::abrirSoLeitura(texto, nomeLigacao);
            relatorio = Integridade::verificar(db, tipos);
        }
        QSqlDatabase::removeDatabase(nomeLigacao);
        escrever(stdout, QStringLiteral("Base de dados: %1\n").arg(TextoLigacao::analisar(texto).descricao()) +
                             Integridade::texto(relatorio));
        return Integridade::codigoSaida(relatorio);
    } catch (const Erro& e) {
        escrever(stderr, QStringLiteral("Não foi possível verificar a base de dados: %1\n").arg(e.texto()));
        return NaoVerificado;
    }
}
