#pragma once

#include "Erro.h"

#include <QString>

#include <exception>
#include <utility>

/// Shows the box for an error that no handler caught and ends the program.
void tratarErroFatal(int numero, const QString& texto);
/// Whether an error already ended the program (so that start-up, which runs
/// before the event loop, does not go on).
bool terminacaoPedida();
/// Forgets an earlier fatal error (tests run many programs in one process).
void reiniciarTerminacao();

/// Runs one event handler. An error that leaves it is shown with its number
/// and text and ends the program; nothing unwinds through Qt's event loop.
template <class F> void guarda(F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (const Erro& e) {
        tratarErroFatal(e.numero(), e.texto());
    } catch (const std::exception& e) {
        tratarErroFatal(440, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        tratarErroFatal(440, QStringLiteral("Erro desconhecido."));
    }
}
