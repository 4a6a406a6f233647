#pragma once

#include "GuiaImpressa.h"

#include <QByteArray>
#include <QString>

#include <vector>

/// The QR code the tax authority asks on a transport document: its text and
/// its modules.
namespace CodigoQr {

/// The code's text: fields "A:" to "R:" joined by "*", those a transport
/// document without values has (the issuer's and the buyer's tax numbers, the
/// buyer's country, the movement type, its state, date and number, the
/// ATCUD, "I1:0" for a document without tax, totals 0.00, and the signature's
/// characters and program certificate, "0": the local ERP signs nothing).
QString texto(const GuiaImpressa& guia);

/// The modules of a QR code, row by row, true for dark.
struct Matriz final {
    int lado = 0;
    std::vector<bool> modulos;
    bool escuro(int x, int y) const { return modulos[static_cast<size_t>(y * lado + x)]; }
};

/// Encodes the bytes (error correction M, byte mode). Raises Erro when they
/// do not fit a QR code.
Matriz codificar(const QByteArray& dados);

} // namespace CodigoQr
