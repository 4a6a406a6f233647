#pragma once

#include <QLocale>
#include <QString>

#include <optional>

/// Reads a number as an OLE Automation conversion of a text would under the
/// workstation's locale: surrounding blanks, an optional sign (leading, or
/// trailing), digits with the locale's group separators, the locale's decimal
/// separator, an optional exponent ("1.5E3"). An empty text, a text of blanks
/// and anything else are not numeric.
std::optional<double> converterNumeroOle(const QString& texto, const QLocale& locale = QLocale());

inline bool eNumerico(const QString& texto, const QLocale& locale = QLocale()) {
    return converterNumeroOle(texto, locale).has_value();
}
