// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/programupload.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <variant>

// What korvel-cli was asked to do: its options and the commands in the order given, read with
// QCommandLineParser, whose --help says what the man page says.
namespace cliargs {

enum class Kind { Load, Merge, Sync, Save, Verify, Run, Send, Memory, Ports };

struct Command
{
    Kind kind = Kind::Run;
    QString argument; // the file, or the text send types
};

struct Options
{
    QString port; // empty: Korvel.ini's
    std::optional<int> baud;
    Pacing pacing = Pacing::Prompt;
    bool yes = false;
    bool json = false;
    bool quiet = false;
    bool check = false;
    QString until;
    std::optional<std::chrono::milliseconds> timeout;
    QString profile; // empty: Korvel.ini itself
    QList<Command> commands;
};

// What the program prints and ends with instead of running commands.
struct Exit
{
    int status = 0;
    QString text; // for standard output when status is 0, else for standard error
};

// The name a command has on the command line ("load").
QString name(Kind kind);
// Whether a command works on the board, and so needs the line open.
bool needsLine(Kind kind);

std::variant<Options, Exit> parse(const QStringList& arguments);

} // namespace cliargs
