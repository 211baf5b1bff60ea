#include "board/programupload.h"
#include "fakes.h"
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

    Rig()
    {
        line.onSend = [this](const QString&) { sentAt.append(clock.now().count()); };
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
    QTest::newRow("CR CR LF keeps both CRs") << QByteArray("10 A\r\r\n") << L{"10 A\r\r\n"};
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
    QTest::newRow("lone CR inside") << QByteArray("1\r2\r\n") << L{"1\r2\r\n"};
    QTest::newRow("LF CR pair is no line end") << QByteArray("1\n\r2") << L{"1\r\n", "\r2\r\n"};
    QTest::newRow("8-bit bytes") << QByteArray("10 REM \xe4\xff\r\n") << L{"10 REM \xe4\xff\r\n"};
}

void TestUpload::splitterGivesTheSameLinesForEverySplit()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, lines);

    // Whole, cut in two at every place, and byte by byte: a CR LF torn apart must still end a line.
    // The upload looks at the whole file first to tell CR-only files.
    const bool crOnly = !file.contains('\n') && file.contains('\r');
    for (qsizetype cut = -1; cut <= file.size(); ++cut) {
        QList<QByteArrayView> pieces;
        if (cut < 0) {
            for (qsizetype i = 0; i < file.size(); ++i)
                pieces.append(QByteArrayView(file).sliced(i, 1));
        } else {
            pieces = {QByteArrayView(file).first(cut), QByteArrayView(file).sliced(cut)};
        }
        LineSplitter splitter(crOnly);
        QList<QByteArray> got;
        for (QByteArrayView piece : pieces) {
            for (const LineSplitter::Line& line : splitter.feed(piece)) {
                QVERIFY(line.end > 0 && line.end <= piece.size());
                QCOMPARE(piece[line.end - 1], crOnly ? '\r' : '\n');
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

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
