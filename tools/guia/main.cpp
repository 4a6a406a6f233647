// orlavane-guia: prints one Guia of the company database, or writes it as a
// PDF, with every copy the parameters file asks for.
//
//   orlavane-guia [--pdf FICHEIRO] [--copias N] [--ligacao TEXTO] TIPO/SERIE/NUMERO/ANO
//
// The database is the program's (section [BaseDados] of Orlavane.zeb, found
// as the program finds it) unless --ligacao names one; the print is recorded
// through the ERP session of section [ERP] (the same count every workstation
// sees: every print after the first says "2.ª via"). The copies are COPIAS of
// the parameters file beside this executable (3 when it has none).
//
// Exit status: 0 printed, 1 the Guia could not be printed (not found,
// refused, the database or the printer failed), 2 bad arguments or
// configuration.

#include "ArranqueConfiguracao.h"
#include "DesenhoGuia.h"
#include "ImpressaoGuia.h"
#include "LeituraGuia.h"
#include "Parametros.h"
#include "ParametrosLidos.h"
#include "PdfGuia.h"

#include "BaseDados.h"
#include "Configuracao.h"
#include "ErpLocal.h"
#include "Erro.h"
#include "Impressora.h"
#include "LigacaoBd.h"
#include "Pastas.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace {

constexpr int NaoImpressa = 1;
constexpr int MalPedida = 2;

void escrever(std::FILE* destino, const QString& texto) {
    std::fputs(texto.toUtf8().constData(), destino);
}

/// Says what was asked wrongly; the exit status for it.
int recusar(const QString& motivo) {
    escrever(stderr, QStringLiteral("orlavane-guia: %1\nUse --help para ver as opções.\n").arg(motivo));
    return MalPedida;
}

} // namespace

int main(int argc, char** argv) {
    // A terminal program: it needs fonts, never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orlavane-guia"));

    QCommandLineParser opcoes;
    opcoes.setApplicationDescription(
        QStringLiteral("Imprime uma guia da base de dados da empresa na impressora por omissão, ou escreve-a em PDF, "
                       "com as cópias do ficheiro de parâmetros (COPIAS; 3 por omissão). Cada impressão fica registada "
                       "no ERP: as seguintes à primeira dizem \"2.ª via\".\n"
                       "Termina com 0 quando imprimiu, 1 quando a guia não pôde ser impressa e 2 quando o pedido ou a "
                       "configuração estão errados."));
    const QCommandLineOption ajuda = opcoes.addHelpOption();
    const QCommandLineOption pdf(QStringLiteral("pdf"), QStringLiteral("Escreve a guia neste ficheiro PDF."),
                                 QStringLiteral("FICHEIRO"));
    const QCommandLineOption copias(
        QStringLiteral("copias"),
        QStringLiteral("Número de cópias, de 1 a %1 (por omissão, COPIAS no ficheiro de parâmetros, ou 3).")
            .arg(DesenhoGuia::MaximoCopias),
        QStringLiteral("N"));
    const QCommandLineOption ligacao(
        QStringLiteral("ligacao"),
        QStringLiteral("Texto de ligação à base de dados, como o de Instancia (por omissão, a secção [BaseDados] de "
                       "Orlavane.zeb); a sessão do ERP que regista a impressão abre-se nela."),
        QStringLiteral("TEXTO"));
    opcoes.addOptions({pdf, copias, ligacao});
    opcoes.addPositionalArgument(QStringLiteral("TIPO/SERIE/NUMERO/ANO"),
                                 QStringLiteral("A guia, por exemplo GR/1/45/2026."));

    const QStringList argumentos = QCoreApplication::arguments();
    if (!opcoes.parse(argumentos)) {
        const QStringList desconhecidas = opcoes.unknownOptionNames();
        return recusar(desconhecidas.isEmpty()
                           ? QStringLiteral("falta o valor de %1.").arg(argumentos.constLast())
                           : QStringLiteral("opção desconhecida: %1.").arg(desconhecidas.constFirst()));
    }
    if (opcoes.isSet(ajuda) || opcoes.isSet(QStringLiteral("help-all"))) {
        escrever(stdout, opcoes.helpText());
        return 0;
    }
    const QStringList posicionais = opcoes.positionalArguments();
    if (posicionais.size() != 1)
        return recusar(posicionais.isEmpty() ? QStringLiteral("falta a guia (TIPO/SERIE/NUMERO/ANO).")
                                             : QStringLiteral("argumento a mais: \"%1\".").arg(posicionais.at(1)));
    const auto chave = chaveDeTexto(posicionais.constFirst());
    if (!chave)
        return recusar(QStringLiteral("\"%1\" não é uma guia (TIPO/SERIE/NUMERO/ANO, por exemplo GR/1/45/2026).")
                           .arg(posicionais.constFirst()));

    // What to print with: the copies, the database, the ERP's login.
    int numeroCopias = 0;
    QString texto;
    std::array<QString, 5> erp;
    try {
        const Pastas pastas;
        const QString parametros = juntarCaminho(pastas.pastaAplicacao(), Parametros::NomeFicheiro);
        numeroCopias =
            opcoes.isSet(copias)
                ? Parametros::interpretarCopias(QStringLiteral("--copias"), opcoes.value(copias))
                : Parametros::interpretarCopias(parametros, Parametros::ler(parametros, Parametros::ChaveCopias));
        const QString caminho = Arranque::caminhoConfiguracao(pastas);
        ConfigErp config;
        config.ler(caminho);
        erp = config.valores();
        texto = opcoes.isSet(ligacao) ? opcoes.value(ligacao) : Arranque::textoLigacaoBd(pastas, caminho);
        TextoLigacao::analisar(texto);
        if (erp[0].isEmpty() || erp[2].isEmpty())
            throw Erro(Erro::Configuracao,
                       QStringLiteral("a configuração \"%1\" não indica o utilizador e a empresa do ERP (secção [ERP])"
                                      ", com que a impressão é registada.")
                           .arg(caminho));
        if (opcoes.isSet(ligacao) || erp[3].isEmpty())
            erp[3] = texto;
    } catch (const Erro& e) {
        return recusar(e.texto());
    }

    try {
        // Where it goes is found before the print is recorded.
        std::optional<FicheiroPdf> ficheiro;
        std::optional<ImpressoraPorOmissao> impressora;
        if (opcoes.isSet(pdf))
            ficheiro.emplace(opcoes.value(pdf));
        else
            impressora.emplace();
        BaseDados base;
        if (!base.abrir(texto))
            throw Erro(Erro::BaseDadosFechada, base.ultimoErro());
        ErpLocal sessao;
        sessao.definicao(3);
        if (!sessao.login(erp[0], erp[1], erp[2], erp[3], erp[4]))
            throw Erro(Erro::Erp,
                       QStringLiteral("Não foi possivel ligar ao ERP(V2022): %1").arg(sessao.motivoFalhaLogin()));
        const DesenhoGuia desenho(registarImpressao(sessao, lerGuia(base, *chave, erp[2])));
        if (ficheiro)
            ficheiro->escrever(desenho, numeroCopias);
        else
            impressora->imprimir(desenho.guia().nomeTipo + QLatin1Char(' ') + desenho.guia().identificacao(),
                                 [&](QPagedPaintDevice& dispositivo) { desenho.desenhar(dispositivo, numeroCopias); });
        escrever(stdout, QStringLiteral("%1 %2: %3 cópia(s), %4 página(s)%5.\n")
                             .arg(desenho.guia().nomeTipo, textoChave(*chave))
                             .arg(numeroCopias)
                             .arg(numeroCopias * desenho.paginasPorCopia())
                             .arg(desenho.guia().impressoesAnteriores > 0 ? QStringLiteral(", 2.ª via") : QString()));
        return 0;
    } catch (const Erro& e) {
        escrever(stderr, QStringLiteral("A guia %1 não foi impressa: %2\n").arg(textoChave(*chave), e.texto()));
        return NaoImpressa;
    }
}
