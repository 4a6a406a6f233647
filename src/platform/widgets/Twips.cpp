#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

int twipsParaPixeis(int twips, const QWidget* referencia, bool vertical) {
    double dpi = 96.0;
    if (referencia) {
        dpi = vertical ? referencia->logicalDpiY() : referencia->logicalDpiX();
    } else if (qGuiApp) {
        if (const QScreen* ecra = QGuiApplication::primaryScreen())
            dpi = vertical ? ecra->logicalDotsPerInchY() : ecra->logicalDotsPerInchX();
    }
    if (dpi <= 0)
        dpi = 96.0;
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}
