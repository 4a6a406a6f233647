#pragma once

#include <QString>
#include <QStringList>

#include <functional>

/// Everything the program asks of the operator through a modal box, and the
/// end of the program, go through this one interface so that tests can answer
/// in place of the operator and no test ever waits on a box. A program makes
/// its own (the Qt boxes, or MensagensConsola without windows) and gives it
/// to whoever shows a box.
class Mensagens {
public:
    enum class Icone {
        Nenhum,
        Informacao,
        Aviso,
        Critico,
    };
    enum class Botoes {
        Ok,
        OkCancelar, ///< Cancel is the default button
        SimNao,
    };
    /// Message-box results, with the usual codes.
    enum Resposta : int {
        RespostaOk = 1,
        RespostaCancelar = 2,
        RespostaSim = 6,
        RespostaNao = 7,
    };

    virtual ~Mensagens() = default;

    /// Shows one modal box and returns the button pressed.
    virtual int caixa(const QString& titulo, const QString& texto, Botoes botoes, Icone icone) = 0;

    /// Asks the operator for a set of values (a small form with one line per
    /// label). `valores` holds the current values on entry and the typed ones
    /// on return; `segredos` lists the indexes whose text is hidden (passwords).
    /// Returns false when the operator cancelled.
    virtual bool pedirValores(const QString& titulo, const QStringList& rotulos, QStringList& valores,
                              const QList<int>& segredos) = 0;

    /// Asks the operator where to save a file: the dialog offers `sugerido`
    /// (a path) and the files `filtro` names ("PDF (*.pdf)"). The path
    /// chosen; empty when the operator cancelled, or when no one can be asked
    /// (this default).
    virtual QString pedirFicheiro(const QString& titulo, const QString& sugerido, const QString& filtro) {
        Q_UNUSED(titulo);
        Q_UNUSED(sugerido);
        Q_UNUSED(filtro);
        return {};
    }

    /// Ends the program with the given status once the current event returns.
    virtual void terminar(int codigo) = 0;
};
