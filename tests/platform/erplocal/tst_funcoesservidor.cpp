// The local ERP's functions on a PostgreSQL server, as an operator reaches
// them from any client of the server (psql, with the login of Orlavane.zeb):
// what the operators' group may and may not do, and the stores checking the
// documents they are given themselves.

#include "Apoio.h"
#include "LigacaoBd.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

/// A company database with client C1's order ENC/1/15/2026 (A1, 10 pending)
/// and the operator's own connection to it.
struct Servidor {
    Servidor() {
        base.dadosBase();
        base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
        base.encomenda(QStringLiteral("ENC"), 1, 15, 2026, QStringLiteral("C1"), QStringLiteral("2026-11-02"),
                       QStringLiteral("R"), {{QStringLiteral("A1"), 10}});
        operador = TextoLigacao::analisar(base.textoLigacao()).abrir(QStringLiteral("psql"));
    }
    ~Servidor() {
        operador.close();
        operador = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("psql"));
    }
    Q_DISABLE_COPY_MOVE(Servidor)

    /// The SQLSTATE the server answers a statement of the operator's with; empty when it runs.
    QString estado(const QString& sql) {
        QSqlQuery q(operador);
        return q.exec(sql) ? QString() : q.lastError().nativeErrorCode();
    }
    /// A store's answer: its refusal, empty when it stored.
    QString chamar(const QString& funcao, const QJsonObject& documento) {
        QSqlQuery q(operador);
        q.prepare(QStringLiteral("SELECT recusa FROM %1(?::jsonb)").arg(funcao));
        q.addBindValue(QString::fromUtf8(QJsonDocument(documento).toJson(QJsonDocument::Compact)));
        if (!q.exec() || !q.next())
            qFatal("%s: %s", qPrintable(funcao), qPrintable(q.lastError().text()));
        return q.value(0).toString();
    }
    QString anular(const QString& tipo, int numero) {
        QSqlQuery q(operador);
        q.prepare(QStringLiteral("SELECT recusa FROM erp_anula_documento(?, 1, ?, 2026, 'psql', '')"));
        q.addBindValue(tipo);
        q.addBindValue(numero);
        if (!q.exec() || !q.next())
            qFatal("erp_anula_documento: %s", qPrintable(q.lastError().text()));
        return q.value(0).toString();
    }

    BaseTeste base{Motor::Postgres};
    QSqlDatabase operador;
};

QJsonObject linha(const QString& quantidade) {
    return {{"tipodelinha", 1}, {"artigo", "A1"},        {"descr", "Parafuso"}, {"armazem", "A1"},
            {"prunit", "0.1"},  {"qtdorig", quantidade}, {"quant", quantidade}, {"ordoc", "ENC"},
            {"orano", 2026},    {"ornum", 15},           {"orserie", 1},        {"linhaoriginal", 1}};
}

/// A document of type `tipo` as the program sends it, with its header's
/// members `cab` and its lines.
QJsonObject documento(const QString& tipo, const QJsonObject& cab, const QJsonArray& linhas) {
    QJsonObject c{
        {"tpdoc", tipo},       {"serie", 1},           {"ano", 2026},           {"data", "2026-12-08 00:00:00"},
        {"terceiro", "C1"},    {"tipoterceiro", 2},    {"vnumdoc", ""},         {"areagestao", 4},
        {"sector", "1"},       {"tipopreco", 0},       {"numcontribuinte", ""}, {"descontocab", "0"},
        {"processo", ""},      {"meiotransporte", ""}, {"matricula", ""},       {"localcarga", ""},
        {"localdescarga", ""}, {"armazem", "A1"},      {"observacoes", ""},     {"modogravacao", 3},
        {"posto", "psql"},     {"docrelacionado", ""}};
    for (auto i = cab.begin(); i != cab.end(); ++i)
        c.insert(i.key(), i.value());
    return {{"cab", c}, {"linhas", linhas}};
}

} // namespace

class tst_FuncoesServidor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void direitosDoOperador_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("estado"); ///< the SQLSTATE; empty: allowed
        const QString negado = QStringLiteral("42501");
        QTest::newRow("ler encomendas") << "SELECT count(*) FROM DOCGCLIN" << QString();
        QTest::newRow("ler numeração") << "SELECT * FROM ErpNumeracao" << QString();
        QTest::newRow("escrever cabeçalhos") << "INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA)"
                                                " VALUES ('GR', 1, 9, 2026, now())"
                                             << negado;
        QTest::newRow("mudar o pendente") << "UPDATE DOCGCLIN SET QUANT = 1000" << negado;
        QTest::newRow("apagar documentos") << "DELETE FROM DOCGCCAB" << negado;
        QTest::newRow("mudar a numeração") << "UPDATE ErpNumeracao SET Ultimo = 0" << negado;
        QTest::newRow("juntar utilizadores") << "INSERT INTO ErpUtilizadores VALUES ('outro', 1)" << negado;
        QTest::newRow("activar utilizadores") << "UPDATE ErpUtilizadores SET Activo = 1" << negado;
        QTest::newRow("apagar utilizadores") << "DELETE FROM ErpUtilizadores" << negado;
        QTest::newRow("criar tabelas") << "CREATE TABLE x (a integer)" << negado;
        QTest::newRow("criar tabelas temporárias") << "CREATE TEMP TABLE x (a integer)" << negado;
        QTest::newRow("verificadores do servidor") << "SELECT rolpassword FROM pg_authid" << negado;
        QTest::newRow("verificadores, outra vista") << "SELECT passwd FROM pg_shadow" << negado;
        QTest::newRow("sem hashes no ERP") << "SELECT HashPassword FROM ErpUtilizadores"
                                           << "42703";
        QTest::newRow("a loja por dentro") << "SELECT erp_gravar('{}', true)" << negado;
        QTest::newRow("juntar operadores") << "SELECT erp_define_operador('outro', 'x')" << negado;
    }
    void direitosDoOperador() {
        QFETCH(QString, sql);
        QFETCH(QString, estado);
        Servidor s;
        QCOMPARE(s.estado(sql), estado);
    }

    /// Called directly, a store refuses what the program never sends, with
    /// nothing stored; and it writes the session's user, whatever it is given.
    void lojaVerificaODocumento_data() {
        QTest::addColumn<QJsonObject>("cab");
        QTest::addColumn<QJsonArray>("linhas");
        QTest::addColumn<QString>("recusa");
        QTest::newRow("utilizador de outro")
            << QJsonObject{{"utilizador", "admin"}} << QJsonArray{linha("3")} << QString();
        QTest::newRow("quantidade negativa") << QJsonObject() << QJsonArray{linha("-1")}
                                             << QStringLiteral("Linha 1: a quantidade tem de ser positiva (-1,00).");
        QJsonObject incompleta = linha("1");
        incompleta.insert("ornum", QJsonValue::Null);
        QTest::newRow("origem incompleta")
            << QJsonObject() << QJsonArray{incompleta}
            << QStringLiteral("Linha 1: a referência à encomenda está incompleta (falta OrNum).");
        QTest::newRow("a mesma linha duas vezes") << QJsonObject() << QJsonArray{linha("6"), linha("6.125")}
                                                  << QStringLiteral("ENC/1/15 linha 1: pendente 4,00, pedido 6,125");
        QTest::newRow("modo que não existe") << QJsonObject{{"modogravacao", 9}} << QJsonArray{linha("1")}
                                             << QStringLiteral("O modo de gravação 9 não existe (1, 2 ou 3).");
        QTest::newRow("sem linhas") << QJsonObject() << QJsonArray()
                                    << QStringLiteral("Documento inválido. Obrigatório ter linhas.");
        QTest::newRow("entrada anulada") << QJsonObject{{"docrelacionado", "ENT/1/1/2026"}} << QJsonArray{linha("1")}
                                         << QStringLiteral(
                                                "A entrada ENT/1/1/2026 da guia não existe ou está anulada.");
    }
    void lojaVerificaODocumento() {
        QFETCH(QJsonObject, cab);
        QFETCH(QJsonArray, linhas);
        QFETCH(QString, recusa);
        Servidor s;
        // An entry, annulled.
        QJsonObject semOrigem = linha("1");
        semOrigem.remove("ordoc");
        QCOMPARE(s.chamar(QStringLiteral("erp_cria_documento_entrada"),
                          documento(QStringLiteral("ENT"), {{"terceiro", ""}}, {semOrigem})),
                 QString());
        QCOMPARE(s.anular(QStringLiteral("ENT"), 1), QString());

        QCOMPARE(s.chamar(QStringLiteral("erp_grava_documento"), documento(QStringLiteral("GR"), cab, linhas)), recusa);
        const QVariant utilizador =
            s.base.escalar(QStringLiteral("SELECT UTILIZADOR FROM DOCGCCAB WHERE TPDOC = 'GR'"));
        const double pendente =
            s.base.escalar(QStringLiteral("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM = 'ENC'")).toDouble();
        if (recusa.isEmpty()) {
            QCOMPARE(utilizador.toString(), OperadorPg);
            QCOMPARE(pendente, 7.0);
        } else {
            QVERIFY(!utilizador.isValid());
            QCOMPARE(pendente, 10.0);
        }
    }

    void entradaComGuiaFica() {
        // The entry a live Guia names is not annulled.
        Servidor s;
        QJsonObject semOrigem = linha("1");
        semOrigem.remove("ordoc");
        QCOMPARE(s.chamar(QStringLiteral("erp_cria_documento_entrada"),
                          documento(QStringLiteral("ENT"), {{"terceiro", ""}}, {semOrigem})),
                 QString());
        QCOMPARE(s.chamar(QStringLiteral("erp_grava_documento"),
                          documento(QStringLiteral("GR"), {{"docrelacionado", "ENT/1/1/2026"}}, {linha("1")})),
                 QString());
        QCOMPARE(s.anular(QStringLiteral("ENT"), 1),
                 QStringLiteral("O documento ENT/1/1/2026 tem a guia GR/1/1/2026 e não é anulado."));
        QCOMPARE(s.anular(QStringLiteral("GR"), 1), QString());
        QCOMPARE(s.anular(QStringLiteral("ENT"), 1), QString());
        QCOMPARE(s.base.escalar(QStringLiteral("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM = 'ENC'")).toDouble(), 10.0);
    }
};

QTEST_GUILESS_MAIN(tst_FuncoesServidor)
#include "tst_funcoesservidor.moc"
