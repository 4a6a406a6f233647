// The message interface without windows (what a program without boxes of its
// own shows, answers and does when it must end), and the event guard.

#include "Erro.h"
#include "Guarda.h"
#include "Mensagens.h"
#include "MensagensConsola.h"

#include <QCoreApplication>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

#include <unistd.h>

namespace {

/// What `f` writes to the standard error output.
QString erroDe(const std::function<void()>& f) {
    QTemporaryFile ficheiro;
    if (!ficheiro.open())
        qFatal("cannot open a temporary file");
    std::fflush(stderr);
    const int guardado = dup(STDERR_FILENO);
    dup2(ficheiro.handle(), STDERR_FILENO);
    f();
    std::fflush(stderr);
    dup2(guardado, STDERR_FILENO);
    close(guardado);
    ficheiro.seek(0);
    return QString::fromUtf8(ficheiro.readAll());
}

/// An interface that only counts what it was asked.
class MensagensMudas final : public Mensagens {
public:
    int caixa(const QString&, const QString&, Botoes, Icone) override { return ++caixas, RespostaNao; }
    bool pedirValores(const QString&, const QStringList&, QStringList&, const QList<int>&) override { return true; }
    void terminar(int) override { ++terminacoes; }
    int caixas = 0;
    int terminacoes = 0;
};

} // namespace

class tst_Mensagens final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    /// One box for the first error, whatever its type, none for those that
    /// follow while the program ends; a guard of another program has its own.
    void guardaUmaCaixa() {
        MensagensMudas mudas;
        Guarda guarda(mudas);
        QVERIFY(!guarda.terminacaoPedida());
        guarda([] { throw std::runtime_error("primeiro"); });
        guarda([] { throw Erro(Erro::Ficheiro, QStringLiteral("segundo")); });
        QCOMPARE(mudas.caixas, 1);
        QCOMPARE(mudas.terminacoes, 1);
        QVERIFY(guarda.terminacaoPedida());
        QVERIFY(!Guarda(mudas).terminacaoPedida());
    }

    void caixaEscritaERespondidaComOPrimeiroBotao() {
        MensagensConsola m;
        int ok = 0;
        int okCancelar = 0;
        int simNao = 0;
        const QString escrito = erroDe([&] {
            ok = m.caixa(QStringLiteral("Informação"), QStringLiteral("Não há linhas marcadas."), Mensagens::Botoes::Ok,
                         Mensagens::Icone::Informacao);
            okCancelar = m.caixa(QStringLiteral("Orlavane"), QStringLiteral("Continuar?"),
                                 Mensagens::Botoes::OkCancelar, Mensagens::Icone::Aviso);
            simNao = m.caixa(QStringLiteral("Orlavane"), QStringLiteral("Marcar tudo?"), Mensagens::Botoes::SimNao,
                             Mensagens::Icone::Nenhum);
        });
        QCOMPARE(ok, Mensagens::RespostaOk);
        QCOMPARE(okCancelar, Mensagens::RespostaOk);
        QCOMPARE(simNao, Mensagens::RespostaSim);
        QCOMPARE(escrito, QStringLiteral("Informação: Não há linhas marcadas.\nOrlavane: Continuar?\n"
                                         "Orlavane: Marcar tudo?\n"));
    }

    void formularioCanceladoSemMudarOsValores() {
        QStringList valores{QStringLiteral("demo"), QStringLiteral("segredo")};
        bool aceite = true;
        const QString escrito = erroDe([&] {
            aceite = MensagensConsola().pedirValores(QStringLiteral("Ligação ao ERP"),
                                                     {QStringLiteral("Utilizador"), QStringLiteral("Palavra-passe")},
                                                     valores, {1});
        });
        QVERIFY(!aceite);
        QCOMPARE(valores, QStringList({QStringLiteral("demo"), QStringLiteral("segredo")}));
        QVERIFY2(escrito.startsWith(QStringLiteral("Ligação ao ERP: ")), qPrintable(escrito));
        QVERIFY2(!escrito.contains(QStringLiteral("segredo")), qPrintable(escrito));
    }

    void terminarSaiDoCicloComOCodigo() {
        // The application's own loop, as main() runs it.
        QTimer::singleShot(0, [] { MensagensConsola().terminar(3); });
        QCOMPARE(QCoreApplication::exec(), 3);
    }

    /// An error no handler caught, in a program without windows: its number
    /// and text on the standard error output, and the program ends with 1.
    void erroFatalNaConsola() {
        QString escrito;
        MensagensConsola consola;
        Guarda guarda(consola);
        QTimer::singleShot(0, [&] {
            escrito = erroDe([&] { guarda([] { throw Erro(Erro::Ficheiro, QStringLiteral("Falta o ficheiro.")); }); });
        });
        QCOMPARE(QCoreApplication::exec(), 1);
        QVERIFY(guarda.terminacaoPedida());
        QCOMPARE(escrito, QStringLiteral("Orlavane: Erro 53: Falta o ficheiro.\n"));
    }
};

QTEST_GUILESS_MAIN(tst_Mensagens)
#include "tst_mensagens.moc"
