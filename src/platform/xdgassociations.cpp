// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/xdgassociations.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

constexpr int kXdgMimeTimeoutMs = 3000;

// Undoes the escapes every desktop-entry string value may carry (\s \n \t \r \\).
QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out.append(u' ');
            break;
        case 'n':
            out.append(u'\n');
            break;
        case 't':
            out.append(u'\t');
            break;
        case 'r':
            out.append(u'\r');
            break;
        case '\\':
            out.append(u'\\');
            break;
        default: // the command-line escapes of Exec (\" \$ \`) are undone when it is split
            out.append(u'\\');
            out.append(next);
            break;
        }
    }
    return out;
}

// Splits an Exec value into arguments: blanks separate them, double quotes group them, and inside
// quotes a backslash takes the next character literally.
QStringList splitExec(const QString& exec)
{
    QStringList args;
    QString current;
    bool inQuotes = false;
    bool haveArg = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == u'\\' && i + 1 < exec.size())
                current.append(exec.at(++i));
            else if (c == u'"')
                inQuotes = false;
            else
                current.append(c);
        } else if (c == u'"') {
            inQuotes = true;
            haveArg = true;
        } else if (c.isSpace()) {
            if (haveArg) args.append(current);
            current.clear();
            haveArg = false;
        } else {
            current.append(c);
            haveArg = true;
        }
    }
    if (haveArg) args.append(current);
    return args;
}

bool isFieldCodeArg(const QString& arg)
{
    static const QString kCodes = u"fFuUdDnNickvm"_s;
    return arg.size() == 2 && arg.at(0) == u'%' && kCodes.contains(arg.at(1));
}

// "%%" is a percent sign; any other field code inside an argument has nothing to stand for here.
QString dropFieldCodes(const QString& arg)
{
    QString out;
    for (qsizetype i = 0; i < arg.size(); ++i) {
        if (arg.at(i) == u'%' && i + 1 < arg.size()) {
            if (arg.at(++i) == u'%') out.append(u'%');
            continue;
        }
        out.append(arg.at(i));
    }
    return out;
}

} // namespace

XdgAssociations::XdgAssociations(QString xdgMime) : m_xdgMime(std::move(xdgMime)) {}

QStringList XdgAssociations::commandFor(const QString& documentPath) const
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(documentPath);
    if (!type.isValid()) return {};
    return defaultCommandFor(type.name());
}

QStringList XdgAssociations::textEditor() const
{
    if (QStringList command = defaultCommandFor(u"text/plain"_s); !command.isEmpty()) return command;
    for (const QString& name : usualEditors()) {
        if (QString path = QStandardPaths::findExecutable(name); !path.isEmpty()) return {path};
    }
    return {};
}

QStringList XdgAssociations::usualEditors()
{
    return {u"gnome-text-editor"_s, u"gedit"_s,   u"kate"_s, u"kwrite"_s, u"mousepad"_s, u"xed"_s, u"pluma"_s,
            u"featherpad"_s,        u"leafpad"_s, u"geany"_s};
}

QStringList XdgAssociations::defaultCommandFor(const QString& mimeType) const
{
    if (m_xdgMime.isEmpty()) return {};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(m_xdgMime, {u"query"_s, u"default"_s, mimeType});
    // A desktop that hangs here must not hang Korvel with it.
    if (!process.waitForFinished(kXdgMimeTimeoutMs)) {
        process.kill();
        process.waitForFinished(kXdgMimeTimeoutMs);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    const QString answer = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    const QString desktopId = answer.section(u'\n', 0, 0).section(u';', 0, 0).trimmed();
    if (desktopId.isEmpty() || desktopId.contains(u'/')) return {};
    const QString entry = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
    return entry.isEmpty() ? QStringList() : commandOfEntry(entry);
}

QStringList XdgAssociations::commandOfEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&file);
    QString exec;
    bool inMainGroup = false;
    bool seenExec = false;
    QString line;
    while (in.readLineInto(&line)) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = (line == u"[Desktop Entry]");
            continue;
        }
        if (!inMainGroup || line.startsWith(u'#')) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        // A terminal program would start with nothing to show it in.
        if ((key == u"Terminal" || key == u"Hidden") && value == u"true") return {};
        if (key == u"Exec" && !seenExec) {
            exec = unescapeValue(value);
            seenExec = true;
        }
    }
    return seenExec ? commandFromExec(exec) : QStringList();
}

QStringList XdgAssociations::commandFromExec(const QString& exec)
{
    QStringList args;
    for (const QString& arg : splitExec(exec)) {
        // Flatpak wraps the file arguments in "@@u ... @@"; the file Korvel appends stands alone.
        if (isFieldCodeArg(arg) || arg == u"@@" || arg == u"@@u" || arg == u"@@f") continue;
        args.append(dropFieldCodes(arg));
    }
    if (args.isEmpty() || args.first().isEmpty()) return {};
    QString& program = args.first();
    if (!QFileInfo(program).isAbsolute())
        program = QStandardPaths::findExecutable(program);
    else if (!QFileInfo(program).isExecutable())
        program.clear();
    if (program.isEmpty()) return {};
    return args;
}
