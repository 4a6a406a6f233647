#include "Apoio.h"
#include "Arranque.h"
#include "Configuracao.h"
#include "CorridaGuia.h"
#include "ErpLocal.h"
#include "Esquema.h"
#include "FalhaBd.h"
#include "Guarda.h"
#include "Pastas.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTest>

namespace {

/// A workstation: a base folder (where "tarnix" may be), the program's folder
/// with the company database and the parameters file, and an ERP user.
struct Posto {
    Posto() : base(Motor::Sqlite) {
        qputenv("XDG_STATE_HOME", QFile::encodeName(estado.path()));
        base.dadosBase();
        base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
        Esquema::definirUtilizadorErp(base.db(), QStringLiteral("op"), QStringLiteral("segredo"));
        Esquema::definirUtilizadorErp(base.db(), QStringLiteral("livre"), QString());
        QFile p(app.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
        if (!p.open(QIODevice::WriteOnly))
            qFatal("cannot write the parameters");
        p.write("ENCOMENDAS=ENC,1\r\nGUIAS=GR,1,2,A1\r\nENTRADAS=ENT,1,A1,T,0\r\n");
    }
    ~Posto() { fechar(); }
    /// The program's end: the window, its controller with the session, the journal, the database.
    void fechar() { programa.fechar(); }
    /// The local ERP's sessions logged in: each holds a connection of its own.
    static qsizetype sessoesErp() {
        return QSqlDatabase::connectionNames().filter(QRegularExpression(QStringLiteral("^erplocal-"))).size();
    }
    QString instancia() { return QStringLiteral("Driver=QSQLITE;Database=") + base.db().databaseName(); }
    std::array<QString, 5> erp() {
        return {QStringLiteral("op"), QStringLiteral("segredo"), QStringLiteral("DEMO"), instancia(),
                QStringLiteral("p1")};
    }
    std::array<QString, 4> bd() {
        return {QStringLiteral("sqlite"), base.db().databaseName(), QStringLiteral("op"), QString()};
    }
    void configurar(const QString& pasta, const std::array<QString, 5>& e, const std::array<QString, 4>& d) {
        QDir().mkpath(pasta);
        escreverConfiguracao(pasta + QStringLiteral("/Orlavane.zeb"), e, d);
    }
    void alternativo(const QString& pasta, const QByteArray& conteudo) {
        QDir().mkpath(pasta + QStringLiteral("/Catalogos"));
        QFile f(pasta + QStringLiteral("/Catalogos/bd.sql"));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write the fall-back");
        f.write(conteudo);
    }
    void arrancar() {
        programa = Arranque::Main(guarda, pastas, [] { return std::make_unique<ErpLocal>(); });
    }
    QString fabricante() const { return pastaBase.filePath(QStringLiteral("tarnix")); }

    QTemporaryDir estado; ///< the state folder: the run journal and log
    BaseTeste base;
    QTemporaryDir pastaBase;
    QTemporaryDir app;
    Pastas pastas{pastaBase.path(), app.path()};
    MensagensTeste mensagens;
    Guarda guarda{mensagens};
    Arranque::Programa programa;
};

/// `chaves` ("k=v;k=v") as lines of [BaseDados].
OutrasChaves outras(const QString& chaves) {
    OutrasChaves r;
    for (const QString& par : chaves.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        r.append({par.section(QLatin1Char('='), 0, 0), par.section(QLatin1Char('='), 1)});
    return r;
}

} // namespace

class tst_Arranque : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pastaDaAplicacao() {
        Posto p;
        p.configurar(p.app.path(), p.erp(), p.bd());
        QCOMPARE(Arranque::caminhoConfiguracao(p.pastas), p.app.filePath(QStringLiteral("Orlavane.zeb")));
        p.arrancar();
        QVERIFY(p.programa.janela);
        QVERIFY(p.programa.janela->isVisible());
        QVERIFY(p.programa.baseDados->aberta());
        QCOMPARE(Posto::sessoesErp(), 1);
        QVERIFY(p.mensagens.caixas.empty());
        // The window holds the database and the session start-up opened: closing it closes both.
        p.programa.janela->close();
        QVERIFY(!p.programa.baseDados->aberta());
        QCOMPARE(Posto::sessoesErp(), 0);
    }

    void pastaDoFabricanteSemFicheiro() {
        Posto p;
        p.configurar(p.app.path(), p.erp(), p.bd());
        QDir().mkpath(p.fabricante());
        // The maker's folder exists: the file is taken from it, even though it is not there.
        QCOMPARE(Arranque::caminhoConfiguracao(p.pastas), p.fabricante() + QStringLiteral("/Orlavane.zeb"));
        p.arrancar();
        QCOMPARE(p.mensagens.titulosFormularios.size(), 1); // the ERP values were asked for
        // The operator cancelled: the login fails with exactly one box and no window.
        QCOMPARE(p.mensagens.caixas.size(), size_t(1));
        QCOMPARE(p.mensagens.caixas[0].texto, Arranque::MensagemLoginFalhado);
        QCOMPARE(p.mensagens.caixas[0].titulo, QStringLiteral("Orlavane"));
        QCOMPARE(p.mensagens.caixas[0].icone, Mensagens::Icone::Nenhum);
        QCOMPARE(p.mensagens.caixas[0].botoes, Mensagens::Botoes::Ok);
        QVERIFY(!p.programa.janela);
        QCOMPARE(Posto::sessoesErp(), 0);
    }

    void valoresCompletadosPeloOperador() {
        Posto p;
        auto e = p.erp();
        e[2].clear(); // no company
        p.configurar(p.app.path(), e, p.bd());
        p.mensagens.formularios.push_back({QStringLiteral("op"), QStringLiteral("segredo"), QStringLiteral("DEMO"),
                                           p.instancia(), QStringLiteral("p1")});
        p.arrancar();
        QCOMPARE(p.mensagens.titulosFormularios.size(), 1);
        QVERIFY(p.programa.janela);
    }

    void soE2Vazio() {
        Posto p;
        auto e = p.erp();
        e[0] = QStringLiteral("livre");
        e[1].clear();
        p.configurar(p.app.path(), e, p.bd());
        p.arrancar();
        QVERIFY(p.mensagens.titulosFormularios.isEmpty());
        QVERIFY(p.programa.janela);
    }

    void soD4VazioNaoLeAlternativo() {
        Posto p;
        p.configurar(p.app.path(), p.erp(), p.bd());
        p.alternativo(p.app.path(), "[BaseDados]\nServidor=sqlite\nBaseDados=outra.db\nUtilizador=x\nPassword=XYZ\n");
        p.arrancar();
        QVERIFY(p.programa.janela);
        QVERIFY(p.programa.baseDados->ligacao().password.isEmpty());
        QCOMPARE(p.programa.baseDados->ligacao().base, p.base.db().databaseName());
    }

    void d1VazioLeAlternativoDaAplicacao() {
        Posto p;
        auto d = p.bd();
        d[0].clear();
        p.configurar(p.fabricante(), p.erp(), d);
        // A decoy in the maker's folder is never read.
        p.alternativo(p.fabricante(), "[BaseDados]\nServidor=nao-existe.invalid\n");
        p.alternativo(p.app.path(), "[BaseDados]\nServidor=sqlite\nBaseDados=outra.db\n");
        p.arrancar();
        QVERIFY2(p.programa.janela, qPrintable(p.mensagens.textos().join('|')));
        // Only the empty value was taken from the fall-back.
        QCOMPARE(p.programa.baseDados->ligacao().driver, QStringLiteral("QSQLITE"));
        QCOMPARE(p.programa.baseDados->ligacao().base, p.base.db().databaseName());
    }

    void loginFalhado() {
        Posto p;
        auto e = p.erp();
        e[1] = QStringLiteral("errada");
        auto d = p.bd();
        p.configurar(p.app.path(), e, d);
        p.arrancar();
        QCOMPARE(p.mensagens.textos(), QStringList{Arranque::MensagemLoginFalhado});
        QVERIFY(!p.programa.janela);
        QVERIFY(!p.programa.baseDados);
        // The company database is opened while the ERP checks the login: its
        // failure is not told when the login fails.
        d[1] = p.app.filePath(QStringLiteral("nao-existe.db"));
        p.configurar(p.app.path(), e, d);
        p.mensagens.caixas.clear();
        p.arrancar();
        QCOMPARE(p.mensagens.textos(), QStringList{Arranque::MensagemLoginFalhado});
    }

    void baseQueNaoAbre() {
        Posto p;
        auto d = p.bd();
        d[1] = p.app.filePath(QStringLiteral("nao-existe.db"));
        p.configurar(p.app.path(), p.erp(), d);
        p.arrancar();
        QCOMPARE(p.mensagens.caixas.size(), size_t(1));
        QVERIFY(p.mensagens.textos().at(0).contains(QStringLiteral("nao-existe.db")));
        QVERIFY(!p.programa.janela);
        QCOMPARE(Posto::sessoesErp(), 0); // logged off
    }

    void janelaQueNaoAbre() {
        Posto p;
        p.configurar(p.app.path(), p.erp(), p.bd());
        QFile::remove(p.app.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
        // The load's error leaves start-up; the program-wide guard shows it and ends.
        p.guarda([&] { p.arrancar(); });
        QVERIFY(p.guarda.terminacaoPedida());
        QCOMPARE(p.mensagens.caixas.size(), size_t(1));
        QVERIFY(p.mensagens.textos().at(0).contains(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
        QCOMPARE(p.mensagens.terminacoes, std::vector<int>{1});
    }

    /// A run an earlier life left with its entry stored and no Guia: start-up
    /// annuls the entry before the window opens and says so in one box.
    void recuperaAntesDaJanela() {
        Posto p;
        p.configurar(p.app.path(), p.erp(), p.bd());
        p.arrancar();
        QVERIFY(p.programa.janela && p.mensagens.caixas.empty());
        InicioCorrida i;
        i.cliente = QStringLiteral("C1");
        i.tipoEntrada = QStringLiteral("ENT");
        i.serieEntrada = 1;
        i.anoEntrada = static_cast<qint16>(QDate::currentDate().year());
        i.linhas = {{QStringLiteral("A1"), Moeda::deInteiro(2)}};
        i = p.programa.corridas->iniciar(i);
        LinhaMarcada l;
        l.encomenda.artigo = QStringLiteral("A1");
        l.quantidade = Moeda::deInteiro(2);
        ErpLocal erp;
        QVERIFY(erp.login(QStringLiteral("op"), QStringLiteral("segredo"), QStringLiteral("DEMO"), p.instancia(),
                          QStringLiteral("p1")));
        const ChaveDocumento entrada =
            CorridaGuia(erp, {}, {QStringLiteral("ENT"), 1, QStringLiteral("A1"), {}, {}}, 0).GravaEntrada({l});
        // ... and the program was killed: its journal stays as it was.
        p.fechar();

        p.arrancar();
        QVERIFY(p.programa.janela && p.programa.janela->isVisible());
        QCOMPARE(p.mensagens.caixas.size(), size_t(1));
        const MensagensTeste::Caixa& caixa = p.mensagens.caixas[0];
        QCOMPARE(caixa.texto,
                 QStringLiteral("A execução interrompida de %1 (cliente C1): a entrada %2 foi anulada.")
                     .arg(i.hora.toLocalTime().toString(QStringLiteral("dd-MM-yyyy 'às' HH:mm")), textoChave(entrada)));
        QCOMPARE(caixa.titulo, QStringLiteral("Informação"));
        QCOMPARE(caixa.icone, Mensagens::Icone::Informacao);
        QCOMPARE(p.base.escalar(QStringLiteral("SELECT ANULADO FROM DOCGCCAB WHERE TPDOC = 'ENT'")).toInt(), -1);
        QVERIFY(p.programa.corridas->diario().porTerminar().empty());
    }

    /// libpq's own keys, in Instancia and in [BaseDados], reach the server
    /// connection: verify-full with the company's authority opens the
    /// window; another authority, or a host name the certificate does not
    /// name, is refused in the operator's words with libpq's as detail. A key
    /// the program does not know is refused, naming it and the file.
    void ligacaoTls_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("instancia"); ///< libpq's keys in Instancia, "AC" for the authority's folder
        QTest::addColumn<QString>("bd");        ///< the same, in [BaseDados]
        QTest::addColumn<QString>("inicio");    ///< how the one box starts; none when the window opens
        QTest::addColumn<QString>("detalhe");   ///< and what else it holds
        const QString certo = QStringLiteral("sslmode=verify-full;sslrootcert=AC/ca.crt");
        const QString outra = QStringLiteral("sslmode=verify-full;sslrootcert=AC/outra-ca.crt");
        const QString naoVerificado = FalhaBd::frase(Erro::ServidorNaoVerificado);
        const QString login = Arranque::MensagemLoginFalhado + QStringLiteral("\n\n");
        QTest::newRow("a AC da empresa") << "localhost" << certo << certo << QString() << QString();
        QTest::newRow("outra AC") << "localhost" << outra << certo << login + naoVerificado
                                  << "certificate verify failed";
        QTest::newRow("outro nome") << "127.0.0.1" << certo << certo << login + naoVerificado
                                    << "does not match host name \"127.0.0.1\"";
        QTest::newRow("[BaseDados], outra AC") << "localhost" << certo << outra << naoVerificado
                                               << "\n\nDetalhe: Não foi possível abrir a base de dados PostgreSQL";
        QTest::newRow("sem TLS") << "localhost"
                                 << "sslmode=disable" << certo << login + FalhaBd::frase(Erro::AcessoRecusado)
                                 << "no encryption";
        QTest::newRow("Instancia, chave desconhecida")
            << "localhost" << certo + QStringLiteral(";sslmod=require") << certo << "Erro 1002: O ficheiro \""
            << "\", em Instancia: A ligação à base de dados tem a chave \"sslmod\", que o programa não conhece.";
        QTest::newRow("[BaseDados], chave desconhecida")
            << "localhost" << certo << certo + QStringLiteral(";ssl_modo=require") << "Erro 1002: O ficheiro \""
            << "\" tem na secção [BaseDados] a chave \"ssl_modo\", que o programa não conhece.";
    }
    void ligacaoTls() {
        QFETCH(QString, host);
        QFETCH(QString, instancia);
        QFETCH(QString, bd);
        QFETCH(QString, inicio);
        QFETCH(QString, detalhe);
        BaseTeste tls(Motor::Postgres, true, ServidorPg::Tls);
        tls.dadosBase();
        tls.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
        Esquema::definirUtilizadorErp(tls.db(), QStringLiteral("op"), QStringLiteral("segredo"));
        instancia.replace(QLatin1String("AC"), pastaPgTls());
        bd.replace(QLatin1String("AC"), pastaPgTls());
        Posto p;
        auto e = p.erp();
        e[3] = tls.textoLigacaoTls(host, instancia);
        QDir().mkpath(p.app.path());
        escreverConfiguracao(p.app.filePath(QStringLiteral("Orlavane.zeb")), e,
                             {QStringLiteral("%1:%2").arg(host).arg(portaPgTls()), tls.nomeBase(),
                              QStringLiteral("orlavane"), QStringLiteral("segredo-tls")},
                             outras(bd));
        p.guarda([&] { p.arrancar(); });
        if (inicio.isEmpty()) {
            QVERIFY2(p.mensagens.caixas.empty(), qPrintable(p.mensagens.textos().join(QLatin1Char('\n'))));
            QVERIFY(p.programa.janela && p.programa.janela->isVisible());
            return;
        }
        QCOMPARE(p.mensagens.caixas.size(), size_t(1));
        const QString caixa = p.mensagens.caixas[0].texto;
        QVERIFY2(caixa.startsWith(inicio) && caixa.contains(detalhe), qPrintable(caixa));
        QVERIFY(!caixa.contains(QLatin1String("segredo-tls")));
        QVERIFY(!p.programa.janela);
    }

    /// A second instance for the same workstation and database is told so and ends.
    void segundaInstancia() {
        Posto p;
        p.configurar(p.app.path(), p.erp(), p.bd());
        p.arrancar();
        QVERIFY(p.programa.janela);
        const Arranque::Programa primeira = std::move(p.programa);
        p.arrancar();
        QCOMPARE(p.mensagens.textos(),
                 QStringList{QStringLiteral("Já está aberto outro Orlavane no posto \"p1\" com esta base de dados. "
                                            "Feche-o antes de abrir este.")});
        QCOMPARE(p.mensagens.caixas[0].icone, Mensagens::Icone::Critico);
        QVERIFY(!p.programa.janela && !p.programa.corridas && !p.programa.baseDados);
        QCOMPARE(Posto::sessoesErp(), 1); // the first instance's only
        // A refused login is told first, alone.
        auto e = p.erp();
        e[1] = QStringLiteral("errada");
        p.configurar(p.app.path(), e, p.bd());
        p.mensagens.caixas.clear();
        p.arrancar();
        QCOMPARE(p.mensagens.textos(), QStringList{Arranque::MensagemLoginFalhado});
    }
};

QTEST_MAIN(tst_Arranque)
#include "tst_arranque.moc"
