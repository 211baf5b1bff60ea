// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against fakes: menu, layout, start-up and Exit against the settings file,
// the close box, the receive path's modes, keys, what happens to chunks, keys and the close box
// during a command, and the window's place after a dialog.
#include "fakes.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "board/mtopchg.h"
#include "board/uploadsetup.h"
#include "terminal/terminalview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString statusText(QWidget& form)
{
    return form.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->currentMessage();
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void menu();
    void layout();
    void startUpOrder();
    void storedValues_data();
    void storedValues();
    void exitWritesInOrder();
    void closeBoxWritesNothing();
    void lineProblemsShowInStatusBar();
    void everyChunkScrollsInEveryMode();
    void clearScreenLeavesCapture();
    void keysGoToTheLine();
    void chunksAndKeysDuringCommandComeAfterIt();
    void quittingCancelsTheCommand_data();
    void quittingCancelsTheCommand();
    void escapeCancelsLoadOtherKeysWait();
    void cancelButtonStopsReset();
    void keysReachTheBoardDuringSave();
    void escapeCancelsRun();
    void uploadDialogKeepsThePacing();
    void mtopDialogValueIsKeptAndSent();
    void promptPacedAnswersShowAtOnce();
    void resetClearsDisplayAtOnce();
    void pasteGoesToTheBoard();
    void windowComesBackAfterDialog_data();
    void windowComesBackAfterDialog();
    void zoomKeys_data();
    void zoomKeys();
    void fontSizeIsKept_data();
    void fontSizeIsKept();
    void altOpensMenus_data();
    void altOpensMenus();
    void profileNameInTitle();
};

void TestForm1::menu()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    struct Entry
    {
        QString name, caption;
    };
    const QList<Entry> bar = {{"f", "File"},      {"dummy02", "Settings"}, {"clss", "Clear Screen"}, {"mem", "Memory"},
                              {"reset", "Reset"}, {"plot", "Plot"},        {"dummy04", "?"}};
    const QList<QAction*> barActions = form.menuBar()->actions();
    QCOMPARE(barActions.size(), bar.size());
    for (int i = 0; i < bar.size(); ++i) {
        QCOMPARE(barActions[i]->objectName(), bar[i].name);
        QCOMPARE(barActions[i]->text(), bar[i].caption);
    }
    const QMap<QString, QList<Entry>> menus = {
        {"f",
         {{"save", "Save Program"},
          {"load", "Load Program"},
          {"merge", "Merge Program"},
          {"verify", "Verify Program"},
          {"run", "Run Program"},
          {"edit", "Edit Program"},
          {"logToFile", "Log to File..."},
          {"dummy01", "    ----------"},
          {"End", "Exit"}}},
        {"dummy02", {{"comSet", "ComPort"}, {"MTop", "MTOP"}, {"upload", "Upload"}, {"ports", "Ports"}}},
        {"dummy04", {{"about", "About"}, {"help", "Help"}, {"B52help", "Intel B-52 Manual"}}},
    };
    for (auto it = menus.begin(); it != menus.end(); ++it) {
        auto* menu = form.menuBar()->findChild<QMenu*>(it.key());
        QVERIFY2(menu, qPrintable(it.key()));
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), it.value().size());
        for (int i = 0; i < actions.size(); ++i) {
            QCOMPARE(actions[i]->objectName(), it.value()[i].name);
            QCOMPARE(actions[i]->text(), it.value()[i].caption);
            QVERIFY(!actions[i]->text().contains(u'&'));
            QCOMPARE(actions[i]->isEnabled(), it.value()[i].name != QLatin1String("dummy01"));
        }
    }
}

void TestForm1::layout()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("KORVEL"));
    QCOMPARE(form.centralWidget()->size(), QSize(643, 536));
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.centralWidget()->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));

    auto* text2 = form.findChild<QPlainTextEdit*>(QStringLiteral("Text2"));
    QVERIFY(text2);
    QCOMPARE(text2->geometry(), QRect(24, 0, 593, 513));
    QVERIFY(text2->isReadOnly());
    QCOMPARE(text2->font().pointSizeF(), 8.25);
    const bool lucida = QFontDatabase::families().contains(QStringLiteral("Lucida Console"));
    QCOMPARE(text2->font().family(),
             lucida ? QStringLiteral("Lucida Console") : QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    auto* progress = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    QVERIFY(progress && !progress->isVisible());
    QCOMPARE(progress->geometry(), QRect(24, 486, 596, 25));
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 100);
    auto* status = form.findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
    QVERIFY(status);
    QCOMPARE(status->geometry(), QRect(0, 511, 643, 25));
    QCOMPARE(status->currentMessage(), QString());
}

void TestForm1::startUpOrder()
{
    FakePlatform fakes;
    fakes.profile.set("ComPort", "Baud", " 9600");
    fakes.profile.set("ComPort", "Databits", " 8");
    fakes.profile.set("ComPort", "Stopbits", " 1");
    fakes.profile.set("ComPort", "Port", " 2");
    Form1 form(fakes.platform());
    form.load();
    // Each value is set right after it is read; the line opens only when all four are set.
    QCOMPARE(fakes.journal, (QStringList{"close", "read ComPort/Baud", "baud=9600", "read ComPort/Databits",
                                         "databits=8", "read ComPort/Stopbits", "stopbits=1", "read ComPort/Port",
                                         "port=2", "read MTop/MTop", "read Upload/Pacing", "read Terminal/FontSize",
                                         "open"}));
    QCOMPARE(form.terminal().text(), QString());
    QCOMPARE(form.capture().mode(), CaptureMode::Terminal);
}

void TestForm1::storedValues_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("mtop");
    QTest::addColumn<int>("baudSet");
    QTest::addColumn<double>("mtopRead");

    QTest::newRow("halves to even, down") << "9600.5"
                                          << " 32768" << 9600 << 32768.0;
    QTest::newRow("halves to even, up") << "9601.5"
                                        << " 32768" << 9602 << 32768.0;
    QTest::newRow("memory top 0") << "9600"
                                  << "0" << 9600 << 32768.0;
    QTest::newRow("memory top empty") << "9600"
                                      << "" << 9600 << 32768.0;
    QTest::newRow("memory top text") << "9600"
                                     << "lots" << 9600 << 32768.0;
    QTest::newRow("negative memory top kept") << "9600"
                                              << "-5" << 9600 << -5.0;
    QTest::newRow("fraction kept") << "9600"
                                   << " 1000.25" << 9600 << 1000.25;
}

void TestForm1::storedValues()
{
    QFETCH(QString, baud);
    QFETCH(QString, mtop);
    QFETCH(int, baudSet);
    QFETCH(double, mtopRead);

    FakePlatform fakes;
    fakes.profile.set("ComPort", "Baud", baud);
    fakes.profile.set("MTop", "MTop", mtop);
    Form1 form(fakes.platform());
    form.load();
    QCOMPARE(fakes.line.baudRate(), baudSet);
    QCOMPARE(form.mtop(), mtopRead);
}

void TestForm1::exitWritesInOrder()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    fakes.line.setBaudRate(19200);
    fakes.line.setDataBits(7);
    fakes.line.setStopBits(2);
    fakes.line.setPortNumber(3);
    fakes.journal.clear();
    fakes.line.onSend = [&](const QString&) { QFAIL("Exit sends nothing"); };
    triggerAction(form, "End");
    // The line is closed before anything is written.
    QCOMPARE(fakes.journal,
             (QStringList{"close", "write ComPort/Baud= 19200", "write ComPort/Databits= 7",
                          "write ComPort/Stopbits= 2", "write ComPort/Port= 3", "write MTop/MTop= 32768",
                          "write Terminal/FontSize=8.25"}));
}

void TestForm1::closeBoxWritesNothing()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QVERIFY(form.close());
    QVERIFY(fakes.profile.writes.isEmpty());
}

void TestForm1::lineProblemsShowInStatusBar()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    fakes.line.reportProblem(QStringLiteral("Port 3 (/dev/ttyUSB2) cannot be opened: Permission denied"));
    QCOMPARE(form.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->currentMessage(),
             QStringLiteral("Port 3 (/dev/ttyUSB2) cannot be opened: Permission denied"));
}

void TestForm1::everyChunkScrollsInEveryMode()
{
    QTemporaryDir dir;
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    TerminalView* view = form.terminalView();
    QScrollBar* bar = view->verticalScrollBar();
    for (int i = 0; i < 100; ++i)
        fakes.line.deliver(QStringLiteral("%1 PRINT %1\r\n").arg(i));
    view->sync();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // Save Program: the terminal is cleared and then stays as it is while the listing comes in,
    // but each chunk still moves the view to the end.
    fakes.fileDialog.answers.append(dir.filePath("p.lis"));
    fakes.clock.step = [](qint64) { return qint64(10'000'000); };
    bool checked = false;
    fakes.clock.onIdle = [&] {
        if (std::exchange(checked, true)) return fakes.line.deliver(QStringLiteral("READY\r\n>"));
        QCOMPARE(form.capture().mode(), CaptureMode::AwaitingEcho);
        fakes.line.deliver(QStringLiteral("LIST\r\n"));
        for (int i = 0; i < 100; ++i)
            fakes.line.deliver(QStringLiteral("%1 PRINT 1\r\n").arg(i + 1));
        QCOMPARE(form.terminal().text(), QString());
        view->sync();
        bar->setValue(0);
        fakes.line.deliver(QStringLiteral("200 PRINT 1\r\n"));
        QCOMPARE(form.capture().mode(), CaptureMode::Capturing);
        view->sync();
        QCOMPARE(bar->value(), bar->maximum());
    };
    triggerAction(form, "save");
    QVERIFY(checked);
    QCOMPARE(form.capture().ending(), ListingCapture::Ending::Done);
}

void TestForm1::clearScreenLeavesCapture()
{
    QTemporaryDir dir;
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    fakes.line.deliver(QStringLiteral("READY\r\n>"));
    fakes.fileDialog.answers.append(dir.filePath("p.lis"));
    fakes.clock.onIdle = [&] {
        fakes.line.deliver(QStringLiteral("LIST\r\n10 PRINT 1\r\n"));
        triggerAction(form, "clss");
        QCOMPARE(form.terminal().text(), QString());
        QCOMPARE(form.capture().mode(), CaptureMode::Capturing);
        fakes.line.deliver(QStringLiteral("\r\nREADY\r\n>"));
    };
    triggerAction(form, "save");
    QCOMPARE(form.capture().mode(), CaptureMode::Terminal);
    QCOMPARE(form.capture().ending(), ListingCapture::Ending::Done);
    form.terminalView()->sync();
    QCOMPARE(form.terminalView()->toPlainText(), QString());
}

void TestForm1::keysGoToTheLine()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    QWidget* text2 = form.terminalView();
    QTest::keyClicks(text2, QStringLiteral("list"));
    QTest::keyClick(text2, Qt::Key_Return);
    QTest::sendKeyEvent(QTest::Click, text2, Qt::Key_C, QString(QChar(3)), Qt::ControlModifier);
    QCOMPARE(fakes.line.sends, (QStringList{"l", "i", "s", "t", "\r", "\x03"}));
    QCOMPARE(form.terminal().text(), QString());
}

void TestForm1::chunksAndKeysDuringCommandComeAfterIt()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QWidget* text2 = form.terminalView();
    int idles = 0;
    fakes.clock.onIdle = [&] {
        // The board answers and the user types while Run Program pauses.
        fakes.line.deliver(QStringLiteral("RUN\r\n"));
        QCoreApplication::postEvent(text2, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
        ++idles;
    };
    triggerAction(form, "run");
    QVERIFY(idles > 0);
    // The command is over: the held chunk is shown; the key is sent once events run again.
    QCOMPARE(form.terminal().text(), QStringLiteral("RUN\r\n").repeated(idles));
    QCOMPARE(fakes.line.sends, QStringList{"RUN\r\n"});
    QCoreApplication::processEvents();
    QCOMPARE(fakes.line.sends, (QStringList{"RUN\r\n", "a"}));
}

void TestForm1::quittingCancelsTheCommand_data()
{
    QTest::addColumn<bool>("closeBox"); // else a quit request, as a session manager sends one
    QTest::newRow("close box") << true;
    QTest::newRow("quit request") << false;
}

void TestForm1::quittingCancelsTheCommand()
{
    QFETCH(bool, closeBox);
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    bool closedDuring = false;
    fakes.clock.onIdle = [&] {
        if (closeBox) {
            form.close();
        } else {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        }
        closedDuring = closedDuring || !form.isVisible();
    };
    triggerAction(form, "reset");
    // Stopped at its first pause, as on Escape, and only then closed; no later pause ran.
    QVERIFY(!closedDuring);
    QCOMPARE(fakes.line.sends, QStringList{" "});
    QCOMPARE(fakes.clock.idleCalls, 1);
    QCOMPARE(form.isVisible(), !closeBox);
    QVERIFY(fakes.profile.writes.isEmpty());
    // The quit goes on once the command has stopped.
    if (!closeBox) QCoreApplication::removePostedEvents(nullptr);
}

void TestForm1::escapeCancelsLoadOtherKeysWait()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prog.lis"));
    QVERIFY(writeFile(path, "10 A\r\n20 B\r\n30 C\r\n40 D\r\n50 E\r\n"));
    fakes.fileDialog.answers = {path};
    auto* cancel = form.findChild<QPushButton*>(QStringLiteral("cmdCancelUpload"));
    QVERIFY(cancel && !cancel->isVisible());
    bool shown = true;
    bool othersDisabled = true;
    // Keys reach the window as from the keyboard, while the pause runs.
    fakes.clock.onIdle = [&] {
        shown = shown && cancel->isVisible();
        for (const char* name : {"save", "load", "merge", "verify", "run", "mem", "reset", "MTop"})
            othersDisabled = othersDisabled && !findAction(form, name)->isEnabled();
        if (fakes.clock.idleCalls == 2) QTest::keyClick(form.windowHandle(), Qt::Key_A);
        if (fakes.clock.idleCalls == 3) QTest::keyClick(form.windowHandle(), Qt::Key_Escape);
    };
    triggerAction(form, "load");
    QCOMPARE(fakes.line.sends, (QStringList{"new\r\n", "10 A\r\n", "20 B\r\n"}));
    QCOMPARE(statusText(form), QStringLiteral("Upload cancelled after 2 of 5 lines"));
    QVERIFY(shown);
    QVERIFY(othersDisabled);
    QVERIFY(findAction(form, "load")->isEnabled());
    QVERIFY(!cancel->isVisible());
    // The key typed meanwhile goes out once the command is over; Escape went nowhere.
    QCoreApplication::processEvents();
    QCOMPARE(fakes.line.sends.mid(3), QStringList{"a"});
}

void TestForm1::cancelButtonStopsReset()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    auto* cancel = form.findChild<QPushButton*>(QStringLiteral("cmdCancelUpload"));
    fakes.clock.onIdle = [&] {
        // A click on the button as the window gets it from the mouse, and one beside it.
        if (fakes.clock.idleCalls == 4)
            QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, form.terminalView()->mapTo(&form, QPoint(5, 5)));
        if (fakes.clock.idleCalls == 5)
            QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, cancel->mapTo(&form, cancel->rect().center()));
    };
    triggerAction(form, "reset");
    QCOMPARE(fakes.line.sends, QStringList(5, QStringLiteral(" ")));
    QCOMPARE(statusText(form), QStringLiteral("Reset cancelled"));
}

void TestForm1::keysReachTheBoardDuringSave()
{
    // A program's output holds the capture open; the user's Ctrl-C must reach the board meanwhile.
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QTemporaryDir dir;
    fakes.fileDialog.answers = {dir.filePath(QStringLiteral("p.lis"))};
    fakes.clock.step = [](qint64) { return qint64(10'000'000); };
    QStringList sentWhileSaving;
    fakes.clock.onIdle = [&] {
        if (fakes.clock.idleCalls == 1) QTest::keyClick(form.windowHandle(), Qt::Key_X);
        if (fakes.clock.idleCalls == 3) {
            sentWhileSaving = fakes.line.sends;
            fakes.line.deliver(QStringLiteral("LIST\r\nREADY\r\n>"));
        }
    };
    triggerAction(form, "save");
    QCOMPARE(sentWhileSaving, (QStringList{"LIST\r\n", "x"}));
    QCOMPARE(form.capture().ending(), ListingCapture::Ending::Done);
}

void TestForm1::escapeCancelsRun()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    fakes.clock.onIdle = [&] { QTest::keyClick(form.windowHandle(), Qt::Key_Escape); };
    triggerAction(form, "run");
    QCOMPARE(fakes.clock.idleCalls, 1);
    QCoreApplication::processEvents();
    // Escape ended the pause and went nowhere else.
    QCOMPARE(fakes.line.sends, QStringList{"RUN\r\n"});
}

void TestForm1::uploadDialogKeepsThePacing()
{
    FakePlatform fakes;
    fakes.profile.set("Upload", "Pacing", "Prompt");
    Form1 form(fakes.platform());
    form.load();
    form.show();
    triggerAction(form, "upload");
    auto* dialog = form.findChild<UploadSetup*>();
    QVERIFY(dialog && dialog->isVisible() && !form.isVisible());
    QVERIFY(dialog->findChild<QRadioButton*>(QStringLiteral("optPrompt"))->isChecked());
    dialog->findChild<QRadioButton*>(QStringLiteral("optFixed"))->click();
    dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    // Written at once, not only at Exit.
    QCOMPARE(fakes.profile.writes, QStringList{"Upload/Pacing=Fixed"});
    QVERIFY(form.isVisible());

    // A file that cannot be written: the choice holds for this run, and the status bar says so.
    fakes.profile.failWrites = true;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    triggerAction(form, "upload");
    dialog = form.findChild<UploadSetup*>();
    QVERIFY(dialog->findChild<QRadioButton*>(QStringLiteral("optFixed"))->isChecked());
    dialog->findChild<QRadioButton*>(QStringLiteral("optPrompt"))->click();
    dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(statusText(form), QStringLiteral("Cannot write the upload setting to Korvel.ini"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    triggerAction(form, "upload");
    QVERIFY(form.findChild<UploadSetup*>()->findChild<QRadioButton*>(QStringLiteral("optPrompt"))->isChecked());
}

void TestForm1::mtopDialogValueIsKeptAndSent()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    triggerAction(form, "MTop");
    auto* dialog = form.findChild<MTopChg*>();
    QVERIFY(dialog);
    dialog->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("1000abc"));
    dialog->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    QCOMPARE(form.mtop(), 1000.0);
    QCOMPARE(fakes.line.sends, QStringList{"mtop =  1000\r\n"});
}

void TestForm1::promptPacedAnswersShowAtOnce()
{
    FakePlatform fakes;
    fakes.profile.set("Upload", "Pacing", "Prompt");
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prog.lis"));
    QVERIFY(writeFile(path, "10 A=1\n20 B=2\n"));
    fakes.fileDialog.answers = {path};
    QStringList shownDuring;
    fakes.clock.onIdle = [&] {
        fakes.line.deliver(fakes.line.sends.last().chopped(2) + QStringLiteral("\r\n>\n"));
        shownDuring.append(form.terminal().text());
    };
    triggerAction(form, "merge");
    QCOMPARE(shownDuring, (QStringList{"10 A=1\r\n>\n", "10 A=1\r\n>\n20 B=2\r\n>\n"}));
    QCOMPARE(fakes.clock.idleCalls, 2);
    QCOMPARE(statusText(form), QString());
}

void TestForm1::resetClearsDisplayAtOnce()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    fakes.line.deliver(QStringLiteral("READY\r\n>"));
    form.terminalView()->sync();
    QString shownAtFirstBlank = QStringLiteral("not sent");
    fakes.line.onSend = [&](const QString& text) {
        if (text == QLatin1String(" ") && shownAtFirstBlank == QLatin1String("not sent"))
            shownAtFirstBlank = form.terminalView()->toPlainText();
    };
    triggerAction(form, "reset");
    QCOMPARE(shownAtFirstBlank, QString());
}

void TestForm1::pasteGoesToTheBoard()
{
    // Shift+Insert in the terminal sends the clipboard: several lines as a merge, paced.
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QGuiApplication::clipboard()->setText(QStringLiteral("10 A\n20 B\n"));
    QTest::keyClick(form.terminalView(), Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(fakes.line.sends, (QStringList{"10 A\r\n", "20 B\r\n"}));
    QCOMPARE(fakes.clock.idleCalls, 2);
}

void TestForm1::windowComesBackAfterDialog_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("button");
    QTest::newRow("About") << "about"
                           << "cmdOK";
    QTest::newRow("MTOP") << "MTop"
                          << "Command2";
    QTest::newRow("ComPort") << "comSet"
                             << "cmdCancel";
}

void TestForm1::windowComesBackAfterDialog()
{
    QFETCH(QString, entry);
    QFETCH(QString, button);
    // A dark theme, on which black labels would vanish.
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    QApplication::setPalette(dark);
    auto restore = qScopeGuard([&] { QApplication::setPalette(original); });

    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    form.move(150, 120);
    const QPoint place = form.pos();
    triggerAction(form, entry);
    // Some window systems place a window anew when it is shown again.
    form.move(0, 0);
    QPushButton* close = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != &form && w->isVisible() && w->findChild<QPushButton*>(button))
            close = w->findChild<QPushButton*>(button);
    QVERIFY(close);
    for (const QLabel* label : close->window()->findChildren<QLabel*>()) {
        const QPalette p = label->palette();
        QVERIFY(label->text().isEmpty() ||
                qAbs(p.color(QPalette::WindowText).lightness() - p.color(QPalette::Window).lightness()) > 100);
    }
    close->click();
    QCOMPARE(form.pos(), place);
}

void TestForm1::zoomKeys_data()
{
    QTest::addColumn<QList<QKeyCombination>>("keys");
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("growth"); // of the window: 1 larger, -1 smaller, 0 as drawn

    const QKeyCombination plus(Qt::ControlModifier, Qt::Key_Plus);
    const QKeyCombination equal(Qt::ControlModifier, Qt::Key_Equal);
    const QKeyCombination minus(Qt::ControlModifier, Qt::Key_Minus);
    const QKeyCombination zero(Qt::ControlModifier, Qt::Key_0);
    QTest::newRow("Ctrl+Plus") << QList{plus} << 9.0 << 1;
    QTest::newRow("Ctrl+= twice") << QList{equal, equal} << 10.0 << 1;
    QTest::newRow("Ctrl+Minus twice") << QList{minus, minus} << 7.0 << -1;
    QTest::newRow("not below 6") << QList{minus, minus, minus, minus} << 6.0 << -1;
    QTest::newRow("Ctrl+0") << QList{plus, plus, plus, zero} << 8.25 << 0;
}

void TestForm1::zoomKeys()
{
    QFETCH(QList<QKeyCombination>, keys);
    QFETCH(double, points);
    QFETCH(int, growth);
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form)); // the keys are the window's
    TerminalView* view = form.terminalView();
    const QSize grid = view->grid();
    const QSize drawn = form.centralWidget()->size();
    QVERIFY(grid.width() >= 79);

    for (const QKeyCombination key : keys)
        QTest::keyClick(view, key.key(), key.keyboardModifiers());
    QCOMPARE(view->font().pointSizeF(), points);
    QCOMPARE(form.terminalFontSize(), points);
    QVERIFY2(fakes.line.sends.isEmpty(), qPrintable(fakes.line.sends.join(u'|')));
    // The window follows the font, and the terminal keeps its columns and rows.
    const QSize client = form.centralWidget()->size();
    QCOMPARE((client.width() > drawn.width()) - (client.width() < drawn.width()), growth);
    QCOMPARE((client.height() > drawn.height()) - (client.height() < drawn.height()), growth);
    QCOMPARE(form.size(), form.minimumSize());
    QCOMPARE(view->grid(), grid);
    fakes.line.deliver(QStringLiteral("10 PRINT \"%1\"").arg(QString(68, u'x')));
    view->sync();
    const QTextBlock line = view->document()->firstBlock();
    QCOMPARE(line.length() - 1, 79);
    view->document()->documentLayout()->blockBoundingRect(line); // lays the line out
    QCOMPARE(line.layout()->lineCount(), 1);
    // The status bar and the progress bar stay at the bottom of the grown window.
    const auto* status = form.findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
    QCOMPARE(status->geometry().bottom(), form.centralWidget()->height() - 1);
    QCOMPARE(form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->geometry().bottom(),
             view->geometry().bottom() - 2);
}

void TestForm1::fontSizeIsKept_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<double>("shown");
    QTest::addColumn<QString>("written"); // by Exit after one Ctrl+Plus

    QTest::newRow("missing") << QString() << 8.25 << "9";
    QTest::newRow("larger") << "12" << 12.0 << "14";
    QTest::newRow("between steps") << "12.5" << 12.5 << "14";
    QTest::newRow("too large") << "100" << 48.0 << "48";
    QTest::newRow("too small") << "3" << 6.0 << "7";
    QTest::newRow("no number") << "big" << 8.25 << "9";
}

void TestForm1::fontSizeIsKept()
{
    QFETCH(QString, stored);
    QFETCH(double, shown);
    QFETCH(QString, written);
    FakePlatform fakes;
    if (!stored.isNull()) fakes.profile.set("Terminal", "FontSize", stored);
    Form1 form(fakes.platform());
    form.load();
    QCOMPARE(form.terminalView()->font().pointSizeF(), shown);
    triggerAction(form, "zoomIn");
    triggerAction(form, "End");
    QCOMPARE(fakes.profile.writes.last(), "Terminal/FontSize=" + written);
}

void TestForm1::altOpensMenus_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("menu"); // empty: the entry on the bar acts
    QTest::newRow("File") << Qt::Key_F << "f";
    QTest::newRow("Settings") << Qt::Key_S << "dummy02";
    QTest::newRow("?") << Qt::Key_Question << "dummy04";
    QTest::newRow("Clear Screen") << Qt::Key_C << "";
}

void TestForm1::altOpensMenus()
{
    QFETCH(Qt::Key, key);
    QFETCH(QString, menu);
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    fakes.line.deliver(QStringLiteral("READY\r\n>"));
    QTest::keyClick(form.terminalView(), key, Qt::AltModifier);
    QVERIFY(fakes.line.sends.isEmpty());
    if (menu.isEmpty()) {
        QCOMPARE(form.terminal().text(), QString());
        return;
    }
    auto* popup = form.menuBar()->findChild<QMenu*>(menu);
    QTRY_VERIFY(popup->isVisible());
    popup->hide();
}

void TestForm1::profileNameInTitle()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.setProfileName(QStringLiteral("lab-2"));
    QCOMPARE(form.windowTitle(), QStringLiteral("KORVEL - lab-2"));
    form.setProfileName(QString());
    QCOMPARE(form.windowTitle(), QStringLiteral("KORVEL"));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
