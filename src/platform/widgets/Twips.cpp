#include "Twips.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

/// The text size the design's twips were laid out for.
constexpr double PontosDoDesenho = 9.0;

} // namespace

double escalaDoDesenho(const QFont& letra) {
    double pontos = letra.pointSizeF();
    if (pontos <= 0) // a size set in pixels
        pontos = QFontInfo(letra).pointSizeF();
    return pontos > 0 ? std::max(1.0, pontos / PontosDoDesenho) : 1.0;
}

double escalaDoDesenho() {
    return qGuiApp ? escalaDoDesenho(QGuiApplication::font()) : 1.0;
}

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
    return static_cast<int>(std::lround(twips * dpi / 1440.0 * escalaDoDesenho()));
}
