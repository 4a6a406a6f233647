#pragma once

#include <QString>
#include <QWidget>

/// Shows a window and makes it the active one (the offscreen platform does
/// not activate windows by itself); aborts the test run when it cannot.
void mostrarActiva(QWidget& janela);

/// The control of `janela` with this object name (of type T); aborts the
/// test run when it has none.
QWidget* porNome(const QWidget& janela, const QString& nome);
template <class T> T* porNome(const QWidget& janela, const char* nome) {
    auto* c = qobject_cast<T*>(porNome(janela, QLatin1String(nome)));
    if (!c)
        qFatal("the control %s is of another type", nome);
    return c;
}

class QLabel;

/// What a label shows: its text, or, when it takes it as markup (rich text,
/// or automatic and the text looks like markup), what that markup reads as.
QString textoMostrado(const QLabel& rotulo);

/// The tooltip `w` shows when the pointer rests at `ponto` (in its own
/// coordinates), read as textoMostrado reads a label; empty when none shows.
QString dicaMostrada(QWidget& w, QPoint ponto);
