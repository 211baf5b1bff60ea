// SPDX-License-Identifier: GPL-3.0-or-later
// Every window as a screen reader meets it, through the accessibility tree: each dialog says it is
// one and has a title, every control has a name to read out, and each works from the keyboard
// alone (Tab goes as the eye reads, Return has a default button, Escape closes).
#include "fakes.h"

#include "app/form1.h"
#include "board/mtopchg.h"
#include "board/uploadsetup.h"
#include "config/portsdialog.h"
#include "config/serialsetup.h"
#include "help/frmabout.h"
#include "platform/qtprompter.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace {

constexpr int kSameRow = 12; // pixels between the tops of two controls that stand in one row

// Controls a user reaches or a screen reader reads out; labels and frames say their own text.
bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::ProgressBar:
    case QAccessible::Graphic:
        return true;
    default:
        return false;
    }
}

// What a screen reader says a control is: the label tied to it, or its own name. A combo box's
// name on Linux is only its value, so it counts as named only through a label or a name given.
QString spokenName(QAccessibleInterface* iface)
{
    const auto labels = iface->relations(QAccessible::Label);
    if (!labels.isEmpty()) return labels.first().first->text(QAccessible::Name);
    if (iface->role() == QAccessible::ComboBox) return qobject_cast<QWidget*>(iface->object())->accessibleName();
    return iface->text(QAccessible::Name);
}

bool insideComboBox(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* w = widget->parentWidget(); w && w != window; w = w->parentWidget())
        if (qobject_cast<const QComboBox*>(w)) return true;
    return false;
}

// The widgets Tab reaches from the focus, in order, once round.
QList<QWidget*> tabChain(QWidget* window)
{
    QList<QWidget*> chain;
    QWidget* start = window->focusWidget();
    if (!start) return chain;
    QWidget* w = start;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() && !w->focusProxy())
            chain.append(w);
        w = w->nextInFocusChain();
    } while (w != start);
    return chain;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void windows_data();
    void windows();
};

void TestAccessibility::windows_data()
{
    QTest::addColumn<QString>("which");
    for (const char* name : {"ComPort", "MTOP", "Upload", "Ports", "About", "report", "main window"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestAccessibility::windows()
{
    QFETCH(QString, which);
    FakePlatform fakes;
    Form1 mainWindow(fakes.platform());
    mainWindow.load();
    mainWindow.show();
    QtPrompter prompter;
    SerialDevice adapter = SerialDevice::at(QStringLiteral("/dev/ttyUSB0"));
    adapter.manufacturer = QStringLiteral("FTDI");

    QWidget* window = &mainWindow;
    if (which == QLatin1String("ComPort"))
        window = SerialSetup::openFor(mainWindow, fakes.line);
    else if (which == QLatin1String("MTOP"))
        window = MTopChg::open(mainWindow, 32768);
    else if (which == QLatin1String("Upload"))
        window = UploadSetup::open(mainWindow, Pacing::Fixed);
    else if (which == QLatin1String("Ports"))
        window = PortsDialog::openFor(mainWindow, {PortMap::Row{1, adapter, true, adapter.path}});
    else if (which == QLatin1String("About"))
        window = frmAbout::openFor(mainWindow);
    else if (which == QLatin1String("report")) {
        prompter.showReport(QStringLiteral("Lines refused"), QStringLiteral("line 20: ERROR: BAD SYNTAX"));
        window = prompter.reportWindow();
    }
    QVERIFY(window && window->isVisible());
    QPointer<QWidget> guard(window);
    auto cleanup = qScopeGuard([&] {
        if (guard && guard != &mainWindow && !guard->parent()) delete guard;
    });

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(window);
    QVERIFY(iface);
    const bool dialog = window != &mainWindow;
    QCOMPARE(iface->role(), dialog ? QAccessible::Dialog : QAccessible::Window);
    QVERIFY(!iface->text(QAccessible::Name).isEmpty());

    QStringList unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || insideComboBox(widget, window)) continue;
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
        if (control && isControl(control->role()) && spokenName(control).trimmed().isEmpty())
            unnamed.append(widget->objectName() + u'/' + QString::fromLatin1(widget->metaObject()->className()));
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
    if (!dialog) return;

    // Tab goes as the eye reads: row by row from the top, left to right within a row.
    const QList<QWidget*> chain = tabChain(window);
    QVERIFY(!chain.isEmpty());
    const auto place = [window](const QWidget* w) { return w->mapTo(window, QPoint()); };
    const auto before = [&](const QWidget* a, const QWidget* b) {
        const QPoint pa = place(a), pb = place(b);
        return qAbs(pa.y() - pb.y()) < kSameRow ? pa.x() < pb.x() : pa.y() < pb.y();
    };
    const qsizetype top = std::min_element(chain.begin(), chain.end(), before) - chain.begin();
    const QList<QWidget*> fromTop = chain.mid(top) + chain.first(top);
    for (qsizetype i = 1; i < fromTop.size(); ++i)
        QVERIFY2(before(fromTop[i - 1], fromTop[i]),
                 qPrintable(fromTop[i - 1]->objectName() + QStringLiteral(" before ") + fromTop[i]->objectName()));

    const auto buttons = window->findChildren<QPushButton*>();
    QVERIFY(std::any_of(buttons.begin(), buttons.end(), [](QPushButton* b) { return b->isDefault(); }));
    QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Escape);
    QVERIFY(!guard || !guard->isVisible());
    QVERIFY(mainWindow.isVisible());
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
