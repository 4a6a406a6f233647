#pragma once

#include <QEvent>
#include <QLineEdit>

#include <functional>

/// Watches the application for clicks and access keys that would take the
/// focus away from an input field, and runs the field's check before them.
/// One per window, given to its fields.
class VigiaCampos final : public QObject {
    Q_OBJECT
public:
    explicit VigiaCampos(QObject* parent = nullptr);

    /// A click took the focus from a field whose check then refused: the
    /// rest of that click (its press, on its way to the control, and its
    /// release) does nothing.
    void recusarClique() { m_clique = Clique::PressaoRecusada; }

protected:
    bool eventFilter(QObject* alvo, QEvent* evento) override;

private:
    /// Where the click refused stands. The check runs while its press is
    /// being delivered (the press moves the focus first), so the press the
    /// watcher meets next is that one. Its release may never come: a box
    /// shown by the check is modal, and the release made while it is up goes
    /// nowhere. A new press therefore ends the refused click, so that the
    /// operator's next click is never taken for the rest of the last one.
    enum class Clique {
        Nenhum,
        PressaoRecusada,     ///< the refused press is still to arrive
        LibertacaoPorChegar, ///< the press was dropped; its release may follow
    };
    bool engolir(QEvent::Type t);
    /// Whether a click on (or an access key of) this widget would move the focus.
    static bool tiraFoco(QWidget* w);

    Clique m_clique = Clique::Nenhum;
};

/// The input field: a line edit whose content is checked before the focus
/// leaves it, with the power to keep the focus there.
///
/// Tab, Shift+Tab and Enter in the field, a mouse click on another control of
/// the window and an access key all run the check first (aoValidar); when it
/// cancels, the focus stays and the key, click or access key does nothing.
/// A focus lost to another window (a message box) does not count.
class CampoEntrada final : public QLineEdit {
    Q_OBJECT
public:
    /// Field formats: 0 any text, 1 digits only. `vigia` (its window's)
    /// outlives the field.
    explicit CampoEntrada(VigiaCampos& vigia, QWidget* parent = nullptr);
    ~CampoEntrada() override;

    void definirFormato(int formato);
    int formato() const { return m_formato; }

    /// The most characters the operator may type or paste (maxLength()).
    void definirLimiteEscrita(int limite);
    /// Takes a code picked from a look-up list: whole, even when it is longer
    /// than the typing limit (a shortened code could name another client or
    /// article). While such a code is in the field, the field takes no more
    /// characters than it has; once it is edited down to the limit, the limit
    /// holds again.
    void tomarEscolha(const QString& codigo);

    /// Runs the check for leaving the field; true when the focus may go.
    bool validarSaida();
    /// Moves the focus to the next (or previous) control, after the check.
    void avancar(bool paraTras = false);

    /// Before the focus leaves: set the flag to keep it here.
    std::function<void(bool& cancelar)> aoValidar;
    /// After the focus left.
    std::function<void()> aoPerderFoco;
    /// A key typed in the field: its character code (8 Backspace, 13 Enter,
    /// 27 Escape, or the character); set it to 0 to swallow the key.
    std::function<void(int& tecla)> aoPremirTecla;
    /// The text changed by an edit that is not a key press (Delete, cut, paste, undo).
    std::function<void()> aoEditar;
    /// F4 or Alt+Down: the field asks for its look-up list.
    std::function<void()> aoPedirLista;

    /// The field that has the focus in the given window, if any, with its check pending.
    static CampoEntrada* campoComFoco(const QWidget* janela);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    /// Tab and Shift+Tab arrive here before any key event: check first.
    bool focusNextPrevChild(bool next) override;

private:
    friend class VigiaCampos;

    VigiaCampos& m_vigia;
    int m_formato = 0;
    int m_limiteEscrita = 0; ///< 0: the line edit's own
    bool m_aValidar = false;
    bool m_aTratarTecla = false;
};
