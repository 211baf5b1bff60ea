// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/serialsetup.h"

#include "fakes.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Logs the main window's show and hide into the line's call list, so one list tells the order of both.
class VisibilityLog : public QObject
{
public:
    VisibilityLog(QWidget& window, QStringList& log) : m_log(log) { window.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            m_log.append(u"main shown"_s);
        else if (event->type() == QEvent::Hide)
            m_log.append(u"main hidden"_s);
        return false;
    }

private:
    QStringList& m_log;
};

QComboBox* box(QWidget& dialog, const QString& name)
{
    auto* found = dialog.findChild<QComboBox*>(name);
    Q_ASSERT(found);
    return found;
}

} // namespace

class TestSerialSetup : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadShowsValuesAndProbes_data();
    void loadShowsValuesAndProbes();
    void okAppliesInOrder_data();
    void okAppliesInOrder();
    void enterAtOnceReappliesShownValues();
    void enterInABoxPressesOkWithoutAddingToTheList();
    void invalidBoxAppliesNothing_data();
    void invalidBoxAppliesNothing();
    void everyWayOutRestoresTheLine_data();
    void everyWayOutRestoresTheLine();
    void layoutListsAndTabOrder();
    void portTooltipComesFromTheMap();
    void openerDeletesTheDialogWhenItCloses();

private:
    void startLine(int baud, int port, int dataBits, int stopBits, int usablePorts);

    QWidget* m_main = nullptr;
    FakeSerialLine* m_line = nullptr;
    VisibilityLog* m_visibility = nullptr;
};

void TestSerialSetup::init()
{
    m_main = new QWidget;
    m_main->show();
    m_line = new FakeSerialLine;
    m_visibility = new VisibilityLog(*m_main, m_line->calls);
    QLocale::setDefault(QLocale::c());
}

void TestSerialSetup::cleanup()
{
    delete m_visibility;
    delete m_main;
    delete m_line;
}

// Ports 1..usablePorts read back what was written; every other port reads back 0, as the real line does.
void TestSerialSetup::startLine(int baud, int port, int dataBits, int stopBits, int usablePorts)
{
    m_line->setBaudRate(baud);
    m_line->setPortNumber(port);
    m_line->setDataBits(dataBits);
    m_line->setStopBits(stopBits);
    m_line->open();
    m_line->m_portReadBack = [usablePorts](int written) {
        return written >= 1 && written <= usablePorts ? written : 0;
    };
    m_line->calls.clear();
}

void TestSerialSetup::loadShowsValuesAndProbes_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("usablePorts");
    QTest::addColumn<QString>("shownPort");
    QTest::addColumn<int>("lastProbed");

    QTest::newRow("port 2 in use, ports 1-2 usable: probe ends after 3") << 2 << 2 << u"2"_s << 3;
    QTest::newRow("six usable ports: all probed") << 1 << 6 << u"1"_s << 6;
    QTest::newRow("no usable port: probe ends after 1") << 0 << 0 << u"0"_s << 1;
    // Its probe read-back is 0, but the port is still the one the user chose.
    QTest::newRow("port that cannot be opened is shown") << 5 << 2 << u"5"_s << 3;
}

void TestSerialSetup::loadShowsValuesAndProbes()
{
    QFETCH(int, port);
    QFETCH(int, usablePorts);
    QFETCH(QString, shownPort);
    QFETCH(int, lastProbed);
    startLine(9600, port, 8, 1, usablePorts);

    SerialSetup dialog(*m_main, *m_line);

    QStringList expected{u"close"_s};
    for (int n = 1; n <= lastProbed; ++n)
        expected << u"port=%1"_s.arg(n) << u"open"_s << u"close"_s;
    expected << u"main hidden"_s;
    QCOMPARE(m_line->calls, expected);
    QCOMPARE(box(dialog, u"Combo1"_s)->currentText(), u"9600"_s);
    QCOMPARE(box(dialog, u"Combo5"_s)->currentText(), shownPort);
    QCOMPARE(box(dialog, u"Combo2"_s)->currentText(), u"8"_s);
    QCOMPARE(box(dialog, u"Combo4"_s)->currentText(), u"1"_s);
    QVERIFY(!m_line->isOpen());
    QVERIFY(m_main->isHidden());
}

void TestSerialSetup::okAppliesInOrder_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("typed"); // baud, port, data bits, stop bits
    QTest::addColumn<QList<int>>("applied");

    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("plain") << QLocale::c() << QStringList{u"19200"_s, u"3"_s, u"7"_s, u"2"_s}
                           << QList<int>{19200, 3, 7, 2};
    QTest::newRow("1.5 under a point gives 2")
        << QLocale::c() << QStringList{u"9600"_s, u"1"_s, u"8"_s, u"1.5"_s} << QList<int>{9600, 1, 8, 2};
    QTest::newRow("1,5 under a comma gives 2")
        << german << QStringList{u"9600"_s, u"1"_s, u"8"_s, u"1,5"_s} << QList<int>{9600, 1, 8, 2};
    QTest::newRow("blanks around the numbers")
        << QLocale::c() << QStringList{u" 4800 "_s, u"\t2"_s, u"8 "_s, u" 1"_s} << QList<int>{4800, 2, 8, 1};
    QTest::newRow("halves to even") << QLocale::c() << QStringList{u"300"_s, u"2.5"_s, u"3.5"_s, u"0.5"_s}
                                    << QList<int>{300, 2, 4, 0};
    QTest::newRow("negative and zero pass through")
        << QLocale::c() << QStringList{u"0"_s, u"-1"_s, u"0"_s, u"0"_s} << QList<int>{0, -1, 0, 0};
}

void TestSerialSetup::okAppliesInOrder()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, typed);
    QFETCH(QList<int>, applied);
    QLocale::setDefault(locale);
    startLine(9600, 2, 8, 1, 2);
    SerialSetup dialog(*m_main, *m_line);
    dialog.show();
    const QStringList names{u"Combo1"_s, u"Combo5"_s, u"Combo2"_s, u"Combo4"_s};
    for (int i = 0; i < names.size(); ++i)
        box(dialog, names[i])->setEditText(typed[i]);
    m_line->calls.clear();

    dialog.findChild<QPushButton*>(u"cmdOK"_s)->click();

    // The main window is shown before the line opens.
    const QStringList expected{u"baud=%1"_s.arg(applied[0]),
                               u"port=%1"_s.arg(applied[1]),
                               u"databits=%1"_s.arg(applied[2]),
                               u"stopbits=%1"_s.arg(applied[3]),
                               u"main shown"_s,
                               u"open"_s};
    QCOMPARE(m_line->calls, expected);
    QVERIFY(m_line->isOpen());
    QVERIFY(!dialog.isVisible());
}

void TestSerialSetup::enterAtOnceReappliesShownValues()
{
    startLine(9600, 2, 8, 1, 2);
    SerialSetup dialog(*m_main, *m_line);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.focusWidget(), dialog.findChild<QPushButton*>(u"cmdOK"_s));
    m_line->calls.clear();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QCOMPARE(m_line->calls,
             (QStringList{u"baud=9600"_s, u"port=2"_s, u"databits=8"_s, u"stopbits=1"_s, u"main shown"_s, u"open"_s}));
}

void TestSerialSetup::enterInABoxPressesOkWithoutAddingToTheList()
{
    startLine(9600, 2, 8, 1, 2);
    SerialSetup dialog(*m_main, *m_line);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QComboBox* baud = box(dialog, u"Combo1"_s);
    baud->setFocus();
    baud->lineEdit()->selectAll();
    QTest::keyClicks(baud->lineEdit(), u"2400"_s);
    m_line->calls.clear();

    QTest::keyClick(baud->lineEdit(), Qt::Key_Return);

    QCOMPARE(m_line->calls.value(0), u"baud=2400"_s);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(baud->count(), 9);
}

void TestSerialSetup::invalidBoxAppliesNothing_data()
{
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<QString>("text");

    QTest::newRow("baud not a number") << u"Combo1"_s << u"fast"_s;
    QTest::newRow("port empty") << u"Combo5"_s << QString();
    QTest::newRow("data bits beyond 4 bytes") << u"Combo2"_s << u"3000000000"_s;
    QTest::newRow("stop bits with letters") << u"Combo4"_s << u"1x"_s;
}

void TestSerialSetup::invalidBoxAppliesNothing()
{
    QFETCH(QString, boxName);
    QFETCH(QString, text);
    startLine(9600, 2, 8, 1, 2);
    SerialSetup dialog(*m_main, *m_line);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QComboBox* bad = box(dialog, boxName);
    bad->setEditText(text);
    m_line->calls.clear();

    dialog.findChild<QPushButton*>(u"cmdOK"_s)->click();

    QVERIFY(m_line->calls.isEmpty());
    QVERIFY(dialog.isVisible());
    QVERIFY(m_main->isHidden());
    QVERIFY(bad->hasFocus());
    QCOMPARE(bad->lineEdit()->selectedText(), text);

    // Corrected, the same dialog applies everything.
    bad->setEditText(u"2"_s);
    dialog.findChild<QPushButton*>(u"cmdOK"_s)->click();
    QCOMPARE(m_line->calls.size(), 6);
    QVERIFY(m_line->isOpen());
}

void TestSerialSetup::everyWayOutRestoresTheLine_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << u"button"_s;
    QTest::newRow("Escape") << u"escape"_s;
    QTest::newRow("window frame") << u"frame"_s;
}

void TestSerialSetup::everyWayOutRestoresTheLine()
{
    QFETCH(QString, how);
    startLine(19200, 2, 7, 2, 2);
    SerialSetup dialog(*m_main, *m_line);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    // Typed but not confirmed: none of it may reach the line.
    box(dialog, u"Combo1"_s)->setEditText(u"300"_s);
    m_line->calls.clear();

    if (how == u"button")
        dialog.findChild<QPushButton*>(u"cmdCancel"_s)->click();
    else if (how == u"escape")
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        dialog.close();

    QCOMPARE(m_line->calls, (QStringList{u"port=2"_s, u"main shown"_s, u"open"_s}));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(m_line->portNumber(), 2);
    QCOMPARE(m_line->baudRate(), 19200);
    QCOMPARE(m_line->dataBits(), 7);
    QCOMPARE(m_line->stopBits(), 2);
}

void TestSerialSetup::layoutListsAndTabOrder()
{
    startLine(9600, 1, 8, 1, 1);
    SerialSetup dialog(*m_main, *m_line);

    QCOMPARE(dialog.windowTitle(), u"Serial Port Setup"_s);
    QCOMPARE(dialog.size(), QSize(337, 104));
    QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    const QList<QPair<QString, QStringList>> lists{
        {u"Combo5"_s, {u"1"_s, u"2"_s}},
        {u"Combo1"_s,
         {u"300"_s, u"1200"_s, u"2400"_s, u"4800"_s, u"9600"_s, u"19200"_s, u"38400"_s, u"57600"_s, u"115200"_s}},
        {u"Combo2"_s, {u"7"_s, u"8"_s, u"9"_s}},
        {u"Combo4"_s, {u"1"_s, u"1.5"_s, u"1,5"_s, u"2"_s}},
    };
    for (const auto& [name, items] : lists) {
        QComboBox* combo = box(dialog, name);
        QVERIFY(combo->isEditable());
        QStringList actual;
        for (int i = 0; i < combo->count(); ++i)
            actual.append(combo->itemText(i));
        QCOMPARE(actual, items);
    }
    const QList<QPair<QString, QString>> labels{{u"Label6"_s, u"N"_s},         {u"Label5"_s, u"ComPort"_s},
                                                {u"Label1"_s, u"Baud Rate"_s}, {u"Label2"_s, u"Datenbits"_s},
                                                {u"Label3"_s, u"Parity"_s},    {u"Label4"_s, u"Stopbits"_s}};
    for (const auto& [name, text] : labels)
        QCOMPARE(dialog.findChild<QLabel*>(name)->text(), text);
    QCOMPARE(box(dialog, u"Combo1"_s)->geometry(), QRect(72, 8, 81, 21));
    auto* ok = dialog.findChild<QPushButton*>(u"cmdOK"_s);
    QVERIFY(ok->isDefault());
    QCOMPARE(ok->geometry(), QRect(8, 72, 108, 26));

    // The focus chain follows the layout: port, baud, data bits, stop bits, OK, Cancel.
    QStringList chain;
    QWidget* widget = ok;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) chain.append(widget->objectName());
        widget = widget->nextInFocusChain();
    } while (widget != ok);
    chain.removeAll(QString()); // the combo boxes' own line edits
    QCOMPARE(chain, (QStringList{u"cmdOK"_s, u"cmdCancel"_s, u"Combo5"_s, u"Combo1"_s, u"Combo2"_s, u"Combo4"_s}));
}

void TestSerialSetup::portTooltipComesFromTheMap()
{
    startLine(9600, 1, 8, 1, 1);
    SerialSetup dialog(*m_main, *m_line, nullptr, [] { return u"0: the simulated board\n1: /dev/ttyUSB0"_s; });
    QCOMPARE(box(dialog, u"Combo5"_s)->toolTip(), u"0: the simulated board\n1: /dev/ttyUSB0"_s);

    SerialSetup withoutMap(*m_main, *m_line);
    QVERIFY(box(withoutMap, u"Combo5"_s)->toolTip().contains(u"[Ports]"_s));
}

void TestSerialSetup::openerDeletesTheDialogWhenItCloses()
{
    startLine(9600, 1, 8, 1, 1);
    QPointer<SerialSetup> dialog = SerialSetup::openFor(*m_main, *m_line);
    QVERIFY(dialog->isVisible());
    QVERIFY(m_main->isHidden());

    dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(dialog.isNull());
    QVERIFY(m_main->isVisible());
}

QTEST_MAIN(TestSerialSetup)
#include "tst_serialsetup.moc"
