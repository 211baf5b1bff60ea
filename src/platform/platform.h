// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/serialdevices.h"

#include <QString>

class SerialLine;
class Clock;
class FileDialog;
class Profile;
class Launcher;
class Associations;
class HelpViewer;
class Prompter;

// Everything the windows and the logic reach of the outside world. main.cpp builds the
// real adapters; the tests hand in fakes.
struct Platform
{
    SerialLine& line;
    Clock& clock;
    FileDialog& fileDialog;
    Profile& profile;
    Launcher& launcher;
    Associations& associations;
    HelpViewer& helpViewer;
    Prompter& prompter;
    QString applicationDir; // the folder of the executable: the help file is beside it or in ../share/korvel
    const SerialDevices& serialDevices = SerialDevices::none(); // the system's serial devices; none unless given
};
