// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/mtopchg.h"
#include "board/boardcommands.h"
#include "fakes.h"
#include "terminal/pause.h"
#include "terminal/terminalbuffer.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

// The dialog wired as the main window wires it: the value accepted is kept and sent by BoardCommands.
struct Rig
{
    QWidget mainWindow;
    FakeSerialLine line;
    FakeClock clock;
    Pause pause{clock};
    TerminalBuffer terminal;
    FakeSurface surface;
    BoardCommands commands{line, pause, terminal, surface};
    double mtop = 32768;
    QPointer<MTopChg> dialog;

    Rig()
    {
        mainWindow.show();
        dialog = MTopChg::open(mainWindow, mtop);
        QObject::connect(dialog, &MTopChg::accepted, [this](double value) {
            mtop = value;
            commands.setMemoryTop(value);
        });
    }
    ~Rig() { delete dialog; }

    QLineEdit* text1() const { return dialog->findChild<QLineEdit*>(QStringLiteral("Text1")); }
    QPushButton* button(const char* name) const { return dialog->findChild<QPushButton*>(QLatin1String(name)); }

    // The dialog is gone for good, not only hidden.
    bool deleted()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog.isNull();
    }
};

} // namespace

class TestMTopChg : public QObject
{
    Q_OBJECT
private slots:
    void acceptedValue_data();
    void acceptedValue();
    void opensWithTheMemoryTop();
    void confirm_data();
    void confirm();
    void leavingWithoutOk_data();
    void leavingWithoutOk();
};

void TestMTopChg::acceptedValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // 0: refused

    QTest::newRow("largest") << "65534" << 65534.0;
    QTest::newRow("fraction below the limit") << "65534.9" << 65534.9;
    QTest::newRow("small fraction") << "0.5" << 0.5;
    QTest::newRow("load step's blank") << " 32768" << 32768.0;
    QTest::newRow("trailing letters") << "1000abc" << 1000.0;
    QTest::newRow("blank inside") << "1 000" << 1000.0;
    QTest::newRow("board's hex notation") << "1000H" << 1000.0;
    QTest::newRow("ampersand hex") << "&HFFFE" << 65534.0;
    QTest::newRow("limit") << "65535" << 0.0;
    QTest::newRow("zero") << "0" << 0.0;
    QTest::newRow("negative") << "-1" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("text") << "abc" << 0.0;
    QTest::newRow("exponent overflow") << "1E999" << 0.0;
}

void TestMTopChg::acceptedValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(MTopChg::acceptedValue(text).value_or(0.0), value);
}

void TestMTopChg::opensWithTheMemoryTop()
{
    Rig rig;
    QVERIFY(rig.mainWindow.isHidden());
    QVERIFY(rig.dialog->isVisible());
    QVERIFY(rig.dialog->isWindow());
    QCOMPARE(rig.dialog->windowTitle(), QStringLiteral("Bitte MTop angeben:"));
    QCOMPARE(rig.dialog->size(), QSize(248, 106));
    QVERIFY(rig.dialog->windowFlags() & Qt::WindowMinMaxButtonsHint);

    QLineEdit* text1 = rig.text1();
    QPushButton* ok = rig.button("Command1");
    QPushButton* cancel = rig.button("Command2");
    QVERIFY(text1 && ok && cancel);
    QCOMPARE(text1->text(), QStringLiteral(" 32768"));
    QCOMPARE(text1->font().pointSize(), 12);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QCOMPARE(text1->geometry(), QRect(16, 16, 217, 28));
    QCOMPARE(ok->geometry(), QRect(16, 64, 105, 25));
    QCOMPARE(cancel->geometry(), QRect(128, 64, 105, 25));
    QCOMPARE(rig.dialog->focusWidget(), text1);
    QCOMPARE(text1->nextInFocusChain(), ok);
    QCOMPARE(ok->nextInFocusChain(), cancel);
}

void TestMTopChg::confirm_data()
{
    QTest::addColumn<QString>("typed");   // null: the text as the load step left it
    QTest::addColumn<bool>("byEnter");    // Enter in Text1 instead of clicking OK
    QTest::addColumn<QString>("command"); // empty: refused

    QTest::newRow("unchanged") << QString() << false << "mtop =  32768\r\n";
    QTest::newRow("largest, by Enter") << "65534" << true << "mtop =  65534\r\n";
    QTest::newRow("fraction") << "1000.25" << false << "mtop =  1000.25\r\n";
    // The board is sent the number the memory top now holds, not the letters typed after it.
    QTest::newRow("trailing letters") << "1000abc" << false << "mtop =  1000\r\n";
    QTest::newRow("blank inside") << "1 000" << true << "mtop =  1000\r\n";
    QTest::newRow("limit") << "65535" << false << "";
    QTest::newRow("zero, by Enter") << "0" << true << "";
    QTest::newRow("negative") << "-100" << false << "";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("text") << "lots" << true << "";
}

void TestMTopChg::confirm()
{
    QFETCH(QString, typed);
    QFETCH(bool, byEnter);
    QFETCH(QString, command);
    Rig rig;
    QLineEdit* text1 = rig.text1();
    if (!typed.isNull()) {
        text1->clear();
        QTest::keyClicks(text1, typed);
    }

    if (byEnter)
        QTest::keyClick(text1, Qt::Key_Return);
    else
        QTest::mouseClick(rig.button("Command1"), Qt::LeftButton);

    if (command.isEmpty()) {
        // Refused without a word: still open, text as typed, nothing changed.
        QVERIFY(rig.line.sends.isEmpty());
        QCOMPARE(rig.mtop, 32768.0);
        QVERIFY(rig.dialog->isVisible());
        QCOMPARE(text1->text(), typed);
        QVERIFY(rig.mainWindow.isHidden());
    } else {
        QCOMPARE(rig.line.sends, QStringList{command});
        QCOMPARE(rig.mtop, MTopChg::acceptedValue(typed.isNull() ? QStringLiteral("32768") : typed).value());
        QVERIFY(rig.mainWindow.isVisible());
        QVERIFY(rig.deleted());
    }
}

void TestMTopChg::leavingWithoutOk_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel clicked") << 0;
    QTest::newRow("Enter on Cancel") << 1;
    QTest::newRow("frame closed") << 2;
    QTest::newRow("Escape in the box") << 3;
}

void TestMTopChg::leavingWithoutOk()
{
    QFETCH(int, how);
    Rig rig;
    // A refused OK first changes nothing either.
    rig.text1()->setText(QStringLiteral("0"));
    QTest::mouseClick(rig.button("Command1"), Qt::LeftButton);

    if (how == 0)
        QTest::mouseClick(rig.button("Command2"), Qt::LeftButton);
    else if (how == 1)
        QTest::keyClick(rig.button("Command2"), Qt::Key_Return);
    else if (how == 2)
        rig.dialog->close();
    else
        QTest::keyClick(rig.text1(), Qt::Key_Escape);

    QVERIFY(rig.line.sends.isEmpty());
    QCOMPARE(rig.mtop, 32768.0);
    QVERIFY(rig.mainWindow.isVisible());
    QVERIFY(rig.deleted());
}

QTEST_MAIN(TestMTopChg)
#include "tst_mtopchg.moc"
