// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the settings file: IniProfile reads and writes one value in a file of
// arbitrary bytes. Whatever the file holds, nothing crashes; a write that reports success reads
// back as the value (trimmed of blanks, one pair of quotes removed, cut to the size asked for),
// changes exactly one line or adds the entry (and its section), leaves every other line byte for
// byte and every other entry with the value it had; a write that reports failure leaves the file
// untouched, and fails only for names and values the file cannot hold.
//
// Input: one byte for the read size (its top bit: no file at all when the file part is empty),
// then section, key and value, each ended by a NUL and read as UTF-8, then the file's bytes.

#include "platform/iniprofile.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <utility>

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_iniprofile: %s\n", what);
    std::abort();
}

const QString& iniPath()
{
    static QTemporaryDir dir;
    static const QString path = dir.path() + QStringLiteral("/Korvel.ini");
    return path;
}

std::optional<QByteArray> readFile()
{
    QFile file(iniPath());
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll();
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// One byte per character, "?" for those above 255, as the file stores them.
QByteArray latin1(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes += c.unicode() > 0xFF ? '?' : char(c.unicode());
    return bytes;
}

QByteArray blankTrimmed(QByteArray bytes)
{
    while (!bytes.isEmpty() && isBlank(bytes.front()))
        bytes.remove(0, 1);
    while (!bytes.isEmpty() && isBlank(bytes.back()))
        bytes.chop(1);
    return bytes;
}

// What a read gives for a stored value.
QString expectedRead(const QString& value, int size)
{
    QByteArray bytes = blankTrimmed(latin1(value));
    if (bytes.size() >= 2 && bytes.front() == bytes.back() && (bytes.front() == '"' || bytes.front() == '\''))
        bytes = bytes.sliced(1, bytes.size() - 2);
    if (size <= 0) return QString();
    return QString::fromLatin1(bytes.left(size - 1));
}

// Names the file can hold: not empty once trimmed, Latin-1 without NUL or line ends, no "]" in
// a section, no "=" in a key nor "[" at its start; values without line ends.
bool writable(const QString& sectionName, const QString& keyName, const QString& value)
{
    const QString section = sectionName.trimmed();
    const QString key = keyName.trimmed();
    for (const QString& name : {section, key}) {
        if (name.isEmpty()) return false;
        for (const QChar c : name) {
            if (c.unicode() > 0xFF || c == u'\0' || c == u'\n' || c == u'\r') return false;
        }
    }
    return !section.contains(u']') && !key.contains(u'=') && !key.startsWith(u'[') && !value.contains(u'\n') &&
           !value.contains(u'\r');
}

// The file's lines, each with its LF; the last one may lack it.
QList<QByteArray> lines(const QByteArray& file)
{
    QList<QByteArray> result;
    qsizetype at = 0;
    while (at < file.size()) {
        const qsizetype lf = file.indexOf('\n', at);
        const qsizetype end = lf < 0 ? file.size() : lf + 1;
        result.append(file.sliced(at, end - at));
        at = end;
    }
    return result;
}

// Checks that after differs from before in one line only: the value of the key's line replaced,
// the entry added, or the section and the entry added. A last line without a line end may gain
// one, in the file's own style, when something is added after it.
void checkLines(const QByteArray& before, const QByteArray& after, const QString& section, const QString& key,
                const QByteArray& value)
{
    if (before == after) return;
    const QList<QByteArray> old = lines(before);
    const QList<QByteArray> now = lines(after);
    qsizetype prefix = 0;
    while (prefix < old.size() && prefix < now.size() && old[prefix] == now[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (prefix + suffix < old.size() && prefix + suffix < now.size() &&
           old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    QList<QByteArray> removed = old.sliced(prefix, old.size() - prefix - suffix);
    QList<QByteArray> added = now.sliced(prefix, now.size() - prefix - suffix);

    const qsizetype firstLf = before.indexOf('\n');
    const QByteArray eol = firstLf > 0 && before[firstLf - 1] == '\r' ? "\r\n" : "\n";
    const QByteArray entry = latin1(key.trimmed()) + '=' + value;

    if (old.size() == now.size()) {
        if (removed.size() != 1 || added.size() != 1) fail("more than one line changed");
        // The key's line: its bytes up to "=" stay, the value goes in, the line end stays.
        const QByteArray& was = removed[0];
        qsizetype contentEnd = was.endsWith('\n') ? was.size() - 1 : was.size();
        if (contentEnd > 0 && was[contentEnd - 1] == '\r') --contentEnd;
        const qsizetype equals = was.indexOf('=');
        if (equals < 0 || equals >= contentEnd) fail("replaced a line that holds no entry");
        if (QString::fromLatin1(blankTrimmed(was.first(equals))).compare(key.trimmed(), Qt::CaseInsensitive) != 0)
            fail("replaced the value of another key");
        if (added[0] != was.first(equals + 1) + value + was.sliced(contentEnd)) fail("replaced line is wrong");
        return;
    }

    // Something added; an old last line without a line end gets one first.
    if (removed.size() == 1) {
        if (prefix + 1 != old.size() || removed[0].endsWith('\n')) fail("a line was changed or lost");
        // A last line ending in a lone CR is completed to CR LF, not given a second line end.
        const QByteArray completion = removed[0].endsWith('\r') ? QByteArray("\n") : eol;
        if (added.isEmpty() || added[0] != removed[0] + completion) fail("the last line was changed");
        added.removeFirst();
        // Added at the very end: the entry needs no line end of its own.
        if (added.size() == 1 && added[0] == entry) return;
    } else if (!removed.isEmpty()) {
        fail("lines were changed or lost");
    }
    if (added == QList<QByteArray>{entry + eol}) return;
    if (added == QList<QByteArray>{'[' + latin1(section.trimmed()) + ']' + eol, entry + eol}) return;
    fail("added lines are not the entry");
}

// A few section and key names that the file seems to hold, to read before and after a write:
// entries other than the one written must keep their values.
QList<std::pair<QString, QString>> otherEntries(const QByteArray& file, const QString& section, const QString& key)
{
    constexpr qsizetype kMaxNames = 4;
    QStringList sections, keys;
    for (const QByteArray& line : lines(file)) {
        const QByteArray content = blankTrimmed(line.endsWith('\n') ? line.chopped(1) : line);
        if (content.startsWith('[') && sections.size() < kMaxNames) {
            sections.append(QString::fromLatin1(content.sliced(1).split(']').front()).trimmed());
        } else if (content.contains('=') && keys.size() < kMaxNames) {
            keys.append(QString::fromLatin1(content.first(content.indexOf('='))).trimmed());
        }
    }
    QList<std::pair<QString, QString>> pairs;
    for (const QString& s : sections) {
        for (const QString& k : keys) {
            if (s.compare(section.trimmed(), Qt::CaseInsensitive) != 0 ||
                k.compare(key.trimmed(), Qt::CaseInsensitive) != 0)
                pairs.append({s, k});
        }
    }
    return pairs;
}

QStringList readAll(const IniProfile& profile, const QList<std::pair<QString, QString>>& entries)
{
    QStringList values;
    for (const auto& [section, key] : entries)
        values.append(profile.readString(section, key, QStringLiteral("(missing)"), 65536));
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const bool noFile = (data[0] & 0x80) != 0;
    const int sizes[] = {-1, 0, 1, 2, 3, 5, 8, 255, 256, 65536};
    const int readSize = sizes[(data[0] & 0x7F) % std::size(sizes)];
    QByteArrayView rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    QString fields[3];
    for (QString& field : fields) {
        const qsizetype nul = rest.indexOf('\0');
        if (nul < 0) break;
        field = QString::fromUtf8(rest.first(nul));
        rest = rest.sliced(nul + 1);
    }
    const QString& section = fields[0];
    const QString& key = fields[1];
    const QString& value = fields[2];

    QFile::remove(iniPath());
    if (!rest.isEmpty() || !noFile) {
        QFile file(iniPath());
        if (!file.open(QIODevice::WriteOnly) || file.write(rest.data(), rest.size()) != rest.size())
            fail("cannot write the test file");
    }
    const std::optional<QByteArray> before = readFile();

    IniProfile profile(iniPath());
    // Reading whatever is there must not crash, and must not touch the file.
    const QString dflt = QStringLiteral("  default ");
    const QString read = profile.readString(section, key, dflt, readSize);
    if (readSize > 0 && read.size() > readSize - 1) fail("read longer than its size");
    if (readFile() != before) fail("read changed the file");

    const QList<std::pair<QString, QString>> others = otherEntries(before.value_or(QByteArray()), section, key);
    const QStringList otherValues = readAll(profile, others);
    const bool written = profile.writeString(section, key, value);
    const std::optional<QByteArray> after = readFile();
    if (written != writable(section, key, value)) fail(written ? "wrote an entry it cannot hold" : "write failed");
    if (!written) {
        if (after != before) fail("failed write changed the file");
        return 0;
    }
    if (!after) fail("successful write left no file");
    checkLines(before.value_or(QByteArray()), *after, section, key, latin1(value));

    if (profile.readString(section, key, dflt, readSize) != expectedRead(value, readSize))
        fail("value does not read back");
    if (readAll(profile, others) != otherValues) fail("another entry changed its value");
    // Writing the same again finds the entry just written and changes nothing.
    if (!profile.writeString(section, key, value) || readFile() != after) fail("second write changed the file");
    return 0;
}
