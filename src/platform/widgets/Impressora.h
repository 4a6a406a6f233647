#pragma once

#include <QString>

#include <functional>

class QPagedPaintDevice;

/// Sends a document to the workstation's default printer: `desenhar` draws
/// it on the printer, set to use the whole sheet. Raises Erro (Ficheiro) when
/// the workstation has no default printer or the printer fails.
void imprimirNaImpressora(const QString& documento, const std::function<void(QPagedPaintDevice&)>& desenhar);
