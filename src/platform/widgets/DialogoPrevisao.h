#pragma once

#include <QDialog>

#include <functional>

class Guarda;
class QPagedPaintDevice;
class QPrintPreviewWidget;

/// The print preview of a document: its pages as they print, drawn by
/// `desenhar`. By keyboard: Page Up / Page Down, Home / End move by page,
/// Ctrl++ and Ctrl+- zoom, Ctrl+0 shows the whole page, Ctrl+1 the page at
/// its size; "&Imprimir" (Ctrl+P) and "Guardar &PDF..." (Ctrl+S) ask the
/// window to print or save (imprimirPedido, guardarPedido), Escape closes.
class DialogoPrevisao final : public QDialog {
    Q_OBJECT

public:
    /// The pages are drawn inside `guarda`.
    DialogoPrevisao(const QString& titulo, std::function<void(QPagedPaintDevice&)> desenhar, Guarda& guarda,
                    QWidget* pai = nullptr);
    Q_DISABLE_COPY_MOVE(DialogoPrevisao)

    /// Draws the pages again: after a print, what they show may have changed.
    void actualizar();
    int paginas() const;
    int paginaActual() const;
    /// The zoom: 1 is the page at its size on this screen.
    double zoom() const;

Q_SIGNALS:
    void imprimirPedido();
    void guardarPedido();

private:
    void irPara(int pagina);

    std::function<void(QPagedPaintDevice&)> m_desenhar;
    Guarda& m_guarda;
    QPrintPreviewWidget* m_previsao;
};
