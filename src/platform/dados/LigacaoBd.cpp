#include "LigacaoBd.h"

#include "Dialecto.h"
#include "Erro.h"
#include "FalhaBd.h"
#include "Pastas.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <libpq-fe.h>

#include <algorithm>
#include <vector>

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

/// libpq's keys a connection text may hold, handed to the server connection
/// as they are: TLS, TCP keepalives, the service file.
const QStringList ChavesLibpq = {
    QStringLiteral("sslmode"),          QStringLiteral("sslrootcert"),
    QStringLiteral("sslcert"),          QStringLiteral("sslkey"),
    QStringLiteral("sslcrl"),           QStringLiteral("sslcrldir"),
    QStringLiteral("channel_binding"),  QStringLiteral("keepalives"),
    QStringLiteral("keepalives_idle"),  QStringLiteral("keepalives_interval"),
    QStringLiteral("keepalives_count"), QStringLiteral("tcp_user_timeout"),
    QStringLiteral("service"),
};

/// A key as a person writes one: named in a message. Anything else may be
/// the tail of a password written without quotes, and is not repeated.
bool pareceChave(const QString& chave) {
    static const QRegularExpression forma(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,39}$"));
    return forma.match(chave).hasMatch();
}

/// Why a text's key is refused: the key named when it looks like one.
Erro chaveRecusada(const QString& chave, bool depoisDaPassword) {
    if (depoisDaPassword || !pareceChave(chave))
        return Erro(Erro::Configuracao,
                    QStringLiteral("A ligação à base de dados tem uma chave que o programa não conhece%1. Um valor "
                                   "com \";\" (uma palavra-passe, por exemplo) escreve-se entre aspas.")
                        .arg(depoisDaPassword ? QStringLiteral(" a seguir à palavra-passe") : QString()));
    return Erro(Erro::Configuracao,
                QStringLiteral("A ligação à base de dados tem a chave \"%1\", que o programa não conhece.").arg(chave));
}

/// A value as libpq's connection string takes it: quoted when empty or
/// holding blanks, quotes or backslashes.
QString valorLibpq(const QString& v) {
    const bool simples = !v.isEmpty() && std::none_of(v.cbegin(), v.cend(), [](QChar c) {
        return c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char('\\');
    });
    if (simples)
        return v;
    QString r = QStringLiteral("'");
    for (const QChar c : v) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('\\'))
            r += QLatin1Char('\\');
        r += c;
    }
    return r + QLatin1Char('\'');
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
    bool depoisDaPassword = false;
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
        else if (chaveLibpq(k)) {
            // Qt's driver turns every ';' of its connect options into a blank.
            if (valor.contains(QLatin1Char(';')))
                throw Erro(Erro::Configuracao,
                           QStringLiteral("O valor de \"%1\" na ligação à base de dados não pode ter \";\".").arg(k));
            const auto igual = [&k](const QPair<QString, QString>& o) { return o.first == k; };
            t.opcoes.removeIf(igual);
            t.opcoes.append({k, valor});
        } else
            throw chaveRecusada(chave, depoisDaPassword);
        depoisDaPassword = k == QLatin1String("password");
    }
    const Dialecto& d = t.dialecto(); // raises Erro for a driver that is none of the program's
    if (!d.servidor() && !t.opcoes.isEmpty())
        throw Erro(Erro::Configuracao, QStringLiteral("A chave \"%1\" da ligação à base de dados só serve a uma base "
                                                      "de dados PostgreSQL.")
                                           .arg(t.opcoes.constFirst().first));
    // A service names the database in the service file.
    if (t.base.isEmpty() && (!d.servidor() || t.opcao(QStringLiteral("service")).isEmpty()))
        throw Erro(Erro::Configuracao, QStringLiteral("A ligação à base de dados não indica a base de dados."));
    return t;
}

bool TextoLigacao::chaveLibpq(const QString& chave) {
    return ChavesLibpq.contains(chave.toLower());
}

QString TextoLigacao::chaveDesconhecida(const QString& texto) {
    static const QStringList nossas = {
        QStringLiteral("provider"), QStringLiteral("driver"),   QStringLiteral("host"), QStringLiteral("server"),
        QStringLiteral("port"),     QStringLiteral("database"), QStringLiteral("user"), QStringLiteral("password")};
    for (const auto& par : pares(texto))
        if (!nossas.contains(par.first.toLower()) && !chaveLibpq(par.first))
            return par.first;
    return QString();
}

QString TextoLigacao::opcao(const QString& chave) const {
    for (const auto& [k, v] : opcoes)
        if (k == chave)
            return v;
    return QString();
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
    if (!base.isEmpty())
        p << QStringLiteral("Database=") + citar(base);
    if (!utilizador.isEmpty())
        p << QStringLiteral("User=") + citar(utilizador);
    for (const auto& [k, v] : opcoes)
        p << k + QLatin1Char('=') + citar(v);
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
    const QString servico = opcao(QStringLiteral("service"));
    if (!servico.isEmpty() && base.isEmpty() && host.isEmpty())
        return QStringLiteral("%1 do serviço \"%2\"%3")
            .arg(d->nome(), servico,
                 utilizador.isEmpty() ? QString() : QStringLiteral(" (utilizador %1)").arg(utilizador));
    QString onde = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (porta > 0)
        onde += QStringLiteral(":%1").arg(porta);
    return QStringLiteral("%1 \"%2\" em %3%4")
        .arg(d->nome(), base, onde,
             utilizador.isEmpty() ? QString() : QStringLiteral(" (utilizador %1)").arg(utilizador));
}

namespace {

/// Connects once to the server of `t` with its settings (through libpq, not
/// Qt's driver) and asks `ver` about the connection when it failed; false
/// when it opened.
template <class F> bool falhouPorque(const TextoLigacao& t, F&& ver) {
    std::vector<QByteArray> pares;
    const auto par = [&pares](const QString& chave, const QString& valor) {
        if (!valor.isEmpty()) {
            pares.push_back(chave.toUtf8());
            pares.push_back(valor.toUtf8());
        }
    };
    par(QStringLiteral("host"), t.host);
    par(QStringLiteral("port"), t.porta > 0 ? QString::number(t.porta) : QString());
    par(QStringLiteral("dbname"), t.base);
    par(QStringLiteral("user"), t.utilizador);
    par(QStringLiteral("password"), t.password);
    par(QStringLiteral("connect_timeout"), QStringLiteral("10"));
    for (const auto& [k, v] : t.opcoes)
        par(k, v);
    std::vector<const char*> chaves, valores;
    for (std::size_t i = 0; i < pares.size(); i += 2) {
        chaves.push_back(pares[i].constData());
        valores.push_back(pares[i + 1].constData());
    }
    chaves.push_back(nullptr);
    valores.push_back(nullptr);
    PGconn* c = PQconnectdbParams(chaves.data(), valores.data(), 0);
    const bool sim = c && PQstatus(c) == CONNECTION_BAD && ver(c);
    PQfinish(c);
    return sim;
}

} // namespace

bool TextoLigacao::pedePassword() const {
    return dialecto().servidor() && falhouPorque(*this, [](PGconn* c) { return PQconnectionNeedsPassword(c) == 1; });
}

bool TextoLigacao::passwordRecusada() const {
    // The server asked for a password, was given one and refused the
    // connection: a refusal before any password (no rule of the server
    // admits the connection) is not one.
    return dialecto().servidor() && !password.isEmpty() &&
           falhouPorque(*this, [](PGconn* c) { return PQconnectionUsedPassword(c) == 1; });
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
        QString opcoesQt = d.opcoesLigacao();
        for (const auto& [k, v] : opcoes)
            opcoesQt += QLatin1Char(';') + k + QLatin1Char('=') + valorLibpq(v);
        db.setConnectOptions(opcoesQt);
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

LigacaoBd::LigacaoBd(const Pastas& pastas) : m_pastaAplicacao(pastas.pastaAplicacao()) {}

QString LigacaoBd::construir(const QString& fornecedor, int opcao, const QString& d1, const QString& d2,
                             const QString& d3, const QString& d4, const OpcoesLibpq& opcoes) const {
    TextoLigacao t;
    t.fornecedor = fornecedor;
    t.opcoes = opcoes;
    if (d1.trimmed().compare(QLatin1String("sqlite"), Qt::CaseInsensitive) == 0) {
        t.driver = Dialecto::sqlite().driver();
        // An empty name stays empty: abrir then says that no database is named.
        if (!d2.isEmpty()) {
            const QString pasta = opcao == 1 ? m_pastaAplicacao : QDir::currentPath();
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
