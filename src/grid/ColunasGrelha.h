#pragma once

// Transitional: the documents' code reads the grid's rows by column number
// until it takes ModeloEncomendas::linhasMarcadas(); then this header goes,
// with ModeloGrelha.h and ModeloGrelha.cpp.

#include "ModeloEncomendas.h"

/// The grid's model under its former name.
using ModeloGrelha = ModeloEncomendas;

/// The column numbers of ColunaEncomenda.
namespace Col {
enum : int {
    Artigo = static_cast<int>(ColunaEncomenda::Artigo),
    Designacao = static_cast<int>(ColunaEncomenda::Designacao),
    DataEnt = static_cast<int>(ColunaEncomenda::DataEnt),
    NumEnc = static_cast<int>(ColunaEncomenda::NumEnc),
    Req = static_cast<int>(ColunaEncomenda::Req),
    Preco = static_cast<int>(ColunaEncomenda::Preco),
    QtdO = static_cast<int>(ColunaEncomenda::QtdO),
    QtdP = static_cast<int>(ColunaEncomenda::QtdP),
    Qtd = static_cast<int>(ColunaEncomenda::Qtd),
    TpDoc = static_cast<int>(ColunaEncomenda::TpDoc),
    Serie = static_cast<int>(ColunaEncomenda::Serie),
    NoDoc = static_cast<int>(ColunaEncomenda::NoDoc),
    LinhaEnc = static_cast<int>(ColunaEncomenda::LinhaEnc),
    AnoEnc = static_cast<int>(ColunaEncomenda::AnoEnc),
    Terceiro = static_cast<int>(ColunaEncomenda::Terceiro),
    AN = static_cast<int>(ColunaEncomenda::AN),
    DataDoc = static_cast<int>(ColunaEncomenda::DataDoc),
};
} // namespace Col
