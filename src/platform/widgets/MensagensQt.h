#pragma once

#include "Mensagens.h"

/// The real boxes, on Qt Widgets: what the program's start-up installs.
class MensagensQt final : public Mensagens {
public:
    int caixa(const QString& titulo, const QString& texto, Botoes botoes, Icone icone) override;
    bool pedirValores(const QString& titulo, const QStringList& rotulos, QStringList& valores,
                      const QList<int>& segredos) override;
    QString pedirFicheiro(const QString& titulo, const QString& sugerido, const QString& filtro) override;
    void terminar(int codigo) override;
};
