// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/commandrunner.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QEvent;
class QWidget;

// What the user may do while a command pauses (app/commandrunner.h): the pause installs this gate as
// an application event filter while the clock idles. Escape and clicks on the cancel button act at
// once; every other key, click, wheel turn or shortcut is held back and delivered, in order, once the
// command has returned, as if the loop had not looked at it, unless the command lets typed keys
// through to the board. Moves, hovering and window events pass, so the window stays alive.
class InputGate : public QObject, public CommandInput
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~InputGate() override;

    void setCancelButton(QWidget* button) { m_cancelButton = button; }
    // Asked on Escape; true when it cancelled something. Otherwise Escape waits like any key.
    void setCancel(std::function<bool()> cancel) { m_cancel = std::move(cancel); }

    void commandBegins(bool keysToBoard) override { m_keysPass = keysToBoard; }
    // Delivers what was held back; the caller's command has returned.
    void commandEnds() override;
    qsizetype heldEvents() const { return qsizetype(m_held.size()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onCancelButton(QObject* watched, QEvent* event) const;
    void hold(QObject* receiver, const QEvent* event);

    QPointer<QWidget> m_cancelButton;
    std::function<bool()> m_cancel;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
    bool m_escapeTaken = false;   // its release goes nowhere either
    bool m_buttonPressed = false; // a press on the cancel button passed; so does its release
    bool m_keysPass = false;
};
