#include "Mensagens.h"

#include "MensagensConsola.h"

namespace {
Mensagens* instalada = nullptr;
} // namespace

Mensagens& Mensagens::actual() {
    static MensagensConsola consola;
    return instalada ? *instalada : consola;
}

void Mensagens::instalar(Mensagens* m) {
    instalada = m;
}
