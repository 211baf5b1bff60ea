// SPDX-License-Identifier: GPL-3.0-or-later
// Faults in the files Korvel reads and writes: a settings file that is missing, garbage, huge or
// cannot be written; listing files that are odd, vanish or cannot be read; capture targets that
// cannot be written and a capture that never ends. Every case must end in a defined state with
// nothing lost and the other contents of the files intact.
#include "fakes.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "board/programupload.h"
#include "common/numbers.h"
#include "platform/iniprofile.h"
#include "terminal/pause.h"

#include <QAction>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// A literal with its NULs.
template<std::size_t N> QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1));
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

// Bytes that no settings line can make sense of: no "[" and no "=", every other value mixed in.
QByteArray garbage(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes) {
        c = char(random.bounded(256));
        if (c == '[' || c == '=') c = '\0';
    }
    return bytes;
}

// The upload's line rules, the plain way: a line ends at each LF; one that a CR precedes goes out
// as it stands, any other gets CR LF in place of its LF; what follows the last LF gets CR LF. A line
// too long for the board goes out compact (that form has its own table in tst_upload).
QStringList uploadModel(const QByteArray& file)
{
    QStringList lines;
    QByteArray line;
    // A CR with no LF behind it: the file is read as typed, every CR, LF and CR LF ending a line.
    bool loneCr = false;
    for (qsizetype i = 0; i < file.size(); ++i)
        loneCr = loneCr || (file[i] == '\r' && (i + 1 == file.size() || file[i + 1] != '\n'));
    if (loneCr) {
        for (const QByteArray& piece : file.split('\n')) {
            for (const QByteArray& part : piece.split('\r'))
                lines.append(QString::fromLatin1(ProgramUpload::sendForm(part + "\r\n")));
            // A CR LF is one end: the empty part between them is no line.
            if (piece.endsWith('\r')) lines.removeLast();
        }
        // Nothing after the last end is no line.
        if (file.endsWith('\n') || file.endsWith('\r')) lines.removeLast();
        return lines;
    }
    for (qsizetype i = 0; i < file.size(); ++i) {
        line += file[i];
        if (file[i] != '\n') continue;
        if (i == 0 || file[i - 1] != '\r') {
            line.chop(1);
            line += "\r\n";
        }
        lines.append(QString::fromLatin1(ProgramUpload::sendForm(line)));
        line.clear();
    }
    if (!line.isEmpty()) lines.append(QString::fromLatin1(ProgramUpload::sendForm(line + "\r\n")));
    return lines;
}

// About a megabyte of listing with every kind of line end, a CR LF astride the upload's 64 KiB
// blocks, and NUL and bytes above 127 in the text.
QByteArray mixedListing(qsizetype size)
{
    static const char* const ends[] = {"\r\n", "\n", "\r\r\n", "\r", "\n\n"};
    QRandomGenerator random(7);
    QByteArray text;
    for (int n = 10; text.size() < size; n += 10) {
        text += QByteArray::number(n) + " PRINT \"";
        const int length = random.bounded(120);
        for (int i = 0; i < length; ++i) {
            char c = char(random.bounded(256));
            if (c == '\r' || c == '\n') c = '\0';
            text += c;
        }
        text += '"';
        text += ends[random.bounded(5)];
        if (text.size() < ProgramUpload::kBlockSize && text.size() > ProgramUpload::kBlockSize - 200) {
            text += QByteArray(ProgramUpload::kBlockSize - 1 - text.size(), 'x');
            text += "\r\n";
        }
    }
    return text;
}

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

// Lowers the file size limit for a while: writes past it fail (with EFBIG, the signal ignored),
// as they do on a full disk, for root as well.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class TestFaultsFiles : public QObject
{
    Q_OBJECT

private slots:
    void settingsFile_data();
    void settingsFile();
    void settingsFileCannotBeWritten_data();
    void settingsFileCannotBeWritten();
    void listingSent_data();
    void listingSent();
    void listingThroughTheWindow();
    void listingTrouble_data();
    void listingTrouble();
    void captureTargetCannotBeWritten_data();
    void captureTargetCannotBeWritten();
    void captureWithoutEndMarker();
};

void TestFaultsFiles::settingsFile_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("before"); // bytes in front of the program's sections, kept as they are
    QTest::addColumn<QByteArray>("ours");   // the program's two sections
    QTest::addColumn<QList<int>>("serial"); // baud, data bits, stop bits, port as start-up reads them
    QTest::addColumn<double>("mtop");

    const QByteArray ports = "[Ports]\n1=/dev/ttyUSB0\n";
    const QList<int> unset = {0, 0, 0, 0};
    QTest::newRow("missing") << false << QByteArray() << QByteArray() << unset << 32768.0;
    QTest::newRow("empty") << true << QByteArray() << QByteArray() << unset << 32768.0;
    QTest::newRow("binary garbage") << true << garbage(64 * 1024, 1) << QByteArray() << unset << 32768.0;
    QTest::newRow("garbage around values")
        << true << garbage(4096, 2) + "\n" + ports
        << bytes("[ComPort]\nBaud= 96\x01"
                 "00\nDatabits=\xff 7\nStopbits= 2\0\nPort= 3\n[MTop]\nMTop= &H1000\x80\n")
        << QList<int>{96, 0, 2, 3} << 4096.0;

    QByteArray big = "[Big]\n";
    for (int i = 0; big.size() < 10 * 1024 * 1024; ++i)
        big += "key" + QByteArray::number(i) + "= " + QByteArray(100, char('a' + i % 26)) + "\n";
    QTest::newRow("10 MB") << true << big + ports
                           << QByteArray(
                                  "[ComPort]\nBaud= 9600\nDatabits= 8\nStopbits= 1\nPort= 2\n[MTop]\nMTop= 4096\n")
                           << QList<int>{9600, 8, 1, 2} << 4096.0;

    const QByteArray longLine(100'000, '7');
    QTest::newRow("100,000-character lines")
        << true << "[" + longLine + "]\nk=" + longLine + "\n" + longLine + "\n" + ports
        << "[ComPort]\nBaud=" + longLine + "\nDatabits= 8" + QByteArray(100'000, ' ') +
               "\nStopbits=" + QByteArray(100'000, ' ') + "1\nPort= 1\n[MTop]\nMTop=" + longLine + "\n"
        << QList<int>{0, 8, 1, 1} << 7777777777777777777.0;

    // Values that do not fit a 4-byte integer read as 0; so do numbers whose exponent overflows.
    QTest::newRow("out of range") << true << ports
                                  << QByteArray(
                                         "[ComPort]\nBaud= 2147483648\nDatabits= -2147483648\nStopbits= 2147483647.5\n"
                                         "Port= &H100000000\n[MTop]\nMTop= 1D999\n")
                                  << QList<int>{0, -2147483647 - 1, 0, 0} << 32768.0;
    QTest::newRow("overflowing exponents")
        << true << ports
        << QByteArray("[ComPort]\nBaud= 1E400\nDatabits= 1e-400\nStopbits= 9.6E3\nPort= 2.5\n[MTop]\nMTop= -1E308\n")
        << QList<int>{0, 0, 9600, 2} << -1e308;
}

void TestFaultsFiles::settingsFile()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, ours);
    QFETCH(QList<int>, serial);
    QFETCH(double, mtop);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Korvel.ini"));
    if (exists) QVERIFY(writeFile(path, before + ours));

    FakePlatform fakes;
    IniProfile profile(path);
    Form1 form(Platform{fakes.line, fakes.clock, fakes.fileDialog, profile, fakes.launcher, fakes.associations,
                        fakes.helpViewer, fakes.prompter, fakes.applicationDir});
    form.load();
    QCOMPARE((QList<int>{fakes.line.baudRate(), fakes.line.dataBits(), fakes.line.stopBits(), fakes.line.portNumber()}),
             serial);
    QCOMPARE(form.mtop(), mtop);

    // Exit writes one changed value and the rest as read; whatever stood around them stays.
    fakes.line.setBaudRate(4800);
    triggerAction(form, QStringLiteral("End"));
    const QByteArray after = readFile(path);
    QVERIFY(after.startsWith(before));
    const auto value = [&](const char* section, const char* key) {
        return numbers::readNumber(profile.readString(QString::fromLatin1(section), QString::fromLatin1(key), {}, 64));
    };
    QCOMPARE(value("ComPort", "Baud"), 4800.0);
    QCOMPARE(value("ComPort", "Databits"), double(serial[1]));
    QCOMPARE(value("ComPort", "Stopbits"), double(serial[2]));
    QCOMPARE(value("ComPort", "Port"), double(serial[3]));
    QCOMPARE(value("MTop", "MTop"), mtop);
    if (before.contains("[Ports]")) QCOMPARE(profile.readString("Ports", "1", {}, 64), QStringLiteral("/dev/ttyUSB0"));
}

void TestFaultsFiles::settingsFileCannotBeWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("disk full") << QStringLiteral("disk full");
    QTest::newRow("folder is a file") << QStringLiteral("folder is a file");
    QTest::newRow("read-only folder") << QStringLiteral("read-only folder");
    QTest::newRow("read-only file") << QStringLiteral("read-only file");
}

void TestFaultsFiles::settingsFileCannotBeWritten()
{
    QFETCH(QString, kind);
    if (kind.startsWith(QLatin1String("read-only")) && runningAsRoot())
        QSKIP("permissions do not stop root; the disk-full row covers a failing write");
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Korvel.ini"));
    QByteArray original = "[Other]\nkeep=me\n[ComPort]\nBaud= 9600\nDatabits= 8\nStopbits= 1\nPort= 0\n"
                          "[MTop]\nMTop= 4096\n" +
                          QByteArray(8192, '#') + "\n";
    if (kind == QLatin1String("folder is a file")) {
        // The file's would-be folder is a file: nothing there can be read or written.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plain")), original));
        path = dir.filePath(QStringLiteral("plain/Korvel.ini"));
        original = readFile(dir.filePath(QStringLiteral("plain")));
    } else {
        QVERIFY(writeFile(path, original));
    }
    if (kind == QLatin1String("read-only folder"))
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    if (kind == QLatin1String("read-only file")) QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));

    FakePlatform fakes;
    IniProfile profile(path);
    Form1 form(Platform{fakes.line, fakes.clock, fakes.fileDialog, profile, fakes.launcher, fakes.associations,
                        fakes.helpViewer, fakes.prompter, fakes.applicationDir});
    form.load();
    const bool readable = kind != QLatin1String("folder is a file");
    QCOMPARE(fakes.line.baudRate(), readable ? 9600 : 0);
    QCOMPARE(form.mtop(), readable ? 4096.0 : 32768.0);
    fakes.line.setBaudRate(4800);
    {
        std::optional<FileSizeLimit> limit;
        if (kind == QLatin1String("disk full")) limit.emplace(1024);
        triggerAction(form, QStringLiteral("End"));
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // Nothing was written, and the old file is whole; no half-written copy lies beside it.
    if (readable)
        QCOMPARE(readFile(path), original);
    else
        QCOMPARE(readFile(dir.filePath(QStringLiteral("plain"))), original);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestFaultsFiles::listingSent_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("NUL and bytes above 127")
        << bytes("10 PRINT \"\0\x80\xff\"\r\n20 REM \xe9\xa0\n\0\0\n30 \r\r\n40 \rEND");
    QTest::newRow("line ends only") << QByteArray("\n\r\n\r\r\n\n");
    QTest::newRow("1 MB, every kind of line end") << mixedListing(1024 * 1024);
    QTest::newRow("1 MB in one line") << QByteArray(1024 * 1024, 'A');
}

void TestFaultsFiles::listingSent()
{
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prog.bas"));
    QVERIFY(writeFile(path, file));
    FakeSerialLine line;
    FakeClock clock;
    FakeFileDialog dialog;
    FakeSurface surface;
    FakePrompter prompter;
    prompter.answers = {Prompter::Answer::First}; // lines too long for the board go out all the same
    Pause pause(clock);
    ProgramUpload upload(line, pause, dialog, surface, prompter);
    dialog.answers = {path};
    upload.loadProgram();

    QCOMPARE(line.sends, QStringList{QStringLiteral("new\r\n")} + uploadModel(file));
    QCOMPARE(clock.idleCalls, line.sends.size());
    QCOMPARE(surface.progressValues.size(), file.size() + 1);
    QVERIFY(std::is_sorted(surface.progressValues.begin(), surface.progressValues.end()));
    QCOMPARE(surface.progressValues.last(), 100.0f);
    QVERIFY(!surface.progressVisible);
    QCOMPARE(surface.status, QString());
}

void TestFaultsFiles::listingThroughTheWindow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prog.lis"));
    const QByteArray file = mixedListing(256 * 1024);
    QVERIFY(writeFile(path, file));
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    fakes.fileDialog.answers = {path};
    fakes.prompter.answers = {Prompter::Answer::First}; // some lines are too long for the board
    triggerAction(form, QStringLiteral("merge"));
    QCOMPARE(fakes.line.sends, uploadModel(file));
    auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    QCOMPARE(bar->value(), 100);
    QVERIFY(!bar->isVisible());
}

void TestFaultsFiles::listingTrouble_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<QString>("status"); // "%1" stands for the file name
    QTest::addColumn<int>("sent");       // lines sent after "new", -1: not even "new"
    QTest::newRow("deleted while the dialog is open") << QStringLiteral("deleted in dialog") << QString() << -1;
    QTest::newRow("deleted during the upload") << QStringLiteral("deleted during") << QString() << 1000;
    QTest::newRow("cut short during the upload")
        << QStringLiteral("cut short") << QStringLiteral("Cannot read %1") << 0;
    QTest::newRow("larger than 2 GiB") << QStringLiteral("huge") << QStringLiteral("Cannot read %1") << -1;
    QTest::newRow("a folder") << QStringLiteral("folder") << QString() << -1;
    QTest::newRow("no read permission") << QStringLiteral("unreadable") << QStringLiteral("Cannot read %1") << -1;
}

void TestFaultsFiles::listingTrouble()
{
    QFETCH(QString, trouble);
    QFETCH(QString, status);
    QFETCH(int, sent);
    if (trouble == QLatin1String("unreadable") && runningAsRoot())
        QSKIP("root reads any file; the cut-short and 2 GiB rows cover a failing read");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prog.bas"));
    QByteArray file;
    for (int n = 1; n <= 1000; ++n)
        file += QByteArray::number(n * 10) + " REM " + QByteArray(100, 'r') + "\r\n";
    QVERIFY(writeFile(path, file));

    FakeSerialLine line;
    FakeClock clock;
    FakeFileDialog dialog;
    FakeSurface surface;
    FakePrompter prompter;
    prompter.answers = {Prompter::Answer::First}; // lines too long for the board go out all the same
    Pause pause(clock);
    ProgramUpload upload(line, pause, dialog, surface, prompter);
    dialog.answers = {path};
    if (trouble == QLatin1String("deleted in dialog")) dialog.whileOpen = [&] { QFile::remove(path); };
    if (trouble == QLatin1String("deleted during")) clock.onIdle = [&] { QFile::remove(path); };
    if (trouble == QLatin1String("cut short")) clock.onIdle = [&] { QFile::resize(path, 0); };
    if (trouble == QLatin1String("huge")) QVERIFY(QFile::resize(path, qint64(3) << 30));
    if (trouble == QLatin1String("folder")) {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("prog.bas")));
    }
    if (trouble == QLatin1String("unreadable")) QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    upload.loadProgram();

    QStringList expected;
    if (sent >= 0) expected = QStringList{QStringLiteral("new\r\n")} + uploadModel(file).first(sent);
    // A file cut short sends the lines of the block read before the cut, and nothing after it.
    if (trouble == QLatin1String("cut short")) {
        const QByteArray firstBlock = file.first(ProgramUpload::kBlockSize);
        expected = QStringList{QStringLiteral("new\r\n")} + uploadModel(firstBlock);
        if (!firstBlock.endsWith('\n')) expected.removeLast();
    }
    QCOMPARE(line.sends, expected);
    QCOMPARE(surface.status, status.isEmpty() ? status : status.arg(path));
    QVERIFY(!surface.progressVisible);
    if (trouble == QLatin1String("deleted during")) QCOMPARE(surface.progressValues.last(), 100.0f);
}

void TestFaultsFiles::captureTargetCannotBeWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder is a file") << QStringLiteral("folder is a file");
    QTest::newRow("target is a folder") << QStringLiteral("target is a folder");
    QTest::newRow("disk full") << QStringLiteral("disk full");
    QTest::newRow("read-only folder") << QStringLiteral("read-only folder");
}

void TestFaultsFiles::captureTargetCannotBeWritten()
{
    QFETCH(QString, kind);
    if (kind == QLatin1String("read-only folder") && runningAsRoot())
        QSKIP("permissions do not stop root; the other rows cover a target that cannot be written");
    QTemporaryDir dir;
    QString target = dir.filePath(QStringLiteral("PROG.LIS"));
    const QByteArray old = "old listing\r\n";
    if (kind == QLatin1String("folder is a file")) {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plain")), old));
        target = dir.filePath(QStringLiteral("plain/PROG.LIS"));
    } else if (kind == QLatin1String("target is a folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("PROG.LIS")));
    } else {
        QVERIFY(writeFile(target, old));
    }
    if (kind == QLatin1String("read-only folder"))
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));

    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    fakes.fileDialog.answers = {target};
    const QString listing = QStringLiteral("10 PRINT 1\r\n").repeated(200);
    {
        std::optional<FileSizeLimit> limit;
        if (kind == QLatin1String("disk full")) limit.emplace(100);
        fakes.clock.onIdle = [&] {
            fakes.line.deliver(QStringLiteral("LIST\r\n") + listing);
            fakes.line.deliver(QStringLiteral("READY\r\n>"));
        };
        triggerAction(form, QStringLiteral("save"));
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // The capture is over, the failure is said, and what was there before is untouched.
    QCOMPARE(form.capture().mode(), CaptureMode::Terminal);
    QCOMPARE(form.capture().buffer(), QStringLiteral("LIST\r\n") + listing + QStringLiteral("READY\r\n>"));
    QCOMPARE(form.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->currentMessage(),
             QStringLiteral("Cannot write ") + target);
    if (kind == QLatin1String("folder is a file"))
        QCOMPARE(readFile(dir.filePath(QStringLiteral("plain"))), old);
    else if (kind != QLatin1String("target is a folder"))
        QCOMPARE(readFile(target), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
             kind == QLatin1String("target is a folder") ? 0 : 1);
    // What the board sent is shown, since it went nowhere else; then the terminal goes on.
    fakes.line.deliver(QStringLiteral("after"));
    QVERIFY(form.terminal().text().endsWith(QStringLiteral("READY\r\n>after")));
}

void TestFaultsFiles::captureWithoutEndMarker()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("BIG.LIS"));
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    const size_t heapBefore = heapInUse();

    // A listing just under the capture's 1 MiB, full of near misses of the end marker, in chunks of
    // every size up to 8 KiB. Every line is a listing line, or Save would take it for a program's output.
    const auto listingOf = [](qsizetype size) {
        static const char* const misses[] = {"READY\r\n", "READY\r\n0 X<", "READY\r>", "READ\r\n1 X>",
                                             "EADY\r\n2 X>"};
        QRandomGenerator random(3);
        QString listing;
        listing.reserve(size + 200);
        for (int n = 1; listing.size() < size; ++n) {
            listing += QString::number(n % 65535) + QStringLiteral(" PRINT \"\xe9\" ");
            listing += QLatin1String(misses[random.bounded(5)]);
            listing += QStringLiteral("\r\n");
        }
        return listing;
    };
    const auto save = [&](const QString& listing, bool ended) {
        fakes.fileDialog.answers = {target};
        fakes.clock.step = [](qint64) { return qint64(10'000'000); };
        fakes.clock.onIdle = [&] {
            fakes.line.deliver(QStringLiteral("LIST\r\n"));
            QRandomGenerator random(4);
            for (qsizetype at = 0; at < listing.size() && form.capture().mode() != CaptureMode::Terminal;) {
                const qsizetype size = 1 + random.bounded(8192);
                fakes.line.deliver(listing.mid(at, size));
                at += size;
            }
            if (!ended) return;
            // Everything is kept, nothing is shown, and the capture waits on.
            QCOMPARE(form.capture().mode(), CaptureMode::Capturing);
            QVERIFY(form.capture().buffer() == QStringLiteral("LIST\r\n") + listing);
            QCOMPARE(form.terminal().text(), QString());
            QVERIFY(!QFileInfo::exists(target));
            // The marker, split over two chunks, ends it.
            fakes.line.deliver(QStringLiteral("READY\r"));
            fakes.line.deliver(QStringLiteral("\n>"));
        };
        triggerAction(form, QStringLiteral("save"));
        fakes.clock.onIdle = nullptr;
    };

    QString listing = listingOf(ListingCapture::kMaxAnswer - 100);
    save(listing, true);
    QCOMPARE(form.capture().mode(), CaptureMode::Terminal);
    QVERIFY(readFile(target) == listing.toLatin1() + "\r\n");

    // Past 1 MiB it is no listing: the capture ends without waiting for a prompt, and shows it all.
    const QByteArray written = readFile(target);
    save(listingOf(ListingCapture::kMaxAnswer + 100), false);
    QCOMPARE(form.capture().ending(), ListingCapture::Ending::NotListing);
    QVERIFY(readFile(target) == written);
    QVERIFY(form.terminal().text().size() > 0);

    // Of the capture only its buffer remains, as the next capture finds it; that one replaces it,
    // and the heap is back at its level.
    listing.clear();
    listing.squeeze();
    const size_t heapKept = heapInUse();
    const size_t bufferBytes = size_t(form.capture().buffer().capacity()) * 2;
    QVERIFY2(heapKept < heapBefore + bufferBytes + 2 * 1024 * 1024,
             qPrintable(QStringLiteral("%1 %2 %3").arg(heapBefore).arg(heapKept).arg(bufferBytes)));
    fakes.fileDialog.answers = {target};
    fakes.clock.onIdle = [&] {
        fakes.line.deliver(QStringLiteral("LIST\r\n10 END\r\n"));
        fakes.line.deliver(QStringLiteral("READY\r\n>"));
    };
    triggerAction(form, QStringLiteral("save"));
    QCOMPARE(readFile(target), QByteArray("10 END\r\n\r\n"));
    const size_t heapAfter = heapInUse();
    QVERIFY2(heapAfter < heapBefore + 2 * 1024 * 1024,
             qPrintable(QStringLiteral("heap before %1, after %2").arg(heapBefore).arg(heapAfter)));
}

QTEST_MAIN(TestFaultsFiles)
#include "tst_faults_files.moc"
