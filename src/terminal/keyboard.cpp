// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/keyboard.h"

namespace keyboard {

namespace {

// Control codes 0 and 27 to 31 from Ctrl with the key that carries them on a US layout.
int controlCodeForKey(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key - Qt::Key_A + 1;
    switch (key) {
    case Qt::Key_At:
    case Qt::Key_2:
    case Qt::Key_Space:
        return 0;
    case Qt::Key_BracketLeft:
        return 27;
    case Qt::Key_Backslash:
        return 28;
    case Qt::Key_BracketRight:
        return 29;
    case Qt::Key_AsciiCircum:
    case Qt::Key_6:
        return 30;
    case Qt::Key_Underscore:
    case Qt::Key_Minus:
        return 31;
    default:
        return -1;
    }
}

int codeForSpecialKey(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        // The interpreter erases with DEL and answers it with "\b \b"; a BS would be stored in the line.
        return 127;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
        return 9;
    default:
        return -1;
    }
}

} // namespace

QByteArray bytesForKey(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    // AltGr arrives as Ctrl+Alt on some systems; such a key gives its printed character.
    const bool control = modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier);
    if (control) {
        if (const int code = controlCodeForKey(key); code >= 0) return QByteArray(1, static_cast<char>(code));
        // Ctrl+Enter gives LF, as Ctrl+J would; Ctrl+Backspace stays DEL.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return QByteArray(1, '\n');
    }
    if (const int code = codeForSpecialKey(key); code >= 0) return QByteArray(1, static_cast<char>(code));

    QByteArray bytes;
    for (const QChar c : text) {
        if (c.unicode() <= 0xFF) bytes.append(static_cast<char>(c.unicode()));
    }
    return bytes;
}

} // namespace keyboard
