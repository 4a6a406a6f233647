// The company database: its connection, its statements and the cursors their
// record sets read (see RecordSet.cpp for how a record set streams its rows).
//
// On SQLite the rows are read straight from the engine's statement (Qt's
// driver still prepares, binds and runs it): Qt's own walk copies every value
// of every row into its cache and has SQLite convert every text to UTF-16,
// which costs more than the engine's work for the statement itself.

#include "BaseDados.h"

#include "Dialecto.h"
#include "Erro.h"
#include "FalhaBd.h"
#include "SqliteDirecto.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QUuid>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <vector>

/// The cursors of one connection still streaming rows.
struct BaseDados::Cursores {
    std::vector<CursorDados*> vivos;

    void juntar(CursorDados* c) { vivos.push_back(c); }
    void largar(CursorDados* c) { std::erase(vivos, c); }
};

namespace {

QString novoNomeLigacao() {
    return QStringLiteral("orlavane-bd-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString textoFalhaLeitura(const QString& texto) {
    return QStringLiteral("A base de dados falhou ao ler o resultado: %1").arg(texto);
}

QStringList nomesDe(const QSqlQuery& q) {
    QStringList nomes;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i)
        nomes << r.fieldName(i);
    return nomes;
}

/// A cursor over one of Qt's forward-only queries on one of the database's
/// connections: it can be told to hand its rows over before the connection
/// runs something else, and it lets the query go once read to its end.
class CursorLigado : public CursorDados {
public:
    CursorLigado(QSqlQuery q, std::shared_ptr<BaseDados::Cursores> cursores)
        : m_q(std::move(q)), m_nomes(nomesDe(m_q)), m_cursores(std::move(cursores)) {
        m_cursores->juntar(this);
    }
    ~CursorLigado() override { m_cursores->largar(this); }
    Q_DISABLE_COPY_MOVE(CursorLigado)

    QStringList nomes() const override { return m_nomes; }

    void libertar() override {
        if (m_terminado)
            return;
        m_terminado = true;
        m_cursores->largar(this);
        m_q = QSqlQuery();
    }

    /// The connection is needed for something else.
    void reter() { pedirRetencao(); }

protected:
    /// The query's next row; at its end the query is let go, and a database
    /// error met on the way is raised.
    bool seguinteDoQt() {
        if (m_q.next())
            return true;
        const QSqlError erro = m_q.lastError();
        // The driver outlives the query, which is let go now.
        const QSqlDriver* driver = m_q.driver();
        libertar();
        if (erro.isValid())
            throw FalhaBd::erro(erro, driver, Erro::Sql, textoFalhaLeitura(textoErroBd(erro)));
        return false;
    }

    QSqlQuery m_q;
    bool m_terminado = false;

private:
    QStringList m_nomes;
    std::shared_ptr<BaseDados::Cursores> m_cursores;
};

/// The PostgreSQL result a forward-only query of Qt's driver is on, when the
/// driver runs on the libpq this program calls; null otherwise.
const PGresult* resultadoPg(const QSqlQuery& q) {
    const QVariant h = q.result() ? q.result()->handle() : QVariant();
    if (!h.isValid() || (qstrcmp(h.typeName(), "pg_result*") != 0 && qstrcmp(h.typeName(), "PGresult*") != 0) ||
        !Dialecto::postgres().leituraDirecta())
        return nullptr;
    return *static_cast<const PGresult* const*>(h.constData());
}

/// A cursor whose values Qt's driver reads (on PostgreSQL the typed readers
/// read the result's text themselves).
class CursorSql final : public CursorLigado {
public:
    using CursorLigado::CursorLigado;

    bool avancar() override {
        if (m_terminado || !seguinteDoQt())
            return false;
        // One result per row in the driver's forward-only mode.
        m_resultado = resultadoPg(m_q);
        m_linha = m_q.isForwardOnly() ? 0 : m_q.at();
        return true;
    }

    QVariant valor(int indice) const override { return m_q.value(indice); }

    /// On PostgreSQL, the text of the values the driver would read from the
    /// same text: the typed readers convert it themselves.
    ValorBruto bruto(int indice) const override {
        ValorBruto v;
        const PGresult* r = m_resultado;
        if (!r || m_terminado || indice < 0 || indice >= PQnfields(r) || m_linha < 0 || m_linha >= PQntuples(r))
            return v;
        if (PQgetisnull(r, m_linha, indice)) {
            v.tipo = ValorBruto::Tipo::Nulo;
            return v;
        }
        switch (PQftype(r, indice)) {
        case 25:   // text
        case 1042: // char(n)
        case 1043: // varchar
            v.tipo = ValorBruto::Tipo::Texto;
            break;
        case 20:   // bigint
        case 21:   // smallint
        case 23:   // integer
        case 1700: // numeric
            v.tipo = ValorBruto::Tipo::Numero;
            break;
        case 1082: // date
        case 1114: // timestamp
            v.tipo = ValorBruto::Tipo::Data;
            break;
        default:
            return v;
        }
        v.bytes = QByteArrayView(PQgetvalue(r, m_linha, indice), PQgetlength(r, m_linha, indice));
        return v;
    }

private:
    const PGresult* m_resultado = nullptr;
    int m_linha = 0;
};

/// A SQLite result read from the engine's statement. Qt's driver prepared,
/// bound and ran it, and stepped to its first row (which it still hands out
/// itself); the rows after that are stepped here. A value is made only when
/// asked for, with the type the driver gives it.
class CursorSqlite final : public CursorLigado {
public:
    CursorSqlite(QSqlQuery q, sqlite3_stmt* instrucao, std::shared_ptr<BaseDados::Cursores> cursores)
        : CursorLigado(std::move(q), std::move(cursores)), m_leitor(instrucao, m_q.numericalPrecisionPolicy()) {}

    bool avancar() override {
        if (m_terminado)
            return false;
        if (!m_comecado) {
            // The driver has already stepped to the first row: take it from it.
            m_comecado = true;
            return seguinteDoQt();
        }
        try {
            if (m_leitor.avancar())
                return true;
        } catch (const Erro& e) {
            libertar();
            // A failure of a class the operator can act on already says so.
            if (e.numero() != Erro::Sql)
                throw;
            throw Erro(Erro::Sql, textoFalhaLeitura(e.texto()));
        }
        libertar();
        return false;
    }

    QVariant valor(int i) const override { return m_leitor.valor(i); }
    ValorBruto bruto(int i) const override { return m_comecado && !m_terminado ? m_leitor.bruto(i) : ValorBruto(); }

private:
    LeitorSqlite m_leitor;
    bool m_comecado = false;
};

} // namespace

Ligacao::~Ligacao() {
    const QString nome = m_db.connectionName();
    m_db.close();
    m_db = QSqlDatabase();
    if (!nome.isEmpty() && QSqlDatabase::contains(nome))
        QSqlDatabase::removeDatabase(nome);
}

BaseDados::BaseDados() : m_cursores(std::make_shared<Cursores>()) {}

BaseDados::~BaseDados() {
    fechar();
}

bool BaseDados::abrir(const QString& textoLigacao) {
    fechar();
    m_ultimoErro.clear();
    m_texto = TextoLigacao();
    try {
        m_texto = TextoLigacao::analisar(textoLigacao);
        const QString nome = novoNomeLigacao();
        m_texto.abrir(nome);
        m_nome = nome;
        return true;
    } catch (const Erro& e) {
        m_ultimoErro = e.texto();
        return false;
    }
}

bool BaseDados::aberta() const {
    return !m_nome.isEmpty() && db().isOpen();
}

QSqlDatabase BaseDados::db() const {
    if (m_nome.isEmpty())
        return {};
    return QSqlDatabase::database(m_nome, false);
}

void BaseDados::exigirAberta() const {
    if (!aberta())
        throw Erro(Erro::BaseDadosFechada,
                   m_ultimoErro.isEmpty()
                       ? QStringLiteral("A base de dados da empresa não está aberta.")
                       : QStringLiteral("A base de dados da empresa não está aberta. %1").arg(m_ultimoErro));
}

void BaseDados::reterRegistos() {
    // Retaining lets the cursor go, which takes it off the list: walk a copy.
    const std::vector<CursorDados*> vivos = m_cursores->vivos;
    for (CursorDados* c : vivos)
        static_cast<CursorLigado*>(c)->reter();
}

bool BaseDados::consultar(const QString&, const QString& sql, RecordSet& rs, int, int) {
    consultar(sql, QVariantList(), rs);
    return true;
}

void BaseDados::consultar(const QString& sql, const QVariantList& parametros, RecordSet& rs) {
    rs.fechar();
    exigirAberta();
    // SQLite runs several statements side by side on one connection; PostgreSQL does not.
    if (m_texto.dialecto().servidor())
        reterRegistos();
    QSqlQuery q(db());
    q.setForwardOnly(true);
    bool ok = false;
    if (parametros.isEmpty()) {
        ok = q.exec(sql);
    } else if (q.prepare(sql)) {
        for (const QVariant& p : parametros)
            q.addBindValue(p);
        ok = q.exec();
    }
    if (!ok)
        throw FalhaBd::erro(q.lastError(), q.driver(), Erro::Sql,
                            QStringLiteral("A base de dados recusou a consulta: %1").arg(textoErroBd(q.lastError())));
    if (sqlite3_stmt* instrucao = SqliteDirecto::instrucao(q)) {
        rs.abrir(std::make_unique<CursorSqlite>(std::move(q), instrucao, m_cursores));
        return;
    }
    rs.abrir(std::make_unique<CursorSql>(std::move(q), m_cursores));
}

std::unique_ptr<Ligacao> BaseDados::novaLigacao() {
    exigirAberta();
    const QString nome = novoNomeLigacao();
    QString motivo;
    int classe = 0;
    {
        QSqlDatabase copia = QSqlDatabase::cloneDatabase(m_nome, nome);
        if (copia.open())
            return std::make_unique<Ligacao>(copia);
        motivo = textoErroBd(copia.lastError());
        classe = FalhaBd::classeAbertura(copia);
    }
    QSqlDatabase::removeDatabase(nome);
    if (!m_texto.password.isEmpty())
        motivo.replace(m_texto.password, QStringLiteral("***"));
    throw FalhaBd::erro(
        classe, Erro::BaseDadosFechada,
        QStringLiteral("Não foi possível abrir outra ligação à base de dados %1: %2").arg(m_texto.descricao(), motivo));
}

bool BaseDados::fechar() {
    if (m_nome.isEmpty())
        return true;
    // Record sets still being read keep their rows; their statements end here.
    reterRegistos();
    {
        QSqlDatabase d = db();
        d.close();
    }
    QSqlDatabase::removeDatabase(m_nome);
    m_nome.clear();
    return true;
}
