// The company database: its connection, its statements and the cursors their
// record sets read (see RecordSet.cpp for how a record set streams its rows).
//
// On SQLite the rows are read straight from the engine's statement (Qt's
// driver still prepares, binds and runs it): Qt's own walk copies every value
// of every row into its cache and has SQLite convert every text to UTF-16,
// which costs more than the engine's work for the statement itself.

#include "BaseDados.h"

#include "Erro.h"
#include "SqliteDirecto.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QUuid>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

/// The cursors of one connection still streaming rows.
struct BaseDados::Cursores {
    std::vector<CursorDados*> vivos;

    void juntar(CursorDados* c) { vivos.push_back(c); }
    void largar(CursorDados* c) { std::erase(vivos, c); }
};

namespace {

QString textoErro(const QSqlError& e) {
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.driverText().trimmed();
    return t;
}

QString novoNomeLigacao() {
    return QStringLiteral("orlavane-bd-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

/// A cursor that streams from one of the database's connections: it can be
/// told to hand its rows over before the connection runs something else.
class CursorLigado : public CursorDados {
public:
    explicit CursorLigado(std::shared_ptr<BaseDados::Cursores> cursores) : m_cursores(std::move(cursores)) {
        m_cursores->juntar(this);
    }
    ~CursorLigado() override { m_cursores->largar(this); }
    Q_DISABLE_COPY_MOVE(CursorLigado)

    /// The connection is needed for something else.
    void reter() { pedirRetencao(); }

protected:
    void desligar() { m_cursores->largar(this); }

private:
    std::shared_ptr<BaseDados::Cursores> m_cursores;
};

QStringList nomesDe(const QSqlQuery& q) {
    QStringList nomes;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i)
        nomes << r.fieldName(i);
    return nomes;
}

/// Whether Qt's PostgreSQL driver runs on the libpq this program calls.
bool pgDoDriver() {
    static const bool mesma = driverPartilha("qsqlpsql", "PQgetvalue", reinterpret_cast<void*>(&PQgetvalue));
    return mesma;
}

/// A cursor over a forward-only QSqlQuery, values read by index.
class CursorSql final : public CursorLigado {
public:
    CursorSql(QSqlQuery q, std::shared_ptr<BaseDados::Cursores> cursores)
        : CursorLigado(std::move(cursores)), m_q(std::move(q)), m_nomes(nomesDe(m_q)) {}
    Q_DISABLE_COPY_MOVE(CursorSql)

    QStringList nomes() const override { return m_nomes; }

    bool avancar() override {
        if (m_terminado)
            return false;
        if (m_q.next())
            return true;
        const QSqlError erro = m_q.lastError();
        libertar();
        if (erro.isValid())
            throw Erro(Erro::Sql, QStringLiteral("A base de dados falhou ao ler o resultado: %1").arg(textoErro(erro)));
        return false;
    }

    QVariant valor(int indice) const override { return m_q.value(indice); }

    /// On PostgreSQL, the text of a value the driver would turn into text or
    /// a date the same way (text, dates, timestamps without a time zone): a
    /// reader converting it itself skips the driver's conversions.
    std::optional<QByteArrayView> textoUtf8(int indice) const override {
        if (!m_postgres || m_terminado || !m_q.isValid())
            return std::nullopt;
        const QVariant h = m_q.result() ? m_q.result()->handle() : QVariant();
        if (!h.isValid() || (qstrcmp(h.typeName(), "pg_result*") != 0 && qstrcmp(h.typeName(), "PGresult*") != 0))
            return std::nullopt;
        const PGresult* r = *static_cast<PGresult* const*>(h.constData());
        const int linha = m_q.isForwardOnly() ? 0 : m_q.at();
        if (!r || indice < 0 || indice >= PQnfields(r) || linha < 0 || linha >= PQntuples(r) ||
            PQgetisnull(r, linha, indice))
            return std::nullopt;
        switch (PQftype(r, indice)) {
        case 25:   // text
        case 1042: // char(n)
        case 1043: // varchar
        case 1082: // date
        case 1114: // timestamp
            return QByteArrayView(PQgetvalue(r, linha, indice), PQgetlength(r, linha, indice));
        default:
            return std::nullopt;
        }
    }

    void libertar() override {
        if (m_terminado)
            return;
        m_terminado = true;
        desligar();
        m_q = QSqlQuery();
    }

private:
    QSqlQuery m_q;
    QStringList m_nomes;
    bool m_terminado = false;
    bool m_postgres = m_q.driver() && m_q.driver()->dbmsType() == QSqlDriver::PostgreSQL && pgDoDriver();
};

/// A SQLite result read from the engine's statement. Qt's driver prepared,
/// bound and ran it, and stepped to its first row (which it still hands out
/// itself); the rows after that are stepped here. A value is made only when
/// asked for, with the type the driver gives it.
class CursorSqlite final : public CursorLigado {
public:
    CursorSqlite(QSqlQuery q, sqlite3_stmt* instrucao, std::shared_ptr<BaseDados::Cursores> cursores)
        : CursorLigado(std::move(cursores)), m_q(std::move(q)), m_s(instrucao), m_nomes(nomesDe(m_q)),
          m_politica(m_q.numericalPrecisionPolicy()),
          m_semMutex(sqlite3_db_mutex(sqlite3_db_handle(instrucao)) == nullptr),
          m_ultimos(static_cast<std::size_t>(m_nomes.size())) {}
    Q_DISABLE_COPY_MOVE(CursorSqlite)

    QStringList nomes() const override { return m_nomes; }

    bool avancar() override {
        if (m_terminado)
            return false;
        if (!m_comecado) {
            // The driver has already stepped to the first row: take it from it.
            m_comecado = true;
            if (m_q.next())
                return true;
            const QSqlError erro = m_q.lastError();
            libertar();
            if (erro.isValid())
                throw Erro(Erro::Sql,
                           QStringLiteral("A base de dados falhou ao ler o resultado: %1").arg(textoErro(erro)));
            return false;
        }
        const int passo = sqlite3_step(m_s);
        if (passo == SQLITE_ROW)
            return true;
        if (passo == SQLITE_DONE) {
            libertar();
            return false;
        }
        // As the driver does: a generic error is reset first to get its text.
        sqlite3* db = sqlite3_db_handle(m_s);
        if (passo == SQLITE_ERROR || passo == SQLITE_CONSTRAINT)
            sqlite3_reset(m_s);
        const QString texto = QString::fromUtf8(sqlite3_errmsg(db)).trimmed();
        libertar();
        throw Erro(Erro::Sql, QStringLiteral("A base de dados falhou ao ler o resultado: %1").arg(texto));
    }

    QVariant valor(int i) const override {
        // On a connection without a mutex (the driver opens them so) the
        // column's value object is read directly: one look-up, not one per call.
        if (m_semMutex) {
            sqlite3_value* v = sqlite3_column_value(m_s, i);
            switch (sqlite3_value_type(v)) {
            case SQLITE_INTEGER:
                return QVariant(static_cast<qlonglong>(sqlite3_value_int64(v)));
            case SQLITE_FLOAT:
                switch (m_politica) {
                case QSql::LowPrecisionInt32:
                    return QVariant(sqlite3_value_int(v));
                case QSql::LowPrecisionInt64:
                    return QVariant(static_cast<qlonglong>(sqlite3_value_int64(v)));
                default:
                    return QVariant(sqlite3_value_double(v));
                }
            case SQLITE_NULL:
                return QVariant(QMetaType::fromType<QString>());
            case SQLITE_BLOB:
                return QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v));
            default:
                return texto(i, reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
            }
        }
        switch (sqlite3_column_type(m_s, i)) {
        case SQLITE_INTEGER:
            return QVariant(static_cast<qlonglong>(sqlite3_column_int64(m_s, i)));
        case SQLITE_FLOAT:
            switch (m_politica) {
            case QSql::LowPrecisionInt32:
                return QVariant(sqlite3_column_int(m_s, i));
            case QSql::LowPrecisionInt64:
                return QVariant(static_cast<qlonglong>(sqlite3_column_int64(m_s, i)));
            default:
                return QVariant(sqlite3_column_double(m_s, i));
            }
        case SQLITE_NULL:
            return QVariant(QMetaType::fromType<QString>());
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_s, i)), sqlite3_column_bytes(m_s, i));
        default: {
            const char* u = reinterpret_cast<const char*>(sqlite3_column_text(m_s, i));
            return texto(i, u, sqlite3_column_bytes(m_s, i));
        }
        }
    }

    std::optional<QByteArrayView> textoUtf8(int i) const override {
        if (!m_comecado || m_terminado)
            return std::nullopt;
        if (m_semMutex) {
            sqlite3_value* v = sqlite3_column_value(m_s, i);
            if (sqlite3_value_type(v) != SQLITE_TEXT)
                return std::nullopt;
            const char* u = reinterpret_cast<const char*>(sqlite3_value_text(v));
            return QByteArrayView(u, sqlite3_value_bytes(v));
        }
        if (sqlite3_column_type(m_s, i) != SQLITE_TEXT)
            return std::nullopt;
        const char* u = reinterpret_cast<const char*>(sqlite3_column_text(m_s, i));
        return QByteArrayView(u, sqlite3_column_bytes(m_s, i));
    }

    void libertar() override {
        if (m_terminado)
            return;
        m_terminado = true;
        desligar();
        m_q = QSqlQuery();
        m_s = nullptr;
        m_ultimos.clear();
    }

private:
    /// Text as the driver reads it: valid UTF-8 decodes alike either way;
    /// anything else is left to SQLite's own conversion, as the driver does.
    /// A text equal to the column's previous one is the same (shared) string.
    QString texto(int i, const char* u, int n) const {
        Ultimo& ultimo = m_ultimos[static_cast<std::size_t>(i)];
        if (ultimo.valido && ultimo.bytes.size() == static_cast<std::size_t>(n) &&
            std::memcmp(ultimo.bytes.data(), u, static_cast<std::size_t>(n)) == 0) {
            ++ultimo.repetidos;
            return ultimo.texto;
        }
        // A column whose values seldom repeat is not kept. (The bytes are
        // copied first: a conversion by SQLite moves them.)
        ultimo.valido = ++ultimo.novos <= 16 || ultimo.repetidos * 4 >= ultimo.novos;
        if (ultimo.valido)
            ultimo.bytes.assign(u, static_cast<std::size_t>(n));
        QString t = ascii(u, n) ? QString::fromLatin1(u, n) : deUtf8(i, u, n);
        if (ultimo.valido)
            ultimo.texto = t;
        return t;
    }

    QString deUtf8(int i, const char* u, int n) const {
        QString t = QString::fromUtf8(u, n);
        if (!t.contains(QChar::ReplacementCharacter))
            return t;
        return QString(reinterpret_cast<const QChar*>(sqlite3_column_text16(m_s, i)),
                       sqlite3_column_bytes16(m_s, i) / static_cast<int>(sizeof(QChar)));
    }

    static bool ascii(const char* u, int n) {
        int k = 0;
        for (; k + 8 <= n; k += 8) {
            quint64 oito;
            std::memcpy(&oito, u + k, 8);
            if (oito & 0x8080808080808080ULL)
                return false;
        }
        for (; k < n; ++k)
            if (static_cast<unsigned char>(u[k]) >= 0x80)
                return false;
        return true;
    }

    struct Ultimo {
        std::string bytes;
        QString texto;
        bool valido = false;
        int novos = 0;
        int repetidos = 0;
    };

    QSqlQuery m_q;
    sqlite3_stmt* m_s;
    QStringList m_nomes;
    QSql::NumericalPrecisionPolicy m_politica;
    /// The connection has no mutex: its values may be read as value objects.
    bool m_semMutex;
    bool m_comecado = false;
    bool m_terminado = false;
    mutable std::vector<Ultimo> m_ultimos; ///< per column, the last text made
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
    if (m_texto.driver == QLatin1String("QPSQL"))
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
        throw Erro(Erro::Sql, QStringLiteral("A base de dados recusou a consulta: %1").arg(textoErro(q.lastError())));
    if (m_texto.driver == QLatin1String("QSQLITE") && SqliteDirecto::disponivel()) {
        if (sqlite3_stmt* instrucao = SqliteDirecto::instrucao(q)) {
            rs.abrir(std::make_unique<CursorSqlite>(std::move(q), instrucao, m_cursores));
            return;
        }
    }
    rs.abrir(std::make_unique<CursorSql>(std::move(q), m_cursores));
}

std::unique_ptr<Ligacao> BaseDados::novaLigacao() {
    exigirAberta();
    const QString nome = novoNomeLigacao();
    QString motivo;
    {
        QSqlDatabase copia = QSqlDatabase::cloneDatabase(m_nome, nome);
        if (copia.open())
            return std::make_unique<Ligacao>(copia);
        motivo = textoErro(copia.lastError());
    }
    QSqlDatabase::removeDatabase(nome);
    if (!m_texto.password.isEmpty())
        motivo.replace(m_texto.password, QStringLiteral("***"));
    throw Erro(
        Erro::BaseDadosFechada,
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
