#pragma once

#include "DesenhoGuia.h"

#include <QString>

/// Writes `copias` copies of the Guia as one PDF file at `caminho`: the file
/// is replaced whole once written, or left as it was. Raises Erro (Ficheiro)
/// naming the file when it cannot be written.
void escreverPdf(const DesenhoGuia& desenho, const GuiaImpressa& guia, int copias, const QString& caminho);
