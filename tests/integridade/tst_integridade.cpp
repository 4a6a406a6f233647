// The integrity check of a company database: the demo company with documents
// made through the local ERP is reported sound; each fault put in by hand is
// reported once, under its category; the program prints the report and ends
// with 0 (sound), 1 (something found) or 2 (not checked).

#include "Apoio.h"
#include "BaseDados.h"
#include "CodigosErp.h"
#include "Configuracao.h"
#include "DadosDemo.h"
#include "ErpLocal.h"
#include "Esquema.h"
#include "IntegridadeEmpresa.h"
#include "LigacaoBd.h"
#include "NomesApi.h"
#include "ObjectoApi.h"
#include "Pastas.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#ifndef ORLAVANE_INTEGRIDADE
#error "ORLAVANE_INTEGRIDADE names the program"
#endif

using Integridade::Categoria;

namespace {

const Integridade::Tipos Tipos{QStringLiteral("ENT"), QStringLiteral("GR")};

/// An order line that a run satisfies (one unit of it).
struct Origem {
    QVariantList chave; ///< type, series, number, year, line
    QString artigo;
};

/// The demo company and three runs made as the program makes them, through
/// the local ERP: ENT/1/1 with GR/1/1 (two lines), ENT/1/2 annulled because
/// its Guia was refused (one line), ENT/1/3 with GR/1/2 (two lines).
class Empresa final {
public:
    explicit Empresa(Motor motor) : base(motor) {
        Demo::Opcoes opcoes;
        opcoes.referencia = QDate(2024, 5, 17);
        Demo::preencher(base.db(), opcoes);
        if (!m_erp.login(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("DEMO"), base.textoLigacao(),
                         QStringLiteral("POSTO1")))
            qFatal("login: %s", qPrintable(m_erp.motivoFalhaLogin()));
        const auto [cliente, linhas] = pendentes();
        correr(cliente, {linhas[0], linhas[1]}, false);
        correr(cliente, {linhas[2]}, true);
        correr(cliente, {linhas[3], linhas[4]}, false);
        m_erp.logoff();
    }

    BaseTeste base;

private:
    /// A client with five order lines that have a unit pending (active
    /// client and articles), and those lines.
    std::pair<QString, std::vector<Origem>> pendentes() {
        QSqlQuery q(base.db());
        if (!q.exec(QStringLiteral("SELECT c.TERCEIRO, l.TPDOCUM, l.SERIE, l.NNUMDOC, l.ANO, l.NUMLINHA, l.ARTIGO"
                                   " FROM DOCGCLIN l JOIN DOCGCCAB c ON c.TPDOC = l.TPDOCUM AND c.SERIE = l.SERIE"
                                   " AND c.NNUMDOC = l.NNUMDOC AND c.ANO = l.ANO"
                                   " JOIN Clientes k ON k.Codigo = c.TERCEIRO JOIN Artigos a ON a.Codigo = l.ARTIGO"
                                   " WHERE c.TPDOC IN ('ENC', 'ENW') AND l.LINANU <> -1 AND l.QUANT >= 1"
                                   " AND k.Inactivo = 0 AND a.Inactivo = 0"
                                   " ORDER BY c.TERCEIRO, l.ANO, l.NNUMDOC, l.NUMLINHA")))
            qFatal("%s", qPrintable(q.lastError().text()));
        std::map<QString, std::vector<Origem>> porCliente;
        while (q.next())
            porCliente[q.value(0).toString()].push_back(
                {{q.value(1), q.value(2), q.value(3), q.value(4), q.value(5)}, q.value(6).toString()});
        for (auto& [cliente, linhas] : porCliente)
            if (linhas.size() >= 5)
                return {cliente, linhas};
        qFatal("the demo company has no client with five pending lines");
    }

    /// The entry with one unit of each line, then the Guia that satisfies
    /// them; when the Guia is refused, the entry is annulled again.
    void correr(const QString& cliente, const std::vector<Origem>& origens, bool guiaRecusada) {
        const QString hoje = QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy"));
        QStringList artigos{QString()};
        std::vector<double> uns{0.0};
        for (const Origem& o : origens) {
            artigos << o.artigo;
            uns.push_back(1.0);
        }
        const QStringList vazios(artigos.size());
        ChaveDocumento entrada;
        bool guardada = false;
        m_erp.setOpcaoEntrada1(true);
        m_erp.setOpcaoEntrada2(true);
        m_erp.CriaDocumentoEntrada(1, 4, Tipos.entrada, QStringLiteral("A1"), 1, QStringLiteral("A1"), {}, {}, hoje, {},
                                   QStringLiteral("Entrada"), 0, {}, artigos, artigos, uns, uns, vazios, entrada,
                                   guardada);
        if (!guardada)
            qFatal("entry not stored");

        auto guia = std::dynamic_pointer_cast<DocumentoComercial>(m_erp.CriaObjectoApi(NomesApi::Documento));
        const std::pair<const char*, QVariant> cabecalho[] = {
            {"TipoDocumento", Tipos.guia}, {"Serie", 1}, {"Data", hoje}, {"TipoTerceiro", 2}, {"Terceiro", cliente}};
        for (const auto& [membro, valor] : cabecalho)
            guia->Cab().definir(QLatin1String(membro), valor);
        const char* membrosOrigem[] = {"OrDoc", "Orserie", "OrNum", "Orano", "LinhaOriginal"};
        for (const Origem& o : origens) {
            const auto linha = m_erp.CriaObjectoApi(NomesApi::Linha);
            linha->definir(QStringLiteral("Artigo"), o.artigo);
            linha->definir(QStringLiteral("Quantidade"), 1);
            for (int i = 0; i < 5; ++i)
                linha->definir(QLatin1String(membrosOrigem[i]), o.chave.at(i));
            guia->AdicionaLinha(*linha);
        }
        if (guiaRecusada)
            m_erp.falharEm(QStringLiteral("GravaDocumento"));
        qint16 naoGuardada = 1;
        m_erp.GravaDocumento(1, *guia, naoGuardada);
        if ((naoGuardada != 0) != guiaRecusada)
            qFatal("Guia: unexpected outcome %d", naoGuardada);
        if (!guiaRecusada)
            return;
        EstadoOperacao estado;
        m_erp.AnulaDocumento(1, entrada, estado, naoGuardada);
        if (estado.Codigo != CodigosErp::Feito)
            qFatal("annulment: %s", qPrintable(estado.TextoEstado));
    }

    ErpLocal m_erp;
};

/// The program run once: its exit status and what it wrote.
struct Execucao {
    int codigo = -1;
    QString saida;
    QString erros;
};

Execucao executar(const QString& programa, const QStringList& argumentos, const QString& pastaConfiguracao = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The base folder under which the maker's folder is looked for.
    if (!pastaConfiguracao.isEmpty())
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), pastaConfiguracao);
    p.setProcessEnvironment(env);
    p.start(programa, argumentos);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        qFatal("%s did not end by itself", qPrintable(programa));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QStringList argumentos(const BaseTeste& base) {
    return {QStringLiteral("--ligacao"), base.textoLigacao(), QStringLiteral("--entrada"), Tipos.entrada,
            QStringLiteral("--guia"),    Tipos.guia};
}

/// What the program prints before the report.
QString cabecalhoDe(const BaseTeste& base) {
    return QStringLiteral("Base de dados: %1\n").arg(TextoLigacao::analisar(base.textoLigacao()).descricao());
}

} // namespace

class tst_Integridade final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void empresaSa() {
        Empresa e(motorActual());
        const Integridade::Relatorio r = Integridade::verificar(e.base.db(), Tipos);
        QVERIFY2(r.sa(), qPrintable(Integridade::texto(r)));
        QCOMPARE(Integridade::codigoSaida(r), 0);
        QCOMPARE(r.contagens.entradas, 3);
        QCOMPARE(r.contagens.entradasAnuladas, 1);
        QCOMPARE(r.contagens.guias, 2);
        QCOMPARE(r.contagens.guiasAnuladas, 0);
        QCOMPARE(r.contagens.linhasGuia, 4);

        // The program, as the administrator runs it: beside its configuration
        // (no maker's folder under the base folder) and its parameters file.
        QTemporaryDir pasta;
        QTemporaryDir semFabricante;
        const QString programa = pasta.filePath(QStringLiteral("orlavane-integridade"));
        QVERIFY(QFile::copy(QStringLiteral(ORLAVANE_INTEGRIDADE), programa));
        const TextoLigacao l = TextoLigacao::analisar(e.base.textoLigacao());
        const bool sqlite = e.base.motor() == Motor::Sqlite;
        escreverConfiguracao(pasta.filePath(QStringLiteral("Orlavane.zeb")), {},
                             {sqlite ? QStringLiteral("sqlite") : QStringLiteral("%1:%2").arg(l.host).arg(l.porta),
                              l.base, sqlite ? QStringLiteral("demo") : l.utilizador, l.password});
        Demo::escreverParametros(pasta.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
        const Execucao x = executar(programa, {}, semFabricante.path());
        QCOMPARE(x.erros, QString());
        QCOMPARE(x.saida, cabecalhoDe(e.base) + Integridade::texto(r));
        QVERIFY(x.saida.contains(QStringLiteral("Nenhum problema encontrado.")));
        QCOMPARE(x.codigo, 0);
    }

    void soLeitura() {
        Empresa e(motorActual());
        const QString nome = QStringLiteral("so-leitura");
        {
            QSqlDatabase db = Integridade::abrirSoLeitura(e.base.textoLigacao(), nome);
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB")));
            QVERIFY(!q.exec(QStringLiteral("UPDATE DOCGCCAB SET ANULADO = -1")));
            QVERIFY(!q.exec(QStringLiteral("CREATE TABLE Outra (x INTEGER)")));
        }
        QSqlDatabase::removeDatabase(nome);
        QCOMPARE(e.base.escalar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE ANULADO = -1")).toInt(), 1);
    }

    void cadaFalha_data() {
        QTest::addColumn<QStringList>("falha");
        QTest::addColumn<Categoria>("categoria");
        QTest::addColumn<QString>("chaveEsperada");
        const auto linha = [](const char* nome, const QStringList& sql, Categoria c, const char* chave) {
            QTest::newRow(nome) << sql << c << QString::fromLatin1(chave);
        };
        const QString gr1 = QStringLiteral("TPDOC = 'GR' AND NNUMDOC = 1");
        linha("entrada sem guia",
              {QStringLiteral("DELETE FROM DOCGCLIN WHERE TPDOCUM = 'GR' AND NNUMDOC = 2"),
               QStringLiteral("DELETE FROM DOCGCCAB WHERE TPDOC = 'GR' AND NNUMDOC = 2")},
              Categoria::EntradaSemGuia, "ENT/1/3/ANO");
        linha("guia com a entrada anulada",
              {QStringLiteral("UPDATE DOCGCCAB SET ANULADO = -1 WHERE TPDOC = 'ENT' AND NNUMDOC = 1"),
               QStringLiteral("UPDATE DOCGCLIN SET LINANU = -1 WHERE TPDOCUM = 'ENT' AND NNUMDOC = 1")},
              Categoria::GuiaSemEntrada, "GR/1/1/ANO");
        linha("guia de outro posto", {QStringLiteral("UPDATE DOCGCCAB SET POSTO = 'OUTRO' WHERE ") + gr1},
              Categoria::GuiaSemEntrada, "GR/1/1/ANO");
        // Text from the database that would act on the terminal: printed escaped.
        linha("posto com caracteres de controlo",
              {QStringLiteral("UPDATE DOCGCCAB SET POSTO = 'X\x1b[2J\u009b\u202e' WHERE ") + gr1},
              Categoria::GuiaSemEntrada, "GR/1/1/ANO");
        // The order line of the first line of GR/1/1 pending in full again.
        linha("linha satisfeita a mais",
              {QStringLiteral("UPDATE DOCGCLIN SET QUANT = QTDORIG WHERE EXISTS (SELECT 1 FROM DOCGCLIN g"
                              " WHERE g.TPDOCUM = 'GR' AND g.NNUMDOC = 1 AND g.NUMLINHA = 1"
                              " AND g.ORDOC = DOCGCLIN.TPDOCUM AND g.ORSERIE = DOCGCLIN.SERIE"
                              " AND g.ORNUM = DOCGCLIN.NNUMDOC AND g.ORANO = DOCGCLIN.ANO"
                              " AND g.LINHAORIGINAL = DOCGCLIN.NUMLINHA)")},
              Categoria::LinhaSobreSatisfeita, "ORIGEM");
        // A header table without the key that forbids it (as a company's
        // database may have), and an order's header stored twice.
        linha("numero repetido",
              {QStringLiteral("CREATE TABLE DOCGCCAB_SEM_CHAVE AS SELECT * FROM DOCGCCAB"),
               QStringLiteral("DROP TABLE DOCGCCAB"),
               QStringLiteral("ALTER TABLE DOCGCCAB_SEM_CHAVE RENAME TO DOCGCCAB"),
               QStringLiteral("INSERT INTO DOCGCCAB SELECT * FROM DOCGCCAB WHERE TPDOC = 'ENC' AND NNUMDOC = 1"
                              " AND ANO = 2024")},
              Categoria::NumeroRepetido, "ENC/1/1/2024");
        linha("numeracao atras dos numeros guardados",
              {QStringLiteral("UPDATE ErpNumeracao SET Ultimo = 1 WHERE TipoDoc = 'ENT'")}, Categoria::NumeroRepetido,
              "ENT/1/ANO");
        linha("cabecalho sem linhas", {QStringLiteral("DELETE FROM DOCGCLIN WHERE TPDOCUM = 'ENT' AND NNUMDOC = 2")},
              Categoria::MeioGuardado, "ENT/1/2/ANO");
        linha("linhas sem cabecalho", {QStringLiteral("DELETE FROM DOCGCCAB WHERE TPDOC = 'ENT' AND NNUMDOC = 2")},
              Categoria::MeioGuardado, "ENT/1/2/ANO");
        linha("anulado em parte",
              {QStringLiteral("UPDATE DOCGCLIN SET LINANU = 0 WHERE TPDOCUM = 'ENT' AND NNUMDOC = 2")},
              Categoria::MeioGuardado, "ENT/1/2/ANO");
        linha("guia diferente da entrada",
              {QStringLiteral("UPDATE DOCGCLIN SET QTDORIG = QTDORIG + 1 WHERE TPDOCUM = 'ENT' AND NNUMDOC = 1"
                              " AND NUMLINHA = 2")},
              Categoria::GuiaDiferente, "GR/1/1/ANO");
    }
    void cadaFalha() {
        QFETCH(QStringList, falha);
        QFETCH(Categoria, categoria);
        QFETCH(QString, chaveEsperada);
        Empresa e(motorActual());
        chaveEsperada.replace(QLatin1String("ANO"), QString::number(QDate::currentDate().year()));
        if (chaveEsperada == QLatin1String("ORIGEM"))
            chaveEsperada = e.base
                                .escalar(QStringLiteral("SELECT ORDOC || '/' || ORSERIE || '/' || ORNUM || '/' || ORANO"
                                                        " || ' linha ' || LINHAORIGINAL FROM DOCGCLIN"
                                                        " WHERE TPDOCUM = 'GR' AND NNUMDOC = 1 AND NUMLINHA = 1"))
                                .toString();
        // Run as they stand: PostgreSQL prepares no CREATE TABLE ... AS.
        QSqlQuery q(e.base.db());
        for (const QString& sql : falha)
            QVERIFY2(q.exec(sql), qPrintable(sql + QLatin1String(": ") + q.lastError().text()));
        // A table made anew is the operators' to read once the administrator
        // has given the program's rights again.
        if (e.base.motor() == Motor::Postgres)
            Esquema::criar(e.base.db());

        const Integridade::Relatorio r = Integridade::verificar(e.base.db(), Tipos);
        QVERIFY2(r.achados.size() == 1, qPrintable(Integridade::texto(r)));
        QCOMPARE(r.achados.front().categoria, categoria);
        QCOMPARE(r.achados.front().chave, chaveEsperada);
        QVERIFY(!r.achados.front().detalhe.isEmpty());
        QCOMPARE(r.quantos(categoria), 1);
        QCOMPARE(Integridade::codigoSaida(r), 1);

        // The program prints the same report as a table and ends with 1.
        const Execucao x = executar(QStringLiteral(ORLAVANE_INTEGRIDADE), argumentos(e.base));
        QCOMPARE(x.erros, QString());
        QCOMPARE(x.saida, cabecalhoDe(e.base) + Integridade::texto(r));
        const QString linhaDaTabela = QStringLiteral("\n%1 %2 ").arg(Integridade::nome(categoria), chaveEsperada);
        QVERIFY2(x.saida.simplified().contains(linhaDaTabela.simplified()), qPrintable(x.saida));
        QCOMPARE(x.codigo, 1);
        const auto visivel = [](QChar c) {
            return c == QLatin1Char('\n') ||
                   (c.unicode() >= 0x20 && (c.unicode() < 0x7f || c.unicode() > 0x9f) && c.unicode() != 0x202e);
        };
        QVERIFY2(std::all_of(x.saida.cbegin(), x.saida.cend(), visivel), qPrintable(x.saida));
    }

    /// No password on the command line: PostgreSQL's comes from libpq's
    /// password file, or is asked on the terminal without echo; with neither,
    /// the check is not made and libpq says why. SQLite asks nothing.
    void semPasswordNaLinhaDeComandos_data() {
        QTest::addColumn<QString>("modo");
        QTest::addColumn<int>("codigo"); ///< on PostgreSQL
        QTest::newRow("ficheiro de palavras-passe") << "pgpass" << 0;
        QTest::newRow("sem palavra-passe nem terminal") << "nada" << 2;
        QTest::newRow("no terminal, sem eco") << "terminal" << 0;
    }
    void semPasswordNaLinhaDeComandos() {
        QFETCH(QString, modo);
        QFETCH(int, codigo);
        const bool pg = motorActual() == Motor::Postgres;
        BaseTeste base(motorActual(), true, pg ? ServidorPg::Tls : ServidorPg::Teste);
        base.dadosBase();
        const QString texto =
            pg ? base.textoLigacaoTls(QStringLiteral("localhost"),
                                      QStringLiteral("sslmode=verify-full;sslrootcert=%1/ca.crt").arg(pastaPgTls()),
                                      true)
               : base.textoLigacao();
        const QStringList args{QStringLiteral("--ligacao"), texto,     QStringLiteral("--entrada"), Tipos.entrada,
                               QStringLiteral("--guia"),    Tipos.guia};
        const QTemporaryDir pasta;
        const QString pgpass = pasta.filePath(QStringLiteral("pgpass"));
        if (modo == QLatin1String("pgpass")) {
            QFile f(pgpass);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("localhost:%1:%2:orlavane:segredo-tls\n")
                        .arg(portaPgTls())
                        .arg(base.nomeBase())
                        .toUtf8());
            f.close();
            QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSFILE"), pgpass);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (modo == QLatin1String("terminal")) {
            // On a terminal of its own (script(1)), answered once it asks.
            QStringList citados{QStringLiteral(ORLAVANE_INTEGRIDADE)};
            for (QString a : args)
                citados << QLatin1Char('\'') + a.replace(QLatin1String("'"), QLatin1String("'\\''")) +
                               QLatin1Char('\'');
            p.start(QStringLiteral("script"),
                    {QStringLiteral("-qec"), citados.join(QLatin1Char(' ')), QStringLiteral("/dev/null")});
        } else {
            // Without a controlling terminal, as a program run by another.
            p.setChildProcessModifier([] { ::setsid(); });
            p.start(QStringLiteral(ORLAVANE_INTEGRIDADE), args);
        }
        QByteArray saida;
        bool respondido = false;
        const QDeadlineTimer limite(60000);
        while (p.state() != QProcess::NotRunning && !limite.hasExpired()) {
            p.waitForReadyRead(100);
            saida += p.readAll();
            if (!respondido && saida.contains("Palavra-passe da base de dados")) {
                p.write("segredo-tls\n");
                respondido = true;
            }
        }
        QVERIFY2(p.state() == QProcess::NotRunning || p.waitForFinished(1000), "did not end");
        saida += p.readAll();
        QCOMPARE(p.exitCode(), pg ? codigo : 0);
        QVERIFY2(!saida.contains("segredo-tls"), saida.constData());
        QCOMPARE(saida.contains("Palavra-passe da base de dados"), pg && modo == QLatin1String("terminal"));
        if (pg && codigo == 2)
            QVERIFY2(saida.contains("no password supplied"), saida.constData());
    }

    void naoVerificada_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("motivo");
        const QString semBase = QStringLiteral("Driver=QSQLITE;Database=/nao/existe/empresa.db");
        const QStringList tipos{QStringLiteral("--entrada"), QStringLiteral("ENT"), QStringLiteral("--guia"),
                                QStringLiteral("GR")};
        QTest::newRow("ficheiro inexistente")
            << (QStringList{QStringLiteral("--ligacao"), semBase} + tipos) << QStringLiteral("/nao/existe/empresa.db");
        QTest::newRow("servidor sem ninguem a ouvir")
            << (QStringList{QStringLiteral("--ligacao"),
                            QStringLiteral("Driver=QPSQL;Host=/nao/existe;Port=5432;Database=empresa;User=u;"
                                           "Password=segredo")} +
                tipos)
            << QStringLiteral("PostgreSQL \"empresa\"");
        QTest::newRow("opcao desconhecida")
            << QStringList{QStringLiteral("--nada")} << QStringLiteral("opção desconhecida: nada");
        QTest::newRow("opcao sem valor") << QStringList{QStringLiteral("--ligacao")}
                                         << QStringLiteral("falta o valor de --ligacao");
        QTest::newRow("argumento a mais") << QStringList{QStringLiteral("x")} << QStringLiteral("\"x\"");
        QTest::newRow("tipos iguais") << (QStringList{QStringLiteral("--ligacao"), QStringLiteral("BASE"),
                                                      QStringLiteral("--entrada"), QStringLiteral("GR"),
                                                      QStringLiteral("--guia"), QStringLiteral("GR")})
                                      << QStringLiteral("mesmo tipo");
        QTest::newRow("tipo que a empresa nao tem")
            << (QStringList{QStringLiteral("--ligacao"), QStringLiteral("BASE"), QStringLiteral("--entrada"),
                            QStringLiteral("XYZ"), QStringLiteral("--guia"), QStringLiteral("GR")})
            << QStringLiteral("\"XYZ\"");
    }
    void naoVerificada() {
        QFETCH(QStringList, argumentos);
        QFETCH(QString, motivo);
        // The company, where a row names it: a database that is there.
        BaseTeste base(motorActual());
        base.dadosBase();
        for (QString& a : argumentos)
            if (a == QLatin1String("BASE"))
                a = base.textoLigacao();
        const Execucao x = executar(QStringLiteral(ORLAVANE_INTEGRIDADE), argumentos);
        QCOMPARE(x.codigo, 2);
        QCOMPARE(x.saida, QString());
        QVERIFY2(x.erros.contains(motivo), qPrintable(x.erros));
        QVERIFY2(!x.erros.contains(QStringLiteral("segredo")), qPrintable(x.erros));
    }
};

QTEST_GUILESS_MAIN(tst_Integridade)
#include "tst_integridade.moc"
