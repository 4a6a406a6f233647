#include "Apoio.h"

#include "ErpLocal.h"
#include "Esquema.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

int MensagensTeste::caixa(const QString& titulo, const QString& texto, Botoes botoes, Icone icone) {
    // A program without windows has no cursor to show busy.
    const bool ocupado =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QGuiApplication::overrideCursor();
    caixas.push_back({titulo, texto, botoes, icone, ocupado});
    if (respostas.empty())
        return RespostaOk;
    const int r = respostas.front();
    respostas.erase(respostas.begin());
    return r;
}

QString MensagensTeste::pedirFicheiro(const QString&, const QString& sugerido, const QString&) {
    ficheirosSugeridos << sugerido;
    return ficheiros.isEmpty() ? QString() : ficheiros.takeFirst();
}

bool MensagensTeste::pedirValores(const QString& titulo, const QStringList& rotulos, QStringList& valores,
                                  const QList<int>& segredos) {
    titulosFormularios << titulo;
    rotulosFormularios.push_back(rotulos);
    valoresMostrados.push_back(valores);
    segredosFormularios.push_back(segredos);
    if (formularios.empty())
        return false;
    valores = formularios.front();
    formularios.erase(formularios.begin());
    return true;
}

QStringList MensagensTeste::textos() const {
    QStringList t;
    for (const auto& c : caixas)
        t << c.texto;
    return t;
}

void adicionarMotores() {
    QTest::addColumn<Motor>("motor");
    QTest::newRow("sqlite") << Motor::Sqlite;
    QTest::newRow("postgresql") << Motor::Postgres;
}

Motor motorActual() {
    QFETCH_GLOBAL(Motor, motor);
    return motor;
}

namespace {

QString socketPg() {
    const QString s = qEnvironmentVariable("ORLAVANE_PG_SOCKET");
    if (s.isEmpty())
        qFatal("ORLAVANE_PG_SOCKET is not set: run the tests with ctest, which starts the test PostgreSQL server");
    return s;
}
int portaPg() {
    return qEnvironmentVariableIntValue("ORLAVANE_PG_PORT") ? qEnvironmentVariableIntValue("ORLAVANE_PG_PORT") : 54329;
}

QSqlDatabase ligarPg(const QString& nome, const QString& base, ServidorPg servidor,
                     const QString& utilizador = QStringLiteral("postgres")) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nome);
    db.setHostName(servidor == ServidorPg::Tls ? pastaPgTls() + QStringLiteral("/socket") : socketPg());
    db.setPort(servidor == ServidorPg::Tls ? portaPgTls() : portaPg());
    db.setUserName(utilizador);
    db.setDatabaseName(base);
    if (!db.open())
        qFatal("Cannot reach the test PostgreSQL server: %s", qPrintable(db.lastError().text()));
    return db;
}

} // namespace

QString pastaPgTls() {
    const QString p = qEnvironmentVariable("ORLAVANE_PG_TLS_DIR");
    if (p.isEmpty() || !QFile::exists(p + QStringLiteral("/porta")))
        qFatal("ORLAVANE_PG_TLS_DIR names no running TLS server: run the tests with ctest, which starts it");
    return p;
}

int portaPgTls() {
    QFile f(pastaPgTls() + QStringLiteral("/porta"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read the TLS server's port");
    return f.readAll().trimmed().toInt();
}

void administrarPg(const QString& sql, ServidorPg servidor) {
    const QString nome = QStringLiteral("adm-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase adm = ligarPg(nome, QStringLiteral("postgres"), servidor);
        QSqlQuery q(adm);
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(nome);
}

BaseTeste::BaseTeste(Motor motor, bool criarTabelas, ServidorPg servidor) : m_motor(motor), m_servidor(servidor) {
    static QAtomicInt contador;
    m_nomeLigacao = QStringLiteral("teste-%1").arg(contador.fetchAndAddRelaxed(1));
    if (motor == Motor::Sqlite) {
        m_nomeBase = m_dir.filePath(QStringLiteral("empresa.db"));
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_nomeLigacao);
        m_db.setDatabaseName(m_nomeBase);
        if (!m_db.open())
            qFatal("Cannot create %s", qPrintable(m_nomeBase));
    } else {
        m_nomeBase = QStringLiteral("orlavane_t_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
        const bool tls = servidor == ServidorPg::Tls;
        administrarPg(
            QStringLiteral("CREATE DATABASE %1%2").arg(m_nomeBase, tls ? QStringLiteral(" OWNER orlavane") : QString()),
            servidor);
        m_db =
            ligarPg(m_nomeLigacao, m_nomeBase, servidor, tls ? QStringLiteral("orlavane") : QStringLiteral("postgres"));
    }
    if (criarTabelas) {
        Esquema::criar(m_db);
        // The program reaches a server's database as an operator, never as
        // its administrator.
        if (motor == Motor::Postgres) {
            Esquema::definirUtilizadorErp(m_db, OperadorPg, SenhaOperadorPg);
            m_operador = true;
        }
    }
}

BaseTeste::~BaseTeste() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_nomeLigacao);
    if (m_motor == Motor::Postgres)
        administrarPg(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_nomeBase), m_servidor);
}

void BaseTeste::apagar() {
    if (m_motor == Motor::Sqlite) {
        if (!QFile::remove(m_nomeBase))
            qFatal("cannot remove %s", qPrintable(m_nomeBase));
        return;
    }
    administrarPg(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_nomeBase), m_servidor);
}

QString BaseTeste::textoLigacao() const {
    if (m_motor == Motor::Sqlite || !m_operador)
        return textoLigacaoAdministrador();
    return textoPg(OperadorPg) + QStringLiteral(";Password=") + SenhaOperadorPg;
}

QString BaseTeste::textoLigacaoAdministrador() const {
    if (m_motor == Motor::Sqlite)
        return QStringLiteral("Provider=MSDataShape;Driver=QSQLITE;Database=%1").arg(m_nomeBase);
    return textoPg(m_servidor == ServidorPg::Tls ? QStringLiteral("orlavane") : QStringLiteral("postgres"));
}

QString BaseTeste::textoPg(const QString& utilizador) const {
    const bool tls = m_servidor == ServidorPg::Tls;
    return QStringLiteral("Provider=MSDataShape;Driver=QPSQL;Host=%1;Port=%2;Database=%3;User=%4")
        .arg(tls ? pastaPgTls() + QStringLiteral("/socket") : socketPg())
        .arg(tls ? portaPgTls() : portaPg())
        .arg(m_nomeBase, utilizador);
}

QString BaseTeste::textoLigacaoTls(const QString& host, const QString& chaves, bool semPassword) const {
    return QStringLiteral("Provider=MSDataShape;Driver=QPSQL;Host=%1;Port=%2;Database=%3;User=orlavane;%4%5")
        .arg(host)
        .arg(portaPgTls())
        .arg(m_nomeBase, semPassword ? QString() : QStringLiteral("Password=segredo-tls;"), chaves);
}

void BaseTeste::executar(const QString& sql, const QVariantList& parametros) {
    QSqlQuery q(m_db);
    if (!q.prepare(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    for (const QVariant& p : parametros)
        q.addBindValue(p);
    if (!q.exec())
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

void BaseTeste::comando(const QString& sql) {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

QVariant BaseTeste::escalar(const QString& sql, const QVariantList& parametros) {
    QSqlQuery q(m_db);
    if (!q.prepare(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    for (const QVariant& p : parametros)
        q.addBindValue(p);
    if (!q.exec() || !q.next())
        return {};
    return q.value(0);
}

void BaseTeste::dadosBase() {
    executar(
        QStringLiteral("INSERT INTO TpDoc (Codigo, Descricao, TPDSAFT) VALUES ('ENC', 'Encomenda de cliente', 0),"
                       " ('ENV', 'Encomenda web', 0), ('GR', 'Guia de remessa', 1), ('GT', 'Guia de transporte', 1),"
                       " ('ENT', 'Entrada de produção', 0)"));
    executar(QStringLiteral("INSERT INTO NOMSERIE (TipoDoc, Serie, Descricao, Origem) VALUES ('ENC', 1, '', 1),"
                            " ('ENV', 2, '', 1), ('GR', 1, '', 2), ('GT', 1, '', 5), ('ENT', 1, '', 1)"));
    executar(QStringLiteral(
        "INSERT INTO Clientes (Codigo, Nome, Inactivo) VALUES ('C1', 'Cliente Um, Lda', 0),"
        " ('C2', 'Cliente Dois, SA', 0), ('C9', 'Cliente Inactivo', -1), ('O''BRIEN', 'O''Brien & Filhos', 0)"));
    executar(QStringLiteral(
        "INSERT INTO Artigos (Codigo, Nome, PrecoVenda, Armazem, Inactivo) VALUES ('A1', 'Parafuso M6', 0.10, 'A1', 0),"
        " ('A2', 'Porca M6', 0.05, 'A1', 0), ('A3', 'Anilha', 0.02, 'A1', 0), ('A9', 'Artigo inactivo', 1, 'A1', -1)"));
}

void BaseTeste::encomenda(const QString& tipo, int serie, int numero, int ano, const QString& cliente,
                          const QString& data, const QString& req,
                          const std::vector<std::pair<QString, double>>& linhas) {
    executar(
        QStringLiteral(
            "INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA, TERCEIRO, VNUMDOC) VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {tipo, serie, numero, ano, data + QStringLiteral(" 00:00:00"), cliente, req});
    int n = 0;
    for (const auto& [artigo, qtd] : linhas) {
        ++n;
        executar(
            QStringLiteral("INSERT INTO DOCGCLIN (TPDOCUM, SERIE, NNUMDOC, ANO, NUMLINHA, ARTIGO, DESCR, DATA, PRUNIT,"
                           " QTDORIG, QUANT) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {tipo, serie, numero, ano, n, artigo, QStringLiteral("Linha %1 de %2").arg(n).arg(artigo),
             data + QStringLiteral(" 14:30:00"), 10.0, qtd, qtd});
    }
}

std::unique_ptr<SessaoErp> erpLocalLigado(BaseTeste& base) {
    base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
    Esquema::definirUtilizadorErp(base.db(), OperadorPg, SenhaOperadorPg);
    auto erp = std::make_unique<ErpLocal>();
    if (!erp->login(OperadorPg, SenhaOperadorPg, QStringLiteral("DEMO"), base.textoLigacao(), QStringLiteral("posto1")))
        qFatal("local ERP login failed: %s", qPrintable(erp->motivoFalhaLogin()));
    return erp;
}

void cortarLigacaoDoErp(BaseTeste& base) {
    QStringList nomes = QSqlDatabase::connectionNames();
    nomes.removeIf([](const QString& n) { return !n.startsWith(QLatin1String("erplocal-")); });
    if (nomes.size() != 1)
        qFatal("expected one local ERP connection, found %d", int(nomes.size()));
    QSqlDatabase erp = QSqlDatabase::database(nomes.constFirst(), false);
    if (base.motor() == Motor::Sqlite) {
        erp.close();
        return;
    }
    QSqlQuery q(erp);
    if (!q.exec(QStringLiteral("SELECT pg_backend_pid()")) || !q.next())
        qFatal("cannot read the ERP's backend: %s", qPrintable(q.lastError().text()));
    if (!base.escalar(QStringLiteral("SELECT pg_terminate_backend(?, 10000)"), {q.value(0)}).toBool())
        qFatal("the ERP's backend did not end");
}
