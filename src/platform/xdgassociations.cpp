#include "platform/xdgassociations.h"

#include <QDir>
#include <QDirIterator>
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

// Quotes an argument the way QProcess::splitCommand() reads it back.
QString quoteForSplit(const QString& arg)
{
    if (!arg.isEmpty() && !arg.contains(u' ') && !arg.contains(u'"') && !arg.contains(u'\t')) return arg;
    QString quoted = arg;
    quoted.replace(u"\""_s, u"\"\"\""_s);
    return u'"' + quoted + u'"';
}

QStringList currentDesktops()
{
    QStringList desktops;
    for (const QString& name : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops.append(name.toLower());
    return desktops;
}

// The mimeapps.list files in the order the rules give them precedence: the user's configuration,
// the system's configuration, then the (deprecated) lists beside the applications.
QStringList mimeappsListFiles()
{
    QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    dirs += QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    QStringList files;
    const QStringList desktops = currentDesktops();
    for (const QString& dir : dirs) {
        for (const QString& desktop : desktops)
            files.append(dir + u'/' + desktop + u"-mimeapps.list"_s);
        files.append(dir + u"/mimeapps.list"_s);
    }
    return files;
}

// The ids listed for key in one group of an INI-like file ("a.desktop;b.desktop;").
QStringList idsInGroup(const QString& path, const QString& group, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&file);
    bool inGroup = false;
    const QString header = u'[' + group + u']';
    QString line;
    while (in.readLineInto(&line)) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            inGroup = (line == header);
            continue;
        }
        if (!inGroup) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && line.left(eq).trimmed() == key) return line.mid(eq + 1).trimmed().split(u';', Qt::SkipEmptyParts);
    }
    return {};
}

} // namespace

XdgAssociations::XdgAssociations(QString xdgMime) : m_xdgMime(std::move(xdgMime)) {}

QString XdgAssociations::executableFor(const QString& documentPath) const
{
#ifdef Q_OS_WIN
    Q_UNUSED(documentPath);
    return {};
#else
    const QMimeType type = QMimeDatabase().mimeTypeForFile(documentPath);
    if (!type.isValid()) return {};
    return defaultCommandFor(type.name());
#endif
}

QString XdgAssociations::textEditor() const
{
#ifdef Q_OS_WIN
    return u"notepad.exe"_s;
#else
    if (QString command = defaultCommandFor(u"text/plain"_s); !command.isEmpty()) return command;
    for (const QString& name : usualEditors()) {
        if (QString path = QStandardPaths::findExecutable(name); !path.isEmpty()) return path;
    }
    return {};
#endif
}

QStringList XdgAssociations::usualEditors()
{
    return {u"gnome-text-editor"_s, u"gedit"_s,   u"kate"_s, u"kwrite"_s, u"mousepad"_s, u"xed"_s, u"pluma"_s,
            u"featherpad"_s,        u"leafpad"_s, u"geany"_s};
}

QString XdgAssociations::defaultCommandFor(const QString& mimeType) const
{
    if (const QString id = askXdgMime(mimeType); !id.isEmpty()) {
        if (QString command = commandOfDesktopId(id); !command.isEmpty()) return command;
    }
    for (const QString& id : desktopIdsFromFiles(mimeType)) {
        if (QString command = commandOfDesktopId(id); !command.isEmpty()) return command;
    }
    return {};
}

QString XdgAssociations::askXdgMime(const QString& mimeType) const
{
    if (m_xdgMime.isEmpty()) return {};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(m_xdgMime, {u"query"_s, u"default"_s, mimeType});
    if (!process.waitForFinished(kXdgMimeTimeoutMs)) {
        process.kill();
        process.waitForFinished(kXdgMimeTimeoutMs);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    const QString answer = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    return answer.section(u'\n', 0, 0).section(u';', 0, 0).trimmed();
}

QString XdgAssociations::commandOfDesktopId(const QString& desktopId) const
{
    const auto entry = findDesktopEntry(desktopId);
    // A terminal program would start with nothing to show it in.
    if (!entry || entry->hidden || entry->terminal) return {};
    return commandFromExec(entry->exec);
}

QStringList XdgAssociations::desktopIdsFromFiles(const QString& mimeType)
{
    QStringList ids;
    QStringList removed;
    const QStringList lists = mimeappsListFiles();
    for (const QString& list : lists) {
        removed += idsInGroup(list, u"Removed Associations"_s, mimeType);
        for (const QString& id : idsInGroup(list, u"Default Applications"_s, mimeType)) {
            if (!ids.contains(id)) ids.append(id);
        }
    }
    for (const QString& list : lists) {
        for (const QString& id : idsInGroup(list, u"Added Associations"_s, mimeType)) {
            if (!ids.contains(id) && !removed.contains(id)) ids.append(id);
        }
    }
    // Last, any installed application that says it handles the type.
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        for (const QString& id : idsInGroup(dir + u"/mimeinfo.cache"_s, u"MIME Cache"_s, mimeType)) {
            if (!ids.contains(id) && !removed.contains(id)) ids.append(id);
        }
    }
    return ids;
}

std::optional<XdgAssociations::DesktopEntry> XdgAssociations::findDesktopEntry(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(u'/')) return std::nullopt;
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString& dir : dirs) {
        if (QFileInfo(dir + u'/' + desktopId).isFile()) return readDesktopEntry(dir + u'/' + desktopId);
    }
    // An entry in a subfolder has the folder in its id, joined by "-" (kde4/kate.desktop is kde4-kate.desktop).
    for (const QString& dir : dirs) {
        QDirIterator it(dir, {u"*.desktop"_s}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString id = QDir(dir).relativeFilePath(path).replace(u'/', u'-');
            if (id == desktopId) return readDesktopEntry(path);
        }
    }
    return std::nullopt;
}

std::optional<XdgAssociations::DesktopEntry> XdgAssociations::readDesktopEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
    QTextStream in(&file);
    DesktopEntry entry;
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
        if (key == u"Exec" && !seenExec) {
            entry.exec = unescapeValue(value);
            seenExec = true;
        } else if (key == u"Terminal") {
            entry.terminal = (value == u"true");
        } else if (key == u"Hidden") {
            entry.hidden = (value == u"true");
        }
    }
    if (!seenExec) return std::nullopt;
    return entry;
}

QString XdgAssociations::commandFromExec(const QString& exec)
{
    QStringList args;
    for (const QString& arg : splitExec(exec)) {
        // Flatpak wraps the file arguments in "@@u ... @@"; the file Korvel appends stands alone.
        if (isFieldCodeArg(arg) || arg == u"@@" || arg == u"@@u" || arg == u"@@f") continue;
        args.append(dropFieldCodes(arg));
    }
    if (args.isEmpty() || args.first().isEmpty()) return {};
    QString program = args.first();
    if (!QFileInfo(program).isAbsolute())
        program = QStandardPaths::findExecutable(program);
    else if (!QFileInfo(program).isExecutable())
        program.clear();
    if (program.isEmpty()) return {};
    if (args.size() == 1) return program;
    QStringList quoted{quoteForSplit(program)};
    for (qsizetype i = 1; i < args.size(); ++i)
        quoted.append(quoteForSplit(args.at(i)));
    return quoted.join(u' ');
}
