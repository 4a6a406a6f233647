#include "SessaoErp.h"

namespace {

std::unique_ptr<SessaoErp>& sessaoGlobal() {
    static std::unique_ptr<SessaoErp> sessao;
    return sessao;
}

} // namespace

SessaoErp* SessaoErp::global() {
    return sessaoGlobal().get();
}

void SessaoErp::instalarGlobal(std::unique_ptr<SessaoErp> sessao) {
    // The old session (if any) goes first: it may hold the connection the new one reuses.
    sessaoGlobal().reset();
    sessaoGlobal() = std::move(sessao);
}

void SessaoErp::largarGlobal() {
    sessaoGlobal().reset();
}

QString textoChave(const ChaveDocumento& chave) {
    return QStringLiteral("%1/%2/%3/%4").arg(chave.TipoDoc).arg(chave.Serie).arg(chave.Numero).arg(chave.Ano);
}
