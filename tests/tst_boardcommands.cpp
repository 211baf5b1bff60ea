// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/boardcommands.h"
#include "fakes.h"
#include "terminal/pause.h"
#include "terminal/terminalbuffer.h"

#include <QLocale>
#include <QScopeGuard>
#include <QTest>

namespace {

constexpr qint64 kMs = 1'000'000;

struct Rig
{
    FakeSerialLine line;
    FakeClock clock;
    Pause pause{clock};
    TerminalBuffer terminal;
    FakeSurface surface;
    double mtop = 32768;
    BoardCommands commands{line, pause, terminal, surface};
    QList<qint64> sentAt;
    const qint64 start = clock.now().count();

    Rig()
    {
        line.onSend = [this](const QString&) { sentAt.append(clock.now().count() - start); };
    }
};

} // namespace

class TestBoardCommands : public QObject
{
    Q_OBJECT
private slots:
    void runPausesTwoSeconds();
    void memoryDoesNotPause();
    void resetSequence();
    void memoryTopCommand_data();
    void memoryTopCommand();
    void resetCancelled_data();
    void resetCancelled();
};

void TestBoardCommands::runPausesTwoSeconds()
{
    Rig rig;
    rig.commands.runProgram();
    QCOMPARE(rig.line.sends, QStringList{"RUN\r\n"});
    QCOMPARE(rig.sentAt, QList<qint64>{0});
    QCOMPARE(rig.clock.now().count() - rig.start, 2000 * kMs);
}

void TestBoardCommands::memoryDoesNotPause()
{
    Rig rig;
    rig.commands.memory();
    QCOMPARE(rig.line.sends, QStringList{"?free\r\n"});
    QCOMPARE(rig.clock.now().count(), rig.start);
    QCOMPARE(rig.clock.idleCalls, 0);
}

void TestBoardCommands::resetSequence()
{
    Rig rig;
    rig.terminal.append(u"old sign-on");
    QStringList statusAtSend;
    QStringList terminalAtSend;
    rig.line.onSend = [&](const QString&) {
        rig.sentAt.append(rig.clock.now().count() - rig.start);
        statusAtSend.append(rig.surface.status);
        terminalAtSend.append(rig.terminal.text());
    };

    rig.commands.reset(rig.mtop);

    QStringList expected(50, QStringLiteral(" "));
    expected << "\r\n"
             << "mtop =  32768\r\n"
             << "new\r\n";
    QCOMPARE(rig.line.sends, expected);
    // Every send happens on a cleared terminal with the prompt for the user showing.
    QCOMPARE(statusAtSend, QStringList(53, QStringLiteral("Please RESET 80C32 Board!")));
    QCOMPARE(terminalAtSend, QStringList(53, QString()));
    QCOMPARE(rig.surface.statusTexts, (QStringList{"Please RESET 80C32 Board!", QString()}));

    const auto near = [](qint64 got, qint64 wanted) { return got == wanted; };
    for (int i = 0; i < 50; ++i)
        QVERIFY2(near(rig.sentAt[i], i * 200 * kMs), qPrintable(QString::number(i)));
    QVERIFY(near(rig.sentAt[51] - rig.sentAt[50], 500 * kMs));
    QVERIFY(near(rig.sentAt[52] - rig.sentAt[51], 500 * kMs));
    // "new" is the last thing: nothing waits after it.
    QCOMPARE(rig.clock.now().count() - rig.start, rig.sentAt[52]);
    QVERIFY(near(rig.sentAt[52], 11000 * kMs));
}

void TestBoardCommands::memoryTopCommand_data()
{
    QTest::addColumn<double>("mtop");
    QTest::addColumn<QString>("command");
    QTest::newRow("default") << 32768.0 << "mtop =  32768\r\n";
    QTest::newRow("fraction") << 1000.25 << "mtop =  1000.25\r\n";
    QTest::newRow("negative") << -5.0 << "mtop = -5\r\n";
}

void TestBoardCommands::memoryTopCommand()
{
    QFETCH(double, mtop);
    QFETCH(QString, command);
    // A decimal comma in the user's locale must not reach the board.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    Rig reset;
    reset.commands.reset(mtop);
    QCOMPARE(reset.line.sends.at(51), command);

    // The MTOP dialog's value: the same line on its own, without a pause.
    Rig alone;
    alone.commands.setMemoryTop(mtop);
    QCOMPARE(alone.line.sends, QStringList{command});
    QCOMPARE(alone.clock.idleCalls, 0);
}

void TestBoardCommands::resetCancelled_data()
{
    QTest::addColumn<int>("atPause");  // the pause during which the user cancels
    QTest::addColumn<QString>("last"); // the last thing sent
    QTest::newRow("during the blanks") << 10 << " ";
    QTest::newRow("after the line end") << 51 << "\r\n";
    QTest::newRow("after the memory top") << 52 << "mtop =  32768\r\n";
}

void TestBoardCommands::resetCancelled()
{
    QFETCH(int, atPause);
    QFETCH(QString, last);
    Rig rig;
    rig.clock.onIdle = [&] {
        if (rig.clock.idleCalls == atPause) rig.pause.cancel();
    };
    rig.pause.begin();
    rig.commands.reset(rig.mtop);
    // Neither the memory top nor "new" follows a cancel before them.
    QCOMPARE(rig.line.sends.size(), atPause);
    QCOMPARE(rig.line.sends.last(), last);
    QCOMPARE(rig.clock.idleCalls, atPause);
    QCOMPARE(rig.surface.status, QStringLiteral("Reset cancelled"));
}

QTEST_GUILESS_MAIN(TestBoardCommands)
#include "tst_boardcommands.moc"
