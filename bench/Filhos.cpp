#include "Filhos.h"

#include "Ambiente.h"
#include "Arranque.h"
#include "CampoEntrada.h"
#include "ErpLocal.h"
#include "Erro.h"
#include "Grelha.h"
#include "Guarda.h"
#include "Pastas.h"
#include "Twips.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>

#include <cstdio>

namespace Bench {

namespace {

double campoStatus(const char* chave) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefixo = QByteArray(chave) + ':';
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(prefixo))
            return l.mid(prefixo.size()).trimmed().split(' ').value(0).toDouble();
    return -1;
}

/// Forgets the peak so far: from now on the peak is that of what follows.
bool reiniciarPico() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

void relatar(const char* chave, double valor) {
    std::printf("%s=%.9f\n", chave, valor);
    std::fflush(stdout);
}

/// Start-up as the program does it, on the configuration in `pasta`; the window, once painted.
Arranque::Programa arrancar(Guarda& guarda, const QString& pasta) {
    Arranque::Programa p = Arranque::Main(guarda, Pastas(pasta, pasta), [] { return std::make_unique<ErpLocal>(); });
    if (!p.janela)
        throw Erro(Erro::Configuracao, QStringLiteral("O arranque não abriu a janela."));
    ContadorPinturas pinturas(p.janela.get());
    pinturas.esperarPintura();
    return p;
}

int filho(const QStringList& a) {
    const QString modo = a.value(0);
    MensagensBench mensagens;
    Guarda guarda(mensagens);
    auto semCaixas = [&] {
        const QStringList caixas = mensagens.tirar();
        if (!caixas.isEmpty())
            throw Erro(Erro::Configuracao, caixas.join(QStringLiteral(" | ")));
    };
    if (modo == QLatin1String("nua")) {
        // A bare window of the import window's size, painted.
        QWidget w;
        w.resize(twipsParaPixeis(15600, &w), twipsParaPixeis(8190, &w, true));
        w.show();
        ContadorPinturas pinturas(&w);
        pinturas.esperarPintura();
        relatar("mostrada", agora());
        relatar("pico_kib", picoMemoriaKiB());
        return 0;
    }
    if (modo == QLatin1String("arranque")) {
        Arranque::Programa p = arrancar(guarda, a.value(1));
        relatar("mostrada", agora());
        semCaixas();
        relatar("pico_kib", picoMemoriaKiB());
        // The ERP's own login, on its own: what start-up waits for in the ERP.
        ErpLocal erp;
        const double t0 = agora();
        if (!erp.login(DadosBench::Utilizador, DadosBench::Password, DadosBench::Empresa,
                       p.baseDados->ligacao().texto(), QStringLiteral("bench")))
            throw Erro(Erro::Erp, erp.motivoFalhaLogin());
        relatar("login", agora() - t0);
        return 0;
    }
    if (modo == QLatin1String("memoria")) {
        Arranque::Programa p = arrancar(guarda, a.value(1));
        semCaixas();
        relatar("pico_arranque_kib", picoMemoriaKiB());
        // The ERP login's work memory (the password hash) is the ERP's and is
        // gone by now: the peak counts from here.
        relatar("reiniciado", reiniciarPico() ? 1 : 0);
        relatar("antes_kib", memoriaActualKiB());
        frmImportacao& w = *p.janela;
        ContadorPinturas pinturas(w.findChild<Grelha*>(QStringLiteral("Grelha"))->viewport());
        w.findChild<CampoEntrada*>(QStringLiteral("campo1"))->setText(a.value(2));
        w.findChild<QPushButton*>(QStringLiteral("btCarga"))->click();
        pinturas.esperarPintura();
        semCaixas();
        relatar("linhas", p.importacao->linhasCarregadas());
        relatar("pico_kib", picoMemoriaKiB());
        relatar("actual_kib", memoriaActualKiB());
        return 0;
    }
    throw Erro(Erro::Configuracao, QStringLiteral("Modo de filho desconhecido: %1").arg(modo));
}

} // namespace

double Relato::valor(const QString& chave) const {
    const auto i = valores.find(chave);
    if (i == valores.end())
        throw Erro(Erro::Configuracao, QStringLiteral("O processo filho não disse \"%1\".").arg(chave));
    return *i;
}

double picoMemoriaKiB() {
    return campoStatus("VmHWM");
}

double memoriaActualKiB() {
    return campoStatus("VmRSS");
}

int executarFilho(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList a = QApplication::arguments().mid(2);
    try {
        return filho(a);
    } catch (const Erro& e) {
        std::fprintf(stderr, "Erro %d: %s\n", e.numero(), qPrintable(e.texto()));
        return 1;
    }
}

Relato correrFilho(const QString& executavel, const QStringList& argumentos) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    Relato r;
    r.inicio = agora();
    p.start(executavel, QStringList{QStringLiteral("--filho")} + argumentos);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw Erro(Erro::Configuracao, QStringLiteral("O processo filho %1 falhou: %2")
                                           .arg(argumentos.join(QLatin1Char(' ')),
                                                QString::fromLocal8Bit(p.readAllStandardError()).trimmed()));
    for (const QByteArray& l : p.readAllStandardOutput().split('\n')) {
        const qsizetype igual = l.indexOf('=');
        if (igual > 0)
            r.valores.insert(QString::fromUtf8(l.left(igual)), l.mid(igual + 1).toDouble());
    }
    return r;
}

} // namespace Bench
