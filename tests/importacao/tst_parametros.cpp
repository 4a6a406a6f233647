#include "Erro.h"
#include "Parametros.h"
#include "ParametrosLidos.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_Parametros : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString escrever(const QByteArray& conteudo) {
        const QString caminho = m_dir.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb"));
        QFile f(caminho);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(caminho));
        f.write(conteudo);
        return caminho;
    }

private Q_SLOTS:
    void chaves_data() {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("chave");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("minusculas") << QByteArray("guias=GR,1,1,A1\r\n") << "GUIAS"
                                    << "GR,1,1,A1";
        QTest::newRow("chave mista") << QByteArray("Guias=X\r\n") << "gUIAS"
                                     << "X";
        QTest::newRow("espaco antes do igual") << QByteArray("GUIAS =GR\r\n") << "GUIAS"
                                               << "";
        QTest::newRow("primeira ganha") << QByteArray("GUIAS=A\r\nGUIAS=B\r\n") << "GUIAS"
                                        << "A";
        QTest::newRow("valor intacto") << QByteArray("ENTRADAS= ENT , 1,,x \r\n") << "ENTRADAS"
                                       << " ENT , 1,,x ";
        QTest::newRow("valor vazio") << QByteArray("GUIAS=\r\nGUIAS=B\r\n") << "GUIAS"
                                     << "";
        QTest::newRow("outras linhas") << QByteArray("; comentario\r\n[secção]\r\nENCOMENDAS=ENC,1\r\n") << "ENCOMENDAS"
                                       << "ENC,1";
        QTest::newRow("prefixo de outra chave") << QByteArray("GUIASX=1\r\nGUIAS=2") << "GUIAS"
                                                << "2";
        QTest::newRow("so LF") << QByteArray("A=1\nGUIAS=GR,1\nB=2\n") << "GUIAS"
                               << "GR,1";
        QTest::newRow("so CR") << QByteArray("A=1\rGUIAS=GR,1\rB=2\r") << "GUIAS"
                               << "GR,1";
        QTest::newRow("CR LF sem fim de linha") << QByteArray("A=1\r\nGUIAS=GR,1") << "GUIAS"
                                                << "GR,1";
        QTest::newRow("sem a chave") << QByteArray("A=1\r\n") << "GUIAS"
                                     << "";
        QTest::newRow("ficheiro vazio") << QByteArray() << "GUIAS"
                                        << "";
        QTest::newRow("windows-1252") << QByteArray("ENTRADAS=ENT,1,A1,Entrada autom\xe1tica \x80,0\r\n") << "ENTRADAS"
                                      << QStringLiteral("ENT,1,A1,Entrada automática €,0");
        QTest::newRow("linha longa antes") << (QByteArray(1 << 20, 'x') + "\r\nGUIAS=G\r\n") << "GUIAS"
                                           << "G";
        QTest::newRow("lixo binario") << QByteArray("\x00\x01\xff\xfe=\x00\r\nGUIAS=G\x00H\r\n", 19) << "GUIAS"
                                      << QString::fromLatin1("G\0H", 3);
    }
    void chaves() {
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, chave);
        QFETCH(QString, esperado);
        QCOMPARE(Parametros::ler(escrever(conteudo), chave), esperado);
    }

    void ficheiroEmFalta() {
        const QString caminho = m_dir.filePath(QStringLiteral("nao-existe.zeb"));
        try {
            Parametros::ler(caminho, QStringLiteral("GUIAS"));
            QFAIL("a missing file must raise");
        } catch (const Erro& e) {
            QCOMPARE(e.numero(), int(Erro::Ficheiro));
            QVERIFY(e.texto().contains(caminho));
        }
        // A folder in place of the file cannot be read either.
        try {
            Parametros::ler(m_dir.path(), QStringLiteral("GUIAS"));
            QFAIL("a folder must raise");
        } catch (const Erro& e) {
            QVERIFY(e.texto().contains(m_dir.path()));
        }
    }

    void dividir_data() {
        QTest::addColumn<QString>("valor");
        QTest::addColumn<QStringList>("esperado");
        QTest::newRow("vazio") << "" << QStringList{};
        QTest::newRow("um") << "GR" << QStringList{"GR"};
        QTest::newRow("vazios mantidos") << "a,,b," << QStringList{"a", "", "b", ""};
        QTest::newRow("espacos mantidos") << "ENC, 1" << QStringList{"ENC", " 1"};
        QTest::newRow("so virgula") << "," << QStringList{"", ""};
    }
    void dividir() {
        QFETCH(QString, valor);
        QFETCH(QStringList, esperado);
        QCOMPARE(Parametros::dividir(valor), esperado);
    }

    void interpretar() {
        const Parametros::Lidos p = Parametros::interpretar(QStringLiteral("p.zeb"), QStringLiteral("ENC,1,ENV, 2,X"),
                                                            QStringLiteral("GR, 32767 , 2,A1"),
                                                            QStringLiteral("ENT,-32768, A1 ,Texto, 0 . 25 "));
        // An unpaired last item is not used; items are taken as they stand, but for the numbers.
        QVERIFY(p.encomendas == (std::vector<TipoEncomenda>{{"ENC", 1}, {"ENV", 2}}));
        QCOMPARE(p.guia.tipo, QStringLiteral("GR"));
        QCOMPARE(p.guia.serieEscrita, QStringLiteral(" 32767 "));
        QCOMPARE(p.guia.serie, qint16(32767));
        QCOMPARE(p.guia.sector, QStringLiteral(" 2"));
        QCOMPARE(p.guia.armazem, QStringLiteral("A1"));
        QCOMPARE(p.entrada.tipo, QStringLiteral("ENT"));
        QCOMPARE(p.entrada.serie, qint16(-32768));
        QCOMPARE(p.entrada.armazem, QStringLiteral(" A1 "));
        QCOMPARE(p.entrada.observacoes, QStringLiteral("Texto"));
        QCOMPARE(p.entrada.factor.texto(), QStringLiteral("0.25"));
    }

    void factor_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("lido"); // empty: refused
        // Read as they always were.
        QTest::newRow("vazio") << ""
                               << "0";
        QTest::newRow("so brancos") << "   "
                                    << "0";
        QTest::newRow("zero") << "0"
                              << "0";
        QTest::newRow("decimal") << "0.1"
                                 << "0.1";
        QTest::newRow("brancos no meio") << " 0 . 5"
                                         << "0.5";
        QTest::newRow("sem zero antes do ponto") << ".25"
                                                 << "0.25";
        QTest::newRow("ponto no fim") << "0."
                                      << "0";
        QTest::newRow("sinal mais") << "+0.1"
                                    << "0.1";
        QTest::newRow("zeros no fim") << "0.1000"
                                      << "0.1";
        QTest::newRow("menos zero") << "-0"
                                    << "0";
        QTest::newRow("18 casas") << "0.123456789012345678"
                                  << "0.123456789012345678";
        // Refused (the window's tests hold more): not a plain decimal number with ".", or not below 1.
        QTest::newRow("so ponto") << "."
                                  << "";
        QTest::newRow("so sinal") << "+"
                                  << "";
        QTest::newRow("dois pontos") << "0.1.2"
                                     << "";
        QTest::newRow("um ponto zero") << "1.0"
                                       << "";
        QTest::newRow("19 casas") << "0.1234567890123456789"
                                  << "";
    }
    void factor() {
        QFETCH(QString, item);
        QFETCH(QString, lido);
        try {
            const Parametros::Lidos p =
                Parametros::interpretar(QStringLiteral("p.zeb"), QStringLiteral("ENC,1"), QStringLiteral("GR,1,2,A1"),
                                        QStringLiteral("ENT,1,A1,T,") + item);
            QCOMPARE(p.entrada.factor.texto(), lido);
        } catch (const Erro& e) {
            QVERIFY2(lido.isEmpty(), qPrintable(e.texto()));
            QCOMPARE(e.numero(), int(Erro::Parametros));
            QVERIFY2(e.texto().startsWith(QStringLiteral("O ficheiro de parâmetros \"p.zeb\": o factor de preço \"") +
                                          item + QStringLiteral("\" da chave ENTRADAS")),
                     qPrintable(e.texto()));
        }
    }

    void copias_data() {
        QTest::addColumn<QString>("valor");
        QTest::addColumn<int>("lidas"); // 0: refused
        QTest::newRow("ausente") << "" << 3;
        QTest::newRow("brancos") << " 2 " << 2;
        QTest::newRow("uma") << "1" << 1;
        QTest::newRow("nove") << "9" << 9;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("dez") << "10" << 0;
        QTest::newRow("texto") << "três" << 0;
    }

    void copias() {
        QFETCH(QString, valor);
        QFETCH(int, lidas);
        try {
            QCOMPARE(Parametros::interpretarCopias(QStringLiteral("p.zeb"), valor), lidas);
        } catch (const Erro& e) {
            QVERIFY2(lidas == 0, qPrintable(e.texto()));
            QCOMPARE(e.numero(), int(Erro::Parametros));
            QVERIFY2(e.texto().startsWith(QStringLiteral("O ficheiro de parâmetros \"p.zeb\": a chave COPIAS")),
                     qPrintable(e.texto()));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Parametros)
#include "tst_parametros.moc"
