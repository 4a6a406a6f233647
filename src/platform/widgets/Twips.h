#pragma once

class QFont;
class QWidget;

/// How much larger the given font is than the 9 points the window's design
/// was drawn for; never below 1. An operator who sets a larger desktop font
/// gets the whole design larger with it, so that text drawn for 9 points is
/// not cut at a larger size (screen scaling, QT_SCALE_FACTOR, already scales
/// fonts and twips alike).
double escalaDoDesenho(const QFont& letra);
/// The same for the application's font.
double escalaDoDesenho();

/// Twips (1/1440 inch) to pixels at the screen's logical resolution, at the
/// design's scale for the application's font.
int twipsParaPixeis(int twips, const QWidget* referencia = nullptr, bool vertical = false);
