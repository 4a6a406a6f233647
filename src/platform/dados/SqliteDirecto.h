#pragma once

// Qt's SQLite statements driven through the engine's own API, for the paths
// that run one statement many times (the record set's walk, the local ERP's
// stores). Qt still prepares and owns every statement (and finalizes it when
// its connection closes); values are bound and read exactly as Qt's driver
// binds and reads them, without its per-value bookkeeping.

#include "RecordSet.h"

#include <QSql>
#include <QSqlQuery>
#include <QVariant>

#include <memory>
#include <vector>

struct sqlite3_stmt;

namespace SqliteDirecto {

/// The statement of a prepared (or executed) query of Qt's SQLite driver, when
/// the driver runs on the SQLite library this program calls
/// (Dialecto::leituraDirecta); null otherwise, or when the driver let it go.
sqlite3_stmt* instrucao(const QSqlQuery& q);

/// The UTF-8 bytes of the texts bound to a statement, kept here until it has
/// run and its values are cleared: the engine reads them where they are
/// instead of copying each one.
class TextosLigados {
public:
    TextosLigados() = default;
    TextosLigados(const TextosLigados&) = delete;
    TextosLigados& operator=(const TextosLigados&) = delete;

    /// Room for `n` bytes that stays where it is while this object lives.
    char* reservar(qsizetype n);
    /// Keeps the bytes as long as this object lives.
    const QByteArray& guardar(QByteArray bytes);

private:
    char m_curto[2048];
    qsizetype m_usado = 0;
    std::vector<std::unique_ptr<char[]>> m_longos;
    std::vector<QByteArray> m_outros;
};

/// Binds the values to the statement's parameters in order, as the driver
/// binds them. False, with nothing bound, when the count does not match or a
/// value is of a type left to the driver (the caller then goes through Qt).
/// Texts are bound where `textos` keeps them: it must outlive the run, and
/// the statement's values be cleared (sqlite3_clear_bindings) before it goes.
bool ligar(sqlite3_stmt* instrucao, const QVariantList& valores, TextosLigados& textos);

} // namespace SqliteDirecto

/// Steps a statement of Qt's SQLite driver and reads its current row, each
/// value with the type the driver gives it.
class LeitorSqlite final {
public:
    LeitorSqlite(sqlite3_stmt* instrucao, QSql::NumericalPrecisionPolicy politica);

    /// Steps to the next row: true on a row, false past the last. A failure
    /// resets the statement and raises Erro with the engine's own text, as the
    /// driver reports it: of the failure's class (FalhaBd) when it has one,
    /// else Sql.
    bool avancar();
    int colunas() const;
    /// A value of the current row: a 64-bit integer, a double (or an integer,
    /// under the precision policy), text, a null text, or bytes.
    QVariant valor(int coluna) const;
    /// The same without a variant: integer, real, UTF-8 text, NULL; bytes are Outro.
    ValorBruto bruto(int coluna) const;

private:
    sqlite3_stmt* m_s;
    QSql::NumericalPrecisionPolicy m_politica;
    bool m_semMutex; ///< the connection has no mutex: values are read as value objects
};
