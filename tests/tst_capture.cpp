// SPDX-License-Identifier: GPL-3.0-or-later
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

struct Rig
{
    FakeSerialLine line;
    FakeFileDialog dialog;
    TerminalBuffer terminal;
    FakeSurface surface;
    FakePrompter prompter;
    ListingCapture capture{line, dialog, terminal, surface, prompter};
    ReceivePath receivePath{terminal, capture};
    QTemporaryDir dir;
    QString target = dir.filePath(QStringLiteral("prog.lis"));

    // Through the main window's own receive path, so its order of steps is under test too.
    void receive(const QString& chunk) { receivePath.deliver(chunk); }

    void save(const QString& name)
    {
        dialog.answers = {name};
        capture.saveProgram();
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
    void saveProgramStartsTheCapture();
    void cancelledDialogChangesNothing();
    void answers_data();
    void answers();
    void wholeAnswerInOneChunkEndsTheCapture();
    void clearScreenAndOtherDialogsLeaveTheCaptureAlone();
    void unwritableTargetKeepsTheOldFile();
    void matchesTheReferenceOnRandomSplits();
    void comparison_data();
    void comparison();
    void verifyProgram();
};

void TestCapture::saveProgramStartsTheCapture()
{
    Rig rig;
    rig.terminal.append(u"old text");
    rig.dialog.choose(QStringLiteral("/last/choice.lis"));

    rig.save(rig.target);

    QCOMPARE(rig.line.sends, QStringList{"LIST\r\n"});
    QCOMPARE(rig.terminal.text(), QString());
    QCOMPARE(rig.capture.mode(), CaptureMode::AwaitingEcho);
    QCOMPARE(rig.capture.target(), rig.target);
    QCOMPARE(rig.surface.status, "Saving " + rig.target + " ...");
    QCOMPARE(rig.surface.progressValues, QList<float>{0});
    QCOMPARE(rig.surface.visibility, QList<bool>{false});
    QCOMPARE(rig.dialog.shown.size(), 1);
    QCOMPARE(rig.dialog.shown[0].mode, FileRequest::Mode::Save);
    QCOMPARE(rig.dialog.shown[0].proposedName, QString());
    QCOMPARE(rig.dialog.shown[0].defaultSuffix, FileDialog::kListingSuffix);
    QCOMPARE(rig.dialog.shown[0].filter, FileDialog::kListingFilter);
}

void TestCapture::cancelledDialogChangesNothing()
{
    Rig rig;
    rig.terminal.append(u"old text");
    rig.capture.saveProgram();
    QVERIFY(rig.line.sends.isEmpty());
    QCOMPARE(rig.terminal.text(), QStringLiteral("old text"));
    QCOMPARE(rig.capture.mode(), CaptureMode::Terminal);
    QVERIFY(rig.surface.statusTexts.isEmpty());
}

void TestCapture::answers_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("buffer");
    QTest::addColumn<bool>("listing"); // else nothing is written and the status says so

    const QByteArray none(Rig::kMissing);
    QTest::newRow("plain") << QStringList{"LIST\r\n", "10 A\r\n20 B\r\n", "READY\r\n>"}
                           << QByteArray("10 A\r\n20 B\r\n\r\n") << "10 A\r\n20 B\r\nREADY\r\n>" << true;
    // The start step cannot cut an echo split over two chunks; the file goes without it all the same.
    QTest::newRow("echo split") << QStringList{"LI", "ST\r\n10 A\r\nREADY\r\n>"} << QByteArray("10 A\r\n\r\n")
                                << "LIST\r\n10 A\r\nREADY\r\n>" << true;
    QTest::newRow("end marker split") << QStringList{"LIST\r\n", "10 A\r\nREA", "DY\r", "\n", ">"}
                                      << QByteArray("10 A\r\n\r\n") << "10 A\r\nREADY\r\n>" << true;
    // An empty program: LIST answers nothing, which is a listing too.
    QTest::newRow("marker at the start") << QStringList{"LIST\r\n", "READY\r\n>"} << QByteArray("\r\n") << "READY\r\n>"
                                         << true;
    // In front of the second prompt stands the first, so only the text in front of the first is a listing.
    QTest::newRow("two markers: the first counts")
        << QStringList{"LIST\r\n", "10 A\r\nREADY\r\n>\r\n20 B\r\nREADY\r\n>tail"} << QByteArray("10 A\r\n\r\n")
        << "10 A\r\nREADY\r\n>\r\n20 B\r\nREADY\r\n>tail" << true;
    // Cut at 1 leaves "abLIST..."; the scan goes on at 2 in that, finds the second echo and cuts again.
    QTest::newRow("second echo after the cut") << QStringList{"xLIST\r\nabLIST\r\n10 cd", "READY\r\n>"}
                                               << QByteArray("10 cd\r\n") << "10 cdREADY\r\n>" << true;
    // Cut at 3 leaves "LIST\r\n10 z"; the scan goes on at 4, past the second echo.
    QTest::newRow("second echo before the cut") << QStringList{"abcLIST\r\nLIST\r\n10 z", "READY\r\n>"}
                                                << QByteArray("10 z\r\n") << "LIST\r\n10 zREADY\r\n>" << true;
    QTest::newRow("case matters") << QStringList{"list\r\n", "Ready\r\n>READY\r\n>"} << none
                                  << "list\r\nReady\r\n>READY\r\n>" << false;
    QTest::newRow("8-bit characters") << QStringList{"LIST\r\n", QString::fromLatin1("10 REM \xe4\r\nREADY\r\n>")}
                                      << QByteArray("10 REM \xe4\r\n\r\n")
                                      << QString::fromLatin1("10 REM \xe4\r\nREADY\r\n>") << true;
    // Save chosen while a program ran, then Ctrl-C: the program's output is no listing.
    QTest::newRow("program output") << QStringList{"LIST\r\n", " 1 \r\n 2 \r\nSTOP - IN LINE 20\r\n", "READY\r\n>"}
                                    << none << " 1 \r\n 2 \r\nSTOP - IN LINE 20\r\nREADY\r\n>" << false;
}

void TestCapture::answers()
{
    QFETCH(QStringList, chunks);
    QFETCH(QByteArray, file);
    QFETCH(QString, buffer);
    QFETCH(bool, listing);
    Rig rig;
    rig.save(rig.target);

    for (qsizetype i = 0; i < chunks.size(); ++i) {
        QVERIFY2(rig.file() == Rig::kMissing, "written before the end marker was complete");
        rig.receive(chunks[i]);
    }

    QCOMPARE(rig.file(), file);
    QCOMPARE(rig.capture.buffer(), buffer);
    QCOMPARE(rig.capture.mode(), CaptureMode::Terminal);
    QCOMPARE(rig.surface.status,
             listing ? QString() : "The board's answer is not a listing: nothing written to " + rig.target);
    // Nothing of the capture, prompt included, reaches the terminal.
    QCOMPARE(rig.terminal.text(), QString());
}

void TestCapture::wholeAnswerInOneChunkEndsTheCapture()
{
    // A quick board sends echo, listing and prompt at once; nothing more may ever come.
    Rig rig;
    rig.save(rig.target);
    rig.receive(QStringLiteral("LIST\r\n10 A\r\nREADY\r\n>"));
    QCOMPARE(rig.file(), QByteArray("10 A\r\n\r\n"));
    QCOMPARE(rig.capture.mode(), CaptureMode::Terminal);
    QCOMPARE(rig.terminal.text(), QString());

    // Back in terminal mode: the next chunk is shown again.
    rig.receive(QStringLiteral("y"));
    QCOMPARE(rig.terminal.text(), QStringLiteral("y"));
}

void TestCapture::clearScreenAndOtherDialogsLeaveTheCaptureAlone()
{
    Rig rig;
    rig.save(rig.target);
    rig.receive(QStringLiteral("LIST\r\n10 A\r\n"));
    rig.terminal.clear();

    // A Merge Program meanwhile uses the same dialog for another file.
    FakeClock clock;
    Pause pause(clock);
    ProgramUpload upload(rig.line, pause, rig.dialog, rig.surface, rig.prompter);
    rig.dialog.answers = {rig.dir.filePath(QStringLiteral("other.lis"))};
    upload.mergeProgram();
    QCOMPARE(rig.capture.target(), rig.target);

    rig.receive(QStringLiteral("READY\r\n>"));
    QCOMPARE(rig.file(), QByteArray("10 A\r\n\r\n"));
    QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("other.lis"))));
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
        rig.save(target);
        rig.receive(QStringLiteral("LIST\r\n10 A\r\nREADY\r\n>"));
        rig.receive(QStringLiteral("\r\n"));
        QCOMPARE(rig.surface.status, "Cannot write " + target);
        QCOMPARE(rig.capture.mode(), CaptureMode::Terminal);
    }
    QVERIFY(QFileInfo(blocked).isDir());
    QCOMPARE(rig.file(), QByteArray("old program\r\n"));
    QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"prog.lis"});
}

void TestCapture::matchesTheReferenceOnRandomSplits()
{
    // Answers built from pieces that make and break markers, split at random places.
    const QStringList pieces{"LIST\r\n", "LI", "ST", "\r\n", "READY\r\n>", "READY", "\r\n>", ">", "R", "10 A", "x"};
    QRandomGenerator random(4);
    // Few rounds: each finished capture syncs its file to disk. The fuzzer runs the long version.
    for (int round = 0; round < 300; ++round) {
        QString answer;
        for (int n = random.bounded(1, 20); n > 0; --n)
            answer += pieces[random.bounded(pieces.size())];

        Rig rig;
        CaptureReference reference;
        rig.save(rig.target);
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
        rig.capture.verifyProgram();
        QCOMPARE(rig.line.sends.last(), QStringLiteral("LIST\r\n"));
        QCOMPARE(rig.surface.status, "Verifying " + source + " ...");
        rig.receive(same ? QString(answer).replace(u'3', u'2') : answer);
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
