#pragma once

#include <QByteArrayView>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

/// The cursor a record set reads; one per driver family.
class CursorDados {
public:
    virtual ~CursorDados() = default;
    virtual QStringList nomes() const = 0;
    /// Moves to the next row; false at the end. Raises Erro on a database error.
    virtual bool avancar() = 0;
    virtual QVariant valor(int indice) const = 0;
    /// A text value's UTF-8 bytes as the engine holds them, for a reader that
    /// converts them itself; nothing when the value is not text or the cursor
    /// cannot hand them out. Valid until the cursor moves.
    virtual std::optional<QByteArrayView> textoUtf8(int indice) const {
        Q_UNUSED(indice);
        return std::nullopt;
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
    /// The current record's text value as UTF-8 bytes, when the cursor can hand
    /// them out without making a string (see CursorDados::textoUtf8); a reader
    /// that gets nothing uses valor(). Valid until the record set moves.
    std::optional<QByteArrayView> textoUtf8(int indice) const;
    QStringList nomes() const;

    /// Used by BaseDados: takes over a cursor positioned before its first row.
    void abrir(std::unique_ptr<CursorDados> cursor);
    void fechar();

private:
    struct Dados;
    std::unique_ptr<Dados> d;
};
