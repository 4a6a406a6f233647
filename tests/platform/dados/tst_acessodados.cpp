// The company database component on both engines: opening, queries, record sets.

#include "Apoio.h"
#include "BaseDados.h"
#include "Erro.h"
#include "Moeda.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>

#include <functional>

namespace {

/// The numbers 1..n, one per row, in a column "Numero" (n bound as a parameter).
const QString Sequencia = QStringLiteral("WITH RECURSIVE s(Numero) AS (SELECT 1 UNION ALL SELECT Numero + 1 FROM s"
                                         " WHERE Numero < ?) SELECT Numero, 'linha ' || Numero AS Texto FROM s"
                                         " WHERE Numero <= ? ORDER BY Numero");

/// Walks the rest of a record set, giving the first column of every row.
QList<int> percorrer(RecordSet& rs) {
    QList<int> r;
    const int i = rs.indiceCampo(QStringLiteral("numero"));
    while (!rs.fim()) {
        r << rs.valor(i).toInt();
        rs.seguinte();
    }
    return r;
}

QList<int> de(int primeiro, int ultimo) {
    QList<int> r;
    for (int i = primeiro; i <= ultimo; ++i)
        r << i;
    return r;
}

} // namespace

class tst_AcessoDados final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void abrirFalhadoDizQualBaseENuncaAPassword() {
        BaseTeste base(motorActual());
        const QStringList antes = QSqlDatabase::connectionNames();
        BaseDados bd;
        QString texto;
        QString nome;
        if (base.motor() == Motor::Sqlite) {
            // A file that is not a database.
            nome = base.pasta() + QStringLiteral("/nao-e-base.db");
            QFile f(nome);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("isto não é uma base de dados SQLite, é só texto com mais de cem bytes para que o SQLite o leia "
                    "como cabeçalho e o recuse.");
            f.close();
            texto = QStringLiteral("Driver=QSQLITE;Database=%1;Password=\"s3gr;e\"\"do\"").arg(nome);
        } else {
            nome = QStringLiteral("base_que_nao_existe");
            texto =
                QString(base.textoLigacao())
                    .replace(QRegularExpression(QStringLiteral("Database=[^;]*")), QStringLiteral("Database=") + nome) +
                QStringLiteral(";Password=\"s3gr;e\"\"do\"");
        }
        QVERIFY(!bd.abrir(texto));
        QVERIFY(!bd.aberta());
        QVERIFY2(bd.ultimoErro().contains(nome), qPrintable(bd.ultimoErro()));
        QVERIFY(!bd.ultimoErro().contains(QStringLiteral("s3gr")));
        QCOMPARE(QSqlDatabase::connectionNames(), antes); // nothing left registered

        // A missing SQLite file is refused too, and not created.
        const QString falta = base.pasta() + QStringLiteral("/falta.db");
        QVERIFY(!bd.abrir(QStringLiteral("Driver=QSQLITE;Database=") + falta));
        QVERIFY(bd.ultimoErro().contains(falta));
        QVERIFY(!QFile::exists(falta));
        // A text naming no engine.
        QVERIFY(!bd.abrir(QStringLiteral("Provider=MSDataShape;Password=s3gr")));
        QVERIFY(!bd.ultimoErro().contains(QStringLiteral("s3gr")));
        QCOMPARE(QSqlDatabase::connectionNames(), antes);

        // Queries on a database that did not open say so.
        RecordSet rs;
        try {
            bd.consultar(QStringLiteral("SELECT 1"), {}, rs);
            QFAIL("no error raised");
        } catch (const Erro& e) {
            QCOMPARE(e.numero(), int(Erro::BaseDadosFechada));
        }
        // And then it opens, and closes once.
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        QVERIFY(bd.aberta());
        QVERIFY(bd.ultimoErro().isEmpty());
        QCOMPARE(bd.ligacao().fornecedor, QStringLiteral("MSDataShape"));
        QVERIFY(bd.fechar());
        QVERIFY(bd.fechar());
        QVERIFY(!bd.aberta());
        QCOMPARE(QSqlDatabase::connectionNames(), antes);
    }

    void consultarComParametros() {
        BaseTeste base(motorActual());
        base.dadosBase();
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        bd.consultar(QStringLiteral("SELECT Codigo, Nome FROM Clientes WHERE Codigo = ?"), {QStringLiteral("O'BRIEN")},
                     rs);
        QCOMPARE(rs.contagem(), 1);
        QCOMPARE(rs.campo(QStringLiteral("Nome")).toString(), QStringLiteral("O'Brien & Filhos"));
        // A value is a value, never a piece of the statement.
        bd.consultar(QStringLiteral("SELECT Codigo FROM Clientes WHERE Codigo = ? OR Nome = ?"),
                     {QStringLiteral("x' OR '1'='1"), QStringLiteral("'; DELETE FROM Clientes; --")}, rs);
        QVERIFY(rs.fim());
        QCOMPARE(rs.contagem(), 0);
        // Parameters in order, of several types.
        bd.consultar(QStringLiteral("SELECT Codigo FROM Artigos WHERE Inactivo = ? AND PrecoVenda > ? AND Codigo <> ?"
                                    " ORDER BY Codigo"),
                     {0, 0.04, QStringLiteral("A3")}, rs);
        QStringList codigos;
        for (; !rs.fim(); rs.seguinte())
            codigos << rs.campo(QStringLiteral("codigo")).toString();
        QCOMPARE(codigos, (QStringList{"A1", "A2"}));
        QCOMPARE(base.escalar(QStringLiteral("SELECT count(*) FROM Clientes")).toInt(), 4);
        // The form the window uses: no parameters, a flag.
        QVERIFY(bd.consultar(QString(), QStringLiteral("Select * from TpDoc where Codigo='GR' "), rs, -1, 0));
        QCOMPARE(rs.campo(QStringLiteral("TPDSAFT")).toInt(), 1);
    }

    void consultaRecusadaLevantaErroEFechaAAnterior() {
        BaseTeste base(motorActual());
        base.dadosBase();
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        bd.consultar(QStringLiteral("SELECT Codigo FROM Clientes"), {}, rs);
        QVERIFY(!rs.fim());
        try {
            bd.consultar(QStringLiteral("SELECT Codigo FROM TabelaQueNaoExiste"), {}, rs);
            QFAIL("no error raised");
        } catch (const Erro& e) {
            QCOMPARE(e.numero(), int(Erro::Sql));
            QVERIFY2(e.texto().contains(QStringLiteral("tabelaquenaoexiste"), Qt::CaseInsensitive),
                     qPrintable(e.texto()));
        }
        // The earlier result is gone, not left in place.
        QVERIFY(rs.fim());
        QVERIFY(rs.nomes().isEmpty());
        QCOMPARE(rs.contagem(), 0);
        QVERIFY_THROWS_EXCEPTION(Erro, rs.campo(QStringLiteral("Codigo")));
        // The connection still works (on PostgreSQL: no transaction left aborted).
        bd.consultar(QStringLiteral("SELECT Codigo FROM Clientes"), {}, rs);
        QCOMPARE(rs.contagem(), 4);
    }

    void contagemExactaEPercursoCompleto_data() {
        QTest::addColumn<int>("linhas");
        QTest::newRow("nenhuma") << 0;
        QTest::newRow("uma") << 1;
        QTest::newRow("várias") << 7;
        QTest::newRow("muitas") << 2500;
    }
    void contagemExactaEPercursoCompleto() {
        QFETCH(int, linhas);
        BaseTeste base(motorActual(), false);
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        // Counted first, then walked: every row, in order.
        bd.consultar(Sequencia, {linhas, linhas}, rs);
        QCOMPARE(rs.fim(), linhas == 0);
        QCOMPARE(rs.contagem(), linhas);
        QCOMPARE(rs.contagem(), linhas);
        QCOMPARE(percorrer(rs), de(1, linhas));
        QCOMPARE(rs.contagem(), linhas);
        // Walked without counting.
        bd.consultar(Sequencia, {linhas, linhas}, rs);
        QCOMPARE(percorrer(rs), de(1, linhas));
        QCOMPARE(rs.contagem(), linhas);
        // Counted halfway: the count is of the whole result, the walk goes on where it was.
        bd.consultar(Sequencia, {linhas, linhas}, rs);
        const int metade = linhas / 2;
        for (int i = 0; i < metade; ++i)
            rs.seguinte();
        QCOMPARE(rs.contagem(), linhas);
        QCOMPARE(rs.fim(), linhas == 0);
        if (linhas > 0)
            QCOMPARE(rs.campo(QStringLiteral("TEXTO")).toString(), QStringLiteral("linha %1").arg(metade + 1));
        QCOMPARE(percorrer(rs), de(metade + 1, linhas));
        QVERIFY_THROWS_EXCEPTION(Erro, rs.seguinte());
    }

    void camposSemDistinguirMaiusculas() {
        BaseTeste base(motorActual());
        base.dadosBase();
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        bd.consultar(QStringLiteral("SELECT Codigo, Nome, Inactivo FROM Clientes WHERE Codigo = ?"),
                     {QStringLiteral("C9")}, rs);
        // PostgreSQL gives the names in lower case, SQLite as written.
        QCOMPARE(rs.nomes().join(QLatin1Char(',')).toLower(), QStringLiteral("codigo,nome,inactivo"));
        QCOMPARE(rs.indiceCampo(QStringLiteral("NOME")), 1);
        QCOMPARE(rs.indiceCampo(QStringLiteral("nome")), 1);
        QCOMPARE(rs.indiceCampo(QStringLiteral("Morada")), -1);
        QCOMPARE(rs.campo(QStringLiteral("CODIGO")).toString(), QStringLiteral("C9"));
        QCOMPARE(rs.campo(QStringLiteral("codigo")).toString(), QStringLiteral("C9"));
        QCOMPARE(rs.campo(QStringLiteral("InActivo")).toInt(), -1);
        QCOMPARE(rs.valor(2).toInt(), -1);
        try {
            rs.campo(QStringLiteral("Morada"));
            QFAIL("no error raised");
        } catch (const Erro& e) {
            QCOMPARE(e.texto(), QStringLiteral("O campo \"Morada\" não existe."));
        }
        QVERIFY_THROWS_EXCEPTION(Erro, rs.valor(3));
        rs.seguinte();
        QVERIFY(rs.fim());
        try {
            rs.campo(QStringLiteral("Codigo"));
            QFAIL("no error raised");
        } catch (const Erro& e) {
            QVERIFY(e.texto().contains(QStringLiteral("\"Codigo\"")));
        }
    }

    void numericoChegaExacto() {
        BaseTeste base(motorActual());
        const QList<QPair<QString, std::int64_t>> valores = {
            {QStringLiteral("0.1"), 1000},
            {QStringLiteral("0.0001"), 1},
            {QStringLiteral("-0.0001"), -1},
            {QStringLiteral("12345.6789"), 123456789},
            {QStringLiteral("99999999.9999"), 999999999999},
            {QStringLiteral("7"), 70000},
            {QStringLiteral("0"), 0},
        };
        for (int i = 0; i < valores.size(); ++i)
            base.executar(QStringLiteral("INSERT INTO Artigos (Codigo, PrecoVenda) VALUES (?, ?)"),
                          {QStringLiteral("N%1").arg(i, 2, 10, QLatin1Char('0')), valores.at(i).first});
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        bd.consultar(QStringLiteral("SELECT PrecoVenda FROM Artigos ORDER BY Codigo"), {}, rs);
        QCOMPARE(rs.contagem(), valores.size());
        for (const auto& [texto, unidades] : valores) {
            const QVariant v = rs.campo(QStringLiteral("precovenda"));
            QCOMPARE(Moeda::deVariant(v), std::optional<Moeda>(Moeda::deUnidades(unidades)));
            // PostgreSQL hands NUMERIC over as its exact decimal text.
            if (base.motor() == Motor::Postgres)
                QCOMPARE(v.typeId(), int(QMetaType::QString));
            rs.seguinte();
        }
        if (base.motor() == Motor::Postgres) {
            // Beyond what a double holds.
            bd.consultar(QStringLiteral("SELECT CAST(? AS NUMERIC(19,4)) AS v"),
                         {QStringLiteral("123456789012345.6789")}, rs);
            QCOMPARE(Moeda::deVariant(rs.campo(QStringLiteral("v"))),
                     std::optional<Moeda>(Moeda::deUnidades(1234567890123456789)));
        }
    }

    void erroAoAvancarLevantaErro() {
        BaseTeste base(motorActual(), false);
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        // The third row fails only when it is computed.
        const QString falha = base.motor() == Motor::Sqlite
                                  ? QStringLiteral("abs(Numero - 3 - 9223372036854775807 - 1)")
                                  : QStringLiteral("10 / (Numero - 3)");
        const QString sql = QStringLiteral("WITH RECURSIVE s(Numero) AS (SELECT 1 UNION ALL SELECT Numero + 1 FROM s"
                                           " WHERE Numero < 5) SELECT Numero, %1 AS r FROM s")
                                .arg(falha);
        RecordSet rs;
        bd.consultar(sql, {}, rs);
        QCOMPARE(rs.campo(QStringLiteral("numero")).toInt(), 1);
        rs.seguinte();
        QCOMPARE(rs.campo(QStringLiteral("numero")).toInt(), 2);
        try {
            rs.seguinte();
            QFAIL("no error raised");
        } catch (const Erro& e) {
            QCOMPARE(e.numero(), int(Erro::Sql));
        }
        QVERIFY(rs.fim());
        // Counting reads to the end, so it meets the error too.
        bd.consultar(sql, {}, rs);
        QVERIFY_THROWS_EXCEPTION(Erro, rs.contagem());
        // The connection goes on.
        bd.consultar(Sequencia, {3, 3}, rs);
        QCOMPARE(rs.contagem(), 3);
    }

    void registosSobrevivemAOutraConsultaEAoFecho() {
        BaseTeste base(motorActual(), false);
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet primeiro;
        bd.consultar(Sequencia, {500, 500}, primeiro);
        primeiro.seguinte();
        primeiro.seguinte();
        // Another query on the same connection while the first is being read.
        RecordSet segundo;
        bd.consultar(Sequencia, {300, 300}, segundo);
        QCOMPARE(percorrer(segundo).size(), 300);
        QCOMPARE(percorrer(primeiro), de(3, 500));

        bd.consultar(Sequencia, {400, 400}, primeiro);
        primeiro.seguinte();
        QVERIFY(bd.fechar());
        QCOMPARE(primeiro.contagem(), 400);
        QCOMPARE(percorrer(primeiro), de(2, 400));
    }

    void recordSetMovido() {
        BaseTeste base(motorActual(), false);
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet a;
        bd.consultar(Sequencia, {5, 5}, a);
        a.seguinte();
        RecordSet b(std::move(a));
        QVERIFY(a.fim()); // NOLINT(bugprone-use-after-move): a moved-from record set is closed
        QCOMPARE(a.contagem(), 0);
        RecordSet c;
        bd.consultar(Sequencia, {2, 2}, c);
        c = std::move(b);
        QCOMPARE(c.contagem(), 5);
        QCOMPARE(percorrer(c), de(2, 5));
        // A moved-from record set takes a new result.
        bd.consultar(Sequencia, {1, 1}, a);
        QCOMPARE(percorrer(a), de(1, 1));
    }

    void valoresComoODriverOsDa() {
        // Whatever path the record set reads by, every value is the one Qt's
        // driver gives: same type, same value (nulls, bytes, text that is
        // not valid UTF-8 included), row after row.
        BaseTeste base(motorActual(), false);
        const bool pg = base.motor() == Motor::Postgres;
        QVERIFY(QSqlQuery(base.db()).exec(
            pg ? QStringLiteral("CREATE TABLE t (n BIGINT, r DOUBLE PRECISION, d NUMERIC(19,4), x TEXT, b BYTEA,"
                                " q TIMESTAMP, c DATE)")
               : QStringLiteral(
                     "CREATE TABLE t (n INTEGER, r REAL, d NUMERIC(19,4), x TEXT, b BLOB, q TEXT, c TEXT)")));
        const QStringList textos = {QStringLiteral("ENC"),
                                    QStringLiteral("Tinta plástica branca"),
                                    QString(),
                                    QStringLiteral(""),
                                    QStringLiteral("ENC"),
                                    QStringLiteral("日本 🙂")};
        for (int i = 0; i < textos.size(); ++i)
            base.executar(QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?)"),
                          {i == 2 ? QVariant(QMetaType(QMetaType::Int)) : QVariant(i * 1000000007LL), i + 0.25,
                           QStringLiteral("%1.5").arg(i), textos.at(i),
                           i == 3 ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(QByteArray("a\0b", 4)),
                           QStringLiteral("2024-03-0%1 23:30:00").arg(i + 1),
                           QStringLiteral("2024-12-3%1").arg(i % 2)});
        if (!pg) // bytes that are not UTF-8, and SQLite keeps whatever it is given
            base.executar(QStringLiteral("INSERT INTO t (n, x) VALUES (99, CAST(X'41C3FF42' AS TEXT))"));
        const QString sql = QStringLiteral("SELECT n, r, d, x, b, q, c FROM t ORDER BY n");

        QSqlQuery q(base.db());
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::HighPrecision);
        QVERIFY(q.exec(sql));
        QList<QVariantList> esperado;
        while (q.next()) {
            QVariantList l;
            for (int i = 0; i < 7; ++i)
                l << q.value(i);
            esperado << l;
        }
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        bd.consultar(sql, {}, rs);
        QList<QVariantList> lido;
        for (; !rs.fim(); rs.seguinte()) {
            QVariantList l;
            for (int i = 0; i < 7; ++i) {
                l << rs.valor(i);
                // Read twice: the same value again.
                QCOMPARE(rs.valor(i), l.last());
            }
            lido << l;
        }
        QCOMPARE(lido.size(), esperado.size());
        for (int r = 0; r < lido.size(); ++r) {
            for (int i = 0; i < 7; ++i) {
                const QVariant &a = lido.at(r).at(i), &b = esperado.at(r).at(i);
                QCOMPARE(a.metaType(), b.metaType());
                QCOMPARE(a.isNull(), b.isNull());
                QCOMPARE(a, b);
            }
        }
    }

    void leitoresTipados() {
        // The typed readers: each value as its field's kind, NULL as none,
        // read from the engine's own values and, once the rows were retained
        // (counting retains them), from the driver's variants alike.
        BaseTeste base(motorActual(), false);
        const bool pg = base.motor() == Motor::Postgres;
        QVERIFY(QSqlQuery(base.db()).exec(
            pg ? QStringLiteral("CREATE TABLE t (k INTEGER, n INTEGER, x VARCHAR(20), q TIMESTAMP, d DATE,"
                                " v NUMERIC(19,4), b BIGINT, r DOUBLE PRECISION)")
               : QStringLiteral("CREATE TABLE t (k INTEGER, n INTEGER, x TEXT, q TEXT, d TEXT, v NUMERIC(19,4),"
                                " b INTEGER, r REAL)")));
        base.executar(QStringLiteral("INSERT INTO t VALUES (1, 15, 'Plástico', '2024-03-05 14:30:00', '2024-12-31',"
                                     " 2.5, 9007199254740993, 0.1)"));
        base.executar(QStringLiteral("INSERT INTO t (k) VALUES (2)"));
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        for (const bool retidas : {false, true}) {
            RecordSet rs;
            bd.consultar(QStringLiteral("SELECT n, x, q, d, v, b, r FROM t ORDER BY k"), {}, rs);
            if (retidas)
                QCOMPARE(rs.contagem(), 2);
            QCOMPARE(rs.inteiro(0), std::optional<qint64>(15));
            QCOMPARE(rs.texto(0), QStringLiteral("15"));
            QCOMPARE(rs.texto(1), QStringLiteral("Plástico"));
            QCOMPARE(rs.texto(1), QStringLiteral("Plástico")); // read twice: the same again
            QCOMPARE(rs.data(2), QDate(2024, 3, 5));
            QCOMPARE(rs.data(3), QDate(2024, 12, 31));
            QCOMPARE(rs.moeda(4), std::optional<Moeda>(Moeda::deUnidades(25000)));
            QCOMPARE(rs.inteiro(5), std::optional<qint64>(9007199254740993LL));
            QCOMPARE(rs.moeda(6), std::optional<Moeda>(Moeda::deUnidades(1000)));
            rs.seguinte();
            QCOMPARE(rs.texto(1), QString());
            QCOMPARE(rs.inteiro(0), std::nullopt);
            QCOMPARE(rs.moeda(4), std::nullopt);
            QVERIFY(rs.data(2).isNull());
        }
    }

    void leitoresTipadosRecusam() {
        BaseTeste base(motorActual(), false);
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        bd.consultar(QStringLiteral("SELECT 'Plástico' AS x, 2.5 AS v, NULL AS z"), {}, rs);
        auto erro = [](const std::function<void()>& f) {
            try {
                f();
            } catch (const Erro& e) {
                return e.numero();
            }
            return 0;
        };
        QCOMPARE(erro([&] { rs.data(0); }), int(Erro::TipoIncompativel));
        QCOMPARE(erro([&] { rs.moeda(0); }), int(Erro::TipoIncompativel));
        QCOMPARE(erro([&] { rs.inteiro(0); }), int(Erro::TipoIncompativel));
        QCOMPARE(erro([&] { rs.inteiro(1); }), int(Erro::TipoIncompativel)); // not cut to 2
        QCOMPARE(erro([&] { rs.data(1); }), int(Erro::TipoIncompativel));
        QCOMPARE(erro([&] { rs.texto(3); }), int(Erro::ForaDeIntervalo));
        QCOMPARE(rs.texto(2), QString());
        QCOMPARE(rs.inteiro(2), std::nullopt);
        QCOMPARE(rs.moeda(2), std::nullopt);
        QVERIFY(rs.data(2).isNull());
        rs.seguinte();
        QCOMPARE(erro([&] { rs.texto(0); }), int(Erro::Sql));
    }

    void novaLigacaoNaMesmaBase() {
        BaseTeste base(motorActual());
        BaseDados bd;
        // As the administrator: the connection handed out writes in a
        // transaction of its own, which an operator may not.
        QVERIFY2(bd.abrir(base.textoLigacaoAdministrador()), qPrintable(bd.ultimoErro()));
        base.dadosBase();
        QString nome;
        {
            const std::unique_ptr<Ligacao> l = bd.novaLigacao();
            QVERIFY(l->db().isOpen());
            nome = l->db().connectionName();
            QVERIFY(nome != bd.db().connectionName());
            QSqlQuery q(l->db());
            QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM Clientes")));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 4);
            // Its own transaction, apart from the database's connection.
            QVERIFY(l->db().transaction());
            QVERIFY(q.exec(QStringLiteral("DELETE FROM Clientes WHERE Codigo = 'C9'")));
            QVERIFY(l->db().rollback());
        }
        QVERIFY(!QSqlDatabase::contains(nome));
        RecordSet rs;
        bd.consultar(QStringLiteral("SELECT Codigo FROM Clientes"), {}, rs);
        QCOMPARE(rs.contagem(), 4);
        bd.fechar();
        QVERIFY_THROWS_EXCEPTION(Erro, bd.novaLigacao());
    }
};

QTEST_GUILESS_MAIN(tst_AcessoDados)
#include "tst_acessodados.moc"
