// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the benchmarks that drive a real serial line share: Korvel's parts that a command touches,
// wired as the main window wires them, on port 1 mapped to a device through a settings file in a
// scratch folder; and the monotonic time in seconds.
#include "fakes.h"

#include "app/commandrunner.h"
#include "app/receivepath.h"
#include "board/listingcapture.h"
#include "board/programupload.h"
#include "platform/iniprofile.h"
#include "platform/qtclock.h"
#include "platform/qtserialline.h"
#include "terminal/pause.h"
#include "terminal/terminalbuffer.h"

#include <QTemporaryDir>

#include <ctime>

inline double monotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

struct SerialRig
{
    SerialRig(const QString& device, int baud)
        : profile(dir.filePath(QStringLiteral("Korvel.ini"))), line(profile, [] { return QStringList(); }),
          pause(clock), capture(line, pause, dialog, terminal, surface, prompter), receive(terminal, capture),
          runner(pause, receive, line, surface), upload(line, pause, dialog, surface, prompter)
    {
        profile.writeString(QStringLiteral("Ports"), QStringLiteral("1"), device);
        QObject::connect(&line, &SerialLine::received, [this](const QString& chunk) { receive.deliver(chunk); });
        line.setBaudRate(baud);
        line.setDataBits(8);
        line.setStopBits(1);
        line.setPortNumber(1);
        line.open();
    }

    QTemporaryDir dir;
    IniProfile profile;
    QtSerialLine line;
    QtClock clock;
    FakeFileDialog dialog;
    FakeSurface surface;
    FakePrompter prompter;
    TerminalBuffer terminal;
    Pause pause;
    ListingCapture capture;
    ReceivePath receive;
    CommandRunner runner;
    ProgramUpload upload;
};
