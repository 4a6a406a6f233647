#pragma once

#include <QByteArray>
#include <QString>

/// Text in the Windows single-byte code page 1252, the one the ERP's
/// workstations write their text files in. Done by table, so that it does not
/// depend on the codecs the Qt build carries; a character the code page
/// lacks is written as '?'.
QString deWindows1252(const QByteArray& bytes);
QByteArray paraWindows1252(const QString& texto);
