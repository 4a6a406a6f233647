#include "MinusculasSqlite.h"

#include <QSqlDriver>
#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <string>
#include <type_traits>

#if defined(__GLIBC__)
#include <dlfcn.h>
#include <link.h>
#endif

namespace {

/// The functions of the SQLite library that Qt's driver runs on, taken from
/// the driver itself: a connection's handle may only be given to its own
/// library (the driver could carry a copy of its own).
struct ApiSqlite {
    decltype(&sqlite3_create_function_v2) criarFuncao = nullptr;
    decltype(&sqlite3_value_type) tipo = nullptr;
    decltype(&sqlite3_value_text16) texto16 = nullptr;
    decltype(&sqlite3_value_bytes16) bytes16 = nullptr;
    decltype(&sqlite3_result_text16) resultado16 = nullptr;
    decltype(&sqlite3_result_null) resultadoNulo = nullptr;

    bool completa() const { return criarFuncao && tipo && texto16 && bytes16 && resultado16 && resultadoNulo; }
};

const ApiSqlite& apiDoDriver() {
    static const ApiSqlite api = [] {
        ApiSqlite a;
#if defined(__GLIBC__)
        std::string plugin;
        dl_iterate_phdr(
            [](dl_phdr_info* info, size_t, void* dados) {
                const std::string nome = info->dlpi_name ? info->dlpi_name : "";
                if (nome.find("qsqlite") == std::string::npos)
                    return 0;
                *static_cast<std::string*>(dados) = nome;
                return 1;
            },
            &plugin);
        void* h = plugin.empty() ? nullptr : dlopen(plugin.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (!h)
            return a;
        const auto obter = [h](auto& ponteiro, const char* nome) {
            ponteiro = reinterpret_cast<std::remove_reference_t<decltype(ponteiro)>>(dlsym(h, nome));
        };
        obter(a.criarFuncao, "sqlite3_create_function_v2");
        obter(a.tipo, "sqlite3_value_type");
        obter(a.texto16, "sqlite3_value_text16");
        obter(a.bytes16, "sqlite3_value_bytes16");
        obter(a.resultado16, "sqlite3_result_text16");
        obter(a.resultadoNulo, "sqlite3_result_null");
        // The plugin stays loaded as long as Qt holds it; this reference goes.
        dlclose(h);
#endif
        return a;
    }();
    return api;
}

void minusculas(sqlite3_context* contexto, int, sqlite3_value** valores) {
    const ApiSqlite& api = apiDoDriver();
    if (api.tipo(valores[0]) == SQLITE_NULL) {
        api.resultadoNulo(contexto);
        return;
    }
    // Text in the machine's UTF-16, as Qt keeps it.
    const auto* texto = static_cast<const char16_t*>(api.texto16(valores[0]));
    const int bytes = api.bytes16(valores[0]);
    const QString r = QString::fromUtf16(texto, bytes / 2).toLower();
    api.resultado16(contexto, r.utf16(), int(r.size() * 2), SQLITE_TRANSIENT);
}

} // namespace

bool minusculasUnicode(const QSqlDatabase& db) {
    if (!db.isOpen() || !db.driver())
        return false;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    const ApiSqlite& api = apiDoDriver();
    sqlite3* sqlite = *static_cast<sqlite3* const*>(handle.constData());
    return sqlite && api.completa() &&
           api.criarFuncao(sqlite, "lower", 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, minusculas, nullptr,
                           nullptr, nullptr) == SQLITE_OK;
}

QString padraoLike(const QString& texto) {
    QString p = texto.toLower();
    p.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    p.replace(QLatin1Char('%'), QLatin1String("\\%"));
    p.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + p + QLatin1Char('%');
}
