#pragma once

class QWidget;

/// Twips (1/1440 inch) to pixels at the screen's logical resolution.
int twipsParaPixeis(int twips, const QWidget* referencia = nullptr, bool vertical = false);
