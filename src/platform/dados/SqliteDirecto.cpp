#include "SqliteDirecto.h"

#include "Dialecto.h"
#include "Erro.h"
#include "FalhaBd.h"
#include "TextoUtf8.h"

#include <QSqlResult>

#include <sqlite3.h>

#include <algorithm>

namespace SqliteDirecto {

sqlite3_stmt* instrucao(const QSqlQuery& q) {
    const QSqlResult* r = q.result();
    const QVariant h = r ? r->handle() : QVariant();
    // A SQLite statement's handle: the driver is loaded and may be asked about.
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0 || !Dialecto::sqlite().leituraDirecta())
        return nullptr;
    return *static_cast<sqlite3_stmt* const*>(h.constData());
}

namespace {

/// What the driver takes for SQL NULL.
bool nulo(const QVariant& v) {
    if (v.isNull())
        return true;
    switch (v.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString*>(v.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray*>(v.constData())->isNull();
    default:
        return false;
    }
}

/// Text bound as UTF-8 when it holds no surrogate: the bytes SQLite would
/// itself make of the driver's UTF-16 (which it converts to the database's
/// UTF-8 at every row); anything else goes as UTF-16, as the driver binds it.
int ligarTexto(sqlite3_stmt* s, int i, const QString& t, TextosLigados& textos) {
    const char16_t* u = reinterpret_cast<const char16_t*>(t.utf16());
    const qsizetype n = t.size();
    bool ascii = true;
    for (qsizetype k = 0; k < n && ascii; ++k)
        ascii = u[k] < 0x80;
    if (ascii) {
        char* b = textos.reservar(n);
        for (qsizetype k = 0; k < n; ++k)
            b[k] = static_cast<char>(u[k]);
        return sqlite3_bind_text(s, i, b, static_cast<int>(n), SQLITE_STATIC);
    }
    for (qsizetype k = 0; k < n; ++k)
        if (QChar::isSurrogate(u[k]))
            return sqlite3_bind_text16(s, i, u, static_cast<int>(n * 2), SQLITE_TRANSIENT);
    const QByteArray& b = textos.guardar(t.toUtf8());
    return sqlite3_bind_text(s, i, b.constData(), static_cast<int>(b.size()), SQLITE_STATIC);
}

} // namespace

char* TextosLigados::reservar(qsizetype n) {
    if (n <= static_cast<qsizetype>(sizeof m_curto) - m_usado) {
        char* r = m_curto + m_usado;
        m_usado += n;
        return r;
    }
    m_longos.push_back(std::make_unique<char[]>(static_cast<size_t>(std::max<qsizetype>(n, 1))));
    return m_longos.back().get();
}

const QByteArray& TextosLigados::guardar(QByteArray bytes) {
    m_outros.push_back(std::move(bytes));
    return m_outros.back();
}

bool ligar(sqlite3_stmt* s, const QVariantList& valores, TextosLigados& textos) {
    if (sqlite3_bind_parameter_count(s) != valores.size())
        return false;
    // Only the types bound here; dates, times and the rest stay with the driver.
    for (const QVariant& v : valores) {
        switch (v.typeId()) {
        case QMetaType::QString:
        case QMetaType::QByteArray:
        case QMetaType::Int:
        case QMetaType::Bool:
        case QMetaType::Double:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            break;
        default:
            if (!nulo(v))
                return false;
        }
    }
    int i = 0;
    for (const QVariant& v : valores) {
        ++i;
        int r = SQLITE_OK;
        if (nulo(v)) {
            r = sqlite3_bind_null(s, i);
        } else {
            switch (v.typeId()) {
            case QMetaType::QByteArray: {
                const auto* b = static_cast<const QByteArray*>(v.constData());
                r = sqlite3_bind_blob(s, i, b->constData(), static_cast<int>(b->size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::Int:
            case QMetaType::Bool:
                r = sqlite3_bind_int(s, i, v.toInt());
                break;
            case QMetaType::Double:
                r = sqlite3_bind_double(s, i, v.toDouble());
                break;
            case QMetaType::UInt:
            case QMetaType::LongLong:
                r = sqlite3_bind_int64(s, i, v.toLongLong());
                break;
            default:
                r = ligarTexto(s, i, *static_cast<const QString*>(v.constData()), textos);
                break;
            }
        }
        if (r != SQLITE_OK) {
            sqlite3_clear_bindings(s);
            return false;
        }
    }
    return true;
}

} // namespace SqliteDirecto

bool LeitorSqlite::avancar() {
    const int passo = sqlite3_step(m_s);
    if (passo == SQLITE_ROW)
        return true;
    if (passo == SQLITE_DONE)
        return false;
    // As the driver does: a generic error is reset first, to get its own text.
    if (passo == SQLITE_ERROR || passo == SQLITE_CONSTRAINT)
        sqlite3_reset(m_s);
    sqlite3* ligacao = sqlite3_db_handle(m_s);
    const QString texto = QString::fromUtf8(sqlite3_errmsg(ligacao)).trimmed();
    const Erro erro = FalhaBd::erroSqlite(
        ligacao, Erro::Sql, texto.isEmpty() ? QStringLiteral("A base de dados falhou sem indicar o motivo.") : texto);
    sqlite3_reset(m_s);
    throw erro;
}

int LeitorSqlite::colunas() const {
    return sqlite3_column_count(m_s);
}

namespace {

/// A column of the current row read through the statement: each call looks
/// the column up again (and takes the connection's mutex, if it has one).
struct DaColuna {
    sqlite3_stmt* s;
    int i;
    int tipo() const { return sqlite3_column_type(s, i); }
    qint64 inteiro() const { return sqlite3_column_int64(s, i); }
    double real() const { return sqlite3_column_double(s, i); }
    const unsigned char* texto() const { return sqlite3_column_text(s, i); }
    int bytes() const { return sqlite3_column_bytes(s, i); }
};

/// The same through the column's value object, looked up once: safe only on
/// a connection without a mutex, used by one thread (Qt's driver opens its
/// connections so).
struct DoValor {
    sqlite3_value* v;
    int tipo() const { return sqlite3_value_type(v); }
    qint64 inteiro() const { return sqlite3_value_int64(v); }
    double real() const { return sqlite3_value_double(v); }
    const unsigned char* texto() const { return sqlite3_value_text(v); }
    int bytes() const { return sqlite3_value_bytes(v); }
};

template <class Leitura> ValorBruto bruto(const Leitura& l) {
    ValorBruto v;
    switch (l.tipo()) {
    case SQLITE_INTEGER:
        v.tipo = ValorBruto::Tipo::Inteiro;
        v.inteiro = l.inteiro();
        break;
    case SQLITE_FLOAT:
        v.tipo = ValorBruto::Tipo::Real;
        v.real = l.real();
        break;
    case SQLITE_NULL:
        v.tipo = ValorBruto::Tipo::Nulo;
        break;
    case SQLITE_TEXT: {
        v.tipo = ValorBruto::Tipo::Texto;
        const char* u = reinterpret_cast<const char*>(l.texto());
        v.bytes = QByteArrayView(u, l.bytes());
        break;
    }
    default:
        break;
    }
    return v;
}

} // namespace

LeitorSqlite::LeitorSqlite(sqlite3_stmt* instrucao, QSql::NumericalPrecisionPolicy politica)
    : m_s(instrucao), m_politica(politica), m_semMutex(sqlite3_db_mutex(sqlite3_db_handle(instrucao)) == nullptr) {}

ValorBruto LeitorSqlite::bruto(int i) const {
    if (m_semMutex)
        return ::bruto(DoValor{sqlite3_column_value(m_s, i)});
    return ::bruto(DaColuna{m_s, i});
}

QVariant LeitorSqlite::valor(int i) const {
    const ValorBruto v = bruto(i);
    switch (v.tipo) {
    case ValorBruto::Tipo::Inteiro:
        return QVariant(static_cast<qlonglong>(v.inteiro));
    case ValorBruto::Tipo::Real:
        switch (m_politica) {
        case QSql::LowPrecisionInt32:
            return QVariant(sqlite3_column_int(m_s, i));
        case QSql::LowPrecisionInt64:
            return QVariant(static_cast<qlonglong>(sqlite3_column_int64(m_s, i)));
        default:
            return QVariant(v.real);
        }
    case ValorBruto::Tipo::Nulo:
        return QVariant(QMetaType::fromType<QString>());
    case ValorBruto::Tipo::Texto:
        if (auto t = textoDeUtf8(v.bytes))
            return *t;
        // Bytes that are not UTF-8: SQLite's own conversion, as the driver reads them.
        return QString(reinterpret_cast<const QChar*>(sqlite3_column_text16(m_s, i)),
                       sqlite3_column_bytes16(m_s, i) / static_cast<int>(sizeof(QChar)));
    default:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_s, i)), sqlite3_column_bytes(m_s, i));
    }
}
