// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/associations.h"
#include "platform/clock.h"
#include "platform/filedialog.h"
#include "platform/helpviewer.h"
#include "platform/launcher.h"
#include "platform/platform.h"
#include "platform/profile.h"
#include "platform/prompter.h"
#include "platform/serialdevices.h"
#include "platform/serialline.h"
#include "terminal/surface.h"

#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QPair>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <optional>

// A serial line that records every call and what was sent, and lets the test deliver chunks.
class FakeSerialLine : public SerialLine
{
    Q_OBJECT
public:
    int baudRate() const override { return m_baud; }
    void setBaudRate(int v) override
    {
        m_baud = v;
        log(QStringLiteral("baud=%1").arg(v));
    }
    int portNumber() const override { return m_portReadBack ? m_portReadBack(m_port) : m_port; }
    void setPortNumber(int v) override
    {
        m_port = v;
        log(QStringLiteral("port=%1").arg(v));
    }
    int chosenPort() const override { return m_port; }
    int dataBits() const override { return m_dataBits; }
    void setDataBits(int v) override
    {
        m_dataBits = v;
        log(QStringLiteral("databits=%1").arg(v));
    }
    int stopBits() const override { return m_stopBits; }
    void setStopBits(int v) override
    {
        m_stopBits = v;
        log(QStringLiteral("stopbits=%1").arg(v));
    }

    void open() override
    {
        m_open = true;
        log(QStringLiteral("open"));
        emit opened(QString());
    }
    void close() override
    {
        m_open = false;
        log(QStringLiteral("close"));
    }
    bool isOpen() const override { return m_open; }
    void sendLine(const QString& text) override
    {
        sends.append(text);
        log(QStringLiteral("send:") + text);
        if (onSend) onSend(text);
    }

    void deliver(const QString& chunk) { emit received(chunk); }
    void reportProblem(const QString& message) { emit problem(message); }
    // As if the port had come back by itself.
    void comeBack(const QString& note)
    {
        m_open = true;
        emit opened(note);
    }
    QString sentText() const { return sends.join(QString()); }

    QStringList calls;              // every operation in order: "close", "baud=9600", "open", "send:..."
    QStringList* journal = nullptr; // shared with the profile, to pin the order between the two
    QStringList sends;              // the argument of every sendLine
    std::function<void(const QString&)> onSend;
    // Lets a test decide what the port property reads back (for the settings dialog's probe).
    std::function<int(int written)> m_portReadBack;

private:
    void log(const QString& call)
    {
        calls.append(call);
        if (journal) journal->append(call);
    }
    int m_baud = 0, m_port = 0, m_dataBits = 0, m_stopBits = 0;
    bool m_open = false;
};

// A fixed list of serial devices that the test changes at will.
class FakeSerialDevices : public SerialDevices
{
public:
    QList<SerialDevice> present() const override { return devices; }
    QList<SerialDevice> devices;
};

// A clock that the test owns: idleFor() advances it at once by exactly the time asked,
// or by what `step` returns, so a pause can be made to wake early or late. User input that
// onIdle() sends passes the pause's input gate, as it would in the real clock's idle loop.
class FakeClock : public Clock
{
public:
    std::chrono::nanoseconds now() const override { return std::chrono::nanoseconds(m_now); }
    void idleFor(std::chrono::nanoseconds length) override
    {
        const qint64 ns = length.count();
        ++idleCalls;
        m_now += step ? step(ns) : ns;
        if (onIdle) onIdle();
    }
    void wake() override { ++wakes; }
    void advance(qint64 ns) { m_now += ns; }

    int idleCalls = 0;
    int wakes = 0;
    std::function<qint64(qint64 asked)> step;
    std::function<void()> onIdle; // runs while "idle": deliver chunks, press keys...
private:
    qint64 m_now = 1'000'000'000;
};

// A file dialog with queued answers; an empty queue answers "cancelled".
class FakeFileDialog : public FileDialog
{
public:
    QList<std::optional<QString>> answers;
    QList<FileRequest> shown;
    std::function<void()> whileOpen; // runs while the dialog is "open", e.g. to deliver a chunk

    // As if an earlier command had chosen this file.
    void choose(const QString& name)
    {
        answers.prepend(name);
        ask({});
        shown.removeLast();
    }

protected:
    std::optional<QString> show(const FileRequest& request) override
    {
        shown.append(request);
        if (whileOpen) whileOpen();
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};

// Records what the commands show: every status text and progress value in order.
class FakeSurface : public Surface
{
public:
    void setStatusText(const QString& text) override
    {
        statusTexts.append(text);
        status = text;
    }
    void setProgressValue(float percent) override { progressValues.append(percent); }
    void setProgressVisible(bool visible) override
    {
        progressVisible = visible;
        visibility.append(visible);
    }

    QString status;
    QStringList statusTexts;
    QList<float> progressValues;
    QList<bool> visibility;
    bool progressVisible = false;
};

// An in-memory settings file that logs reads and writes in order.
class FakeProfile : public Profile
{
public:
    QString readString(const QString& section, const QString& key, const QString& defaultValue, int size) const override
    {
        reads.append(section + QLatin1Char('/') + key);
        if (journal) journal->append(QStringLiteral("read ") + reads.last());
        const QString value = values.value(section.toLower() + QLatin1Char('/') + key.toLower(), defaultValue);
        return value.trimmed().left(size - 1);
    }
    bool writeString(const QString& section, const QString& key, const QString& value) override
    {
        writes.append(section + QLatin1Char('/') + key + QLatin1Char('=') + value);
        if (journal) journal->append(QStringLiteral("write ") + writes.last());
        if (failWrites || (failAfterWrites >= 0 && writes.size() > failAfterWrites)) return false;
        values.insert(section.toLower() + QLatin1Char('/') + key.toLower(), value);
        return true;
    }
    void set(const QString& section, const QString& key, const QString& value)
    {
        values.insert(section.toLower() + QLatin1Char('/') + key.toLower(), value);
    }

    QMap<QString, QString> values; // "section/key" in lower case
    mutable QStringList reads;
    QStringList writes;
    QStringList* journal = nullptr; // shared with the line
    bool failWrites = false;
    int failAfterWrites = -1; // this many writes succeed, every later one fails (a disk filling up)
};

class FakeLauncher : public Launcher
{
public:
    bool startDetached(const QString& program, const QStringList& arguments, QString* error) override
    {
        started.append({program, arguments});
        if (!succeed && error) *error = QStringLiteral("No such file or directory");
        return succeed;
    }
    QList<QPair<QString, QStringList>> started;
    bool succeed = true;
};

class FakeAssociations : public Associations
{
public:
    QStringList commandFor(const QString& documentPath) const override
    {
        lookedUp.append(documentPath);
        return viewer;
    }
    QStringList textEditor() const override { return editor; }
    QStringList viewer;
    QStringList editor;
    mutable QStringList lookedUp;
};

class FakeHelpViewer : public HelpViewer
{
public:
    void showHelp(QWidget* owner, const QString& helpFile) override { calls.append({owner, helpFile}); }
    struct Call
    {
        QWidget* owner;
        QString file;
    };
    QList<Call> calls;
};

// Questions answered from a queue (an empty queue answers Cancel); reports recorded.
class FakePrompter : public Prompter
{
public:
    struct Asked
    {
        QString title, text, first, second;
    };
    Answer ask(const QString& title, const QString& text, const QString& first, const QString& second) override
    {
        asked.append({title, text, first, second});
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }
    void showReport(const QString& title, const QString& text) override { reports.append({title, text}); }

    QList<Answer> answers;
    QList<Asked> asked;
    QList<QPair<QString, QString>> reports; // title, text
};

// One of each fake, handed out as the Platform bundle.
struct FakePlatform
{
    FakeSerialLine line;
    FakeClock clock;
    FakeFileDialog fileDialog;
    FakeProfile profile;
    FakeLauncher launcher;
    FakeAssociations associations;
    FakeHelpViewer helpViewer;
    FakePrompter prompter;
    QString applicationDir = QStringLiteral("/opt/korvel");
    FakeSerialDevices serialDevices;
    // The line's calls and the settings file's reads and writes, in one order.
    QStringList journal;

    FakePlatform()
    {
        line.journal = &journal;
        profile.journal = &journal;
    }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform platform()
    {
        return Platform{line,         clock,      fileDialog, profile,        launcher,
                        associations, helpViewer, prompter,   applicationDir, serialDevices};
    }
};
