// The demo company: what the demo maker writes opens as the program opens it
// and holds orders in every state.

#include "Apoio.h"
#include "BaseDados.h"
#include "Configuracao.h"
#include "DadosDemo.h"
#include "ErpLocal.h"
#include "LigacaoBd.h"
#include "Moeda.h"
#include "Pastas.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate Referencia(2024, 5, 17);

/// The value of one field, in the same form on both engines.
QString normalizado(const QVariant& v) {
    if (v.isNull())
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return Moeda::deVariant(v)->paraTextoC();
    if (const auto m = Moeda::deVariant(v); m && v.toString().contains(QLatin1Char('.')))
        return m->paraTextoC();
    return v.toString();
}

/// A digest of every order line and header, in key order.
QByteArray resumo(BaseDados& bd) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    RecordSet rs;
    for (const char* sql : {"SELECT * FROM DOCGCLIN ORDER BY TPDOCUM, SERIE, ANO, NNUMDOC, NUMLINHA",
                            "SELECT * FROM DOCGCCAB ORDER BY TPDOC, SERIE, ANO, NNUMDOC",
                            "SELECT * FROM Clientes ORDER BY Codigo", "SELECT * FROM Artigos ORDER BY Codigo"}) {
        bd.consultar(QLatin1String(sql), {}, rs);
        for (; !rs.fim(); rs.seguinte()) {
            for (int i = 0; i < rs.nomes().size(); ++i)
                h.addData((normalizado(rs.valor(i)) + QLatin1Char('|')).toUtf8());
            h.addData("\n");
        }
    }
    return h.result().toHex();
}

int contar(BaseDados& bd, const QString& sql) {
    RecordSet rs;
    bd.consultar(sql, {}, rs);
    return rs.campo(QStringLiteral("n")).toInt();
}

} // namespace

class tst_Demo final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void empresaDemoAbreComoOProgramaAAbre() {
        QTemporaryDir dir;
        Demo::Opcoes o;
        o.referencia = Referencia;
        o.pastaAplicacao = dir.path();
        std::unique_ptr<BaseTeste> pg;
        Demo::Ficheiros f;
        if (motorActual() == Motor::Sqlite) {
            f = Demo::criarSqlite(dir.path(), o);
        } else {
            pg = std::make_unique<BaseTeste>(Motor::Postgres, false);
            f = Demo::criarPostgres(dir.path(), pg->textoLigacaoAdministrador(), o);
        }
        QCOMPARE(f.configuracao, dir.filePath(QStringLiteral("Orlavane.zeb")));
        QCOMPARE(f.resumo.clientes, 40);
        QCOMPARE(f.resumo.artigos, 60);
        QCOMPARE(f.resumo.encomendas, 30);

        // The configuration, read as start-up reads it: nothing left to complete.
        QCOMPARE(QFile::permissions(f.configuracao) &
                     (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther | QFile::ExeOwner),
                 QFile::Permissions());
        ConfigErp erp;
        erp.ler(f.configuracao);
        const auto e = erp.valores();
        QCOMPARE(e[0], QStringLiteral("demo"));
        QCOMPARE(e[1], QStringLiteral("demo"));
        QCOMPARE(e[2], QStringLiteral("DEMO"));
        QVERIFY(!e[4].isEmpty());
        ConfigBd cbd;
        cbd.ler(f.configuracao);
        const auto d = cbd.valores();
        if (motorActual() == Motor::Sqlite) {
            QCOMPARE(e[3], QStringLiteral("Driver=QSQLITE;Database=") + dir.filePath(QStringLiteral("demo.db")));
            QCOMPARE(d, (std::array<QString, 4>{"sqlite", "demo.db", "demo", ""}));
        } else {
            // The workstation logs in as the demo's operator, never as the
            // administrator who made it: the ERP as its user (Instancia names
            // none), the program's own connection with the same login.
            QVERIFY(!d[0].isEmpty() && !d[1].isEmpty());
            QCOMPARE(d[2], QStringLiteral("demo"));
            QCOMPARE(d[3], QStringLiteral("demo"));
            const TextoLigacao instancia = TextoLigacao::analisar(e[3]);
            QVERIFY(instancia.utilizador.isEmpty() && instancia.password.isEmpty());
        }
        BaseDados bd;
        QVERIFY2(
            bd.abrir(
                LigacaoBd(Pastas({}, dir.path())).construir(QStringLiteral("MSDataShape"), 1, d[0], d[1], d[2], d[3])),
            qPrintable(bd.ultimoErro()));
        ErpLocal sessao; // the ERP's login, with its connection text
        QVERIFY2(sessao.login(e[0], e[1], e[2], e[3], e[4]), qPrintable(sessao.motivoFalhaLogin()));

        // Clients and articles, some inactive.
        QCOMPARE(contar(bd, QStringLiteral("SELECT count(*) AS n FROM Clientes")), 40);
        QVERIFY(contar(bd, QStringLiteral("SELECT count(*) AS n FROM Clientes WHERE Inactivo = -1")) > 0);
        QCOMPARE(contar(bd, QStringLiteral("SELECT count(*) AS n FROM Artigos")), 60);
        QVERIFY(contar(bd, QStringLiteral("SELECT count(*) AS n FROM Artigos WHERE Inactivo = -1")) > 0);
        // Orders of the two configured types and of one that is not, in the six months before.
        for (const char* tipo : {"ENC", "ENW", "ORC"})
            QVERIFY2(contar(bd, QStringLiteral("SELECT count(*) AS n FROM DOCGCCAB WHERE TPDOC = '%1'")
                                    .arg(QLatin1String(tipo))) > 0,
                     tipo);
        RecordSet rs;
        bd.consultar(QStringLiteral("SELECT min(DATA) AS a, max(DATA) AS b FROM DOCGCCAB"), {}, rs);
        const auto dia = [](const QVariant& v) { return QDate::fromString(normalizado(v).left(10), Qt::ISODate); };
        QVERIFY(dia(rs.campo(QStringLiteral("a"))) >= Referencia.addDays(-180));
        QVERIFY(dia(rs.campo(QStringLiteral("b"))) < Referencia);
        // Lines pending, partly satisfied, satisfied and annulled.
        const QString linhas = QStringLiteral("SELECT count(*) AS n FROM DOCGCLIN WHERE ");
        QVERIFY(contar(bd, linhas + QStringLiteral("QUANT = QTDORIG AND QUANT > 0 AND LINANU = 0")) > 0);
        QVERIFY(contar(bd, linhas + QStringLiteral("QUANT > 0 AND QUANT < QTDORIG AND LINANU = 0")) > 0);
        QVERIFY(contar(bd, linhas + QStringLiteral("QUANT = 0 AND LINANU = 0")) > 0);
        QVERIFY(contar(bd, linhas + QStringLiteral("LINANU = -1")) > 0);
        QCOMPARE(contar(bd, linhas + QStringLiteral("QUANT < 0 OR QUANT > QTDORIG")), 0);
        // Every line belongs to a header and names an article that exists.
        QCOMPARE(
            contar(bd, linhas + QStringLiteral("NOT EXISTS (SELECT 1 FROM DOCGCCAB c WHERE c.TPDOC = TPDOCUM AND"
                                               " c.SERIE = DOCGCLIN.SERIE AND c.NNUMDOC = DOCGCLIN.NNUMDOC AND"
                                               " c.ANO = DOCGCLIN.ANO) OR ARTIGO NOT IN (SELECT Codigo FROM Artigos)")),
            0);
        QCOMPARE(contar(bd, linhas + QStringLiteral("1 = 1")), f.resumo.linhas);

        // The document types, series, company and user the program and the ERP look up.
        bd.consultar(QStringLiteral("Select * from TpDoc where Codigo='GR' "), {}, rs);
        QCOMPARE(rs.campo(QStringLiteral("TPDSAFT")).toInt(), 1);
        bd.consultar(QStringLiteral("Select * from NOMSERIE where TipoDoc='GR' and Serie=1"), {}, rs);
        QCOMPARE(rs.campo(QStringLiteral("Origem")).toInt(), 2);
        bd.consultar(QStringLiteral("SELECT Nome, NumContribuinte, Morada FROM ErpEmpresas WHERE Codigo = 'DEMO'"), {},
                     rs);
        QCOMPARE(rs.campo(QStringLiteral("nome")).toString(), QStringLiteral("Empresa de Demonstração, Lda"));
        // The sender a printed Guia names.
        QVERIFY(!rs.campo(QStringLiteral("numcontribuinte")).toString().isEmpty());
        QVERIFY(!rs.campo(QStringLiteral("morada")).toString().isEmpty());
        if (motorActual() == Motor::Sqlite) {
            // In a file the password's salted hash; a server keeps its own.
            bd.consultar(QStringLiteral("SELECT HashPassword FROM ErpUtilizadores WHERE Utilizador = 'demo'"), {}, rs);
            QVERIFY(rs.campo(QStringLiteral("hashpassword")).toString().startsWith(QStringLiteral("$argon2")));
        }

        // The parameters file, byte for byte: Windows-1252, CR LF.
        QFile p(f.parametros);
        QVERIFY(p.open(QIODevice::ReadOnly));
        const QByteArray esperado = "' Orlavane: tipos de documento e s\xE9ries da empresa de demonstra\xE7\xE3o\r\n"
                                    "ENCOMENDAS=ENC,1,ENW,1\r\n"
                                    "GUIAS=GR,1,1,A1\r\n"
                                    "ENTRADAS=ENT,1,A1,Entrada autom\xE1tica,0\r\n";
        QCOMPARE(p.readAll(), esperado);
    }

    void mesmaSementeMesmosDados() {
        QTemporaryDir dir;
        Demo::Opcoes o;
        o.referencia = Referencia;
        // The SQLite demo made twice over itself, and on PostgreSQL: the same content.
        const auto sqlite = [&] {
            const Demo::Ficheiros f = Demo::criarSqlite(dir.path(), o);
            BaseDados bd;
            if (!bd.abrir(QStringLiteral("Driver=QSQLITE;Database=") + f.base))
                qFatal("%s", qPrintable(bd.ultimoErro()));
            return resumo(bd);
        };
        const QByteArray primeiro = sqlite();
        if (motorActual() == Motor::Sqlite) {
            QCOMPARE(sqlite(), primeiro);
        } else {
            BaseTeste pg(Motor::Postgres, false);
            Demo::criarPostgres(dir.path(), pg.textoLigacaoAdministrador(), o);
            Demo::criarPostgres(dir.path(), pg.textoLigacaoAdministrador(), o); // replaces what is there
            BaseDados bd;
            QVERIFY2(bd.abrir(pg.textoLigacaoAdministrador()), qPrintable(bd.ultimoErro()));
            QCOMPARE(resumo(bd), primeiro);
        }
        // Another seed, other content.
        o.semente += 1;
        const Demo::Ficheiros f = Demo::criarSqlite(dir.path(), o);
        BaseDados bd;
        QVERIFY(bd.abrir(QStringLiteral("Driver=QSQLITE;Database=") + f.base));
        QVERIFY(resumo(bd) != primeiro);
    }

    void muitasLinhasParaMedidas() {
        // The same maker fills a larger company for measurements.
        BaseTeste base(motorActual());
        Demo::Opcoes o;
        o.referencia = Referencia;
        o.clientes = 5;
        o.artigos = 130;
        o.encomendas = 400;
        o.linhasMinimas = 10;
        o.linhasMaximas = 10;
        const Demo::Resumo r = Demo::preencher(base.db(), o);
        QCOMPARE(r.linhas, 4000);
        QCOMPARE(base.escalar(QStringLiteral("SELECT count(*) FROM DOCGCLIN")).toInt(), 4000);
        QCOMPARE(base.escalar(QStringLiteral("SELECT count(DISTINCT Codigo) FROM Artigos")).toInt(), 130);
    }
};

QTEST_GUILESS_MAIN(tst_Demo)
#include "tst_demo.moc"
