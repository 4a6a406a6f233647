#pragma once

#include "Erro.h"
#include "Mensagens.h"

#include <QString>

#include <exception>
#include <utility>

/// The guard of a program's event handlers: an error that leaves a handler
/// is shown in a box with its number and text (through the program's
/// messages) and ends the program; nothing unwinds through Qt's event loop.
/// A program makes one and gives it to whatever runs its handlers; it knows
/// whether an error already ended the program.
class Guarda final {
public:
    explicit Guarda(Mensagens& mensagens) : m_mensagens(mensagens) {}
    Q_DISABLE_COPY_MOVE(Guarda)

    /// The program's boxes and forms.
    Mensagens& mensagens() const { return m_mensagens; }

    /// Runs one event handler.
    template <class F> void operator()(F&& f) noexcept {
        try {
            std::forward<F>(f)();
        } catch (const Erro& e) {
            erroFatal(e.numero(), e.texto());
        } catch (const std::exception& e) {
            erroFatal(440, QString::fromLocal8Bit(e.what()));
        } catch (...) {
            erroFatal(440, QStringLiteral("Erro desconhecido."));
        }
    }

    /// Shows the box for an error that no handler caught and ends the
    /// program: one box only, even if more handlers fail while it ends.
    void erroFatal(int numero, const QString& texto);
    /// Whether an error already ended the program (so that start-up, which
    /// runs before the event loop, does not go on).
    bool terminacaoPedida() const { return m_terminado; }

private:
    Mensagens& m_mensagens;
    bool m_terminado = false;
};
