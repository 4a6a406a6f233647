#pragma once

#include "GuiaImpressa.h"

#include <QString>

class QPagedPaintDevice;

/// The copy's name on its pages: 0 "Original", 1 "Duplicado", 2 "Triplicado" ...
QString nomeCopia(int indice);

/// The printed Guia on A4 pages: every page carries the company, the
/// document's number, date and copy, the client, the places and start of
/// transport, the ATCUD and "Página n de m"; the lines run over as many pages
/// as they need, and the last page closes with the total quantity, the ATCUD
/// and the QR code. An annulled Guia carries "ANULADO" across every page, a
/// reprint "2.ª via".
///
/// The layout is made in tenths of a millimetre with fonts sized the same
/// way, so that it is the same on every device: a PDF, a printer, the preview.
class DesenhoGuia final {
public:
    /// The most copies one print makes.
    static constexpr int MaximoCopias = 9;

    explicit DesenhoGuia(GuiaImpressa guia);
    ~DesenhoGuia();
    Q_DISABLE_COPY_MOVE(DesenhoGuia)

    const GuiaImpressa& guia() const;
    /// The pages of one copy.
    int paginasPorCopia() const;
    /// Sets the device to A4 portrait and draws `copias` copies (1 to
    /// MaximoCopias), one set of pages after the other, on a painter of its
    /// own. Raises Erro when the device cannot be painted on.
    void desenhar(QPagedPaintDevice& dispositivo, int copias) const;

private:
    struct Dados;
    std::unique_ptr<Dados> d;
};
