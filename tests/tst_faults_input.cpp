// Keys and menu clicks made while a command pauses: they arrive as the window system delivers a
// user's input, queued, while the command's pauses run the real clock's event loop, and must be
// handled after the command, in the order made, none lost and none sent during it.
#include "fakes.h"

#include "app/form1.h"
#include "platform/qtclock.h"
#include "terminal/terminalview.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QWindow>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

namespace {

using Async = QWindowSystemInterface::AsynchronousDelivery;

// The running program's clock with every pause cut to 2 ms of its event loop, counted as its full
// length; the hook runs at the start of each pause, as the user's hands would.
class ShortRealClock : public Clock
{
public:
    std::chrono::nanoseconds now() const override { return std::chrono::nanoseconds(m_now); }
    void idleFor(std::chrono::nanoseconds length) override
    {
        const qint64 ns = length.count();
        ++idleCalls;
        if (onIdle) onIdle(idleCalls);
        m_real.idleFor(std::chrono::nanoseconds(std::min<qint64>(ns, 2'000'000)));
        m_now += ns;
    }

    int idleCalls = 0;
    std::function<void(int call)> onIdle;

private:
    QtClock m_real;
    qint64 m_now = 0;
};

class Typist
{
public:
    explicit Typist(Form1& form) : m_form(form), m_window(form.windowHandle()) {}

    void key(Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWindowSystemInterface::handleKeyEvent<Async>(m_window, QEvent::KeyPress, key, modifiers, text);
        QWindowSystemInterface::handleKeyEvent<Async>(m_window, QEvent::KeyRelease, key, modifiers, text);
    }
    void type(const QString& text)
    {
        for (const QChar c : text)
            key(Qt::Key(c.toUpper().unicode()), QString(c));
    }
    // A click on an entry that sits on the menu bar itself.
    void click(const QString& actionName)
    {
        QMenuBar* bar = m_form.menuBar();
        QAction* action = bar->findChild<QAction*>(actionName);
        if (!action) action = m_form.findChild<QAction*>(actionName);
        QVERIFY2(action, qPrintable(actionName));
        const QPoint local = bar->mapTo(&m_form, bar->actionGeometry(action).center());
        const QPoint global = m_form.mapToGlobal(local);
        QWindowSystemInterface::handleMouseEvent<Async>(m_window, local, global, Qt::LeftButton, Qt::LeftButton,
                                                        QEvent::MouseButtonPress);
        QWindowSystemInterface::handleMouseEvent<Async>(m_window, local, global, Qt::NoButton, Qt::LeftButton,
                                                        QEvent::MouseButtonRelease);
    }

private:
    Form1& m_form;
    QWindow* m_window;
};

} // namespace

class TestFaultsInput : public QObject
{
    Q_OBJECT

private slots:
    void inputDuringCommandComesAfterIt_data();
    void inputDuringCommandComesAfterIt();
};

void TestFaultsInput::inputDuringCommandComesAfterIt_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("pauses");
    QTest::newRow("reset") << QStringLiteral("reset") << 52;
    QTest::newRow("run") << QStringLiteral("run") << 1;
}

void TestFaultsInput::inputDuringCommandComesAfterIt()
{
    QFETCH(QString, command);
    QFETCH(int, pauses);
    FakePlatform fakes;
    ShortRealClock clock;
    Form1 form(Platform{fakes.line, clock, fakes.fileDialog, fakes.profile, fakes.launcher, fakes.associations,
                        fakes.helpViewer, fakes.prompter, fakes.applicationDir});
    form.load();
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.terminalView());
    Typist typist(form);

    // A log of everything that reaches the board or the help viewer, in order.
    QStringList log;
    fakes.line.onSend = [&](const QString& text) {
        while (log.count(QStringLiteral("help")) < fakes.helpViewer.calls.size())
            log.append(QStringLiteral("help"));
        log.append(text);
    };

    // The user types, clicks Memory, presses Return, asks for help with F1 and clicks Clear Screen,
    // spread over the command's first pauses (all in the one pause of Run).
    QStringList duringCommand;
    const int spread = pauses > 1 ? 1 : 0;
    clock.onIdle = [&](int call) {
        const auto at = [&](int step) { return call == 1 + spread * step; };
        if (at(0)) typist.type(QStringLiteral("p1"));
        if (at(1)) typist.click(QStringLiteral("mem"));
        if (at(2)) typist.key(Qt::Key_Return, QStringLiteral("\r"));
        if (at(3)) typist.key(Qt::Key_F1, QString());
        if (at(4)) typist.type(QStringLiteral("x"));
        if (call == pauses) duringCommand = log;
    };
    QVERIFY(QMetaObject::invokeMethod(&form, command == QLatin1String("reset") ? "resetBoard" : "runProgram"));
    QCOMPARE(clock.idleCalls, pauses);
    const QStringList commandSends = fakes.line.sends;

    // Nothing of the input was handled while the command ran.
    QVERIFY(!duringCommand.contains(QStringLiteral("p")));
    QVERIFY(!duringCommand.contains(QStringLiteral("?free\r\n")));
    QVERIFY(fakes.helpViewer.calls.isEmpty());
    if (command == QLatin1String("reset")) {
        QCOMPARE(commandSends.size(), 53);
        QCOMPARE(commandSends.last(), QStringLiteral("new\r\n"));
    } else {
        QCOMPARE(commandSends, QStringList{QStringLiteral("RUN\r\n")});
    }

    // Afterwards it is, in the order it was made.
    const QStringList expected = {QStringLiteral("p"),  QStringLiteral("1"),    QStringLiteral("?free\r\n"),
                                  QStringLiteral("\r"), QStringLiteral("help"), QStringLiteral("x")};
    QTRY_COMPARE_WITH_TIMEOUT(fakes.line.sends.size(), commandSends.size() + 5, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(fakes.helpViewer.calls.size(), 1, 5000);
    QCoreApplication::processEvents();
    fakes.line.onSend(QStringLiteral("end"));
    QStringList after = log.mid(commandSends.size());
    after.removeLast();
    QCOMPARE(after, expected);
    QCOMPARE(fakes.line.sends.size(), commandSends.size() + 5);
}

QTEST_MAIN(TestFaultsInput)
#include "tst_faults_input.moc"
