// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <Qt>

namespace keyboard {

// The bytes one key press in the terminal sends: the character it gives, one byte each, when
// its code is 0 to 255; nothing for keys that give no character or a character above 255.
// Enter gives 13 (Ctrl+Enter 10), Backspace 127 (DEL, what the interpreter erases with; Ctrl+H
// still gives 8), Escape 27, and Ctrl with a letter its control code, built from the key itself
// because some platforms hand over the plain letter as the text.
QByteArray bytesForKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);

} // namespace keyboard
