#include "Erro.h"
#include "Parametros.h"

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
};

QTEST_GUILESS_MAIN(tst_Parametros)
#include "tst_parametros.moc"
