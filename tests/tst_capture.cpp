// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandrunner.h"
#include "app/receivepath.h"
#include "board/listingcapture.h"
#include "board/programtext.h"
#include "board/programupload.h"
#include "capturereference.h"
#include "fakes.h"
#include "terminal/pause.h"
#include "terminal/terminalbuffer.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Save and Verify as the window runs them: through the command runner, the board's chunks arriving
// one at each wake of the clock while the capture waits.
struct Rig
{
    FakeSerialLine line;
    FakeClock clock;
    FakeFileDialog dialog;
    TerminalBuffer terminal;
    FakeSurface surface;
    FakePrompter prompter;
    Pause pause{clock};
    ListingCapture capture{line, pause, dialog, terminal, surface, prompter};
    ReceivePath receivePath{terminal, capture};
    CommandRunner runner{pause, receivePath, line, surface};
    QTemporaryDir dir;
    QString target = dir.filePath(QStringLiteral("prog.lis"));
    QStringList chunks;             // still to come from the board
    std::function<void()> whenQuiet; // once they are all in; a silent board is cancelled by default

    Rig()
    {
        line.open();
        clock.step = [](qint64) { return qint64(10'000'000); };
        clock.onIdle = [this] {
            if (!chunks.isEmpty())
                receive(chunks.takeFirst());
            else if (whenQuiet)
                whenQuiet();
            else
                runner.cancel();
        };
    }

    // Through the main window's own receive path, so its order of steps is under test too.
    void receive(const QString& chunk)
    {
        line.deliver(chunk);
        receivePath.deliver(chunk);
    }

    void run(const std::function<void()>& command, const QStringList& answer)
    {
        chunks = answer;
        runner.run(QStringLiteral("Save Program"), command);
        // What comes after the command has ended goes to the terminal.
        while (!chunks.isEmpty())
            receive(chunks.takeFirst());
    }
    void save(const QString& name, const QStringList& answer)
    {
        dialog.answers = {name};
        run([this] { capture.saveProgram(); }, answer);
    }

    static constexpr const char* kMissing = "<no file>";
    // The target's bytes, or kMissing.
    QByteArray file() const
    {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(kMissing);
    }
};

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void saveAsksAndSendsList();
    void answers_data();
    void answers();
    void endings_data();
    void endings();
    void unwritableTargetKeepsTheOldFile();
    void matchesTheReferenceOnRandomSplits();
    void comparison_data();
    void comparison();
    void verifyProgram();
};

void TestCapture::saveAsksAndSendsList()
{
    Rig rig;
    rig.terminal.append(u"old text");
    rig.dialog.choose(QStringLiteral("/last/choice.lis"));
    rig.dialog.answers = {rig.target};
    QString statusWhileWaiting;
    rig.whenQuiet = [&] {
        statusWhileWaiting = rig.surface.status;
        QCOMPARE(rig.terminal.text(), QString());
        QCOMPARE(rig.capture.mode(), CaptureMode::AwaitingEcho);
        rig.runner.cancel();
    };
    rig.runner.run(QStringLiteral("Save Program"), [&] { rig.capture.saveProgram(); });

    QCOMPARE(rig.line.sends, QStringList{"LIST\r\n"});
    QCOMPARE(statusWhileWaiting, "Saving " + rig.target + " ...");
    QCOMPARE(rig.capture.target(), rig.target);
    QCOMPARE(rig.surface.progressValues, QList<float>{0});
    QCOMPARE(rig.surface.visibility, QList<bool>{false});
    QCOMPARE(rig.dialog.shown.size(), 1);
    QCOMPARE(rig.dialog.shown[0].mode, FileRequest::Mode::Save);
    QCOMPARE(rig.dialog.shown[0].proposedName, QString());
    QCOMPARE(rig.dialog.shown[0].defaultSuffix, FileDialog::kListingSuffix);
    QCOMPARE(rig.dialog.shown[0].filter, FileDialog::kListingFilter);

    // A dialog cancelled sends nothing and leaves the terminal alone.
    Rig other;
    other.terminal.append(u"old text");
    other.run([&] { other.capture.saveProgram(); }, {});
    QVERIFY(other.line.sends.isEmpty());
    QCOMPARE(other.terminal.text(), QStringLiteral("old text"));
    QVERIFY(other.surface.statusTexts.isEmpty());
}

void TestCapture::answers_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("buffer");
    QTest::addColumn<bool>("listing"); // else nothing is written, the status says so, the terminal shows it all

    const QByteArray none(Rig::kMissing);
    QTest::newRow("plain") << QStringList{"LIST\r\n", "10 A\r\n20 B\r\n", "READY\r\n>"}
                           << QByteArray("10 A\r\n20 B\r\n\r\n") << "LIST\r\n10 A\r\n20 B\r\nREADY\r\n>" << true;
    QTest::newRow("echo split") << QStringList{"LI", "ST\r\n10 A\r\nREADY\r\n>"} << QByteArray("10 A\r\n\r\n")
                                << "LIST\r\n10 A\r\nREADY\r\n>" << true;
    QTest::newRow("echo behind the LF before it") << QStringList{"\nLIST\r", "\n10 A\r\nREADY\r\n>"}
                                                  << QByteArray("10 A\r\n\r\n") << "\nLIST\r\n10 A\r\nREADY\r\n>" << true;
    QTest::newRow("end marker split") << QStringList{"LIST\r\n", "10 A\r\nREA", "DY\r", "\n", ">"}
                                      << QByteArray("10 A\r\n\r\n") << "LIST\r\n10 A\r\nREADY\r\n>" << true;
    // An empty program: LIST answers nothing, which is a listing too.
    QTest::newRow("empty program") << QStringList{"LIST\r\n", "READY\r\n>"} << QByteArray("\r\n")
                                   << "LIST\r\nREADY\r\n>" << true;
    // In front of the second prompt stands the first, so only the text in front of the first is a listing.
    QTest::newRow("two markers: the first counts")
        << QStringList{"LIST\r\n", "10 A\r\nREADY\r\n>\r\n20 B\r\nREADY\r\n>tail"} << QByteArray("10 A\r\n\r\n")
        << "LIST\r\n10 A\r\nREADY\r\n>\r\n20 B\r\nREADY\r\n>tail" << true;
    // Only the echo at the start is cut: a listing line that ends in LIST is the program's.
    QTest::newRow("REM ending in LIST") << QStringList{"LIST\r\n10     REM SHOPPING LIST\r\n20     END\r\nREADY\r\n>"}
                                        << QByteArray("10     REM SHOPPING LIST\r\n20     END\r\n\r\n")
                                        << "LIST\r\n10     REM SHOPPING LIST\r\n20     END\r\nREADY\r\n>" << true;
    QTest::newRow("string variable") << QStringList{"LIST\r\n10     $(0)=\"A\"\r\nREADY\r\n>"}
                                     << QByteArray("10     $(0)=\"A\"\r\n\r\n") << "LIST\r\n10     $(0)=\"A\"\r\nREADY\r\n>"
                                     << true;
    QTest::newRow("8-bit characters") << QStringList{"LIST\r\n", QString::fromLatin1("10 REM \xe4\r\nREADY\r\n>")}
                                      << QByteArray("10 REM \xe4\r\n\r\n")
                                      << QString::fromLatin1("LIST\r\n10 REM \xe4\r\nREADY\r\n>") << true;
    // Save chosen while a program printed numbers: its output ends the capture at its first line,
    // long before any prompt.
    QTest::newRow("numbers") << QStringList{"LIST\r\n 159 \r\n", " 160 \r\n", " 161 \r\n"} << none
                             << "LIST\r\n 159 \r\n" << false;
    QTest::newRow("two numbers") << QStringList{" 1  2 \r\n", "READY\r\n>"} << none << " 1  2 \r\n" << false;
    QTest::newRow("program stopped")
        << QStringList{"LIST\r\n", " 1 \r\n 2 \r\nSTOP - IN LINE 20\r\n", "READY\r\n>"} << none
        << "LIST\r\n 1 \r\n 2 \r\nSTOP - IN LINE 20\r\n" << false;
    QTest::newRow("case matters") << QStringList{"list\r\n", "10 A\r\nREADY\r\n>"} << none << "list\r\n" << false;
    QTest::newRow("no listing before the prompt") << QStringList{"LIST\r\nSTOP", "\r\nREADY\r\n>"} << none
                                                  << "LIST\r\nSTOP\r\nREADY\r\n>" << false;
}

void TestCapture::answers()
{
    QFETCH(QStringList, chunks);
    QFETCH(QByteArray, file);
    QFETCH(QString, buffer);
    QFETCH(bool, listing);
    Rig rig;
    rig.whenQuiet = [] { QFAIL("the capture did not end with the board's answer"); };
    rig.save(rig.target, chunks);

    QCOMPARE(rig.file(), file);
    QCOMPARE(rig.capture.buffer(), buffer);
    QCOMPARE(rig.capture.mode(), CaptureMode::Terminal);
    QCOMPARE(rig.capture.ending(), listing ? ListingCapture::Ending::Done : ListingCapture::Ending::NotListing);
    QCOMPARE(rig.surface.status,
             listing ? QString() : "The board's answer is not a listing: nothing written to " + rig.target);
    // A listing written shows nothing; otherwise everything the board said is in the terminal.
    QCOMPARE(rig.terminal.text(), listing ? QString() : chunks.join(QString()));
}

void TestCapture::endings_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<bool>("listSent");
    QTest::addColumn<QString>("status"); // %1: the file
    QTest::addColumn<QString>("shown");

    QTest::newRow("save cancelled on a silent board")
        << "cancel" << false << true << "Save cancelled: nothing written to %1" << "LIST\r\n10 A\r\n";
    QTest::newRow("verify cancelled") << "cancel" << true << true << "Verify cancelled: nothing compared with %1"
                                      << "LIST\r\n10 A\r\n";
    QTest::newRow("line lost") << "lose" << false << true
                               << "Save cancelled: Port 0 was lost; nothing written to %1" << "LIST\r\n10 A\r\n";
    QTest::newRow("quit") << "quit" << false << true << "Save cancelled: nothing written to %1" << "LIST\r\n10 A\r\n";
    QTest::newRow("line down") << "down" << false << false << "Not sent: port 0 is not open" << "";
}

void TestCapture::endings()
{
    QFETCH(QString, how);
    QFETCH(bool, verify);
    QFETCH(bool, listSent);
    QFETCH(QString, status);
    QFETCH(QString, shown);
    Rig rig;
    QFile source(rig.target);
    QVERIFY(source.open(QIODevice::WriteOnly) && source.write("10 A\r\n") > 0);
    source.close();
    if (how == u"down") rig.line.close();
    rig.whenQuiet = [&] {
        if (how == u"lose") {
            rig.line.close();
            rig.line.reportProblem(QStringLiteral("Port 0 was lost"));
        } else if (how == u"quit") {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        } else {
            rig.runner.cancel();
        }
    };
    rig.dialog.answers = {rig.target};
    rig.chunks = {QStringLiteral("LIST\r\n10 "), QStringLiteral("A\r\n")};
    const bool ran = rig.runner.run(QStringLiteral("Save Program"), [&] {
        if (verify) {
            rig.capture.verifyProgram();
        } else {
            rig.capture.saveProgram();
        }
    });
    if (!ran) {
        // The line was down: the runner said so and nothing started.
        QCOMPARE(rig.dialog.shown.size(), 0);
    }
    if (how == u"quit") QCoreApplication::removePostedEvents(nullptr); // the quit that goes on
    if (ran) QCOMPARE(rig.terminal.text(), shown);
    QCOMPARE(rig.line.sends.contains(QStringLiteral("LIST\r\n")), listSent);
    QCOMPARE(rig.surface.status, status.arg(rig.target));
    QCOMPARE(rig.file(), QByteArray("10 A\r\n"));
    QCOMPARE(rig.capture.mode(), CaptureMode::Terminal);
    QVERIFY(!rig.runner.busy());
}

void TestCapture::unwritableTargetKeepsTheOldFile()
{
    Rig rig;
    // The target is a directory: nothing can be renamed over it.
    const QString blocked = rig.dir.filePath(QStringLiteral("blocked.lis"));
    QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("blocked.lis")));
    QFile old(rig.target);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old program\r\n") > 0);
    old.close();

    for (const QString& target : {blocked, rig.dir.filePath(QStringLiteral("no/such/dir/prog.lis"))}) {
        rig.save(target, {QStringLiteral("LIST\r\n10 A\r\nREADY\r\n>"), QStringLiteral("\r\n")});
        QCOMPARE(rig.surface.status, "Cannot write " + target);
        QCOMPARE(rig.capture.ending(), ListingCapture::Ending::CannotWrite);
    }
    QVERIFY(QFileInfo(blocked).isDir());
    QCOMPARE(rig.file(), QByteArray("old program\r\n"));
    QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"prog.lis"});
}

void TestCapture::matchesTheReferenceOnRandomSplits()
{
    // Answers built from pieces that make and break markers, split at random places.
    const QStringList pieces{"LIST\r\n", "LI", "ST", "\r\n", "READY\r\n>", "READY", "\r\n>", ">", "R", "10 A", "x", " 1 "};
    QRandomGenerator random(4);
    // Few rounds: each finished capture syncs its file to disk. The fuzzer runs the long version.
    for (int round = 0; round < 300; ++round) {
        QString answer;
        for (int n = random.bounded(1, 20); n > 0; --n)
            answer += pieces[random.bounded(pieces.size())];

        Rig rig;
        CaptureReference reference;
        QVERIFY(rig.capture.start(ListingCapture::Purpose::Save, rig.target));
        for (qsizetype at = 0; at < answer.size();) {
            const qsizetype length = random.bounded(1, 10);
            const QString chunk = answer.mid(at, length);
            at += length;
            rig.receive(chunk);
            reference.receive(chunk);

            const QByteArray context = QStringLiteral("round %1, answer %2").arg(round).arg(answer).toUtf8();
            QVERIFY2(int(rig.capture.mode()) == reference.mode, context);
            QVERIFY2(rig.capture.buffer() == reference.buffer, context);
            QVERIFY2(rig.file() == (reference.file ? reference.file->toLatin1() : QByteArray(Rig::kMissing)), context);
            if (reference.mode == 0) break;
        }
    }
}

void TestCapture::comparison_data()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("board");
    QTest::addColumn<QStringList>("differences"); // "missing N", "extra N", "differs N"
    QTest::addColumn<int>("fileLines");

    const QStringList listed{"10     PRINT \"a  b\"", "20     FOR I=1 TO 3", "30     NEXT I", ""};
    QTest::newRow("spacing and case outside strings")
        << QStringList{"10 print \"a  b\"", "20 for i = 1 to 3", "30 NEXT  I"} << listed << QStringList{} << 3;
    QTest::newRow("case inside a string")
        << QStringList{"10 print \"A  B\"", "20 FORI=1TO3", "30 NEXTI"} << listed << QStringList{"differs 10"} << 3;
    QTest::newRow("missing and extra") << QStringList{"10 print \"a  b\"", "25 END", "30 next i"} << listed
                                       << QStringList{"extra 20", "missing 25"} << 3;
    // As the board files lines: the later of two wins, a number alone deletes, above 65535 and
    // commands store nothing.
    QTest::newRow("as the board files lines") << QStringList{"10 print \"x\"",
                                                             "20 for i=1 to 3",
                                                             "10 print \"a  b\"",
                                                             "30 NEXT I",
                                                             "40 END",
                                                             "40",
                                                             "65536 END",
                                                             "new",
                                                             "PRINT 1"}
                                              << listed << QStringList{} << 3;
    QTest::newRow("empty program") << QStringList{} << QStringList{""} << QStringList{} << 0;
}

void TestCapture::comparison()
{
    QFETCH(QStringList, file);
    QFETCH(QStringList, board);
    QFETCH(QStringList, differences);
    QFETCH(int, fileLines);
    const programtext::Comparison result = programtext::compareProgram(file, board);
    QStringList got;
    for (const auto& [kind, list] : {std::pair{"missing", result.missing}, std::pair{"extra", result.extra},
                                     std::pair{"differs", result.differing}}) {
        for (const auto& difference : list)
            got.append(QStringLiteral("%1 %2").arg(QLatin1String(kind)).arg(difference.number));
    }
    got.sort();
    QCOMPARE(got, differences);
    QCOMPARE(result.fileLines, fileLines);
    QCOMPARE(result.matches(), differences.isEmpty());
}

void TestCapture::verifyProgram()
{
    Rig rig;
    const QString source = rig.dir.filePath(QStringLiteral("verify.lis"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("10 print 1\r20 print 2\r") > 0);
    file.close();
    const QString answer = QStringLiteral("LIST\r\n10     PRINT 1\r\n20     PRINT 3\r\n\r\nREADY\r\n>");
    for (const bool same : {false, true}) {
        rig.dialog.answers = {source};
        rig.run([&] { rig.capture.verifyProgram(); }, {same ? QString(answer).replace(u'3', u'2') : answer});
        QCOMPARE(rig.line.sends.last(), QStringLiteral("LIST\r\n"));
        QVERIFY(rig.surface.statusTexts.contains("Verifying " + source + " ..."));
        QCOMPARE(rig.capture.mode(), CaptureMode::Terminal);
        QCOMPARE(rig.surface.status,
                 same ? "Program on the board matches " + source + " (2 lines)"
                      : "Program on the board differs from " + source + ": 0 missing, 0 extra, 1 different");
        QCOMPARE(rig.terminal.text(), QString());
    }
    QCOMPARE(rig.prompter.reports.size(), 1);
    QCOMPARE(rig.prompter.reports[0].second.simplified(),
             QStringLiteral("line 20 differs file: 20 print 2 board: 20 PRINT 3"));
    QCOMPARE(rig.file(), QByteArray(Rig::kMissing));
}

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
