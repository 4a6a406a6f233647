#pragma once

#include <QString>

#include <functional>

class QPagedPaintDevice;

/// The workstation's default printer, found first, so that a workstation
/// without one is told before a print is recorded.
class ImpressoraPorOmissao final {
public:
    /// Raises Erro (Ficheiro) when the workstation has no default printer.
    ImpressoraPorOmissao();

    /// Sends a document to the printer: `desenhar` draws it on the printer,
    /// set to use the whole sheet. Raises Erro (Ficheiro) when the printer
    /// fails.
    void imprimir(const QString& documento, const std::function<void(QPagedPaintDevice&)>& desenhar) const;

private:
    QString m_nome;
};
