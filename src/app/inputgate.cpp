// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/inputgate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

InputGate::~InputGate() = default;

bool InputGate::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_cancel && m_cancel()) {
            m_escapeTaken = true;
            return true;
        }
        if (m_keysPass) return false;
        hold(watched, event);
        return true;
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_escapeTaken) {
            m_escapeTaken = false;
            return true;
        }
        if (m_keysPass) return false;
        hold(watched, event);
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (onCancelButton(watched, event)) {
            m_buttonPressed = true;
            return false;
        }
        hold(watched, event);
        return true;
    case QEvent::MouseButtonRelease:
        if (m_buttonPressed || onCancelButton(watched, event)) {
            // Seen once at the window and once at the button; the press is over after the button's.
            if (watched == m_cancelButton) m_buttonPressed = false;
            return false;
        }
        hold(watched, event);
        return true;
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::NativeGesture:
        hold(watched, event);
        return true;
    default:
        return false;
    }
}

bool InputGate::onCancelButton(QObject* watched, QEvent* event) const
{
    QWidget* const button = m_cancelButton;
    if (!button || !button->isVisible() || !button->isEnabled()) return false;
    if (watched == button) return true;
    // A click first reaches the window; the button gets it only if the window does.
    if (!watched->isWindowType() || button->window()->windowHandle() != watched) return false;
    const QPointF global = static_cast<QMouseEvent*>(event)->globalPosition();
    return button->rect().contains(button->mapFromGlobal(global.toPoint()));
}

void InputGate::hold(QObject* receiver, const QEvent* event)
{
    // The window a key or click first reaches routes it on to the right widget when it comes back.
    m_held.emplace_back(receiver, std::unique_ptr<QEvent>(event->clone()));
}

void InputGate::commandEnds()
{
    m_keysPass = false;
    auto held = std::exchange(m_held, {});
    for (auto& [receiver, event] : held) {
        if (receiver) QCoreApplication::postEvent(receiver, event.release());
    }
}
