// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>
#include <QWidget>

// Small helpers the window and file tests share.

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QAction* findAction(QWidget& window, const QString& name)
{
    const auto actions = window.findChildren<QAction*>(name);
    return actions.isEmpty() ? nullptr : actions.first();
}

// Triggers a menu entry by name, checking that it exists and can be chosen.
inline void triggerAction(QWidget& window, const QString& name)
{
    QAction* action = findAction(window, name);
    QVERIFY2(action, qPrintable(name));
    QVERIFY2(action->isEnabled(), qPrintable(name));
    action->trigger();
}
