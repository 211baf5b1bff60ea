// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/clisession.h"

#include "board/programtext.h"
#include "board/uploadreport.h"
#include "common/numbers.h"
#include "config/settings.h"
#include "platform/portmap.h"
#include "platform/serialdevices.h"
#include "platform/serialline.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

// The [Ports] key a device named on the command line is set under, for this run only.
constexpr int kDevicePort = 1;

QJsonArray differencesJson(const programtext::Comparison& comparison)
{
    QJsonArray list;
    const auto add = [&list](const QList<programtext::LineDifference>& differences, const QString& kind) {
        for (const auto& difference : differences)
            list.append(QJsonObject{{QStringLiteral("line"), difference.number},
                                    {QStringLiteral("kind"), kind},
                                    {QStringLiteral("file"), difference.fileLine},
                                    {QStringLiteral("board"), difference.boardLine}});
    };
    add(comparison.missing, QStringLiteral("missing"));
    add(comparison.extra, QStringLiteral("extra"));
    add(comparison.differing, QStringLiteral("differs"));
    return list;
}

QJsonArray refusedJson(const QMap<int, AnswerReader::Outcome>& problems)
{
    QJsonArray list;
    for (const AnswerReader::Outcome& outcome : problems) {
        // The number as sent, also one the board refuses for being above 65535.
        const QStringView digits = programtext::numberDigits(outcome.sent);
        list.append(
            QJsonObject{{QStringLiteral("line"),
                         digits.isEmpty() || digits.size() > 15 ? QJsonValue() : QJsonValue(digits.toLongLong())},
                        {QStringLiteral("sent"), outcome.sent},
                        {QStringLiteral("answer"), outcome.detail},
                        {QStringLiteral("reason"), uploadreport::reason(outcome)}});
    }
    return list;
}

QString seconds(std::chrono::milliseconds limit)
{
    return QString::number(limit.count() / 1000.0);
}

} // namespace

CliSession::CliSession(const cliargs::Options& options, SerialLine& line, ReadOnlyProfile& profile,
                       const SerialDevices& devices, Clock& clock, Streams streams)
    : m_options(options), m_line(line), m_profile(profile), m_devices(devices), m_streams(streams),
      m_prompter(options.yes), m_surface(streams.err, streams.errIsTerminal && !options.quiet), m_pause(clock),
      m_capture(line, m_pause, m_dialog, m_terminal, m_surface, m_prompter), m_receive(m_terminal, m_capture),
      m_runner(m_pause, m_receive, line, m_surface), m_upload(line, m_pause, m_dialog, m_surface, m_prompter),
      m_sync(m_capture, m_upload, m_surface), m_exchange(line, m_pause)
{
    connect(&m_line, &SerialLine::received, this, [this](const QString& chunk) { m_receive.deliver(chunk); });
    connect(&m_line, &SerialLine::problem, this, [this](const QString& message) { m_lineProblem = message; });
    m_upload.setPacing(options.pacing);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_runner.cancel();
    });
}

CliSession::~CliSession()
{
    m_line.close();
}

void CliSession::interrupt()
{
    m_interrupted = true;
    m_runner.cancel();
}

int CliSession::run()
{
    int status = Done;
    for (const cliargs::Command& command : std::as_const(m_options.commands)) {
        if (m_interrupted) break;
        status = execute(command);
        if (status != Done) break;
    }
    if (!m_interrupted) return status;
    // The board hears of it too: a program it runs stops, and its prompt says it reads again.
    if (m_line.isOpen()) m_runner.run(QStringLiteral("Interrupt"), [this] { m_exchange.interrupt(kInterruptLimit); });
    std::fputs("korvel-cli: interrupted\n", m_streams.err);
    return Interrupted;
}

int CliSession::execute(const cliargs::Command& command)
{
    m_command = cliargs::name(command.kind);
    m_file = command.kind == cliargs::Kind::Send ? QString() : command.argument;
    m_json = {};
    m_surface.clearStatus();
    m_prompter.takeQuestion();
    m_prompter.takeReports();

    int status = cliargs::needsLine(command.kind) ? openLine() : Done;
    if (status == Done) {
        switch (command.kind) {
        case cliargs::Kind::Load:
        case cliargs::Kind::Merge:
            status = load(command);
            break;
        case cliargs::Kind::Sync:
            status = sync(command.argument);
            break;
        case cliargs::Kind::Save:
            status = save(command.argument);
            break;
        case cliargs::Kind::Verify:
            status = verify(command.argument);
            break;
        case cliargs::Kind::Run:
            status = runProgram();
            break;
        case cliargs::Kind::Send:
            status = send(command.argument);
            break;
        case cliargs::Kind::Memory:
            status = memory();
            break;
        case cliargs::Kind::Ports:
            status = ports();
            break;
        }
    }
    m_surface.endProgress();
    if (m_options.json) {
        m_json.insert(QStringLiteral("command"), m_command);
        if (!m_file.isEmpty()) m_json.insert(QStringLiteral("file"), m_file);
        m_json.insert(QStringLiteral("exit"), status);
        printJson(m_json);
    }
    return status;
}

int CliSession::openLine()
{
    if (m_line.isOpen()) return Done;
    // The window's serial settings; the port and baud rate the options name win.
    SettingsFile(m_profile).load(m_line);
    if (m_options.baud) m_line.setBaudRate(*m_options.baud);
    const QString wanted = m_options.port;
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    QString device;
    if (isNumber && number >= 0) {
        m_line.setPortNumber(number);
    } else if (wanted == u"auto") {
        QList<SerialDevice> usb;
        QStringList others;
        for (const SerialDevice& present : PortMap::ordered(m_devices.present())) {
            if (present.usb)
                usb.append(present);
            else
                others.append(QStringLiteral("  ") + PortMap::describe(present));
        }
        if (usb.isEmpty()) {
            error(QStringLiteral("--port auto: no USB serial device is present") +
                  (others.isEmpty() ? QString() : QStringLiteral("; others present:\n") + others.join(u'\n')));
            return PortFailed;
        }
        if (usb.size() > 1) {
            QStringList names;
            for (const SerialDevice& present : std::as_const(usb))
                names.append(QStringLiteral("  ") + PortMap::describe(present));
            error(QStringLiteral("--port auto: %1 USB serial devices are present; name one with --port:\n")
                      .arg(usb.size()) +
                  names.join(u'\n'));
            return Usage;
        }
        device = usb.front().stableName.isEmpty() ? usb.front().path : usb.front().stableName;
    } else if (!wanted.isEmpty()) {
        // A bare name is looked for among the stable names first, then among the device nodes.
        device = wanted;
        if (!wanted.contains(u'/')) {
            for (const QString& folder : {QStringLiteral("/dev/serial/by-id/"), QStringLiteral("/dev/")}) {
                if (QFileInfo::exists(folder + wanted)) {
                    device = folder + wanted;
                    break;
                }
            }
        }
    }
    if (!device.isEmpty()) {
        m_deviceName = device;
        m_profile.set(QStringLiteral("Ports"), QString::number(kDevicePort), device);
        m_line.setPortNumber(kDevicePort);
    }
    m_lineProblem.clear();
    m_line.open();
    if (m_line.isOpen()) return Done;
    error(m_lineProblem.isEmpty() ? m_line.portName() + QStringLiteral(" cannot be opened") : m_lineProblem);
    return PortFailed;
}

bool CliSession::runCommand(const QString& name, const std::function<void()>& command, CommandOptions options,
                            std::optional<std::chrono::milliseconds> limit)
{
    m_timedOut = false;
    if (m_interrupted) return true;
    if (limit) m_limit.start(*limit);
    const bool ran = m_runner.run(name, command, options);
    m_limit.stop();
    if (!ran) {
        error(m_surface.status());
        return false;
    }
    return true;
}

int CliSession::stopped(const QString& what)
{
    if (m_interrupted) return Interrupted;
    if (m_timedOut) {
        error(QStringLiteral("%1 ended after %2 s, the time --timeout gives")
                  .arg(what, seconds(m_options.timeout.value_or(kAnswerLimit))));
        return Failed;
    }
    error(m_lineProblem.isEmpty() ? m_line.portName() + QStringLiteral(" was lost") : m_lineProblem);
    return PortFailed;
}

bool CliSession::checkReadable(const QString& file)
{
    QFile probe(file);
    QString reason;
    if (!probe.exists())
        reason = QStringLiteral("no such file");
    else if (QFileInfo(file).isDir())
        reason = QStringLiteral("it is a folder");
    else if (!probe.open(QIODevice::ReadOnly))
        reason = probe.errorString();
    if (reason.isEmpty()) return true;
    error(QStringLiteral("Cannot read %1: %2").arg(file, reason));
    return false;
}

int CliSession::load(const cliargs::Command& command)
{
    if (!checkReadable(command.argument)) return Usage;
    const bool load = command.kind == cliargs::Kind::Load;
    const QString doing = (load ? QStringLiteral("Loading ") : QStringLiteral("Merging ")) + command.argument;
    m_upload.setLineProgress([this, doing](qint64 sent, qint64 of) {
        m_surface.showProgress(QStringLiteral("%1: %2/%3 lines").arg(doing).arg(sent).arg(of));
    });
    m_dialog.setNext(command.argument);
    const bool ran = runCommand(
        load ? QStringLiteral("Load Program") : QStringLiteral("Merge Program"),
        [this, load] { load ? m_upload.loadProgram() : m_upload.mergeProgram(); }, {.typesProgram = true},
        m_options.timeout);
    m_upload.setLineProgress({});
    if (!ran) return PortFailed;
    return uploadStatus(m_upload.result());
}

int CliSession::uploadStatus(const ProgramUpload::Result& result)
{
    m_surface.endProgress();
    m_json.insert(QStringLiteral("lines"), result.lines);
    m_json.insert(QStringLiteral("sent"), result.sent);
    m_json.insert(QStringLiteral("refused"), refusedJson(result.problems));
    using End = ProgramUpload::Result::End;
    switch (result.end) {
    case End::Done:
        printStatus(!result.problems.isEmpty());
        printReports(m_streams.err);
        return result.problems.isEmpty() ? Done : Failed;
    case End::Declined:
        error(m_prompter.takeQuestion() + QStringLiteral("\nNothing sent; --yes sends such lines all the same."));
        return Failed;
    case End::CannotRead:
    case End::Nothing:
        error(m_surface.status().isEmpty() ? QStringLiteral("Cannot read ") + result.source : m_surface.status());
        return Usage;
    case End::Cancelled:
    case End::LineLost:
        if (!m_interrupted && !m_timedOut) printStatus(true);
        return stopped(m_command);
    }
    return Failed;
}

int CliSession::save(const QString& file)
{
    m_dialog.setNext(file);
    if (!runCommand(
            QStringLiteral("Save Program"), [this] { m_capture.saveProgram(); }, {.keysToBoard = true},
            m_options.timeout))
        return PortFailed;
    return captureStatus(m_command);
}

int CliSession::captureStatus(const QString& what)
{
    switch (m_capture.ending()) {
    case ListingCapture::Ending::Done:
        return Done;
    case ListingCapture::Ending::CannotWrite:
        error(m_surface.status());
        return Usage;
    case ListingCapture::Ending::NotListing:
        error(m_surface.status());
        return Failed;
    case ListingCapture::Ending::LineDown:
        error(m_surface.status());
        return PortFailed;
    case ListingCapture::Ending::Cancelled:
        return stopped(what);
    case ListingCapture::Ending::None:
        break;
    }
    error(m_surface.status());
    return Usage;
}

int CliSession::verify(const QString& file)
{
    if (!checkReadable(file)) return Usage;
    m_dialog.setNext(file);
    if (!runCommand(
            QStringLiteral("Verify Program"), [this] { m_capture.verifyProgram(); }, {.keysToBoard = true},
            m_options.timeout))
        return PortFailed;
    if (m_capture.ending() != ListingCapture::Ending::Done) return captureStatus(m_command);
    const programtext::Comparison& comparison = m_capture.comparison();
    m_json.insert(QStringLiteral("matches"), comparison.matches());
    m_json.insert(QStringLiteral("lines"), comparison.fileLines);
    m_json.insert(QStringLiteral("differences"), differencesJson(comparison));
    if (comparison.matches()) {
        printStatus(false);
        return Done;
    }
    printReports(m_streams.out);
    printStatus(true);
    return Failed;
}

int CliSession::sync(const QString& file)
{
    if (!checkReadable(file)) return Usage;
    const QString doing = QStringLiteral("Sending ") + file;
    m_upload.setLineProgress([this, doing](qint64 sent, qint64 of) {
        m_surface.showProgress(QStringLiteral("%1: %2/%3 lines").arg(doing).arg(sent).arg(of));
    });
    ProgramSync::Ending ending = ProgramSync::Ending::NotCompared;
    const bool ran = runCommand(
        QStringLiteral("Sync"), [this, &ending, &file] { ending = m_sync.sync(file, m_options.check); },
        {.typesProgram = true}, m_options.timeout);
    m_upload.setLineProgress({});
    if (!ran) return PortFailed;

    const programtext::Comparison& before = m_sync.before();
    const int deleted = int(before.extra.size());
    const int changed = int(m_sync.lines().size()) - deleted;
    m_json.insert(QStringLiteral("differences"), differencesJson(before));
    m_json.insert(QStringLiteral("lines"), before.fileLines);
    m_json.insert(QStringLiteral("sent"), m_sync.lines().isEmpty() ? 0 : m_upload.result().sent);
    m_json.insert(QStringLiteral("refused"),
                  m_sync.lines().isEmpty() ? QJsonArray() : refusedJson(m_upload.result().problems));
    if (m_options.check && (ending == ProgramSync::Ending::Done || ending == ProgramSync::Ending::Differs ||
                            ending == ProgramSync::Ending::Refused)) {
        m_json.insert(QStringLiteral("check"),
                      QJsonObject{{QStringLiteral("matches"), m_capture.comparison().matches()},
                                  {QStringLiteral("differences"), differencesJson(m_capture.comparison())}});
    }
    const auto said = [&] {
        if (m_options.quiet) return;
        QString text = QStringLiteral("Sent %1 of %2 lines from %3 (%4 new or changed, %5 deleted)")
                           .arg(m_upload.result().sent)
                           .arg(m_sync.lines().size())
                           .arg(file)
                           .arg(changed)
                           .arg(deleted);
        if (m_options.check && ending == ProgramSync::Ending::Done)
            text += QStringLiteral("; the program on the board matches it now");
        std::fputs((text + u'\n').toLocal8Bit().constData(), m_streams.err);
    };
    switch (ending) {
    case ProgramSync::Ending::Matched:
        printStatus(false);
        return Done;
    case ProgramSync::Ending::Done:
        said();
        return Done;
    case ProgramSync::Ending::CannotRead:
        error(m_surface.status());
        return Usage;
    case ProgramSync::Ending::NotCompared:
        return captureStatus(m_command);
    case ProgramSync::Ending::NotSent:
    case ProgramSync::Ending::Refused:
        return uploadStatus(m_upload.result());
    case ProgramSync::Ending::Differs:
        said();
        printReports(m_streams.out);
        printStatus(true);
        return Failed;
    }
    return Failed;
}

int CliSession::runProgram()
{
    QString collected;
    bool printed = false;
    const BoardExchange::Output output = [&](QStringView text) {
        QString plain = text.toString();
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        printed = true;
        if (m_options.json)
            collected += plain;
        else
            printOut(plain);
    };
    BoardExchange::Ending ending = BoardExchange::Ending::Cancelled;
    const bool ran = runCommand(
        QStringLiteral("Run Program"), [&] { ending = m_exchange.run(m_options.until, output); }, {},
        m_options.timeout);
    if (printed && !m_options.json) printOut(QStringLiteral("\n"));
    m_json.insert(QStringLiteral("output"), collected);
    if (!ran) return PortFailed;
    switch (ending) {
    case BoardExchange::Ending::Prompt:
    case BoardExchange::Ending::Text:
        return Done;
    case BoardExchange::Ending::Cancelled:
    case BoardExchange::Ending::LineLost:
        break;
    }
    return stopped(QStringLiteral("run"));
}

int CliSession::send(const QString& text)
{
    QString answer;
    BoardExchange::Ending ending = BoardExchange::Ending::Cancelled;
    const bool ran = runCommand(
        QStringLiteral("Send"),
        [&] { ending = m_exchange.send(text, [&answer](QStringView part) { answer += part; }); }, {},
        m_options.timeout.value_or(kAnswerLimit));
    answer.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_json.insert(QStringLiteral("text"), text);
    m_json.insert(QStringLiteral("answer"), answer);
    if (!ran) return PortFailed;
    if (ending != BoardExchange::Ending::Prompt) return stopped(QStringLiteral("send"));
    if (!m_options.json && !answer.isEmpty()) printOut(answer + u'\n');
    static const QRegularExpression refused(QStringLiteral("(^|\\n)ERROR"));
    if (refused.match(answer).hasMatch()) {
        error(QStringLiteral("The board refused \"%1\"").arg(text));
        return Failed;
    }
    return Done;
}

int CliSession::memory()
{
    QString answer;
    BoardExchange::Ending ending = BoardExchange::Ending::Cancelled;
    const bool ran = runCommand(
        QStringLiteral("Memory"),
        [&] { ending = m_exchange.send(QStringLiteral("?free"), [&answer](QStringView part) { answer += part; }); }, {},
        m_options.timeout.value_or(kAnswerLimit));
    if (!ran) return PortFailed;
    if (ending != BoardExchange::Ending::Prompt) return stopped(QStringLiteral("memory"));
    static const QRegularExpression whole(QStringLiteral("^\\s*(\\d+)\\s*$"));
    const QRegularExpressionMatch match = whole.match(answer);
    if (!match.hasMatch()) {
        error(QStringLiteral("The board's answer to ?free is no number: %1").arg(answer.simplified()));
        return Failed;
    }
    const qint64 free = qint64(numbers::readNumber(match.captured(1)));
    m_json.insert(QStringLiteral("free"), free);
    if (!m_options.json) printOut(QString::number(free) + u'\n');
    return Done;
}

int CliSession::ports()
{
    const QList<PortMap::Row> rows = PortMap(m_profile, m_devices).rows();
    QJsonArray list;
    QString text = QStringLiteral("0\tthe simulated board\n");
    for (const PortMap::Row& row : rows) {
        list.append(QJsonObject{{QStringLiteral("port"), row.port},
                                {QStringLiteral("device"), row.device.path},
                                {QStringLiteral("stableName"), row.device.stableName},
                                {QStringLiteral("manufacturer"), row.device.manufacturer},
                                {QStringLiteral("product"), row.device.product},
                                {QStringLiteral("serialNumber"), row.device.serialNumber},
                                {QStringLiteral("usb"), row.device.usb},
                                {QStringLiteral("present"), row.present},
                                {QStringLiteral("entry"), row.entry}});
        text += (row.port > 0 ? QString::number(row.port) : QStringLiteral("-")) + u'\t' +
                PortMap::describe(row.device) + (row.present ? QString() : QStringLiteral(" (not present)")) + u'\n';
    }
    m_json.insert(QStringLiteral("ports"), list);
    if (!m_options.json) printOut(text);
    return Done;
}

void CliSession::printStatus(bool failed)
{
    const QString status = m_surface.status();
    if (status.isEmpty()) return;
    if (failed)
        error(status);
    else if (!m_options.quiet)
        std::fputs((status + u'\n').toLocal8Bit().constData(), m_streams.err);
}

void CliSession::printReports(std::FILE* stream)
{
    for (const auto& [title, text] : m_prompter.takeReports()) {
        if (m_options.json && stream == m_streams.out) continue;
        std::fputs((title + QStringLiteral(":\n") + text + u'\n').toLocal8Bit().constData(), stream);
    }
    std::fflush(stream);
}

void CliSession::error(const QString& message)
{
    m_surface.endProgress();
    // The line calls a device named on the command line by the number it stands under for this
    // run; the user knows it by its name.
    QString text = message;
    if (!m_deviceName.isEmpty())
        text.replace(QStringLiteral("Port %1 (%2)").arg(kDevicePort).arg(m_deviceName), m_deviceName)
            .replace(QStringLiteral("port %1 (%2)").arg(kDevicePort).arg(m_deviceName), m_deviceName);
    if (!m_json.contains(QStringLiteral("error"))) m_json.insert(QStringLiteral("error"), text);
    std::fputs((QStringLiteral("korvel-cli: ") + text + u'\n').toLocal8Bit().constData(), m_streams.err);
    std::fflush(m_streams.err);
}

void CliSession::printOut(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), m_streams.out);
    std::fflush(m_streams.out);
}

void CliSession::printJson(QJsonObject object)
{
    std::fputs((QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n').constData(), m_streams.out);
    std::fflush(m_streams.out);
}
