#include "Impressora.h"

#include "Erro.h"

#include <QPrinter>
#include <QPrinterInfo>

ImpressoraPorOmissao::ImpressoraPorOmissao() : m_nome(QPrinterInfo::defaultPrinterName()) {
    if (m_nome.isEmpty())
        throw Erro(Erro::Ficheiro, QStringLiteral("Este posto não tem impressora por omissão."));
}

void ImpressoraPorOmissao::imprimir(const QString& documento,
                                    const std::function<void(QPagedPaintDevice&)>& desenhar) const {
    const QPrinterInfo impressora = QPrinterInfo::printerInfo(m_nome);
    if (impressora.isNull())
        throw Erro(Erro::Ficheiro, QStringLiteral("A impressora \"%1\" já não está disponível.").arg(m_nome));
    QPrinter printer(impressora, QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(documento);
    desenhar(printer);
    if (printer.printerState() == QPrinter::Error)
        throw Erro(Erro::Ficheiro, QStringLiteral("A impressora \"%1\" recusou %2.").arg(m_nome, documento));
}
