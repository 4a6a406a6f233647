#pragma once

#include <QString>

/// `texto` with every character that a terminal, or a text read line by line,
/// would act on instead of showing written as an escape: a backslash as \\,
/// tab, line feed and carriage return as \t, \n and \r, the other control
/// characters (C0, DEL, C1) as \xHH, and the bidirectional formatting
/// characters, which reorder what follows them on the screen, as \u{HHHH}.
/// For text that comes from a database or a file and goes to a terminal or
/// a log.
QString escaparControlos(const QString& texto);
