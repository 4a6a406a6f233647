// The run log: one readable line per run, appended to corridas.log in the
// state folder.

#include "RegistoCorridas.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

RegistoCorrida corrida(FimCorrida::Tipo tipo) {
    RegistoCorrida r;
    r.hora = QDateTime(QDate(2026, 3, 5), QTime(10, 11, 12), Qt::UTC);
    r.utilizador = QStringLiteral("op");
    r.posto = QStringLiteral("POSTO1");
    r.cliente = QStringLiteral("C1");
    r.fim.tipo = tipo;
    if (tipo != FimCorrida::Tipo::NadaGuardado)
        r.fim.entrada = ChaveDocumento{2026, QStringLiteral("ENT"), 1, 5};
    if (tipo == FimCorrida::Tipo::GuiaFeita)
        r.fim.guia = ChaveDocumento{2026, QStringLiteral("GR"), 1, 7};
    return r;
}

/// The fields after the time, as "key=value".
QStringList campos(const QByteArray& linha) {
    QStringList c = QString::fromUtf8(linha).split(QLatin1Char('\t'));
    c.removeFirst();
    return c;
}

} // namespace

class tst_RegistoCorridas : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linha_data() {
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("erro");
        QTest::addColumn<QStringList>("esperados");
        const QString inicio = QStringLiteral("origem=corrida\tutilizador=op\tposto=POSTO1\tcliente=C1\t");
        QTest::newRow("guia") << int(FimCorrida::Tipo::GuiaFeita) << QString()
                              << (inicio + QStringLiteral("desfecho=guia\tfeitos=ENT/1/5/2026,GR/1/7/2026\tanulados="
                                                          "\tlistados=\terro="))
                                     .split(QLatin1Char('\t'));
        QTest::newRow("anulada") << int(FimCorrida::Tipo::EntradaAnulada) << QStringLiteral("Falhou a guia.")
                                 << (inicio + QStringLiteral("desfecho=entrada-anulada\tfeitos=ENT/1/5/2026\tanulados="
                                                             "ENT/1/5/2026\tlistados=\terro=Falhou a guia."))
                                        .split(QLatin1Char('\t'));
        QTest::newRow("listada") << int(FimCorrida::Tipo::EntradaListada)
                                 << QStringLiteral("Linha 1:\tsem\\stock\n\rfim\x01")
                                 << (inicio + QStringLiteral("desfecho=entrada-por-anular\tfeitos=ENT/1/5/2026\t"
                                                             "anulados=\tlistados=ENT/1/5/2026\t"
                                                             "erro=Linha 1:\\tsem\\\\stock\\n\\rfim\\x01"))
                                        .split(QLatin1Char('\t'));
        QTest::newRow("nada") << int(FimCorrida::Tipo::NadaGuardado) << QStringLiteral("Artigo Ç inexistente.")
                              << (inicio + QStringLiteral("desfecho=nada\tfeitos=\tanulados=\tlistados=\t"
                                                          "erro=Artigo Ç inexistente."))
                                     .split(QLatin1Char('\t'));
    }

    void linha() {
        QFETCH(int, tipo);
        QFETCH(QString, erro);
        QFETCH(QStringList, esperados);
        RegistoCorrida r = corrida(FimCorrida::Tipo(tipo));
        r.fim.erro = erro;
        const QByteArray l = RegistoCorridas::linha(r);
        QVERIFY(!l.contains('\n') && !l.contains('\r'));
        QCOMPARE(campos(l), esperados);
        // The local time with its offset.
        const QDateTime local = r.hora.toLocalTime();
        QVERIFY(l.startsWith(local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8()));
        QCOMPARE(QDateTime::fromString(QString::fromUtf8(l.left(25)).replace(QLatin1Char(' '), QLatin1Char('T')),
                                       Qt::ISODate)
                     .toUTC(),
                 r.hora);
    }

    void recuperacaoNaOrigem() {
        RegistoCorrida r = corrida(FimCorrida::Tipo::GuiaFeita);
        r.recuperacao = true;
        QCOMPARE(campos(RegistoCorridas::linha(r)).first(), QStringLiteral("origem=recuperacao"));
    }

    void acrescentaNaPastaDeEstado() {
        const QTemporaryDir estado;
        qputenv("XDG_STATE_HOME", QFile::encodeName(estado.path()));
        const RegistoCorridas registo;
        QCOMPARE(registo.caminho(), estado.filePath(QStringLiteral("orlavane/corridas.log")));
        QVERIFY(registo.registar(corrida(FimCorrida::Tipo::GuiaFeita)));
        QVERIFY(registo.registar(corrida(FimCorrida::Tipo::NadaGuardado)));
        QFile f(registo.caminho());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray todo = f.readAll();
        QCOMPARE(todo, RegistoCorridas::linha(corrida(FimCorrida::Tipo::GuiaFeita)) + '\n' +
                           RegistoCorridas::linha(corrida(FimCorrida::Tipo::NadaGuardado)) + '\n');
        // A log that cannot be written does not stop anything.
        QVERIFY(!RegistoCorridas(estado.filePath(QStringLiteral("nao/existe/corridas.log")))
                     .registar(corrida(FimCorrida::Tipo::NadaGuardado)));
    }

    /// A line torn by a full disk (here the largest file allowed) or by a
    /// program killed while it wrote is cut off: the next line starts on a
    /// line of its own.
    void linhaRasgadaCortada_data() {
        QTest::addColumn<bool>("discoCheio");
        QTest::newRow("disco cheio") << true;
        QTest::newRow("programa morto a meio") << false;
    }
    void linhaRasgadaCortada() {
        QFETCH(bool, discoCheio);
        const QTemporaryDir pasta;
        const RegistoCorridas registo(pasta.filePath(QStringLiteral("corridas.log")));
        const QByteArray primeira = RegistoCorridas::linha(corrida(FimCorrida::Tipo::GuiaFeita)) + '\n';
        QVERIFY(registo.registar(corrida(FimCorrida::Tipo::GuiaFeita)));
        if (discoCheio) {
            rlimit antes{};
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &antes), 0);
            const auto sinal = std::signal(SIGXFSZ, SIG_IGN);
            rlimit curto = antes;
            curto.rlim_cur = static_cast<rlim_t>(primeira.size() + 20);
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &curto), 0);
            const bool escrita = registo.registar(corrida(FimCorrida::Tipo::EntradaAnulada));
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &antes), 0);
            std::signal(SIGXFSZ, sinal);
            QVERIFY(!escrita);
        } else {
            QFile f(registo.caminho());
            QVERIFY(f.open(QIODevice::Append));
            f.write(RegistoCorridas::linha(corrida(FimCorrida::Tipo::EntradaAnulada)).left(20));
        }
        QVERIFY(registo.registar(corrida(FimCorrida::Tipo::NadaGuardado)));
        QFile f(registo.caminho());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), primeira + RegistoCorridas::linha(corrida(FimCorrida::Tipo::NadaGuardado)) + '\n');
    }
};

QTEST_GUILESS_MAIN(tst_RegistoCorridas)
#include "tst_registocorridas.moc"
