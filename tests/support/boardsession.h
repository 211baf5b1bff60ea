// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real program's serial path for end-to-end tests: the main window with the real serial line
// and settings file, port 1 mapped to a device (the board tool's pseudo-terminal, or one of the
// test's own), and a clock whose pauses run the event loop for a moment but count as their full
// length, so an 11 s Reset takes well under a second. A prompt-paced session runs on the real clock
// instead, since its uploads wait for the board. Header-only: only tests that link the real
// adapters include it.

#include "fakes.h"

#include "app/form1.h"
#include "platform/iniprofile.h"
#include "platform/qtclock.h"
#include "platform/qtserialline.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QSerialPort>
#include <QTimer>
#include <functional>
#include <memory>

class FastClock : public Clock
{
public:
    std::chrono::nanoseconds now() const override { return std::chrono::nanoseconds(m_now); }
    void idleFor(std::chrono::nanoseconds length) override
    {
        const qint64 ns = length.count();
        ++idleCalls;
        if (onIdle) onIdle(idleCalls);
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::AllEvents);
        // A fixed pause passes in one go; a wait for the board's answer (a capture has no limit of
        // its own) goes on 2 s a wake.
        m_now += std::min<qint64>(ns, 2'000'000'000);
    }

    int idleCalls = 0;
    std::function<void(int call)> onIdle; // runs at the start of each pause, numbered from 1

private:
    qint64 m_now = 0;
};

struct BoardSession
{
    BoardSession(const QString& device, const QString& folder, bool promptPaced = false)
        : profile(folder + QStringLiteral("/Korvel.ini")), line(profile, [] { return QStringList(); })
    {
        profile.writeString(QStringLiteral("Upload"), QStringLiteral("Pacing"),
                            promptPaced ? QStringLiteral("Prompt") : QStringLiteral("Fixed"));
        profile.writeString(QStringLiteral("Ports"), QStringLiteral("1"), device);
        profile.writeString(QStringLiteral("ComPort"), QStringLiteral("Port"), QStringLiteral(" 1"));
        profile.writeString(QStringLiteral("ComPort"), QStringLiteral("Baud"), QStringLiteral(" 115200"));
        profile.writeString(QStringLiteral("ComPort"), QStringLiteral("Databits"), QStringLiteral(" 8"));
        profile.writeString(QStringLiteral("ComPort"), QStringLiteral("Stopbits"), QStringLiteral(" 1"));
        Clock& pauses = promptPaced ? static_cast<Clock&>(realClock) : clock;
        form = std::make_unique<Form1>(Platform{line, pauses, fakes.fileDialog, profile, fakes.launcher,
                                                fakes.associations, fakes.helpViewer, fakes.prompter, folder});
        form->load();
        form->show();
    }
    QString text() const { return form->terminal().text(); }
    QSerialPort* port() const { return line.findChild<QSerialPort*>(); }

    FakePlatform fakes;
    IniProfile profile;
    QtSerialLine line;
    FastClock clock;
    QtClock realClock;
    std::unique_ptr<Form1> form;
};
