// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// A program of the given number of lines, 20 to 60 characters each, as programs have them: the
// upload benchmarks, the window's and the command line's, send the same one.
inline QByteArray benchProgram(int lines)
{
    QByteArray text;
    for (int n = 1; n <= lines; ++n) {
        switch (n % 4) {
        case 0:
            text += QByteArray::number(n * 10) + " PRINT \"LINE " + QByteArray::number(n) + "\", A*B\r\n";
            break;
        case 1:
            text += QByteArray::number(n * 10) + " FOR I=1 TO " + QByteArray::number(n) + " : A=A+I : NEXT I\r\n";
            break;
        case 2:
            text += QByteArray::number(n * 10) + " IF A>B THEN B=A : REM keep the larger one\r\n";
            break;
        default:
            text += QByteArray::number(n * 10) + " X=" + QByteArray::number(n) + "*2+1\r\n";
            break;
        }
    }
    return text;
}
