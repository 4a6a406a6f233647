#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <string>
#include <vector>

/// A database's UTF-8 text as a string: ASCII straight through (a byte is a
/// character), anything else decoded. Nothing when the bytes are not valid
/// UTF-8: the caller then does what its engine's driver does with them.
std::optional<QString> textoDeUtf8(QByteArrayView utf8);

/// The texts of a walk over many rows, column by column: a text equal to its
/// column's previous one is that same (shared) string, neither decoded nor
/// stored again. Columns whose values seldom repeat are not remembered.
class TextosRepetidos final {
public:
    explicit TextosRepetidos(int colunas = 0) : m_colunas(static_cast<std::size_t>(colunas)) {}
    /// textoDeUtf8() of the column's value.
    std::optional<QString> texto(int coluna, QByteArrayView utf8);

private:
    struct Ultimo {
        std::string bytes;
        QString texto;
        bool valido = false;
        int novos = 0;
        int repetidos = 0;
    };
    std::vector<Ultimo> m_colunas;
};
