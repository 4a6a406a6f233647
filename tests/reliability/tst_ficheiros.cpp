// Hostile files at start-up: the configuration file, its fall-back and the
// parameters file missing, empty, unreadable, a folder, a pipe, a device,
// binary junk, with lines of a megabyte, with each line ending, in
// Windows-1252 and in UTF-8. Start-up runs as the program runs it: either the
// window opens, or one box names the file and the problem and the program
// ends. It never hangs and never crashes.

#include "BaseDados.h"
#include "CodigoPagina.h"
#include "Esquema.h"
#include "Parametros.h"
#include "PostoArranque.h"
#include "frmImportacao.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray lixo(int tamanho, bool comNulos) {
    std::mt19937 gerador(7);
    QByteArray r(tamanho, Qt::Uninitialized);
    for (char& c : r) {
        c = static_cast<char>(gerador() & 0xff);
        if (!comNulos && c == 0)
            c = 1;
    }
    return r;
}

/// What to put where the file should be.
enum class Especial {
    Nenhum,
    EmFalta,
    Pasta,
    Pipe,
    Dispositivo,  ///< a link to /dev/zero: endless
    Ilegivel,     ///< a link to /proc/self/mem: every read fails, even for root
    SemPermissao, ///< mode 000 (when not root)
    Esparso,      ///< 17 MiB of holes, no line end
};

void preparar(const QString& caminho, Especial especial, const QByteArray& conteudo) {
    QFile::remove(caminho);
    switch (especial) {
    case Especial::Nenhum:
        PostoArranque::escrever(caminho, conteudo);
        break;
    case Especial::EmFalta:
        break;
    case Especial::Pasta:
        QDir().mkpath(caminho);
        break;
    case Especial::Pipe:
        QVERIFY(mkfifo(QFile::encodeName(caminho).constData(), 0600) == 0);
        break;
    case Especial::Dispositivo:
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), caminho));
        break;
    case Especial::Ilegivel:
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), caminho));
        break;
    case Especial::SemPermissao:
        PostoArranque::escrever(caminho, conteudo);
        QVERIFY(QFile::setPermissions(caminho, {}));
        break;
    case Especial::Esparso: {
        QFile f(caminho);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(17 * 1024 * 1024));
        break;
    }
    }
}

QByteArray configuracaoCom(const QStringList& linhas, const QByteArray& fim, bool windows1252) {
    const QString texto = linhas.join(QString::fromLatin1(fim)) + QString::fromLatin1(fim);
    return windows1252 ? paraWindows1252(texto) : texto.toUtf8();
}

} // namespace

class tst_Ficheiros : public QObject {
    Q_OBJECT

private:
    /// After start-up: the window is open, or exactly one box says what is wrong with which file.
    void verificar(PostoArranque& p, const QString& caminho, const QString& esperado) {
        const QStringList caixas = p.mensagens.textos();
        if (esperado.isEmpty()) {
            QVERIFY2(caixas.isEmpty(), qPrintable(caixas.join('|')));
            QVERIFY(p.janelaAberta());
            return;
        }
        QVERIFY(!p.janelaAberta());
        QCOMPARE(caixas.size(), 1);
        QVERIFY2(caixas.at(0).contains(QLatin1Char('"') + caminho + QLatin1Char('"')), qPrintable(caixas.at(0)));
        QVERIFY2(caixas.at(0).contains(esperado), qPrintable(caixas.at(0)));
        QCOMPARE(p.mensagens.caixas.at(0).titulo, QStringLiteral("Orlavane"));
        QCOMPARE(p.mensagens.terminacoes, std::vector<int>{1});
    }

private Q_SLOTS:
    void ficheiroDeConfiguracao_data() {
        QTest::addColumn<int>("especial");
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("esperado"); // empty: the window opens
        const auto linha = [](const char* nome, Especial e, const QByteArray& c, const char* esperado) {
            QTest::newRow(nome) << int(e) << c << QString::fromUtf8(esperado);
        };
        linha("uma pasta", Especial::Pasta, {}, "não pode ser lido: é uma pasta.");
        linha("um pipe", Especial::Pipe, {}, "não pode ser lido: não é um ficheiro normal.");
        linha("/dev/zero", Especial::Dispositivo, {}, "não pode ser lido: não é um ficheiro normal.");
        linha("ilegivel", Especial::Ilegivel, {}, "não pode ser lido:");
        if (geteuid() != 0)
            linha("sem permissao", Especial::SemPermissao, "[ERP]\n", "não pode ser lido: sem permissão de leitura.");
        linha("lixo binario", Especial::Nenhum, lixo(4096, true), "; não é um ficheiro de texto.");
        linha("bytes nulos", Especial::Nenhum, QByteArray("[ERP]\nUtilizador = op\0\0\n", 22),
              "contém bytes nulos; não é um ficheiro de texto.");
        linha("caracteres de controlo", Especial::Nenhum, "[ERP]\nUtilizador = op\nPosto = \x1b[2J\n",
              "contém caracteres de controlo (linha 3); não é um ficheiro de texto.");
        linha("linha de 1 MB", Especial::Nenhum, "[ERP]\nUtilizador = op\nPosto = " + QByteArray(1000000, 'x') + "\n",
              "a linha 3 tem mais de 64 KiB.");
        linha("ficheiro de 2 MB", Especial::Nenhum, QByteArray(2000000, '\n'), "é demasiado grande (mais de 1 MiB).");
    }
    void ficheiroDeConfiguracao() {
        QFETCH(int, especial);
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, esperado);
        PostoArranque p;
        preparar(p.configuracao(), Especial(especial), conteudo);
        p.arrancar();
        verificar(p, p.configuracao(), esperado);
        // Nothing was asked of the operator, and no ERP session was even made.
        QVERIFY(p.mensagens.titulosFormularios.isEmpty());
        QVERIFY(!p.erpLocal);
    }

    void configuracaoEmFaltaOuVazia_data() {
        QTest::addColumn<bool>("existe");
        QTest::newRow("em falta") << false;
        QTest::newRow("vazia") << true;
    }
    void configuracaoEmFaltaOuVazia() {
        QFETCH(bool, existe);
        PostoArranque p;
        preparar(p.configuracao(), existe ? Especial::Nenhum : Especial::EmFalta, {});
        p.arrancar();
        // The values are asked for; cancelled, the login fails with its one box.
        QCOMPARE(p.mensagens.titulosFormularios, QStringList{QStringLiteral("Ligação ao ERP")});
        QCOMPARE(p.mensagens.textos(), QStringList{Arranque::MensagemLoginFalhado});
        QVERIFY(!p.janelaAberta());
    }

    void configuracaoEmCadaFimDeLinhaECodificacao_data() {
        QTest::addColumn<QByteArray>("fim");
        QTest::addColumn<bool>("windows1252");
        QTest::addColumn<bool>("bom");
        QTest::newRow("LF, UTF-8") << QByteArray("\n") << false << false;
        QTest::newRow("CR LF, UTF-8") << QByteArray("\r\n") << false << false;
        QTest::newRow("CR, UTF-8") << QByteArray("\r") << false << false;
        QTest::newRow("CR LF, UTF-8 com BOM") << QByteArray("\r\n") << false << true;
        QTest::newRow("LF, Windows-1252") << QByteArray("\n") << true << false;
        QTest::newRow("CR LF, Windows-1252") << QByteArray("\r\n") << true << false;
        QTest::newRow("CR, Windows-1252") << QByteArray("\r") << true << false;
    }
    void configuracaoEmCadaFimDeLinhaECodificacao() {
        QFETCH(QByteArray, fim);
        QFETCH(bool, windows1252);
        QFETCH(bool, bom);
        PostoArranque p;
        // A user and password with letters beyond ASCII, read the same in both codings.
        Esquema::definirUtilizadorErp(p.base.db(), QStringLiteral("Conceição"), QStringLiteral("pão€;#"));
        const auto d = p.bd();
        QByteArray bytes = configuracaoCom(
            {QStringLiteral("; configuração"), QStringLiteral("[ERP]"), QStringLiteral("Utilizador = Conceição"),
             QStringLiteral("Password = pão€;#"), QStringLiteral("Empresa = DEMO"),
             QStringLiteral("Instancia = ") + p.base.textoLigacao(), QStringLiteral("Posto = balcão"), QString(),
             QStringLiteral("[BaseDados]"), QStringLiteral("Servidor = ") + d[0], QStringLiteral("BaseDados = ") + d[1],
             QStringLiteral("Utilizador = ") + d[2]},
            fim, windows1252);
        if (bom)
            bytes.prepend("\xef\xbb\xbf");
        preparar(p.configuracao(), Especial::Nenhum, bytes);
        QVERIFY(QFile::setPermissions(p.configuracao(), QFile::ReadOwner | QFile::WriteOwner));
        p.arrancar();
        verificar(p, p.configuracao(), QString());
    }

    void ficheiroAlternativo() {
        PostoArranque p;
        auto d = p.bd();
        d[0].clear(); // the database values come from Catalogos/bd.sql
        p.configurar(p.erp(), d);
        preparar(p.alternativo(), Especial::Nenhum, lixo(2048, true));
        p.arrancar();
        verificar(p, p.alternativo(), QStringLiteral("O ficheiro alternativo da base de dados"));
        QVERIFY(p.mensagens.textos().at(0).contains(QStringLiteral("não é um ficheiro de texto.")));
    }

    void ficheiroDeParametros_data() {
        QTest::addColumn<int>("especial");
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("esperado"); // empty: the window opens
        const auto linha = [](const char* nome, Especial e, const QByteArray& c, const char* esperado) {
            QTest::newRow(nome) << int(e) << c << QString::fromUtf8(esperado);
        };
        const QByteArray bons = PostoArranque::ParametrosBons;
        linha("em falta", Especial::EmFalta, {}, "não existe.");
        linha("vazio", Especial::Nenhum, {}, ": a chave ENCOMENDAS deve ter pelo menos um par tipo,série");
        linha("uma pasta", Especial::Pasta, {}, "não pode ser lido: é uma pasta.");
        linha("um pipe", Especial::Pipe, {}, "não pode ser lido: não é um ficheiro normal.");
        linha("/dev/zero", Especial::Dispositivo, {}, "não pode ser lido: não é um ficheiro normal.");
        linha("ilegivel", Especial::Ilegivel, {}, "não pode ser lido:");
        if (geteuid() != 0)
            linha("sem permissao", Especial::SemPermissao, bons, "não pode ser lido:");
        linha("17 MiB sem fim de linha", Especial::Esparso, {},
              "não pode ser lido: é demasiado grande (mais de 16 MiB).");
        linha("lixo binario", Especial::Nenhum, lixo(65536, true), ": a chave ENCOMENDAS deve ter pelo menos um par");
        linha("lixo antes das chaves", Especial::Nenhum, lixo(65536, true) + "\n" + bons, "");
        linha("linha de 1 MB antes das chaves", Especial::Nenhum, QByteArray(1 << 20, 'x') + "\r\n" + bons, "");
        linha("valor de 1 MB", Especial::Nenhum,
              "ENCOMENDAS=ENC,1\nGUIAS=GR,1,2,A1\nENTRADAS=ENT,1,A1," + QByteArray(1 << 20, 'y') + ",0\n", "");
        linha("GUIAS de 1 MB sem virgulas", Especial::Nenhum,
              "ENCOMENDAS=ENC,1\nGUIAS=" + QByteArray(1 << 20, 'z') + "\nENTRADAS=ENT,1,A1,T,0\n",
              ": a chave GUIAS deve ter 4 elementos");
        linha("LF", Especial::Nenhum, QByteArray(bons).replace("\r\n", "\n"), "");
        linha("CR", Especial::Nenhum, QByteArray(bons).replace("\r\n", "\r"), "");
        linha("sem fim de linha no fim", Especial::Nenhum, bons.chopped(2), "");
        linha("serie que nao e numero", Especial::Nenhum, QByteArray(bons).replace("ENT,1", "ENT,'; DROP TABLE"),
              ": a série \"'; DROP TABLE\" da chave ENTRADAS não é um número inteiro");
    }
    void ficheiroDeParametros() {
        QFETCH(int, especial);
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, esperado);
        PostoArranque p;
        preparar(p.parametros(), Especial(especial), conteudo);
        p.arrancar();
        verificar(p, p.parametros(), esperado);
        if (esperado.isEmpty())
            return;
        // The window did not open, and what start-up took is released.
        QVERIFY(!p.programa.janela);
    }

    void parametrosEmWindows1252ouUtf8_data() {
        QTest::addColumn<QByteArray>("entradas");
        QTest::addColumn<QString>("texto");
        // The file is Windows-1252: its bytes are read as that code page, whatever they were meant as.
        QTest::newRow("Windows-1252") << QByteArray("Entrada autom\xe1tica \x80")
                                      << QStringLiteral("Entrada automática €");
        QTest::newRow("UTF-8") << QByteArray("Entrada autom\xc3\xa1tica") << QStringLiteral("Entrada automÃ¡tica");
    }
    void parametrosEmWindows1252ouUtf8() {
        QFETCH(QByteArray, entradas);
        QFETCH(QString, texto);
        PostoArranque p;
        preparar(p.parametros(), Especial::Nenhum,
                 "ENCOMENDAS=ENC,1\r\nGUIAS=GR,1,2,A1\r\nENTRADAS=ENT,1,A1," + entradas + ",0\r\n");
        p.arrancar();
        verificar(p, p.parametros(), QString());
        QCOMPARE(p.programa.importacao->tiposEntrada().observacoes, texto);
    }

    void parametrosComCaracteresDeControlo_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("esperado");
        for (const Motor m : {Motor::Sqlite, Motor::Postgres}) {
            const char* motor = m == Motor::Sqlite ? "sqlite" : "postgresql";
            // A NUL would break the statements on PostgreSQL before anyone named the file.
            QTest::addRow("%s: GUIAS com NUL", motor)
                << m << QByteArray("ENCOMENDAS=ENC,1\nGUIAS=GR\0,1,1,A1\nENTRADAS=ENT,1,A1,T,0\n", 56)
                << QStringLiteral(": a chave GUIAS tem caracteres de controlo; não parece texto.");
            QTest::addRow("%s: ENCOMENDAS com ESC", motor)
                << m << QByteArray("ENCOMENDAS=E\x1bNC,1\nGUIAS=GR,1,2,A1\nENTRADAS=ENT,1,A1,T,0\n")
                << QStringLiteral(": a chave ENCOMENDAS tem caracteres de controlo; não parece texto.");
        }
    }
    void parametrosComCaracteresDeControlo() {
        QFETCH(Motor, motor);
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, esperado);
        PostoArranque p(motor);
        preparar(p.parametros(), Especial::Nenhum, conteudo);
        QVERIFY(QFile::setPermissions(p.configuracao(), QFile::ReadOwner | QFile::WriteOwner));
        p.arrancar();
        verificar(p, p.parametros(), esperado);
    }

    // The parameters reader on its own.

    void parametrosEmBlocosDeQualquerTamanho() {
        // CR and LF split over two reads, keys at the edge of a block: the same
        // value whatever the size of the blocks read.
        const QByteArray texto = "A=1\r\nGUIAS=X\rguias=Y\n\r\nENCOMENDAS=E,1\r\r\nENTRADAS=\r\nFIM=z";
        for (const QString& chave : {QStringLiteral("GUIAS"), QStringLiteral("ENCOMENDAS"), QStringLiteral("ENTRADAS"),
                                     QStringLiteral("FIM"), QStringLiteral("A"), QStringLiteral("NADA")}) {
            QBuffer inteiro;
            inteiro.setData(texto);
            QVERIFY(inteiro.open(QIODevice::ReadOnly));
            const QString esperado = Parametros::procurar(inteiro, chave, QStringLiteral("t"));
            for (int bloco = 1; bloco <= texto.size(); ++bloco) {
                QBuffer b;
                b.setData(texto);
                QVERIFY(b.open(QIODevice::ReadOnly));
                QCOMPARE(Parametros::procurar(b, chave, QStringLiteral("t"), bloco), esperado);
            }
        }
    }
};

QTEST_MAIN(tst_Ficheiros)
#include "tst_ficheiros.moc"
