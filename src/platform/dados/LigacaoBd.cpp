#include "LigacaoBd.h"

#include "Dialecto.h"
#include "Erro.h"
#include "FalhaBd.h"
#include "Pastas.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

/// Splits "Key=Value;Key=\"va;lue\"" into pairs; a quoted value may hold
/// ';' and doubled quotes.
QList<QPair<QString, QString>> pares(const QString& texto) {
    QList<QPair<QString, QString>> r;
    qsizetype i = 0;
    const qsizetype n = texto.size();
    while (i < n) {
        const qsizetype igual = texto.indexOf(QLatin1Char('='), i);
        if (igual < 0)
            break;
        // A piece without '=' ("abc;Driver=...") is skipped, not glued to the next key.
        const qsizetype antes = texto.indexOf(QLatin1Char(';'), i);
        if (antes >= 0 && antes < igual) {
            i = antes + 1;
            continue;
        }
        const QString chave = texto.mid(i, igual - i).trimmed();
        i = igual + 1;
        QString valor;
        if (i < n && texto.at(i) == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (texto.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && texto.at(i + 1) == QLatin1Char('"')) {
                        valor += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                valor += texto.at(i++);
            }
            const qsizetype pv = texto.indexOf(QLatin1Char(';'), i);
            i = pv < 0 ? n : pv + 1;
        } else {
            const qsizetype pv = texto.indexOf(QLatin1Char(';'), i);
            valor = texto.mid(i, (pv < 0 ? n : pv) - i).trimmed();
            i = pv < 0 ? n : pv + 1;
        }
        if (!chave.isEmpty())
            r.append({chave, valor});
    }
    return r;
}

QString citar(const QString& v) {
    if (!v.contains(QLatin1Char(';')) && !v.contains(QLatin1Char('"')) && v.trimmed() == v)
        return v;
    return QLatin1Char('"') + QString(v).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

QString textoErroBd(const QSqlError& erro) {
    QString t = erro.databaseText().trimmed();
    if (t.isEmpty())
        t = erro.driverText().trimmed();
    // Qt leaves no text at all for a statement on a closed connection: the
    // operator must still be told something.
    return t.isEmpty() ? QStringLiteral("A base de dados falhou sem indicar o motivo.") : t;
}

TextoLigacao TextoLigacao::analisar(const QString& texto) {
    TextoLigacao t;
    for (const auto& [chave, valor] : pares(texto)) {
        const QString k = chave.toLower();
        if (k == QLatin1String("provider"))
            t.fornecedor = valor;
        else if (k == QLatin1String("driver"))
            t.driver = valor.toUpper();
        else if (k == QLatin1String("host") || k == QLatin1String("server"))
            t.host = valor;
        else if (k == QLatin1String("port")) {
            bool ok = false;
            t.porta = valor.toInt(&ok);
            if (!ok || t.porta <= 0 || t.porta > 65535)
                // The value is not quoted: in a text written without quotes it
                // may be the end of a password that holds ";Port=".
                throw Erro(Erro::Configuracao,
                           QStringLiteral("A porta da base de dados não é válida: tem de ser um número de 1 a 65535."));
        } else if (k == QLatin1String("database"))
            t.base = valor;
        else if (k == QLatin1String("user"))
            t.utilizador = valor;
        else if (k == QLatin1String("password"))
            t.password = valor;
    }
    t.dialecto(); // raises Erro for a driver that is none of the program's
    if (t.base.isEmpty())
        throw Erro(Erro::Configuracao, QStringLiteral("A ligação à base de dados não indica a base de dados."));
    return t;
}

QString TextoLigacao::texto() const {
    QStringList p;
    if (!fornecedor.isEmpty())
        p << QStringLiteral("Provider=") + citar(fornecedor);
    p << QStringLiteral("Driver=") + citar(driver);
    if (!host.isEmpty())
        p << QStringLiteral("Host=") + citar(host);
    if (porta > 0)
        p << QStringLiteral("Port=%1").arg(porta);
    p << QStringLiteral("Database=") + citar(base);
    if (!utilizador.isEmpty())
        p << QStringLiteral("User=") + citar(utilizador);
    if (!password.isEmpty())
        p << QStringLiteral("Password=") + citar(password);
    return p.join(QLatin1Char(';'));
}

const Dialecto& TextoLigacao::dialecto() const {
    if (const Dialecto* d = Dialecto::doDriver(driver))
        return *d;
    throw Erro(Erro::Configuracao,
               QStringLiteral("A ligação à base de dados não indica um motor conhecido (QSQLITE ou QPSQL)."));
}

QString TextoLigacao::descricao() const {
    const Dialecto* d = Dialecto::doDriver(driver);
    if (!d || !d->servidor())
        return QStringLiteral("%1 \"%2\"").arg(d ? QString(d->nome()) : driver, base);
    QString onde = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (porta > 0)
        onde += QStringLiteral(":%1").arg(porta);
    return QStringLiteral("%1 \"%2\" em %3%4")
        .arg(d->nome(), base, onde,
             utilizador.isEmpty() ? QString() : QStringLiteral(" (utilizador %1)").arg(utilizador));
}

QSqlDatabase TextoLigacao::abrir(const QString& nomeLigacao) const {
    const Dialecto& d = dialecto();
    // Opening a missing database file would create an empty database in its place.
    if (!d.servidor() && !QFileInfo::exists(base))
        throw Erro(
            Erro::BaseDadosFechada,
            QStringLiteral("Não foi possível abrir a base de dados %1: o ficheiro não existe.").arg(descricao()));
    QString motivo;
    int classe = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, nomeLigacao);
        db.setDatabaseName(base);
        // NUMERIC values arrive as their exact decimal text on PostgreSQL (the
        // default would turn them into doubles); SQLite keeps them as doubles
        // or integers in any case.
        db.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (d.servidor()) {
            db.setHostName(host);
            if (porta > 0)
                db.setPort(porta);
            db.setUserName(utilizador);
            db.setPassword(password);
        }
        db.setConnectOptions(d.opcoesLigacao());
        if (db.open()) {
            if (d.verificacao().isEmpty())
                return db;
            QSqlQuery q(db);
            if (q.exec(d.verificacao()))
                return db;
            motivo = textoErroBd(q.lastError());
            classe = FalhaBd::classe(q.lastError(), db.driver());
        } else {
            motivo = textoErroBd(db.lastError());
            classe = FalhaBd::classeAbertura(db);
        }
        db.close();
    }
    // No copy of the connection is left: it can go.
    QSqlDatabase::removeDatabase(nomeLigacao);
    // The driver's text may quote the connection settings; keep only what
    // names the database, never the password.
    if (!password.isEmpty())
        motivo.replace(password, QStringLiteral("***"));
    throw FalhaBd::erro(classe, Erro::BaseDadosFechada,
                        QStringLiteral("Não foi possível abrir a base de dados %1: %2").arg(descricao(), motivo));
}

QString LigacaoBd::construir(const QString& fornecedor, int opcao, const QString& d1, const QString& d2,
                             const QString& d3, const QString& d4) const {
    TextoLigacao t;
    t.fornecedor = fornecedor;
    if (d1.trimmed().compare(QLatin1String("sqlite"), Qt::CaseInsensitive) == 0) {
        t.driver = Dialecto::sqlite().driver();
        // An empty name stays empty: abrir then says that no database is named.
        if (!d2.isEmpty()) {
            const QString pasta = opcao == 1 ? Pastas::pastaAplicacao() : QDir::currentPath();
            t.base = QDir::cleanPath(QDir(pasta).absoluteFilePath(d2));
        }
        return t.texto();
    }
    t.driver = Dialecto::postgres().driver();
    // "host", "host:port", "/socket/folder:port", "[::1]:port" or a bare IPv6 address.
    QString servidor = d1.trimmed();
    QString porta;
    if (servidor.startsWith(QLatin1Char('['))) {
        const qsizetype fecho = servidor.indexOf(QLatin1Char(']'));
        if (fecho > 0) {
            if (servidor.mid(fecho + 1).startsWith(QLatin1Char(':')))
                porta = servidor.mid(fecho + 2);
            servidor = servidor.mid(1, fecho - 1);
        }
    } else if (servidor.count(QLatin1Char(':')) == 1) {
        const qsizetype dois = servidor.indexOf(QLatin1Char(':'));
        porta = servidor.mid(dois + 1);
        servidor = servidor.left(dois);
    }
    t.host = servidor;
    if (!porta.isEmpty()) {
        bool ok = false;
        t.porta = porta.toInt(&ok);
        if (!ok || t.porta <= 0 || t.porta > 65535)
            throw Erro(Erro::Configuracao,
                       QStringLiteral("O servidor da base de dados \"%1\" indica uma porta que não é válida.").arg(d1));
    }
    t.base = d2;
    t.utilizador = d3;
    t.password = d4;
    return t.texto();
}
