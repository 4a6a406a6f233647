#pragma once

#include <QApplication>

/// Shows the busy cursor for as long as it lives.
class CursorOcupado final {
public:
    CursorOcupado() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CursorOcupado() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(CursorOcupado)
};
