#pragma once

#include "Moeda.h"

#include <QByteArrayView>
#include <QDate>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

/// A value as the engine holds it, handed out without making a variant, for
/// the record set's typed readers.
struct ValorBruto final {
    enum class Tipo {
        Outro,   ///< none of these: read through the variant
        Nulo,    ///< SQL NULL
        Inteiro, ///< `inteiro`
        Real,    ///< `real`
        Texto,   ///< `bytes`, UTF-8 text
        Numero,  ///< `bytes`, a whole or decimal number as text ("15", "2.5000")
        Data,    ///< `bytes`, an ISO date, with or without its time of day
    };
    Tipo tipo = Tipo::Outro;
    qint64 inteiro = 0;
    double real = 0;
    QByteArrayView bytes; ///< valid until the cursor moves
};

/// The cursor a record set reads; one per driver family.
class CursorDados {
public:
    virtual ~CursorDados() = default;
    virtual QStringList nomes() const = 0;
    /// Moves to the next row; false at the end. Raises Erro on a database error.
    virtual bool avancar() = 0;
    virtual QVariant valor(int indice) const = 0;
    /// The value as the engine holds it; Outro when the cursor cannot hand it
    /// out so (the reader then uses valor()).
    virtual ValorBruto bruto(int indice) const {
        Q_UNUSED(indice);
        return {};
    }
    /// Lets go of what the cursor holds in the database (its statement) once
    /// its reader has taken out every row it wants; avancar() is false after.
    virtual void libertar() {}

    /// Installed by the record set reading the cursor. A cursor whose
    /// connection is about to serve another statement (which would drop the
    /// rows not yet read) calls it through pedirRetencao(), so that the reader
    /// takes those rows out first.
    void definirRetencao(std::function<void()> reter) { m_reter = std::move(reter); }

protected:
    void pedirRetencao() {
        if (m_reter)
            m_reter();
    }

private:
    std::function<void()> m_reter;
};

/// The result of a query, read forward only.
class RecordSet final {
public:
    RecordSet();
    ~RecordSet();
    RecordSet(RecordSet&&) noexcept;
    RecordSet& operator=(RecordSet&&) noexcept;
    Q_DISABLE_COPY(RecordSet)

    /// Exact number of records of the result, on every driver.
    int contagem();
    /// True past the last record (and for an empty or closed record set).
    bool fim() const;
    void seguinte();
    /// A field of the current record by name, without regard to case.
    /// Raises Erro when there is no current record or no such field.
    QVariant campo(const QString& nome) const;
    /// The index of a field by name (without regard to case), -1 when absent;
    /// with valor(), lets a walk over many records look the name up once.
    int indiceCampo(const QString& nome) const;
    QVariant valor(int indice) const;
    QStringList nomes() const;

    // Typed readers of the current record's fields, by index: a walk over many
    // records reads its values with no variant made on the way. A value that
    // is not of the kind asked for, or does not fit it, raises Erro
    // (TipoIncompativel or Transbordo) naming the field: it is never cut.

    /// Text; empty for NULL. Numbers and dates as their variant gives them.
    QString texto(int indice) const;
    /// A whole number (an integer, or a decimal without a fraction); nothing for NULL.
    std::optional<qint64> inteiro(int indice) const;
    /// A currency value (four decimals, rounded as Moeda does); nothing for NULL.
    std::optional<Moeda> moeda(int indice) const;
    /// The day of a date, a date and time, or ISO text (the time of day
    /// dropped); a null date for NULL.
    QDate data(int indice) const;

    /// Used by BaseDados: takes over a cursor positioned before its first row.
    void abrir(std::unique_ptr<CursorDados> cursor);
    void fechar();

private:
    struct Dados;
    std::unique_ptr<Dados> d;
};
