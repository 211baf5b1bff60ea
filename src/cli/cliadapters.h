// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/filedialog.h"
#include "platform/profile.h"
#include "platform/prompter.h"
#include "platform/serialdevices.h"
#include "terminal/surface.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <cstdio>

// The platform interfaces as the command line answers them: no window, nobody to ask.

// Korvel.ini read and never written, with keys the command line sets for this run alone (the device
// a --port names goes in as a [Ports] entry).
class ReadOnlyProfile : public Profile
{
public:
    explicit ReadOnlyProfile(const Profile& file) : m_file(file) {}

    void set(const QString& section, const QString& key, const QString& value);

    QString readString(const QString& section, const QString& key, const QString& defaultValue,
                       int size) const override;
    bool writeString(const QString& section, const QString& key, const QString& value) override;

private:
    const Profile& m_file;
    QMap<QString, QString> m_set; // "section/key" in lower case
};

// The serial devices as the line sees them: the system's until the line is open, none after. Once
// open, the line asks only to know its device again should it come back, and a lost line ends the
// run; asking udev would hold up the first command by a tenth of a second.
class OpeningDevices : public SerialDevices
{
public:
    explicit OpeningDevices(const SerialDevices& system) : m_system(system) {}
    void lineOpened() { m_open = true; }
    QList<SerialDevice> present() const override { return m_open ? QList<SerialDevice>() : m_system.present(); }

private:
    const SerialDevices& m_system;
    bool m_open = false;
};

// The file dialog answers with the file the command names.
class CliFileDialog : public FileDialog
{
public:
    void setNext(const QString& name) { m_next = name; }

protected:
    std::optional<QString> show(const FileRequest& request) override;

private:
    QString m_next;
};

// Questions get the answer --yes gives: the first with it, Cancel without. Questions and reports
// are kept for the command to print where they belong.
class CliPrompter : public Prompter
{
public:
    explicit CliPrompter(bool yes) : m_yes(yes) {}

    Answer ask(const QString& title, const QString& text, const QString& first, const QString& second) override;
    void showReport(const QString& title, const QString& text, const Action& action = {}) override;

    // What the last command asked (empty when nothing) and the reports it showed; forgotten on take.
    QString takeQuestion();
    QList<QPair<QString, QString>> takeReports();

private:
    bool m_yes;
    QString m_question;
    QList<QPair<QString, QString>> m_reports;
};

// The status text is kept for the command to print; progress goes to standard error while that is
// a terminal, on one line rewritten in place.
class CliSurface : public Surface
{
public:
    CliSurface(std::FILE* progress, bool show) : m_stream(progress), m_show(show) {}

    void setStatusText(const QString& text) override { m_status = text; }
    void setProgressValue(float) override {}
    void setProgressVisible(bool visible) override;

    QString status() const { return m_status; }
    void clearStatus() { m_status.clear(); }
    // "Loading prog.bas: 37/120 lines"
    void showProgress(const QString& text);
    void endProgress();

private:
    std::FILE* m_stream;
    bool m_show;
    bool m_shown = false;
    QString m_status;
};
