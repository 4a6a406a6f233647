#pragma once

#include "Mensagens.h"

/// The messages of a program without windows (and of any program before it
/// installs its boxes): each box's title and text go to the standard error
/// output and nobody is asked anything. A box is answered with its first
/// button (OK, or Yes), a form is cancelled, and terminar() ends the event
/// loop with the code, as the real boxes do.
class MensagensConsola final : public Mensagens {
public:
    int caixa(const QString& titulo, const QString& texto, Botoes botoes, Icone icone) override;
    bool pedirValores(const QString& titulo, const QStringList& rotulos, QStringList& valores,
                      const QList<int>& segredos) override;
    void terminar(int codigo) override;
};
