// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal text, its display and erase rule, the keyboard codes (through a real main window),
// the caret, the pause and the holding of chunks during a command.
#include "fakes.h"
#include "receiverig.h"

#include "app/form1.h"
#include "app/commandrunner.h"
#include "app/receivepath.h"
#include "board/listingcapture.h"
#include "terminal/fontzoom.h"
#include "terminal/keyboard.h"
#include "terminal/pause.h"
#include "terminal/terminalbuffer.h"
#include "terminal/terminalview.h"

#include <QClipboard>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QtTest>

namespace {

// The terminal text as the window was first written: read the whole text, trim, append.
struct PlainTerminal
{
    QString text;
    void append(const QString& chunk)
    {
        if (text.size() > 15000) text = text.right(text.size() - 5000);
        text += chunk;
    }
};

QString filler(qsizetype n, char16_t c = u'x')
{
    return QString(n, QChar(c));
}

} // namespace

class TestTerminal : public QObject
{
    Q_OBJECT

private slots:
    void trimRule_data();
    void trimRule();
    void viewFollowsBuffer_data();
    void viewFollowsBuffer();
    void eraseRule_data();
    void eraseRule();
    void caretAtEndWhileFocused();
    void viewScrollsToEndOnEveryChunk();
    void everyModeAsksToScroll();
    void keys_data();
    void keys();
    void pauseLengths_data();
    void pauseLengths();
    void pauseNeverEndsEarly();
    void fontSteps_data();
    void fontSteps();
    void commandsRunOneAtATime();
};

void TestTerminal::trimRule_data()
{
    QTest::addColumn<qsizetype>("before");
    QTest::addColumn<qsizetype>("chunk");
    QTest::addColumn<qsizetype>("after");

    QTest::newRow("15000 kept") << qsizetype(15000) << qsizetype(1) << qsizetype(15001);
    QTest::newRow("15001 cut to 10001 then appended") << qsizetype(15001) << qsizetype(1) << qsizetype(10002);
    QTest::newRow("one trim per chunk, however long") << qsizetype(15001) << qsizetype(30000) << qsizetype(40001);
    QTest::newRow("empty chunk still trims") << qsizetype(20000) << qsizetype(0) << qsizetype(15000);
    QTest::newRow("short text untouched") << qsizetype(0) << qsizetype(3) << qsizetype(3);
}

void TestTerminal::trimRule()
{
    QFETCH(qsizetype, before);
    QFETCH(qsizetype, chunk);
    QFETCH(qsizetype, after);

    TerminalBuffer buffer;
    // Mark the oldest characters so the test sees which end was cut.
    buffer.append(filler(5000, u'o') + filler(before - 5000 > 0 ? before - 5000 : 0, u'n'));
    if (before < 5000) {
        buffer.clear();
        buffer.append(filler(before, u'n'));
    }
    buffer.append(filler(chunk, u'c'));
    QCOMPARE(buffer.length(), after);
    if (before > 15000) QVERIFY(!buffer.text().contains(u'o'));
    QVERIFY(buffer.text().endsWith(filler(chunk, u'c')));
}

void TestTerminal::viewFollowsBuffer_data()
{
    QTest::addColumn<int>("maxChunk");
    QTest::addColumn<int>("syncEvery");
    QTest::addColumn<QString>("alphabet");
    // CR LF split across chunks, lone LF and CR, control characters and Latin-1 letters.
    const QString mixed = QStringLiteral("10 PRINT \"HELLO\"\r\n\n\r\x07\x08\t\x7f") + QChar(0xE4) + QChar(0x85);
    // Long lines that the board's "\b \b" keeps erasing: the erasing reaches across chunks and trims.
    const QString erasing = QStringLiteral("ab\b\b\b \b\b\b\b\bcdefgh") + QStringLiteral("xyz").repeated(40) + u'\n';
    QTest::newRow("bytes, sync each") << 1 << 1 << mixed;
    QTest::newRow("small, sync seldom") << 16 << 97 << mixed;
    QTest::newRow("lines, sync each") << 64 << 1 << mixed;
    QTest::newRow("bursts, sync rarely") << 4096 << 13 << mixed;
    QTest::newRow("erasing, sync each") << 16 << 1 << erasing;
    QTest::newRow("erasing bursts, sync seldom") << 3000 << 7 << erasing;
}

void TestTerminal::viewFollowsBuffer()
{
    QFETCH(int, maxChunk);
    QFETCH(int, syncEvery);
    QFETCH(QString, alphabet);

    TerminalBuffer buffer;
    PlainTerminal plain;
    TerminalView view(buffer);
    QRandomGenerator random(52);
    for (int i = 0; i < 4000; ++i) {
        QString chunk;
        const int n = random.bounded(maxChunk) + 1;
        for (int k = 0; k < n; ++k)
            chunk += alphabet[random.bounded(alphabet.size())];
        buffer.append(chunk);
        plain.append(chunk);
        if (i % syncEvery == 0) {
            view.sync();
            QCOMPARE(view.document()->characterCount() - 1, TerminalView::displayText(buffer.text()).size());
        }
        if (i == 1500) {
            buffer.clear();
            plain.text.clear();
        }
    }
    view.sync();
    QCOMPARE(buffer.text(), plain.text);
    QCOMPARE(view.toPlainText(), TerminalView::displayText(plain.text));
}

void TestTerminal::eraseRule_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QString>("shown");

    QTest::newRow("the board's erase") << QStringList{"310 PRINT 1X\b \b2"} << "310 PRINT 12";
    QTest::newRow("a lone BS") << QStringList{"AB\bC"} << "AC";
    QTest::newRow("erase across chunks") << QStringList{"12X", "\b", " \b", "3"} << "123";
    QTest::newRow("stops at the start of the line") << QStringList{"A\r\n", "\b\bB"} << "A\nB";
    QTest::newRow("more BS than characters") << QStringList{"AB\b\b\b\bC"} << "C";
    QTest::newRow("across the trim") << QStringList{QString(15001, u'x'), "\b\b"} << QString(9999, u'x');
}

void TestTerminal::eraseRule()
{
    QFETCH(QStringList, chunks);
    QFETCH(QString, shown);

    TerminalBuffer buffer;
    PlainTerminal plain;
    TerminalView view(buffer);
    for (const QString& chunk : chunks) {
        buffer.append(chunk);
        plain.append(chunk);
        view.sync();
    }
    // The terminal text keeps every byte as received; only the display erases.
    QCOMPARE(buffer.text(), plain.text);
    QCOMPARE(TerminalView::displayText(buffer.text()), shown);
    QCOMPARE(view.toPlainText(), shown);
}

void TestTerminal::caretAtEndWhileFocused()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    TerminalView* view = form.terminalView();
    fakes.line.deliver(QStringLiteral("READY\r\n>"));
    view->sync();
    QTextCursor end(view->document());
    end.movePosition(QTextCursor::End);
    const auto caretColour = [&] {
        return view->viewport()->grab().toImage().pixelColor(view->cursorRect(end).center());
    };
    QTRY_COMPARE(caretColour(), view->palette().color(QPalette::Text));
    // Without the focus there is no caret.
    view->clearFocus();
    QTRY_COMPARE(caretColour(), view->palette().color(QPalette::Base));
}

void TestTerminal::viewScrollsToEndOnEveryChunk()
{
    TerminalBuffer buffer;
    TerminalView view(buffer);
    view.resize(300, 100);
    for (int i = 0; i < 200; ++i)
        buffer.append(QStringLiteral("line %1\r\n").arg(i));
    view.requestScrollToEnd();
    view.sync();
    QScrollBar* bar = view.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // Scrolled back by the user; a chunk that adds nothing (a capture swallowing it) still scrolls.
    bar->setValue(0);
    view.requestScrollToEnd();
    view.sync();
    QCOMPARE(bar->value(), bar->maximum());
}

void TestTerminal::everyModeAsksToScroll()
{
    // While a listing is captured the terminal shows nothing new, but each chunk still moves the
    // view to the end: the user sees where the text will continue.
    ReceiveRig rig;
    int scrolls = 0;
    rig.receive.setScrollToEnd([&] { ++scrolls; });
    rig.line.open();
    rig.capture.start(ListingCapture::Purpose::Save, QDir::temp().filePath(QStringLiteral("korvel-never-written.lis")));
    QCOMPARE(rig.capture.mode(), CaptureMode::AwaitingEcho);
    rig.receive.deliver(QStringLiteral("LIST\r\n"));
    QCOMPARE(scrolls, 1);
    QCOMPARE(rig.capture.mode(), CaptureMode::Capturing);
    rig.receive.deliver(QStringLiteral("10 PRINT 1\r\n"));
    QCOMPARE(scrolls, 2);
}

void TestTerminal::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("effect"); // "copy", "paste" or nothing besides the bytes

    const int ctrl = Qt::ControlModifier;
    const int shift = Qt::ShiftModifier;
    QTest::newRow("letter") << int(Qt::Key_A) << 0 << "a" << QByteArray("a") << "";
    QTest::newRow("Enter sends CR alone") << int(Qt::Key_Return) << 0 << "\r" << QByteArray("\r") << "";
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "\r" << QByteArray("\r") << "";
    QTest::newRow("Ctrl+Enter sends LF") << int(Qt::Key_Return) << ctrl << "\r" << QByteArray("\n") << "";
    QTest::newRow("Backspace sends DEL") << int(Qt::Key_Backspace) << 0 << "\b" << QByteArray("\x7f") << "";
    QTest::newRow("Ctrl+Backspace sends DEL") << int(Qt::Key_Backspace) << ctrl << "" << QByteArray("\x7f") << "";
    QTest::newRow("Ctrl+H sends BS") << int(Qt::Key_H) << ctrl << "\b" << QByteArray("\b") << "";
    QTest::newRow("Tab through the window") << int(Qt::Key_Tab) << 0 << "\t" << QByteArray("\t") << "";
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0 << "\x1b" << QByteArray("\x1b") << "";
    QTest::newRow("Ctrl+C with plain text") << int(Qt::Key_C) << ctrl << "c" << QByteArray("\x03") << "";
    QTest::newRow("Ctrl+C with control text") << int(Qt::Key_C) << ctrl << "\x03" << QByteArray("\x03") << "";
    QTest::newRow("Ctrl+V stays a control code") << int(Qt::Key_V) << ctrl << "\x16" << QByteArray("\x16") << "";
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << ctrl << "" << QByteArray("\x1a") << "";
    QTest::newRow("Ctrl+@ is NUL") << int(Qt::Key_At) << ctrl << "" << QByteArray(1, '\0') << "";
    QTest::newRow("AltGr letter keeps its character")
        << int(Qt::Key_Q) << (ctrl | int(Qt::AltModifier)) << "@" << QByteArray("@") << "";
    QTest::newRow("Latin-1 letter") << int(Qt::Key_Adiaeresis) << 0 << QString(QChar(0xE4)) << QByteArray("\xe4") << "";
    QTest::newRow("euro sign not sent") << int(Qt::Key_unknown) << 0 << "\u20ac" << QByteArray() << "";
    QTest::newRow("arrow sends nothing") << int(Qt::Key_Up) << 0 << "" << QByteArray() << "";
    QTest::newRow("Shift alone sends nothing") << int(Qt::Key_Shift) << shift << "" << QByteArray() << "";
    QTest::newRow("Ctrl+Shift+C copies") << int(Qt::Key_C) << (ctrl | shift) << "\x03" << QByteArray() << "copy";
    QTest::newRow("Ctrl+Shift+V pastes") << int(Qt::Key_V) << (ctrl | shift) << "\x16" << QByteArray() << "paste";
    QTest::newRow("Shift+Insert pastes") << int(Qt::Key_Insert) << shift << "" << QByteArray() << "paste";
}

void TestTerminal::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QByteArray, sent);
    QFETCH(QString, effect);

    // Through a real main window, as the window system delivers a key, with a second widget in it
    // that could take the focus.
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    new QLineEdit(form.centralWidget());
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    TerminalView* view = form.terminalView();
    QCOMPARE(QApplication::focusWidget(), view);
    fakes.line.deliver(QStringLiteral("10 PRINT 1"));
    view->sync();
    view->selectAll();
    QApplication::clipboard()->clear();
    QSignalSpy pastes(view, &TerminalView::pasteRequested);

    QTest::sendKeyEvent(QTest::Press, form.windowHandle(), Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(fakes.line.sentText().toLatin1(), sent);
    QCOMPARE(QApplication::focusWidget(), view);
    QCOMPARE(QApplication::clipboard()->text(), effect == "copy" ? QStringLiteral("10 PRINT 1") : QString());
    QCOMPARE(pastes.size(), effect == "paste" ? 1 : 0);
    // The board echoes what it takes: the terminal text is never touched by a key.
    QCOMPARE(form.terminal().text(), QStringLiteral("10 PRINT 1"));
}

void TestTerminal::pauseLengths_data()
{
    QTest::addColumn<qint64>("askedMs");
    QTest::addColumn<qint64>("elapsedNs");
    QTest::addColumn<int>("idleCalls");
    QTest::newRow("one second") << qint64(1000) << qint64(1'000'000'000) << 1;
    QTest::newRow("Reset's blank") << qint64(200) << qint64(200'000'000) << 1;
    QTest::newRow("Run") << qint64(2000) << qint64(2'000'000'000) << 1;
    QTest::newRow("zero returns at once") << qint64(0) << qint64(0) << 0;
    QTest::newRow("negative returns at once") << qint64(-1000) << qint64(0) << 0;
}

void TestTerminal::pauseLengths()
{
    QFETCH(qint64, askedMs);
    QFETCH(qint64, elapsedNs);
    QFETCH(int, idleCalls);

    FakeClock clock;
    Pause pause(clock);
    const qint64 start = clock.now().count();
    pause.wait(std::chrono::milliseconds(askedMs));
    QCOMPARE(clock.now().count() - start, elapsedNs);
    QCOMPARE(clock.idleCalls, idleCalls);
}

void TestTerminal::pauseNeverEndsEarly()
{
    // Woken early again and again (timers firing ahead, chunks arriving), the pause keeps going
    // until the full length has passed, and asks only for what is left.
    FakeClock clock;
    QList<qint64> asked;
    clock.step = [&](qint64 ns) {
        asked.append(ns);
        return ns / 3 + 1;
    };
    Pause pause(clock);
    const qint64 start = clock.now().count();
    pause.wait(std::chrono::seconds(1));
    const qint64 elapsed = clock.now().count() - start;
    QVERIFY(elapsed >= 1'000'000'000);
    QVERIFY(elapsed < 1'000'000'000 + 2);
    QVERIFY(asked.size() > 5);
    QCOMPARE(asked.first(), qint64(1'000'000'000));
}

void TestTerminal::commandsRunOneAtATime()
{
    ReceiveRig rig;
    rig.line.open();
    int scrolls = 0;
    rig.receive.setScrollToEnd([&] { ++scrolls; });
    QStringList order;
    QList<bool> busy;
    QObject::connect(&rig.runner, &CommandRunner::busyChanged, [&](bool running) { busy.append(running); });

    rig.clock.onIdle = [&] { rig.receive.deliver(QStringLiteral("echo ")); };
    const bool ran = rig.runner.run(QStringLiteral("Load Program"), [&] {
        // A file dialog comes before a command's pauses; what arrives while it is open is shown at once.
        rig.receive.deliver(QStringLiteral("shown "));
        QCOMPARE(rig.terminal.text(), QStringLiteral("shown "));
        rig.pause.wait(std::chrono::seconds(1));
        rig.receive.deliver(QStringLiteral("late"));
        rig.pause.wait(std::chrono::seconds(1));
        // From the first pause on, nothing has reached the terminal.
        QCOMPARE(rig.terminal.text(), QStringLiteral("shown "));
        // Another command, however started, is refused and says so.
        QVERIFY(!rig.runner.run(QStringLiteral("Reset"), [&] { order << QStringLiteral("nested"); }));
        QCOMPARE(rig.surface.status, QStringLiteral("Not started: Load Program is still running"));
        rig.runner.afterCommand([&] { order << QStringLiteral("after:") + rig.terminal.text(); });
        QVERIFY(order.isEmpty());
    });
    QVERIFY(ran);
    // The held chunks are shown before the deferred action runs.
    QCOMPARE(order, QStringList{QStringLiteral("after:shown echo lateecho ")});
    QCOMPARE(busy, (QList<bool>{true, false}));
    QVERIFY(scrolls >= 1);
    rig.clock.onIdle = nullptr;
    rig.receive.deliver(QStringLiteral("!"));
    QCOMPARE(rig.terminal.text(), QStringLiteral("shown echo lateecho !"));

    // On a line that is down no command starts.
    rig.line.close();
    QVERIFY(!rig.runner.run(QStringLiteral("Memory"), [&] { order << QStringLiteral("sent"); }));
    QCOMPARE(rig.surface.status, QStringLiteral("Not sent: port 0 is not open"));
    QCOMPARE(order.size(), 1);
}

void TestTerminal::fontSteps_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("larger");
    QTest::addColumn<double>("smaller");

    QTest::newRow("as drawn") << 8.25 << 9.0 << 8.0;
    QTest::newRow("on a step") << 12.0 << 14.0 << 11.0;
    QTest::newRow("between steps") << 12.5 << 14.0 << 12.0;
    QTest::newRow("a step read back a little off") << 13.999 << 16.0 << 12.0;
    QTest::newRow("smallest") << 6.0 << 7.0 << 6.0;
    QTest::newRow("largest") << 48.0 << 48.0 << 40.0;
    QTest::newRow("above the range") << 100.0 << 48.0 << 40.0;
    QTest::newRow("below the range") << 1.0 << 7.0 << 6.0;
    QTest::newRow("unset") << 0.0 << 9.0 << 8.0;
    QTest::newRow("negative") << -12.0 << 9.0 << 8.0;
    QTest::newRow("no number") << qQNaN() << 9.0 << 8.0;
}

void TestTerminal::fontSteps()
{
    QFETCH(double, from);
    QFETCH(double, larger);
    QFETCH(double, smaller);
    QCOMPARE(fontzoom::larger(from), larger);
    QCOMPARE(fontzoom::smaller(from), smaller);
    QVERIFY(fontzoom::bounded(from) >= fontzoom::kSmallest && fontzoom::bounded(from) <= fontzoom::kLargest);
}

QTEST_MAIN(TestTerminal)
#include "tst_terminal.moc"
