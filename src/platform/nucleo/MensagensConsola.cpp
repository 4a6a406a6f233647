#include "MensagensConsola.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void escrever(const QString& titulo, const QString& texto) {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(titulo), qUtf8Printable(texto));
    std::fflush(stderr);
}

} // namespace

int MensagensConsola::caixa(const QString& titulo, const QString& texto, Botoes botoes, Icone) {
    escrever(titulo, texto);
    return botoes == Botoes::SimNao ? RespostaSim : RespostaOk;
}

bool MensagensConsola::pedirValores(const QString& titulo, const QStringList&, QStringList&, const QList<int>&) {
    // Nobody can type here: the form is cancelled, the values stay as they were.
    escrever(titulo, QStringLiteral("formulário cancelado."));
    return false;
}

void MensagensConsola::terminar(int codigo) {
    // Leave every event loop; main() returns the code.
    QCoreApplication::exit(codigo);
}
