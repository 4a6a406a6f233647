#include "Guarda.h"

#include "Mensagens.h"

namespace {
bool aTerminar = false;
} // namespace

void tratarErroFatal(int numero, const QString& texto) {
    // One box only, even if more handlers fail while the program is ending.
    if (aTerminar)
        return;
    aTerminar = true;
    Mensagens& m = Mensagens::actual();
    m.caixa(QStringLiteral("Orlavane"), QStringLiteral("Erro %1: %2").arg(numero).arg(texto), Mensagens::Botoes::Ok,
            Mensagens::Icone::Critico);
    m.terminar(1);
}

bool terminacaoPedida() {
    return aTerminar;
}

void reiniciarTerminacao() {
    aTerminar = false;
}
