#pragma once

#include "Importacao.h"

/// Emits `sinal(true)` now and `sinal(false)` when it goes, however the scope ends.
class Importacao::Vao final {
public:
    Vao(Importacao& importacao, void (Importacao::*sinal)(bool)) : m_importacao(importacao), m_sinal(sinal) {
        (m_importacao.*m_sinal)(true);
    }
    ~Vao() { (m_importacao.*m_sinal)(false); }
    Q_DISABLE_COPY_MOVE(Vao)

private:
    Importacao& m_importacao;
    void (Importacao::*m_sinal)(bool);
};
