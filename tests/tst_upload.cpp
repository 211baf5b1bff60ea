// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/answerreader.h"
#include "board/linesplitter.h"
#include "board/programupload.h"
#include "fakes.h"
#include "simulator/boardmodel.h"
#include "terminal/pause.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr qint64 kSecond = 1'000'000'000;

// One upload against the fakes: what went out, and how long the clock ran after each send.
struct Rig
{
    FakeSerialLine line;
    FakeClock clock;
    Pause pause{clock};
    FakeFileDialog dialog;
    FakeSurface surface;
    FakePrompter prompter;
    ProgramUpload upload{line, pause, dialog, surface, prompter};
    QTemporaryDir dir;
    QList<qint64> sentAt;
    // With answering set, the board model answers each send at the next idle, through the tap.
    BoardModel board;
    bool answering = false;
    QString unanswered;
    QString lostPrompt; // a line the board took whose echo comes without its prompt

    Rig()
    {
        line.onSend = [this](const QString& text) {
            sentAt.append(clock.now().count());
            unanswered += text;
        };
        clock.onIdle = [this] {
            // An echo whose prompt the line lost arrives just before the next line goes out.
            if (!lostPrompt.isEmpty()) line.deliver(std::exchange(lostPrompt, QString()));
            if (!answering || unanswered.isEmpty()) return;
            line.deliver(QString::fromLatin1(board.feed(std::exchange(unanswered, QString()).toLatin1())));
        };
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write the test file");
        return path;
    }

    // The pause after each send: the time to the next send, the last one to the end of the run.
    QList<qint64> pausesAfterSends(qint64 end) const
    {
        QList<qint64> pauses;
        for (qsizetype i = 0; i < sentAt.size(); ++i)
            pauses.append((i + 1 < sentAt.size() ? sentAt[i + 1] : end) - sentAt[i]);
        return pauses;
    }
};

QStringList latin1(const QList<QByteArray>& lines)
{
    QStringList texts;
    for (const QByteArray& line : lines)
        texts.append(QString::fromLatin1(line));
    return texts;
}

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT
private slots:
    void splitterGivesTheSameLinesForEverySplit_data() { lines(); }
    void splitterGivesTheSameLinesForEverySplit();
    void mergeSendsEachLineWithItsPause_data() { lines(); }
    void mergeSendsEachLineWithItsPause();
    void loadSendsNewFirst();
    void loadShowsProgressAndStatus();
    void emptyFile();
    void nothingHappensWithoutAFile_data();
    void nothingHappensWithoutAFile();
    void unreadableFileSendsNothing_data();
    void unreadableFileSendsNothing();
    void lineEndAcrossBlocks();
    void compactForm_data();
    void compactForm();
    void answers_data();
    void answers();
    void promptPacing_data();
    void promptPacing();
    void refusedLinesNamed_data();
    void refusedLinesNamed();
    void tooLongEvenCompactAsksFirst();
    void paste_data();
    void paste();

private:
    static void lines();
};

void TestUpload::lines()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("lines");

    using L = QList<QByteArray>;
    QTest::newRow("empty") << QByteArray() << L{};
    QTest::newRow("CR LF lines") << QByteArray("10 A\r\n20 B\r\n") << L{"10 A\r\n", "20 B\r\n"};
    QTest::newRow("CR CR LF: the lone CR ends a line") << QByteArray("10 A\r\r\n") << L{"10 A\r\n", "\r\n"};
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n") << L{"\r\n", "\r\n"};
    QTest::newRow("LF only") << QByteArray("10 A\n20 B\n") << L{"10 A\r\n", "20 B\r\n"};
    QTest::newRow("empty LF line") << QByteArray("\n\n") << L{"\r\n", "\r\n"};
    QTest::newRow("LF then CR LF") << QByteArray("10 A\n20 B\r\n") << L{"10 A\r\n", "20 B\r\n"};
    QTest::newRow("CR LF then LF") << QByteArray("10 A\r\n\n") << L{"10 A\r\n", "\r\n"};
    QTest::newRow("unterminated last") << QByteArray("10 A\r\n20 B") << L{"10 A\r\n", "20 B\r\n"};
    QTest::newRow("only unterminated") << QByteArray("x") << L{"x\r\n"};
    // Without any LF the file's lines end in CR alone (old Mac editors).
    QTest::newRow("CR only") << QByteArray("10 A\r20 B\r") << L{"10 A\r\n", "20 B\r\n"};
    QTest::newRow("CR only, empty lines, last unended") << QByteArray("\r\r10 A") << L{"\r\n", "\r\n", "10 A\r\n"};
    // A file with a lone CR is read as typed: every CR, LF and CR LF ends a line.
    QTest::newRow("lone CR inside") << QByteArray("1\r2\r\n") << L{"1\r\n", "2\r\n"};
    QTest::newRow("CR lines, one final LF") << QByteArray("10 A\r20 B\r30 C\n") << L{"10 A\r\n", "20 B\r\n", "30 C\r\n"};
    QTest::newRow("LF CR pair") << QByteArray("1\n\r2") << L{"1\r\n", "\r\n", "2\r\n"};
    QTest::newRow("8-bit bytes") << QByteArray("10 REM \xe4\xff\r\n") << L{"10 REM \xe4\xff\r\n"};
}

void TestUpload::splitterGivesTheSameLinesForEverySplit()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, lines);

    // Whole, cut in two at every place, and byte by byte: a CR LF torn apart must still end a line.
    // The upload looks at the whole file first to tell files with a lone CR.
    LineSplitter::LoneCrFinder loneCr;
    loneCr.feed(file);
    const bool anyEnd = loneCr.found();
    for (qsizetype cut = -1; cut <= file.size(); ++cut) {
        QList<QByteArrayView> pieces;
        if (cut < 0) {
            for (qsizetype i = 0; i < file.size(); ++i)
                pieces.append(QByteArrayView(file).sliced(i, 1));
        } else {
            pieces = {QByteArrayView(file).first(cut), QByteArrayView(file).sliced(cut)};
        }
        LineSplitter splitter(anyEnd);
        QList<QByteArray> got;
        for (QByteArrayView piece : pieces) {
            for (const LineSplitter::Line& line : splitter.feed(piece)) {
                QVERIFY(line.end > 0 && line.end <= piece.size());
                QVERIFY(piece[line.end - 1] == '\n' || (anyEnd && piece[line.end - 1] == '\r'));
                got.append(line.text);
            }
        }
        if (auto last = splitter.finish()) got.append(*last);
        QCOMPARE(got, lines);
        QVERIFY(!splitter.finish());
    }
}

void TestUpload::mergeSendsEachLineWithItsPause()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, lines);
    Rig rig;
    rig.dialog.answers = {rig.writeFile(QStringLiteral("prog.lis"), file)};
    const qint64 start = rig.clock.now().count();

    rig.upload.mergeProgram();

    QCOMPARE(rig.line.sends, latin1(lines));
    QCOMPARE(rig.pausesAfterSends(rig.clock.now().count()), QList<qint64>(lines.size(), kSecond));
    QCOMPARE(rig.clock.now().count() - start, lines.size() * kSecond);
    QCOMPARE(rig.dialog.shown.size(), 1);
    QCOMPARE(rig.dialog.shown[0].filter, FileDialog::kMergeFilter);
    QCOMPARE(rig.dialog.shown[0].defaultSuffix, FileDialog::kListingSuffix);
}

void TestUpload::loadSendsNewFirst()
{
    Rig rig;
    rig.dialog.choose(QStringLiteral("/somewhere/last.lis"));
    rig.dialog.answers = {rig.writeFile(QStringLiteral("prog.lis"), "10 A\r\n20 B")};
    const qint64 start = rig.clock.now().count();

    rig.upload.loadProgram();

    QCOMPARE(rig.line.sends, (QStringList{"new\r\n", "10 A\r\n", "20 B\r\n"}));
    QCOMPARE(rig.sentAt.first(), start);
    QCOMPARE(rig.pausesAfterSends(rig.clock.now().count()), QList<qint64>(3, kSecond));
    // The dialog proposes no name: the last one chosen is cleared before it is shown.
    QCOMPARE(rig.dialog.shown[0].proposedName, QString());
    QCOMPARE(rig.dialog.shown[0].mode, FileRequest::Mode::Open);
    QCOMPARE(rig.dialog.shown[0].filter, FileDialog::kListingFilter);
}

void TestUpload::loadShowsProgressAndStatus()
{
    Rig rig;
    const QString path = rig.writeFile(QStringLiteral("four.lis"), "A\r\nB");
    rig.dialog.answers = {path};
    QList<float> barAtSend;
    rig.line.onSend = [&](const QString&) { barAtSend.append(rig.surface.progressValues.last()); };

    rig.upload.loadProgram();

    QCOMPARE(rig.surface.progressValues, (QList<float>{0, 25, 50, 75, 100}));
    // The bar stands at the line's last byte while its line goes out.
    QCOMPARE(barAtSend, (QList<float>{0, 75, 100}));
    QCOMPARE(rig.surface.statusTexts, (QStringList{"Loading " + path + "...", QString()}));
    QCOMPARE(rig.surface.visibility, (QList<bool>{true, false}));
}

void TestUpload::emptyFile()
{
    Rig rig;
    rig.dialog.answers = {rig.writeFile(QStringLiteral("empty.lis"), QByteArray())};
    const qint64 start = rig.clock.now().count();

    rig.upload.loadProgram();

    QCOMPARE(rig.line.sends, QStringList{"new\r\n"});
    QCOMPARE(rig.clock.now().count() - start, kSecond);
    QCOMPARE(rig.surface.progressValues, QList<float>{0});
    QCOMPARE(rig.surface.visibility, (QList<bool>{true, false}));
}

void TestUpload::nothingHappensWithoutAFile_data()
{
    QTest::addColumn<QString>("choice"); // relative to the test folder; "-" cancels
    QTest::newRow("cancelled") << QStringLiteral("-");
    QTest::newRow("missing") << QStringLiteral("missing.lis");
    QTest::newRow("hidden") << QStringLiteral(".hidden.lis");
    QTest::newRow("directory") << QStringLiteral("sub");
}

void TestUpload::nothingHappensWithoutAFile()
{
    QFETCH(QString, choice);
    Rig rig;
    rig.writeFile(QStringLiteral(".hidden.lis"), "10 A\r\n");
    QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("sub")));
    if (choice != QStringLiteral("-")) rig.dialog.answers = {rig.dir.filePath(choice)};
    const qint64 start = rig.clock.now().count();

    rig.upload.loadProgram();

    QVERIFY(rig.line.sends.isEmpty());
    QCOMPARE(rig.clock.now().count(), start);
    QCOMPARE(rig.surface.statusTexts, QStringList{QString()});
    QCOMPARE(rig.surface.visibility, (QList<bool>{true, false}));
}

void TestUpload::unreadableFileSendsNothing_data()
{
    QTest::addColumn<bool>("oversized");
    QTest::newRow("no read permission") << false;
    // Longer than the 32-bit length the bar is measured against; sparse, so it costs no disk.
    QTest::newRow("over 2 GiB") << true;
}

void TestUpload::unreadableFileSendsNothing()
{
    QFETCH(bool, oversized);
    Rig rig;
    const QString path = rig.writeFile(QStringLiteral("locked.lis"), "10 A\r\n");
    if (oversized) {
        if (!QFile::resize(path, qint64(1) << 31)) QSKIP("no sparse files here");
    } else {
        QFile::setPermissions(path, QFileDevice::Permissions());
        if (QFile(path).open(QIODevice::ReadOnly)) QSKIP("running with rights that read any file");
    }
    rig.dialog.answers = {path};
    const qint64 start = rig.clock.now().count();

    rig.upload.loadProgram();

    QVERIFY(rig.line.sends.isEmpty());
    QCOMPARE(rig.clock.now().count(), start);
    QCOMPARE(rig.surface.status, QStringLiteral("Cannot read ") + path);
    QVERIFY(!rig.surface.progressVisible);
}

void TestUpload::lineEndAcrossBlocks()
{
    // The CR ends one read block and the LF starts the next.
    QByteArray file(ProgramUpload::kBlockSize - 1, 'x');
    file.append("\r\n20 B\n");
    Rig rig;
    rig.dialog.answers = {rig.writeFile(QStringLiteral("big.lis"), file)};
    rig.prompter.answers = {Prompter::Answer::First};

    rig.upload.mergeProgram();

    QCOMPARE(rig.line.sends.size(), 2);
    QCOMPARE(rig.line.sends[0], QString(ProgramUpload::kBlockSize - 1, u'x') + QStringLiteral("\r\n"));
    QCOMPARE(rig.line.sends[1], QStringLiteral("20 B\r\n"));
    const QList<float>& bar = rig.surface.progressValues;
    QCOMPARE(bar.size(), file.size() + 1);
    QVERIFY(std::is_sorted(bar.begin(), bar.end()));
    QCOMPARE(bar.last(), 100.0f);
}

void TestUpload::compactForm_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("sent");
    const auto row = [](const char* name, const QByteArray& line, const QByteArray& sent) {
        QTest::newRow(name) << line << sent;
    };
    row("fits: unchanged", "10 print  \"A  B\" : rem  x", "10 print  \"A  B\" : rem  x");
    row("listed, 99 characters",
        "80    A=1 : B=2 : C=3 : D=4 : E=5 : F=6 : G=7 : H=8 : I=9 : J=10 : K=11 : L=12 : M=13 : N=14 : O=15",
        "80 A=1:B=2:C=3:D=4:E=5:F=6:G=7:H=8:I=9:J=10:K=11:L=12:M=13:N=14:O=15");
    row("strings keep their blanks",
        "100    PRINT \"HELLO   WORLD\" , A , B , C , D , E , F , G , H , I , J , K , L , M",
        "100 PRINT\"HELLO   WORLD\",A,B,C,D,E,F,G,H,I,J,K,L,M");
    row("REM text as typed", "10     A = 1 : B = 2 : C = 3 : D = 4 : E = 5 : F = 6 : rem  keep   these  blanks  ok",
        "10 A=1:B=2:C=3:D=4:E=5:F=6:rem  keep   these  blanks  ok");
    row("DATA", "20     DATA 1 , 2 , \"A B\" , \"C  D\" , 3 , 4 , 5 , 6 , 7 , 8 , 9 , 10 , 11 , 12 , 13 , 14",
        "20 DATA1,2,\"A B\",\"C  D\",3,4,5,6,7,8,9,10,11,12,13,14");
    row("tabs, case, no blank after the number",
        "  30for\ti = 1 to 10 : print i , i * i , \"a\"  : next i :   x = 1   :  y = 2 : z = 3   ",
        "30 fori=1to10:printi,i*i,\"a\":nexti:x=1:y=2:z=3");
    row("no line number", "print 1 , 2 , 3 , 4 , 5 , 6 , 7 , 8 , 9 , 10 , 11 , 12 , 13 , 14 , 15 , 16 , 17",
        "print1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17");
    row("too long even so", QByteArray(90, 'X'), QByteArray(90, 'X'));
}

void TestUpload::compactForm()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, sent);
    QCOMPARE(ProgramUpload::sendForm(line + "\r\n"), sent + "\r\n");
}

void TestUpload::answers_data()
{
    QTest::addColumn<QStringList>("sent");     // lines, each sent with CR LF, tagged 1 on
    QTest::addColumn<QString>("answer");       // what the board sends back
    QTest::addColumn<QStringList>("problems"); // "tag kind detail" for each line not plainly taken
    QTest::addColumn<int>("owed");             // lines still waiting before the end

    const QString long81 = QStringLiteral("10 REM ") + QString(74, u'x');
    const QString echo78 = long81.left(78) + QStringLiteral("\a\a\a");
    QTest::newRow("accepted") << QStringList{"10 PRINT 10"} << "10 PRINT 10\r\n>\n" << QStringList{} << 0;
    QTest::newRow("refused") << QStringList{"65536 PRINT 1"}
                             << "65536 PRINT 1\r\n\r\n\r\nERROR: BAD SYNTAX\r\nREADY\r\n>"
                             << QStringList{"1 Refused ERROR: BAD SYNTAX"} << 0;
    QTest::newRow("cut") << QStringList{long81} << echo78 + "\r\n>\n" << QStringList{"1 Cut 3"} << 0;
    QTest::newRow("no answer until the pause ends") << QStringList{"10 A"} << "" << QStringList{"1 NoAnswer"} << 1;
    QTest::newRow("echo, prompt still to come") << QStringList{"10 A"} << "10 A\r\n" << QStringList{"1 NoAnswer"} << 1;
    // The prompt after 10 was lost: 20's echo starts 20's answer, and 20's prompt is its own.
    QTest::newRow("a lost prompt") << QStringList{"10 A", "20 B"} << "10 A\r\n20 B\r\n>\n" << QStringList{} << 0;
    QTest::newRow("a lost prompt, then refused") << QStringList{"10 A", "65536 B"}
                                                 << "10 A\r\n65536 B\r\n\r\n\r\nERROR: BAD SYNTAX\r\nREADY\r\n>"
                                                 << QStringList{"2 Refused ERROR: BAD SYNTAX"} << 0;
    // Both lines went out before either answer came; each still counts for its own line.
    QTest::newRow("late answers") << QStringList{"10 A", "65536 B"}
                                  << "10 A\r\n>\n65536 B\r\n\r\n\r\nERROR: BAD SYNTAX\r\nREADY\r\n>"
                                  << QStringList{"2 Refused ERROR: BAD SYNTAX"} << 0;
    QTest::newRow("a lost line is passed over") << QStringList{"10 A", "20 B", "30 C"} << "10 A\r\n>\n30 C\r\n>\n"
                                                << QStringList{"2 NoAnswer"} << 0;
    QTest::newRow("a stray prompt first") << QStringList{"new", "10 A"} << "\r\n>new\r\n>\n10 A\r\n>\n"
                                          << QStringList{} << 0;
    QTest::newRow("garbled echo") << QStringList{"10 PRINT 1", "20 B"} << "10 PRNT 1\r\n>\n20 B\r\n>\n"
                                  << QStringList{"1 Garbled 10 PRNT 1"} << 0;
    QTest::newRow("> in the echo is no prompt") << QStringList{"10 IF A>B THEN END"} << "10 IF A>B THEN END\r\n>\n"
                                                << QStringList{} << 0;
    QTest::newRow("DEL erases") << QStringList{"10 AB\x7f"} << "10 AB\b \b\r\n>\n" << QStringList{} << 0;
    QTest::newRow("empty line") << QStringList{""} << "\r\n>\n" << QStringList{} << 0;
}

void TestUpload::answers()
{
    QFETCH(QStringList, sent);
    QFETCH(QString, answer);
    QFETCH(QStringList, problems);
    QFETCH(int, owed);

    // In one piece and character by character: a prompt or CR LF torn apart still counts.
    for (const bool byChar : {false, true}) {
        AnswerReader reader;
        for (qsizetype i = 0; i < sent.size(); ++i)
            reader.expect(int(i + 1), sent[i].toLatin1() + "\r\n");
        if (byChar) {
            for (const QChar c : answer)
                reader.feed(QStringView(&c, 1));
        } else {
            reader.feed(answer);
        }
        QCOMPARE(reader.owed(), owed);
        QStringList got;
        const auto outcomes = reader.finish();
        for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it) {
            static const char* const kinds[] = {"Accepted", "Refused", "Cut", "NoAnswer", "Garbled"};
            QString detail = it->kind == AnswerReader::Kind::Cut ? QString::number(it->dropped) : it->detail;
            got.append(
                QStringLiteral("%1 %2 %3").arg(it.key()).arg(QLatin1String(kinds[int(it->kind)]), detail).trimmed());
        }
        QCOMPARE(got, problems);
    }
}

void TestUpload::promptPacing_data()
{
    QTest::addColumn<bool>("echoed"); // line 20 is echoed, only its prompt is lost; else the board says nothing
    QTest::newRow("silent") << false;
    QTest::newRow("prompt lost") << true;
}

void TestUpload::promptPacing()
{
    QFETCH(bool, echoed);
    Rig rig;
    rig.line.open();
    rig.upload.setPacing(Pacing::Prompt);
    rig.answering = true;
    // Each idle lets 20 ms pass; the board answers in the first.
    rig.clock.step = [](qint64 asked) { return std::min<qint64>(asked, 20'000'000); };
    rig.dialog.answers = {rig.writeFile(QStringLiteral("prog.lis"), "10 A=1\r\n20 B=2\r\n30 C=3\r\n")};
    int silentAt = -1;
    rig.line.onSend = [&](const QString& text) {
        rig.sentAt.append(rig.clock.now().count());
        // The board says nothing to line 20, or only its echo.
        if (text.startsWith(QLatin1String("20"))) {
            silentAt = int(rig.sentAt.size()) - 1;
            if (echoed) rig.board.feed(text.toLatin1()), rig.lostPrompt = text;
        } else {
            rig.unanswered += text;
        }
    };

    rig.upload.loadProgram();

    QCOMPARE(rig.line.sends, (QStringList{"new\r\n", "10 A=1\r\n", "20 B=2\r\n", "30 C=3\r\n"}));
    const QList<qint64> pauses = rig.pausesAfterSends(rig.clock.now().count());
    for (qsizetype i = 0; i < pauses.size(); ++i)
        QCOMPARE(pauses[i], i == silentAt ? kSecond : 20'000'000);
    QVERIFY(rig.clock.wakes >= 3);
    // Line 30 went out at the full pause and its own prompt ended its pause at once.
    QCOMPARE(rig.surface.status, echoed ? QString()
                                        : "Loaded 3 lines from " + rig.dialog.lastName() +
                                              "; the board refused 1: line 20 (no answer)");
    QCOMPARE(rig.board.program().keys(), echoed ? (QList<int>{10, 20, 30}) : (QList<int>{10, 30}));
}

void TestUpload::refusedLinesNamed_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("status"); // after "Merged N lines from NAME"
    QTest::addColumn<int>("reports");

    const QByteArray tooLong = "80 REM " + QByteArray(80, 'r') + "\r\n";
    QTest::newRow("clean") << QByteArray("10 A=1\r\n20 B=2\r\n") << QString() << 0;
    QTest::newRow("two") << "10 A=1\r\n65536 B=2\r\n" + tooLong
                         << "; the board refused 2: line 65536 (ERROR: BAD SYNTAX), line 80 (cut at 78 characters)"
                         << 0;
    QTest::newRow("more than the status bar holds")
        << "1 ?\r\n70000 X\r\n70001 X\r\n" + tooLong + "90 print\r\n70002 X\r\n"
        << "; the board refused 4: line 70000 (ERROR: BAD SYNTAX), line 70001 (ERROR: BAD SYNTAX), line 80 (cut at 78 "
           "characters) and 1 more"
        << 1;
}

void TestUpload::refusedLinesNamed()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, status);
    QFETCH(int, reports);
    Rig rig;
    rig.line.open();
    rig.answering = true;
    const QString path = rig.writeFile(QStringLiteral("prog.lis"), file);
    rig.dialog.answers = {path};
    rig.prompter.answers = {Prompter::Answer::First};

    rig.upload.mergeProgram();

    const int lines = int(file.count("\r\n"));
    QCOMPARE(rig.surface.status,
             status.isEmpty() ? status : QStringLiteral("Merged %1 lines from ").arg(lines) + path + status);
    QCOMPARE(rig.prompter.reports.size(), reports);
    if (reports) QVERIFY(rig.prompter.reports[0].second.contains(QLatin1String("line 70002: ERROR: BAD SYNTAX")));
    // Fixed pacing keeps its second whatever the board says.
    QCOMPARE(rig.pausesAfterSends(rig.clock.now().count()), QList<qint64>(lines, kSecond));
}

void TestUpload::tooLongEvenCompactAsksFirst()
{
    for (const auto answer : {Prompter::Answer::Cancel, Prompter::Answer::First}) {
        Rig rig;
        rig.prompter.answers = {answer};
        rig.dialog.answers = {
            rig.writeFile(QStringLiteral("prog.lis"), "10 A=1\r\n20 REM " + QByteArray(80, 'r') + "\r\n")};
        rig.upload.loadProgram();
        QCOMPARE(rig.prompter.asked.size(), 1);
        QVERIFY(rig.prompter.asked[0].text.contains(QLatin1String("1 line of ")));
        QVERIFY(rig.prompter.asked[0].text.contains(QLatin1String(": line 20.")));
        // Cancelled, not even "new" goes: the board's program stays whole.
        QCOMPARE(rig.line.sends.size(), answer == Prompter::Answer::Cancel ? 0 : 3);
    }
}

void TestUpload::paste_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sends");
    QTest::addColumn<QStringList>("statusTexts");
    QTest::newRow("one line, no end: as typed") << "print 1" << QStringList{"print 1"} << QStringList{};
    QTest::newRow("lines") << "10 A=1\n20 B=2\n30 C=3" << QStringList{"10 A=1\r\n", "20 B=2\r\n", "30 C=3\r\n"}
                           << QStringList{"Pasting 3 lines...", ""};
    QTest::newRow("CR only") << "10 A=1\r20 B=2\r" << QStringList{"10 A=1\r\n", "20 B=2\r\n"}
                             << QStringList{"Pasting 2 lines...", ""};
    QTest::newRow("over 64 KiB, not confirmed") << QString(70000, u'x') + "\n" << QStringList{} << QStringList{};
}

void TestUpload::paste()
{
    QFETCH(QString, text);
    QFETCH(QStringList, sends);
    QFETCH(QStringList, statusTexts);
    Rig rig;
    rig.line.open();
    rig.answering = true;
    const qint64 start = rig.clock.now().count();
    rig.upload.pasteText(text);
    QCOMPARE(rig.line.sends, sends);
    QCOMPARE(rig.surface.statusTexts, statusTexts);
    QCOMPARE(rig.clock.now().count() - start, sends.size() > 1 ? sends.size() * kSecond : 0);
    QCOMPARE(rig.prompter.asked.size(), text.size() > ProgramUpload::kPasteAskAbove ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
