#include "Impressora.h"

#include "Erro.h"

#include <QPrinter>
#include <QPrinterInfo>

void imprimirNaImpressora(const QString& documento, const std::function<void(QPagedPaintDevice&)>& desenhar) {
    const QPrinterInfo impressora = QPrinterInfo::defaultPrinter();
    if (impressora.isNull())
        throw Erro(Erro::Ficheiro, QStringLiteral("Este posto não tem impressora por omissão."));
    QPrinter printer(impressora, QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(documento);
    desenhar(printer);
    if (printer.printerState() == QPrinter::Error)
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("A impressora \"%1\" recusou %2.").arg(impressora.printerName(), documento));
}
