// The configuration file, the folders, the connection text: no database.

#include "Apoio.h"
#include "BaseDados.h"
#include "CodigoPagina.h"
#include "Configuracao.h"
#include "Erro.h"
#include "LigacaoBd.h"
#include "Pastas.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QByteArray Completo = "; comentário inicial\n"
                            "# outro comentário\n"
                            "Utilizador = fora de secção\n"
                            "\n"
                            "[erp]\n"
                            "  UTILIZADOR =  ana  \n"
                            "password=s3gr;do#\n"
                            "Empresa=EMP1\n"
                            "Instancia = Driver=QSQLITE;Database=/srv/emp1.db\n"
                            "Posto=POSTO-7\n"
                            "Empresa=SEGUNDA\n"
                            "[Outra]\n"
                            "Servidor=nao-e-este\n"
                            "[ BaseDados ]\n"
                            "servidor=pg.local:5433\n"
                            "BASEDADOS = empresa1\n"
                            "Utilizador=orlavane\n"
                            "Password=\"  com brancos \"\"e aspas\"\" \"\n";

/// Writes `conteudo` to a file of the folder and returns its path.
QString escrever(const QTemporaryDir& dir, const QByteArray& conteudo, const QString& nome = QStringLiteral("c.zeb")) {
    const QString caminho = dir.filePath(nome);
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(conteudo) != conteudo.size())
        qFatal("cannot write %s", qPrintable(caminho));
    return caminho;
}

QStringList lista(const std::array<QString, 5>& a) {
    return {a.begin(), a.end()};
}
QStringList lista(const std::array<QString, 4>& a) {
    return {a.begin(), a.end()};
}

} // namespace

class tst_Configuracao final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void leSeccoesChavesEComentarios_data() {
        QTest::addColumn<QByteArray>("fimDeLinha");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("CR") << QByteArray("\r");
    }
    void leSeccoesChavesEComentarios() {
        QFETCH(QByteArray, fimDeLinha);
        QTemporaryDir dir;
        const QString caminho = escrever(dir, QByteArray(Completo).replace("\n", fimDeLinha));
        ConfigErp erp;
        erp.ler(caminho);
        // The first "Empresa" counts; keys before any section are ignored.
        QCOMPARE(lista(erp.valores()),
                 (QStringList{QStringLiteral("ana"), QStringLiteral("s3gr;do#"), QStringLiteral("EMP1"),
                              QStringLiteral("Driver=QSQLITE;Database=/srv/emp1.db"), QStringLiteral("POSTO-7")}));
        ConfigBd bd;
        bd.ler(caminho);
        QCOMPARE(lista(bd.valores()),
                 (QStringList{QStringLiteral("pg.local:5433"), QStringLiteral("empresa1"), QStringLiteral("orlavane"),
                              QStringLiteral("  com brancos \"e aspas\" ")}));
    }

    void acentosEmUtf8EWindows1252_data() {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::newRow("UTF-8") << QByteArray("[ERP]\nUtilizador=Conceição\nEmpresa=Açores & Cª €\n");
        QTest::newRow("UTF-8 com BOM") << QByteArray(
            "\xEF\xBB\xBF[ERP]\nUtilizador=Conceição\nEmpresa=Açores & Cª €\n");
        QTest::newRow("Windows-1252") << QByteArray(
            "[ERP]\nUtilizador=Concei\xE7\xE3o\nEmpresa=A\xE7ores & C\xAA \x80\n");
    }
    void acentosEmUtf8EWindows1252() {
        QFETCH(QByteArray, conteudo);
        QTemporaryDir dir;
        ConfigErp erp;
        erp.ler(escrever(dir, conteudo));
        QCOMPARE(erp.valores()[0], QStringLiteral("Conceição"));
        QCOMPARE(erp.valores()[2], QStringLiteral("Açores & Cª €"));
    }

    void ficheiroInexistenteDeixaTudoVazio() {
        QTemporaryDir dir;
        ConfigErp erp;
        erp.ler(dir.filePath(QStringLiteral("nao-existe.zeb")));
        QCOMPARE(lista(erp.valores()), QStringList(5));
        ConfigBd bd;
        bd.ler(dir.filePath(QStringLiteral("nao-existe.zeb")));
        QCOMPARE(lista(bd.valores()), QStringList(4));
    }

    void passwordsVaziasSaoValores() {
        QTemporaryDir dir;
        const QString caminho =
            escrever(dir, "[ERP]\nUtilizador=u\nPassword =\nEmpresa=E\nInstancia=i\nPosto=p\n"
                          "[BaseDados]\nServidor=sqlite\nBaseDados=b.db\nUtilizador=u\nPassword=\n");
        ConfigErp erp;
        erp.ler(caminho);
        QCOMPARE(lista(erp.valores()), (QStringList{"u", "", "E", "i", "p"}));
        ConfigBd bd;
        bd.ler(caminho);
        QCOMPARE(lista(bd.valores()), (QStringList{"sqlite", "b.db", "u", ""}));
    }

    void ficheiroIlegivelLevantaErroComOCaminho_data() {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<int>("numero");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("pasta") << QByteArray() << "pasta" << int(Erro::Ficheiro) << "pasta";
        QTest::newRow("fifo") << QByteArray() << "fifo" << int(Erro::Ficheiro) << "não é um ficheiro normal";
        QTest::newRow("bytes nulos") << QByteArray("[ERP]\nPassword=segredo\n\0\0\0", 24) << "ficheiro"
                                     << int(Erro::Configuracao) << "bytes nulos";
        QTest::newRow("lixo binário") << QByteArray("[ERP]\nPassword=segredo\n\x01\x02\xff\x7f\x10\n") << "ficheiro"
                                      << int(Erro::Configuracao) << "caracteres de controlo (linha 3)";
        QTest::newRow("linha longa") << "[ERP]\nPassword=segredo\nPosto=" + QByteArray(64 * 1024, 'x') + "\n"
                                     << "ficheiro" << int(Erro::Configuracao) << "linha 3 tem mais de 64 KiB";
    }
    void ficheiroIlegivelLevantaErroComOCaminho() {
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, tipo);
        QFETCH(int, numero);
        QFETCH(QString, motivo);
        QTemporaryDir dir;
        QString caminho = dir.filePath(QStringLiteral("Orlavane.zeb"));
        if (tipo == QLatin1String("pasta"))
            QVERIFY(QDir().mkpath(caminho));
        else if (tipo == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(caminho).constData(), 0600), 0);
        else
            caminho = escrever(dir, conteudo, QStringLiteral("Orlavane.zeb"));
        for (int leitor = 0; leitor < 2; ++leitor) {
            try {
                if (leitor == 0)
                    ConfigErp().ler(caminho);
                else
                    ConfigBd().ler(caminho);
                QFAIL("no error raised");
            } catch (const Erro& e) {
                QCOMPARE(e.numero(), numero);
                QVERIFY2(e.texto().contains(QStringLiteral("\"%1\"").arg(caminho)), qPrintable(e.texto()));
                QVERIFY2(e.texto().contains(motivo), qPrintable(e.texto()));
                QVERIFY(!e.texto().contains(QStringLiteral("segredo")));
            }
        }
    }

    void linhaNoLimiteAindaSeLe() {
        QTemporaryDir dir;
        // 64 KiB exactly, "Posto=" included.
        const QByteArray posto = QByteArray(64 * 1024 - 6, 'p');
        ConfigErp erp;
        erp.ler(escrever(dir, "[ERP]\r\nPosto=" + posto + "\r\n"));
        QCOMPARE(erp.valores()[4].size(), posto.size());
    }

    void completarErpPedeAoOperador() {
        QTemporaryDir dir;
        ConfigErp erp;
        erp.ler(escrever(dir, "[ERP]\nUtilizador=ana\nEmpresa=E1\n"));
        MensagensTeste m;
        m.formularios.push_back({" ana ", " pw com brancos ", "E1", "Driver=QSQLITE;Database=/x.db", "P2"});
        QVERIFY(erp.completar(m));
        QCOMPARE(m.titulosFormularios, QStringList{QStringLiteral("Ligação ao ERP")});
        QCOMPARE(m.rotulosFormularios.at(0),
                 (QStringList{QStringLiteral("Utilizador"), QStringLiteral("Palavra-passe"), QStringLiteral("Empresa"),
                              QStringLiteral("Instância"), QStringLiteral("Posto")}));
        QCOMPARE(m.segredosFormularios.at(0), QList<int>{1});
        // The form shows what the file held, and this machine as the workstation.
        QCOMPARE(m.valoresMostrados.at(0), (QStringList{"ana", "", "E1", "", QSysInfo::machineHostName()}));
        // Typed values are kept; the password exactly as typed.
        QCOMPARE(lista(erp.valores()),
                 (QStringList{"ana", " pw com brancos ", "E1", "Driver=QSQLITE;Database=/x.db", "P2"}));

        // Cancelled: false, and nothing changes.
        ConfigErp outro;
        outro.ler(escrever(dir, "[ERP]\nUtilizador=rui\n", QStringLiteral("d.zeb")));
        QVERIFY(!outro.completar(m));
        QCOMPARE(lista(outro.valores()), (QStringList{"rui", "", "", "", ""}));

        // Nothing missing (only the password empty): no form.
        ConfigErp pronto;
        pronto.ler(escrever(dir, "[ERP]\nUtilizador=u\nEmpresa=E\nInstancia=i\nPosto=p\n", QStringLiteral("e.zeb")));
        QVERIFY(pronto.completar(m));
        QCOMPARE(m.titulosFormularios.size(), 2);
    }

    void completarBdUsaOAlternativoSoNosVazios() {
        QTemporaryDir dir;
        const QString principal = escrever(dir, "[BaseDados]\nServidor=sqlite\nUtilizador=\nPassword=\n");
        const QString alternativo = escrever(dir,
                                             "[BaseDados]\nServidor=pg.alt\nBaseDados=alt.db\nUtilizador=alt\n"
                                             "Password=altpw\n",
                                             QStringLiteral("bd.sql"));
        MensagensTeste m;
        ConfigBd bd;
        bd.ler(principal);
        bd.lerAlternativo(alternativo);
        bd.definicao(0);
        QVERIFY(bd.completar(&m));
        QCOMPARE(lista(bd.valores()), (QStringList{"sqlite", "alt.db", "alt", "altpw"}));
        QVERIFY(m.titulosFormularios.isEmpty());
    }

    void completarBdComDefinicao0NuncaPergunta() {
        QTemporaryDir dir;
        MensagensTeste m;
        m.formularios.push_back({"x", "x", "x", "x"});
        ConfigBd bd;
        bd.ler(escrever(dir, "[BaseDados]\nServidor=sqlite\n"));
        bd.lerAlternativo(dir.filePath(QStringLiteral("nao-existe.sql")));
        bd.definicao(0);
        QVERIFY(!bd.completar(&m));
        QCOMPARE(lista(bd.valores()), (QStringList{"sqlite", "", "", ""}));
        QVERIFY(m.titulosFormularios.isEmpty());
    }

    void completarBdComDefinicao1PerguntaOQueFalta() {
        QTemporaryDir dir;
        MensagensTeste m;
        ConfigBd bd;
        bd.ler(escrever(dir, "[BaseDados]\nServidor=sqlite\n"));
        bd.lerAlternativo(escrever(dir, "[BaseDados]\nBaseDados=alt.db\n", QStringLiteral("bd.sql")));
        bd.definicao(1);
        // Cancelled: false, values as the files left them.
        QVERIFY(!bd.completar(&m));
        QCOMPARE(lista(bd.valores()), (QStringList{"sqlite", "alt.db", "", ""}));
        m.formularios.push_back({"sqlite", "alt.db", " eu ", " pw "});
        QVERIFY(bd.completar(&m));
        QCOMPARE(m.titulosFormularios,
                 (QStringList{QStringLiteral("Base de dados da empresa"), QStringLiteral("Base de dados da empresa")}));
        QCOMPARE(m.rotulosFormularios.at(1),
                 (QStringList{QStringLiteral("Servidor"), QStringLiteral("Base de dados"), QStringLiteral("Utilizador"),
                              QStringLiteral("Palavra-passe")}));
        QCOMPARE(m.segredosFormularios.at(1), QList<int>{3});
        QCOMPARE(m.valoresMostrados.at(1), (QStringList{"sqlite", "alt.db", "", ""}));
        QCOMPARE(lista(bd.valores()), (QStringList{"sqlite", "alt.db", "eu", " pw "}));
    }

    void escreverELerConfiguracao() {
        QTemporaryDir dir;
        const QString caminho = dir.filePath(QStringLiteral("Orlavane.zeb"));
        const std::array<QString, 5> erp = {QStringLiteral("ana"), QStringLiteral(" \"pw\";#x "), QStringLiteral("EMP"),
                                            QStringLiteral("Driver=QSQLITE;Database=\"/a;b/c.db\""),
                                            QStringLiteral("Posto Ç")};
        const std::array<QString, 4> bd = {QStringLiteral("sqlite"), QStringLiteral("c.db"), QString(),
                                           QStringLiteral("\"")};
        escreverConfiguracao(caminho, erp, bd);
        QCOMPARE(QFile::permissions(caminho) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        ConfigErp e;
        e.ler(caminho);
        QCOMPARE(lista(e.valores()), lista(erp));
        ConfigBd b;
        b.ler(caminho);
        QCOMPARE(lista(b.valores()), lista(bd));

        // An existing file readable by others loses that before the passwords go in.
        QVERIFY(QFile::setPermissions(caminho, QFile::permissions(caminho) | QFile::ReadOther | QFile::ReadGroup));
        escreverConfiguracao(caminho, erp, bd);
        QVERIFY(!(QFile::permissions(caminho) & (QFile::ReadOther | QFile::ReadGroup)));

        try {
            escreverConfiguracao(caminho, erp, {QStringLiteral("sqlite"), QStringLiteral("a\nb"), {}, {}});
            QFAIL("no error raised");
        } catch (const Erro& x) {
            QCOMPARE(x.numero(), int(Erro::Configuracao));
            QVERIFY(x.texto().contains(QStringLiteral("BaseDados")));
        }
    }

    void windows1252() {
        QCOMPARE(deWindows1252("Entrada autom\xE1tica \x80 \x93x\x94"), QStringLiteral("Entrada automática € “x”"));
        QCOMPARE(paraWindows1252(QStringLiteral("Entrada automática € “x” ✓")),
                 QByteArray("Entrada autom\xE1tica \x80 \x93x\x94 ?"));
        // Every byte reads as one character and writes back as the same byte.
        QByteArray todos;
        for (int b = 0; b < 256; ++b)
            todos.append(static_cast<char>(b));
        const QString texto = deWindows1252(todos);
        QCOMPARE(texto.size(), 256);
        QCOMPARE(paraWindows1252(texto), todos);
    }

    void pastas() {
        Pastas p;
        QString esperada = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        while (esperada.size() > 1 && esperada.endsWith(QLatin1Char('/')))
            esperada.chop(1);
        QCOMPARE(p.pastaBase(), esperada);
        QCOMPARE(p.pastaAplicacao(), QCoreApplication::applicationDirPath());
        const Pastas dadas(QStringLiteral("/tmp/base//"), QStringLiteral("/opt/app/"));
        QCOMPARE(dadas.pastaBase(), QStringLiteral("/tmp/base"));
        QCOMPARE(dadas.pastaAplicacao(), QStringLiteral("/opt/app"));
        const Pastas soAplicacao({}, QStringLiteral("/opt/app"));
        QCOMPARE(soAplicacao.pastaBase(), esperada);

        QCOMPARE(juntarCaminho(QStringLiteral("/opt/app"), QStringLiteral("\\Catalogos\\bd.sql")),
                 QStringLiteral("/opt/app/Catalogos/bd.sql"));
        QCOMPARE(juntarCaminho(QStringLiteral("/"), QStringLiteral("\\tarnix")), QStringLiteral("/tarnix"));
        QCOMPARE(juntarCaminho(QStringLiteral("/cfg"), QStringLiteral("\\Orlavane.zeb")),
                 QStringLiteral("/cfg/Orlavane.zeb"));

        QTemporaryDir dir;
        Ficheiros f;
        QVERIFY(f.existePasta(dir.path()));
        QVERIFY(!f.existePasta(dir.filePath(QStringLiteral("nao"))));
        QVERIFY(!f.existePasta(escrever(dir, "x")));
        QVERIFY(!f.existePasta(QString()));
    }

    void ligacaoBdIdaEVoltaComPasswordsDificeis_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("ponto e vírgula") << QStringLiteral("a;b");
        QTest::newRow("aspas") << QStringLiteral("x\"y");
        QTest::newRow("só aspas") << QStringLiteral("\"");
        QTest::newRow("entre aspas") << QStringLiteral("\"pw\"");
        QTest::newRow("brancos") << QStringLiteral("  pw  ");
        QTest::newRow("mistura") << QStringLiteral(";\"; =Database=x;\"\"");
        QTest::newRow("igual") << QStringLiteral("pass=word");
        QTest::newRow("acentos") << QStringLiteral("palavra-passe çã €");
    }
    void ligacaoBdIdaEVoltaComPasswordsDificeis() {
        QFETCH(QString, password);
        const QString texto =
            LigacaoBd(Pastas()).construir(QStringLiteral("MSDataShape"), 1, QStringLiteral("pg.local:5433"),
                                          QStringLiteral("em;presa"), QStringLiteral("o\"rla"), password);
        const TextoLigacao t = TextoLigacao::analisar(texto);
        QCOMPARE(t.fornecedor, QStringLiteral("MSDataShape"));
        QCOMPARE(t.driver, QStringLiteral("QPSQL"));
        QCOMPARE(t.host, QStringLiteral("pg.local"));
        QCOMPARE(t.porta, 5433);
        QCOMPARE(t.base, QStringLiteral("em;presa"));
        QCOMPARE(t.utilizador, QStringLiteral("o\"rla"));
        QCOMPARE(t.password, password);
        QCOMPARE(t.descricao(), QStringLiteral("PostgreSQL \"em;presa\" em pg.local:5433 (utilizador o\"rla)"));
    }

    void ligacaoBdServidores_data() {
        QTest::addColumn<QString>("servidor");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("porta");
        QTest::newRow("nome") << "pg.local"
                              << "pg.local" << -1;
        QTest::newRow("nome e porta") << "10.0.0.5:6543"
                                      << "10.0.0.5" << 6543;
        QTest::newRow("socket") << "/var/run/postgresql"
                                << "/var/run/postgresql" << -1;
        QTest::newRow("socket e porta") << "/tmp/pg sock:54329"
                                        << "/tmp/pg sock" << 54329;
        QTest::newRow("IPv6") << "::1"
                              << "::1" << -1;
        QTest::newRow("IPv6 e porta") << "[fe80::1]:5432"
                                      << "fe80::1" << 5432;
    }
    void ligacaoBdServidores() {
        QFETCH(QString, servidor);
        QFETCH(QString, host);
        QFETCH(int, porta);
        const TextoLigacao t = TextoLigacao::analisar(LigacaoBd(Pastas()).construir(
            QStringLiteral("MSDataShape"), 1, servidor, QStringLiteral("b"), QStringLiteral("u"), {}));
        QCOMPARE(t.host, host);
        QCOMPARE(t.porta, porta);
        QVERIFY(t.password.isEmpty());
        QVERIFY(!t.texto().contains(QStringLiteral("Password")));
    }

    void ligacaoBdPortaInvalida() {
        for (const QString& s : {QStringLiteral("pg:abc"), QStringLiteral("pg:0"), QStringLiteral("pg:70000")}) {
            try {
                LigacaoBd(Pastas()).construir(QStringLiteral("MSDataShape"), 1, s, QStringLiteral("b"),
                                              QStringLiteral("u"), QStringLiteral("segredo"));
                QFAIL(qPrintable(s));
            } catch (const Erro& e) {
                QCOMPARE(e.numero(), int(Erro::Configuracao));
                QVERIFY(!e.texto().contains(QStringLiteral("segredo")));
            }
        }
    }

    void ligacaoBdSqlite() {
        const LigacaoBd l(Pastas({}, QStringLiteral("/opt/orlavane")));
        TextoLigacao t = TextoLigacao::analisar(l.construir(QStringLiteral("MSDataShape"), 1, QStringLiteral("SQLite"),
                                                            QStringLiteral("dados/demo.db"), QStringLiteral("u"),
                                                            QStringLiteral("pw")));
        QCOMPARE(t.driver, QStringLiteral("QSQLITE"));
        QCOMPARE(t.base, QStringLiteral("/opt/orlavane/dados/demo.db"));
        QCOMPARE(t.fornecedor, QStringLiteral("MSDataShape"));
        QVERIFY(t.password.isEmpty());
        // An absolute file stays; one with ';' in its name survives the text.
        t = TextoLigacao::analisar(l.construir(QStringLiteral("MSDataShape"), 1, QStringLiteral("sqlite"),
                                               QStringLiteral("/srv/a;b/demo.db"), {}, {}));
        QCOMPARE(t.base, QStringLiteral("/srv/a;b/demo.db"));
        // Option 0 resolves against the current folder.
        t = TextoLigacao::analisar(
            l.construir(QStringLiteral("MSDataShape"), 0, QStringLiteral("sqlite"), QStringLiteral("demo.db"), {}, {}));
        QCOMPARE(t.base, QDir::current().absoluteFilePath(QStringLiteral("demo.db")));
        // No file named: the text says so when it is read.
        QVERIFY_THROWS_EXCEPTION(Erro, TextoLigacao::analisar(l.construir(QStringLiteral("MSDataShape"), 1,
                                                                          QStringLiteral("sqlite"), {}, {}, {})));
    }

    /// libpq's own keys are kept and written back as they are; any other key
    /// is refused, named unless it may be the tail of a password.
    void chavesLibpq_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("opcoes"); ///< what is kept, "k=v|k=v"; empty when refused
        QTest::addColumn<QString>("erro");   ///< what the refusal says, and never "cd"
        QTest::newRow("TLS e keepalives")
            << "Driver=QPSQL;Host=db;Database=e;SSLMode=verify-full;sslrootcert=\"/etc/a c/ca.crt\";keepalives_idle=30;"
               "sslmode=verify-ca"
            << "sslrootcert=/etc/a c/ca.crt|keepalives_idle=30|sslmode=verify-ca" << QString();
        QTest::newRow("serviço sem base") << "Driver=QPSQL;service=empresa"
                                          << "service=empresa" << QString();
        QTest::newRow("chave desconhecida") << "Driver=QPSQL;Database=e;sslmod=require" << QString()
                                            << "a chave \"sslmod\", que o programa não conhece";
        QTest::newRow("depois da password")
            << "Driver=QPSQL;Database=e;Password=ab;cd=ef" << QString() << "a seguir à palavra-passe";
        QTest::newRow("não parece chave")
            << "Driver=QPSQL;Database=e;a-cd=ef" << QString() << "uma chave que o programa não conhece.";
        QTest::newRow("ponto e vírgula") << "Driver=QPSQL;Database=e;sslrootcert=\"/a;b\"" << QString()
                                         << "\"sslrootcert\" na ligação à base de dados não pode ter \";\"";
        QTest::newRow("SQLite") << "Driver=QSQLITE;Database=/a.db;sslmode=require" << QString()
                                << "\"sslmode\" da ligação à base de dados só serve a uma base de dados PostgreSQL";
        QTest::newRow("sem base nem serviço")
            << "Driver=QPSQL;sslmode=require" << QString() << "não indica a base de dados";
    }
    void chavesLibpq() {
        QFETCH(QString, texto);
        QFETCH(QString, opcoes);
        QFETCH(QString, erro);
        try {
            const TextoLigacao t = TextoLigacao::analisar(texto);
            QStringList lidas;
            for (const auto& [k, v] : t.opcoes)
                lidas << k + QLatin1Char('=') + v;
            QCOMPARE(lidas.join(QLatin1Char('|')), opcoes);
            QCOMPARE(TextoLigacao::analisar(t.texto()).opcoes, t.opcoes);
            QVERIFY(TextoLigacao::chaveDesconhecida(texto).isEmpty());
        } catch (const Erro& e) {
            QVERIFY2(!erro.isEmpty(), qPrintable(e.texto()));
            QCOMPARE(e.numero(), int(Erro::Configuracao));
            QVERIFY2(e.texto().contains(erro) && !e.texto().contains(QLatin1String("cd")), qPrintable(e.texto()));
        }
    }
    /// A value reaches libpq as it stands, blanks and quotes in it.
    void opcoesChegamAoLibpq() {
        const QString servico = QStringLiteral("o serviço d'a\\b");
        const TextoLigacao t =
            TextoLigacao::analisar(QStringLiteral("Driver=QPSQL;Database=e;service=\"%1\"").arg(servico));
        try {
            t.abrir(QStringLiteral("servico-inexistente"));
            QFAIL("opened");
        } catch (const Erro& e) {
            QVERIFY2(e.texto().contains(QStringLiteral("\"%1\" not found").arg(servico)), qPrintable(e.texto()));
        }
    }

    void textoLigacaoIgnoraPedacosSemChave() {
        const TextoLigacao t =
            TextoLigacao::analisar(QStringLiteral("lixo;Driver=qsqlite; Database = /a.db ;;Port=5432"));
        QCOMPARE(t.driver, QStringLiteral("QSQLITE"));
        QCOMPARE(t.base, QStringLiteral("/a.db"));
        QCOMPARE(t.porta, 5432);
    }
};

QTEST_GUILESS_MAIN(tst_Configuracao)
#include "tst_configuracao.moc"
