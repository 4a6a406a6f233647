#include "AcessoDados.h"

#include "Erro.h"

#include <QFileInfo>
#include <QSqlError>

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
                throw Erro(Erro::Configuracao, QStringLiteral("A porta \"%1\" da base de dados não é válida.").arg(valor));
        } else if (k == QLatin1String("database"))
            t.base = valor;
        else if (k == QLatin1String("user"))
            t.utilizador = valor;
        else if (k == QLatin1String("password"))
            t.password = valor;
    }
    if (t.driver != QLatin1String("QSQLITE") && t.driver != QLatin1String("QPSQL"))
        throw Erro(Erro::Configuracao,
                   QStringLiteral("A ligação à base de dados não indica um motor conhecido (QSQLITE ou QPSQL)."));
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

QString TextoLigacao::descricao() const {
    if (driver == QLatin1String("QSQLITE"))
        return QStringLiteral("SQLite \"%1\"").arg(base);
    QString onde = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (porta > 0)
        onde += QStringLiteral(":%1").arg(porta);
    return QStringLiteral("PostgreSQL \"%1\" em %2%3")
        .arg(base, onde, utilizador.isEmpty() ? QString() : QStringLiteral(" (utilizador %1)").arg(utilizador));
}

QSqlDatabase TextoLigacao::abrir(const QString& nomeLigacao) const {
    // Opening a missing SQLite file would create an empty database in its place.
    if (driver == QLatin1String("QSQLITE") && !QFileInfo::exists(base))
        throw Erro(Erro::BaseDadosFechada,
                   QStringLiteral("Não foi possível abrir a base de dados %1: o ficheiro não existe.").arg(descricao()));
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, nomeLigacao);
    db.setDatabaseName(base);
    if (driver == QLatin1String("QSQLITE")) {
        // Several workstations may write at once: wait for a lock instead of failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    } else {
        db.setHostName(host);
        if (porta > 0)
            db.setPort(porta);
        db.setUserName(utilizador);
        db.setPassword(password);
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    }
    if (!db.open()) {
        // The driver's text may quote the connection settings; keep only what
        // names the database, never the password.
        QString motivo = db.lastError().databaseText().trimmed();
        if (!password.isEmpty())
            motivo.replace(password, QStringLiteral("***"));
        throw Erro(Erro::BaseDadosFechada,
                   QStringLiteral("Não foi possível abrir a base de dados %1: %2").arg(descricao(), motivo));
    }
    return db;
}
