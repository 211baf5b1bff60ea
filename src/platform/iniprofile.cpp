// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/iniprofile.h"

#include "common/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLatin1String>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Where one key stands in the file's bytes, as far as it was found.
struct Location
{
    bool sectionFound = false;
    bool keyFound = false;
    qsizetype valueBegin = 0; // the bytes after "=" up to the line end (CR excluded)
    qsizetype valueEnd = 0;
    qsizetype insertAt = 0;         // just after the section's last non-blank line
    bool insertAfterLineEnd = true; // false when that line is the file's last and has no line end
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::pair<qsizetype, qsizetype> trimmed(const QByteArray& data, qsizetype begin, qsizetype end)
{
    while (begin < end && isBlank(data[begin]))
        ++begin;
    while (end > begin && isBlank(data[end - 1]))
        --end;
    return {begin, end};
}

// Searches one line only: QByteArray::indexOf would run on to the next line, and on through a
// whole file of lines that lack the character.
qsizetype findInLine(const QByteArray& data, char c, qsizetype begin, qsizetype end)
{
    const void* hit = std::memchr(data.constData() + begin, c, std::size_t(end - begin));
    return hit ? static_cast<const char*>(hit) - data.constData() : end;
}

bool sameName(const QByteArray& data, qsizetype begin, qsizetype end, QStringView name)
{
    return QLatin1String(data.constData() + begin, end - begin).compare(name, Qt::CaseInsensitive) == 0;
}

// One pass over the lines, each looked at once, so a 10 MB file or a 100,000-character line costs
// no more than reading it.
Location locate(const QByteArray& data, QStringView section, QStringView key)
{
    Location found;
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype newline = data.indexOf('\n', pos);
        const qsizetype lineEnd = newline < 0 ? data.size() : newline;
        const qsizetype next = newline < 0 ? data.size() : newline + 1;
        const qsizetype contentEnd = (lineEnd > pos && data[lineEnd - 1] == '\r') ? lineEnd - 1 : lineEnd;
        const auto [begin, end] = trimmed(data, pos, contentEnd);
        pos = next;

        if (begin < end && data[begin] == '[') {
            // Only the first section of that name counts, as with the Windows functions.
            if (inSection) break;
            const qsizetype close = findInLine(data, ']', begin, end);
            const auto [nameBegin, nameEnd] = trimmed(data, begin + 1, close);
            inSection = sameName(data, nameBegin, nameEnd, section);
            if (inSection) {
                found.sectionFound = true;
                found.insertAt = next;
                found.insertAfterLineEnd = newline >= 0;
            }
            continue;
        }
        if (!inSection || begin == end) continue;
        found.insertAt = next;
        found.insertAfterLineEnd = newline >= 0;
        const qsizetype equals = findInLine(data, '=', begin, end);
        if (equals == end) continue;
        const auto [keyBegin, keyEnd] = trimmed(data, begin, equals);
        if (sameName(data, keyBegin, keyEnd, key)) {
            found.keyFound = true;
            found.valueBegin = equals + 1;
            found.valueEnd = contentEnd;
            break;
        }
    }
    return found;
}

QString cut(QString text, int size)
{
    if (size <= 0) return QString();
    text.truncate(size - 1);
    return text;
}

bool isLatin1Line(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0)) return false;
    }
    return true;
}

} // namespace

IniProfile::IniProfile(QString path) : m_path(std::move(path)) {}

QString IniProfile::defaultPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    // Only a broken environment has no configuration folder; the home folder still beats the root.
    if (folder.isEmpty()) folder = QDir::homePath();
    return folder + QStringLiteral("/Korvel.ini");
}

QString IniProfile::profilePath(const QString& name)
{
    const QString path = defaultPath();
    if (name.isEmpty()) return path;
    return QFileInfo(path).path() + QStringLiteral("/Korvel-") + name + QStringLiteral(".ini");
}

bool IniProfile::isProfileName(const QString& name)
{
    // ASCII only: a letter that looks like another must not make a second profile by surprise.
    if (name.isEmpty() || name.size() > kMaxProfileName) return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-' ||
               u == u'_';
    });
}

QString IniProfile::readString(const QString& sectionName, const QString& keyName, const QString& defaultValue,
                               int size) const
{
    // The file's names are read trimmed, so the names asked for are compared trimmed too.
    const QString section = sectionName.trimmed();
    const QString key = keyName.trimmed();
    QFile file(m_path);
    if (section.isEmpty() || key.isEmpty() || !file.open(QIODevice::ReadOnly)) return cut(defaultValue.trimmed(), size);
    const QByteArray data = file.readAll();
    const Location found = locate(data, section, key);
    if (!found.keyFound) return cut(defaultValue.trimmed(), size);

    auto [begin, end] = trimmed(data, found.valueBegin, found.valueEnd);
    // Windows drops one pair of matching quotes, which lets a value keep blanks at its ends.
    if (end - begin >= 2 && data[begin] == data[end - 1] && (data[begin] == '"' || data[begin] == '\'')) {
        ++begin;
        --end;
    }
    return cut(QString::fromLatin1(data.constData() + begin, end - begin), size);
}

bool IniProfile::writeString(const QString& sectionName, const QString& keyName, const QString& value)
{
    const QString section = sectionName.trimmed();
    const QString key = keyName.trimmed();
    if (section.isEmpty() || key.isEmpty() || !isLatin1Line(section) || !isLatin1Line(key) ||
        section.contains(QLatin1Char(']')) || key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char('[')) ||
        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        return false;

    QFile file(m_path);
    QByteArray data;
    const bool existed = file.exists();
    if (existed) {
        // Without the old contents the other sections would be lost: better to write nothing.
        if (!file.open(QIODevice::ReadOnly)) return false;
        data = file.readAll();
        if (file.error() != QFileDevice::NoError) return false;
        file.close();
    }
    const QByteArray original = data;

    // New lines follow the file's own line ends; a new file gets the platform's.
    const qsizetype firstNewline = data.indexOf('\n');
#ifdef Q_OS_WIN
    QByteArray eol = "\r\n";
#else
    QByteArray eol = "\n";
#endif
    if (firstNewline >= 0)
        eol = (firstNewline > 0 && data[firstNewline - 1] == '\r') ? QByteArray("\r\n") : QByteArray("\n");

    const QByteArray entry = key.toLatin1() + '=' + value.toLatin1();
    // A last line that ends in a lone CR is ended by completing its CR LF: a whole new line end
    // after the CR would leave the CR inside that line and change what it says.
    const auto lineEndAfter = [&](qsizetype at) { return at > 0 && data[at - 1] == '\r' ? QByteArray("\n") : eol; };
    const Location found = locate(data, section, key);
    if (found.keyFound) {
        data.replace(found.valueBegin, found.valueEnd - found.valueBegin, value.toLatin1());
    } else if (found.sectionFound) {
        data.insert(found.insertAt, found.insertAfterLineEnd ? entry + eol : lineEndAfter(found.insertAt) + entry);
    } else {
        if (!data.isEmpty() && !data.endsWith('\n')) data += lineEndAfter(data.size());
        data += '[' + section.toLatin1() + ']' + eol + entry + eol;
    }
    if (existed && data == original) return true;

    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) return false;
    return saveWholeFile(m_path, data);
}
