// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtlauncher.h"

#include <QCoreApplication>
#include <QProcess>

using namespace Qt::StringLiterals;

bool QtLauncher::startDetached(const QString& program, const QStringList& arguments, QString* error)
{
    if (program.isEmpty()) {
        if (error) *error = QCoreApplication::translate("QtLauncher", "no program given");
        return false;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    // The started program must not read what the user types at Korvel's terminal, if any.
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached()) return true;
    if (error) *error = process.errorString();
    return false;
}
