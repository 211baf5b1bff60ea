// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/*
 * korvel-cli's run: the commands of one call, in order, over one open line, with the window's own
 * engine. Each board command is the window's (ProgramUpload, ListingCapture, ProgramSync,
 * BoardExchange), run through the same CommandRunner, wired as the main window wires them: the line's
 * chunks go through the ReceivePath, the pauses run on the clock handed in. Where the window asks
 * (a file dialog, a question, a report), the command-line adapters answer: the file named on the
 * command line, --yes, and text printed where it belongs.
 *
 * What goes where. The data asked for (a program's output, an answer, differences, JSON) goes to
 * standard output; progress, the closing status text and errors to standard error, progress only
 * while that is a terminal. Each command ends in an exit status (arguments.cpp lists them); the
 * first that is not 0 ends the run. A time limit or Ctrl+C cancels the command running as the
 * window's Escape would; after Ctrl+C the board gets a Ctrl-C of its own.
 */

#include "app/commandrunner.h"
#include "app/receivepath.h"
#include "board/boardexchange.h"
#include "board/listingcapture.h"
#include "board/programsync.h"
#include "board/programupload.h"
#include "cli/arguments.h"
#include "cli/cliadapters.h"
#include "terminal/pause.h"
#include "terminal/terminalbuffer.h"

#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <cstdio>

class Clock;
class SerialDevices;
class SerialLine;

class CliSession : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kAnswerLimit{10}; // send and memory without --timeout
    static constexpr std::chrono::seconds kInterruptLimit{1};

    enum Status { Done = 0, Failed = 1, Usage = 2, PortFailed = 3, Interrupted = 130 };

    struct Streams
    {
        std::FILE* out = stdout;
        std::FILE* err = stderr;
        bool errIsTerminal = false;
    };

    // profile is Korvel.ini (or a --profile's file) as the command line reads it; the port a --port
    // names is set in it.
    CliSession(const cliargs::Options& options, SerialLine& line, ReadOnlyProfile& profile,
               const SerialDevices& devices, Clock& clock, Streams streams);
    ~CliSession() override;

    // Runs the commands; the exit status.
    int run();
    // Ctrl+C: the command running stops, and the run ends with 130 once the board was told.
    void interrupt();
    bool interrupted() const { return m_interrupted; }

private:
    int execute(const cliargs::Command& command);
    int load(const cliargs::Command& command);
    int save(const QString& file);
    int verify(const QString& file);
    int sync(const QString& file);
    int runProgram();
    int send(const QString& text);
    int memory();
    int ports();

    // Chooses the port --port names (or Korvel.ini's) and opens the line; 0 or the status to end with.
    int openLine();
    // Runs a board command under the time limit; false when the runner refused it (line down).
    bool runCommand(const QString& name, const std::function<void()>& command, CommandOptions options,
                    std::optional<std::chrono::milliseconds> limit);
    // A command that stopped before its end: 130, 1 after the time limit, 3 with the line lost.
    int stopped(const QString& what);
    bool checkReadable(const QString& file);

    int uploadStatus(const ProgramUpload::Result& result);
    int captureStatus(const QString& what);
    void printStatus(bool failed);
    void printReports(std::FILE* stream);
    void error(const QString& text);
    void printOut(const QString& text);
    void printJson(QJsonObject object);

    cliargs::Options m_options;
    SerialLine& m_line;
    ReadOnlyProfile& m_profile;
    const SerialDevices& m_devices;
    Streams m_streams;
    QString m_deviceName; // the device --port names, when it names one

    CliFileDialog m_dialog;
    CliPrompter m_prompter;
    CliSurface m_surface;
    TerminalBuffer m_terminal;
    Pause m_pause;
    ListingCapture m_capture;
    ReceivePath m_receive;
    CommandRunner m_runner;
    ProgramUpload m_upload;
    ProgramSync m_sync;
    BoardExchange m_exchange;

    QTimer m_limit;
    bool m_timedOut = false;
    bool m_interrupted = false;
    QString m_lineProblem; // the line's last word on a failure
    QString m_command;     // the command running, as named on the command line
    QString m_file;        // its file
    QJsonObject m_json;    // what it has to say in JSON
};
