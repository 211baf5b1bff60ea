// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/arguments.h"

#include "platform/iniprofile.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace cliargs {

namespace {

struct Known
{
    Kind kind;
    const char16_t* name;
    bool takesArgument;
};

constexpr Known kCommands[] = {
    {Kind::Load, u"load", true}, {Kind::Merge, u"merge", true},    {Kind::Sync, u"sync", true},
    {Kind::Save, u"save", true}, {Kind::Verify, u"verify", true},  {Kind::Run, u"run", false},
    {Kind::Send, u"send", true}, {Kind::Memory, u"memory", false}, {Kind::Ports, u"ports", false},
};

// The --help text past the options; docs/korvel-cli.1 says the same in more words.
const char16_t* const kCommandHelp = uR"(
Commands, run in the order given over one open line; the first that fails ends the run:
  load FILE      erase the board's program and upload FILE line by line
  merge FILE     upload FILE into the board's program
  sync FILE      send only the lines that differ from FILE (--check compares again)
  save FILE      write the board's program (LIST) to FILE
  verify FILE    compare the board's program with FILE
  run            RUN the program and print its output until READY (or --until)
  send TEXT      type TEXT and print the board's answer
  memory         print the free bytes the board reports
  ports          list the port numbers and serial devices

PORT is a number from Korvel.ini's [Ports] (0: the simulated board), a device path,
a /dev/serial/by-id name, or auto (the one USB serial device present).

Ctrl+C stops the command, sends the board a Ctrl-C and ends with 130.

Exit status: 0 done; 1 the board refused or cut lines, verify or sync --check found
differences, lines too long without --yes, a command took longer than --timeout;
2 usage, a file that cannot be read or written, a profile that does not exist, or auto
found several devices; 3 the port cannot be opened or was lost, or auto found none;
130 interrupted.)";

Exit usage(const QString& text)
{
    return {2, QStringLiteral("korvel-cli: ") + text + QStringLiteral("\nTry 'korvel-cli --help'.")};
}

} // namespace

QString name(Kind kind)
{
    for (const Known& known : kCommands) {
        if (known.kind == kind) return QString::fromUtf16(known.name);
    }
    return QString();
}

bool needsLine(Kind kind)
{
    return kind != Kind::Ports;
}

std::variant<Options, Exit> parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Works an MCS BASIC-52 board from the command line: uploads, saves, compares and runs "
                       "its program."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("The port: a number, a device, or auto. Default: Korvel.ini's."),
                                  QStringLiteral("port"));
    const QCommandLineOption baud({QStringLiteral("b"), QStringLiteral("baud")},
                                  QStringLiteral("The baud rate. Default: Korvel.ini's."), QStringLiteral("rate"));
    const QCommandLineOption pacing(QStringLiteral("pacing"),
                                    QStringLiteral("How an upload waits after each line: prompt (the board's "
                                                   "prompt, never longer than fixed; the default) or fixed (1 s)."),
                                    QStringLiteral("prompt|fixed"));
    const QCommandLineOption yes(QStringLiteral("yes"),
                                 QStringLiteral("Send lines too long for the board even compacted (the board keeps "
                                                "78 characters); without it such a file is refused."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a command on standard output."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Say nothing but errors and the data asked for."));
    const QCommandLineOption check(QStringLiteral("check"), QStringLiteral("sync: compare again afterwards."));
    const QCommandLineOption until(
        QStringLiteral("until"), QStringLiteral("run: end when the program prints this text."), QStringLiteral("text"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("End a command with status 1 after this many seconds (send "
                                                    "and memory wait 10 s unless told)."),
                                     QStringLiteral("seconds"));
    const QCommandLineOption profile(QStringLiteral("profile"),
                                     QStringLiteral("Read the settings from Korvel-NAME.ini beside Korvel.ini."),
                                     QStringLiteral("name"));
    parser.addOptions({help, version, port, baud, pacing, yes, json, quiet, check, until, timeout, profile});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The commands, below."),
                                 QStringLiteral("COMMAND [ARGS] [COMMAND [ARGS] ...]"));

    if (!parser.parse(arguments)) return usage(parser.errorText());
    if (parser.isSet(help)) return Exit{0, parser.helpText() + QString::fromUtf16(kCommandHelp) + u'\n'};
    if (parser.isSet(version))
        return Exit{0, QStringLiteral("korvel-cli ") + QCoreApplication::applicationVersion() + u'\n'};

    Options options;
    options.port = parser.value(port);
    if (parser.isSet(port) && options.port.isEmpty()) return usage(QStringLiteral("--port needs a port"));
    if (parser.isSet(baud)) {
        bool ok = false;
        const int rate = parser.value(baud).toInt(&ok);
        if (!ok || rate <= 0)
            return usage(QStringLiteral("--baud takes a positive whole number, not \"%1\"").arg(parser.value(baud)));
        options.baud = rate;
    }
    if (parser.isSet(pacing)) {
        const QString value = parser.value(pacing);
        if (value == u"prompt")
            options.pacing = Pacing::Prompt;
        else if (value == u"fixed")
            options.pacing = Pacing::Fixed;
        else
            return usage(QStringLiteral("--pacing takes prompt or fixed, not \"%1\"").arg(value));
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 1e6)
            return usage(
                QStringLiteral("--timeout takes a number of seconds above 0, not \"%1\"").arg(parser.value(timeout)));
        options.timeout = std::chrono::milliseconds(qRound64(seconds * 1000));
    }
    if (parser.isSet(profile)) {
        options.profile = parser.value(profile);
        if (!IniProfile::isProfileName(options.profile))
            return usage(QStringLiteral("--profile takes letters, digits, - and _, not \"%1\"").arg(options.profile));
    }
    options.yes = parser.isSet(yes);
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    options.check = parser.isSet(check);
    options.until = parser.value(until);
    if (parser.isSet(until) && options.until.isEmpty()) return usage(QStringLiteral("--until needs a text"));

    const QStringList words = parser.positionalArguments();
    for (qsizetype i = 0; i < words.size(); ++i) {
        const Known* known = nullptr;
        for (const Known& candidate : kCommands) {
            if (words[i] == QStringView(candidate.name)) known = &candidate;
        }
        if (!known) return usage(QStringLiteral("unknown command \"%1\"").arg(words[i]));
        Command command{known->kind, QString()};
        if (known->takesArgument) {
            if (i + 1 >= words.size())
                return usage(QStringLiteral("%1 needs %2")
                                 .arg(words[i],
                                      known->kind == Kind::Send ? QStringLiteral("a text") : QStringLiteral("a file")));
            command.argument = words[++i];
        }
        options.commands.append(command);
    }
    if (options.commands.isEmpty()) return usage(QStringLiteral("no command given"));
    return options;
}

} // namespace cliargs
