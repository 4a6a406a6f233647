#include "CampoEntrada.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QRegularExpressionValidator>

#include <algorithm>

VigiaCampos::VigiaCampos(QObject* parent) : QObject(parent) {
    // Qt drops the filter when the watcher goes.
    QCoreApplication::instance()->installEventFilter(this);
}

bool VigiaCampos::eventFilter(QObject* alvo, QEvent* evento) {
    const QEvent::Type t = evento->type();
    if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick || t == QEvent::MouseButtonRelease)
        return engolir(t);
    if (t != QEvent::Shortcut)
        return false;
    // An access key: the field's check runs before the key's control acts.
    auto* w = qobject_cast<QWidget*>(alvo);
    if (!w)
        return false;
    // Only this watcher's fields: another window's watcher checks its own.
    auto* campo = qobject_cast<CampoEntrada*>(QApplication::focusWidget());
    if (!campo || &campo->m_vigia != this || campo == w || campo->isAncestorOf(w) || campo->window() != w->window() ||
        !tiraFoco(w))
        return false;
    return !campo->validarSaida();
}

bool VigiaCampos::engolir(QEvent::Type t) {
    switch (m_clique) {
    case Clique::PressaoRecusada:
        if (t == QEvent::MouseButtonRelease)
            return false;
        m_clique = Clique::LibertacaoPorChegar;
        return true;
    case Clique::LibertacaoPorChegar:
        if (t == QEvent::MouseButtonPress) {
            m_clique = Clique::Nenhum; // a new click: the last one's release was lost
            return false;
        }
        if (t == QEvent::MouseButtonRelease)
            m_clique = Clique::Nenhum;
        return true;
    case Clique::Nenhum:
        break;
    }
    return false;
}

bool VigiaCampos::tiraFoco(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget()) {
        if (!p->isEnabled())
            return false;
        if (qobject_cast<QAbstractButton*>(p) || (p->focusPolicy() & Qt::ClickFocus))
            return true;
        if (p->isWindow())
            break;
    }
    return false;
}

CampoEntrada::CampoEntrada(VigiaCampos& vigia, QWidget* parent) : QLineEdit(parent), m_vigia(vigia) {
    // A picked code longer than the typing limit raised the limit to its
    // length; as the text shrinks, the limit comes back down (never below it).
    connect(this, &QLineEdit::textChanged, this, [this](const QString& texto) {
        if (m_limiteEscrita > 0)
            setMaxLength(std::max(m_limiteEscrita, static_cast<int>(texto.size())));
    });
    connect(this, &QLineEdit::textEdited, this, [this](const QString& texto) {
        // Control characters (the line end of a pasted spreadsheet cell, a
        // tab, a NUL) are never part of a code, and a NUL cannot even reach
        // PostgreSQL: the field drops them.
        const auto controlo = [](QChar c) { return c.category() == QChar::Other_Control; };
        if (std::any_of(texto.cbegin(), texto.cend(), controlo)) {
            const qsizetype cursor = cursorPosition();
            QString limpo;
            int novoCursor = 0;
            for (qsizetype i = 0; i < texto.size(); ++i) {
                if (controlo(texto.at(i)))
                    continue;
                limpo += texto.at(i);
                novoCursor += i < cursor ? 1 : 0;
            }
            setText(limpo);
            setCursorPosition(novoCursor);
        }
        // Typed keys were told already; this catches Delete, cut, paste, undo.
        if (!m_aTratarTecla && aoEditar)
            aoEditar();
    });
}

CampoEntrada::~CampoEntrada() = default;

void CampoEntrada::definirFormato(int formato) {
    m_formato = formato;
    if (formato == 1)
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    else
        setValidator(nullptr);
}

void CampoEntrada::definirLimiteEscrita(int limite) {
    m_limiteEscrita = limite;
    setMaxLength(std::max(limite, static_cast<int>(text().size())));
}

void CampoEntrada::tomarEscolha(const QString& codigo) {
    if (m_limiteEscrita > 0)
        setMaxLength(std::max(m_limiteEscrita, static_cast<int>(codigo.size())));
    setText(codigo);
}

bool CampoEntrada::validarSaida() {
    if (m_aValidar)
        return false; // a check is already running (its box took the focus)
    bool cancelar = false;
    if (aoValidar) {
        QPointer<CampoEntrada> eu(this);
        m_aValidar = true;
        aoValidar(cancelar);
        if (!eu)
            return true;
        m_aValidar = false;
    }
    if (cancelar && !hasFocus())
        setFocus(Qt::OtherFocusReason);
    return !cancelar;
}

void CampoEntrada::avancar(bool paraTras) {
    if (!validarSaida())
        return;
    QLineEdit::focusNextPrevChild(!paraTras);
}

bool CampoEntrada::focusNextPrevChild(bool next) {
    if (validarSaida())
        QLineEdit::focusNextPrevChild(next);
    return true;
}

CampoEntrada* CampoEntrada::campoComFoco(const QWidget* janela) {
    auto* c = qobject_cast<CampoEntrada*>(QApplication::focusWidget());
    return c && c->window() == janela ? c : nullptr;
}

void CampoEntrada::keyPressEvent(QKeyEvent* event) {
    const int k = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((k == Qt::Key_F4 && mods == Qt::NoModifier) || (k == Qt::Key_Down && mods == Qt::AltModifier)) {
        if (aoPedirLista)
            aoPedirLista();
        return;
    }
    if (k == Qt::Key_Tab || k == Qt::Key_Backtab) {
        if (mods & (Qt::ControlModifier | Qt::AltModifier)) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        avancar(k == Qt::Key_Backtab || (mods & Qt::ShiftModifier));
        return;
    }
    // The key's character code, as the field's key-press event gives it.
    int codigo = 0;
    if (k == Qt::Key_Return || k == Qt::Key_Enter)
        codigo = 13;
    else if (k == Qt::Key_Escape)
        codigo = 27;
    else if (k == Qt::Key_Backspace)
        codigo = 8;
    else if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
             !(mods & (Qt::ControlModifier | Qt::AltModifier)))
        codigo = event->text().at(0).unicode();
    if (codigo == 0) {
        // Navigation, Delete, shortcuts: the edit signal tells of any change.
        QLineEdit::keyPressEvent(event);
        return;
    }
    int tecla = codigo;
    QPointer<CampoEntrada> eu(this);
    if (aoPremirTecla)
        aoPremirTecla(tecla);
    if (!eu || tecla == 0)
        return;
    if (tecla == 13) {
        avancar(false);
        return;
    }
    m_aTratarTecla = true;
    QLineEdit::keyPressEvent(event);
    if (eu)
        m_aTratarTecla = false;
}

void CampoEntrada::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A box or another window taking the focus is not the operator leaving the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    // A mouse click moves the focus before anyone sees the click: check now,
    // and when the check refuses, take the focus back and drop the click.
    if (event->reason() == Qt::MouseFocusReason && !m_aValidar) {
        QPointer<CampoEntrada> eu(this);
        const bool pode = validarSaida();
        if (!eu)
            return;
        if (!pode) {
            m_vigia.recusarClique();
            setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (aoPerderFoco)
        aoPerderFoco();
}
