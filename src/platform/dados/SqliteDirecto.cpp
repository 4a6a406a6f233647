#include "SqliteDirecto.h"

#include <QDate>
#include <QDateTime>
#include <QSqlResult>
#include <QTime>
#include <QUuid>

#include <sqlite3.h>

#include <cstring>
#include <string>

#if defined(__GLIBC__)
#include <dlfcn.h>
#include <link.h>
#endif

bool driverPartilha(const char* plugin, const char* simbolo, void* nosso) {
#if defined(__GLIBC__)
    struct Procura {
        const char* plugin;
        std::string caminho;
    } procura{plugin, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* dados) {
            auto* p = static_cast<Procura*>(dados);
            const std::string nome = info->dlpi_name ? info->dlpi_name : "";
            if (nome.find(p->plugin) == std::string::npos)
                return 0;
            p->caminho = nome;
            return 1;
        },
        &procura);
    if (procura.caminho.empty())
        return false;
    void* h = dlopen(procura.caminho.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!h)
        return false;
    // The driver's own copy of the library, or the one it shares with us.
    void* deles = dlsym(h, simbolo);
    dlclose(h);
    return deles == nosso;
#else
    Q_UNUSED(plugin);
    Q_UNUSED(simbolo);
    Q_UNUSED(nosso);
    return false;
#endif
}

namespace SqliteDirecto {

bool disponivel() {
    static const bool mesma = driverPartilha("qsqlite", "sqlite3_step", reinterpret_cast<void*>(&sqlite3_step));
    return mesma;
}

sqlite3_stmt* instrucao(const QSqlQuery& q) {
    const QSqlResult* r = q.result();
    const QVariant h = r ? r->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3_stmt*") != 0)
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
int ligarTexto(sqlite3_stmt* s, int i, const QString& t) {
    const char16_t* u = reinterpret_cast<const char16_t*>(t.utf16());
    const qsizetype n = t.size();
    char curto[256];
    bool ascii = n <= static_cast<qsizetype>(sizeof curto);
    for (qsizetype k = 0; k < n && ascii; ++k) {
        ascii = u[k] < 0x80;
        if (ascii)
            curto[k] = static_cast<char>(u[k]);
    }
    if (ascii)
        return sqlite3_bind_text(s, i, curto, static_cast<int>(n), SQLITE_TRANSIENT);
    for (qsizetype k = 0; k < n; ++k)
        if (QChar::isSurrogate(u[k]))
            return sqlite3_bind_text16(s, i, u, static_cast<int>(n * 2), SQLITE_TRANSIENT);
    const QByteArray b = t.toUtf8();
    return sqlite3_bind_text(s, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

} // namespace

bool ligar(sqlite3_stmt* s, const QVariantList& valores) {
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
                r = ligarTexto(s, i, *static_cast<const QString*>(v.constData()));
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

QString texto(sqlite3_stmt* s, int coluna, const char* u, int n) {
    bool ascii = true;
    int k = 0;
    for (; k + 8 <= n && ascii; k += 8) {
        quint64 oito;
        std::memcpy(&oito, u + k, 8);
        ascii = (oito & 0x8080808080808080ULL) == 0;
    }
    for (; k < n && ascii; ++k)
        ascii = static_cast<unsigned char>(u[k]) < 0x80;
    if (ascii)
        return QString::fromLatin1(u, n);
    QString t = QString::fromUtf8(u, n);
    if (!t.contains(QChar::ReplacementCharacter))
        return t;
    return QString(reinterpret_cast<const QChar*>(sqlite3_column_text16(s, coluna)),
                   sqlite3_column_bytes16(s, coluna) / static_cast<int>(sizeof(QChar)));
}

QVariant valor(sqlite3_stmt* s, int i, QSql::NumericalPrecisionPolicy politica) {
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(s, i)));
    case SQLITE_FLOAT:
        switch (politica) {
        case QSql::LowPrecisionInt32:
            return QVariant(sqlite3_column_int(s, i));
        case QSql::LowPrecisionInt64:
            return QVariant(static_cast<qlonglong>(sqlite3_column_int64(s, i)));
        default:
            return QVariant(sqlite3_column_double(s, i));
        }
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)), sqlite3_column_bytes(s, i));
    default: {
        const char* u = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return texto(s, i, u, sqlite3_column_bytes(s, i));
    }
    }
}

QString erro(sqlite3_stmt* s) {
    return QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(s))).trimmed();
}

} // namespace SqliteDirecto
