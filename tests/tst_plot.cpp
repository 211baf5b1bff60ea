// SPDX-License-Identifier: GPL-3.0-or-later
// The plot: which board lines give which samples, lines assembled from pieces, the kept samples
// and their CSV, the cap, the view and its redraws, the menu entry and what reaches the window,
// and a pseudo-terminal stream end to end.
#include "boardsession.h"
#include "fakes.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "plot/plotwindow.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

namespace {

// "series=value ..." with enough digits to tell the board's eight apart.
QString describe(const PlotLine& samples)
{
    QStringList parts;
    for (const PlotSample& sample : samples)
        parts.append(sample.series + u'=' + QString::number(sample.value, 'g', 10));
    return parts.join(u' ');
}

// Lines of three labelled series as a board program prints them, and the CSV they make when
// each line comes a millisecond after the one before.
QString threeSeries(int line)
{
    return QStringLiteral("A: %1  B: %2  C:%3 \r\n").arg(line).arg(line * 2).arg(-line * 0.25);
}

QByteArray expectedCsv(int lines)
{
    QByteArray csv = "time_s,A,B,C\r\n";
    for (int i = 1; i <= lines; ++i) {
        csv += QByteArray::number((i - 1) / 1000.0, 'f', 6) + ',';
        csv += QByteArray::number(i) + ',' + QByteArray::number(i * 2) + ',' + QByteArray::number(-i * 0.25) + "\r\n";
    }
    return csv;
}

QByteArray withoutTimes(const QByteArray& csv)
{
    QByteArray out;
    for (const QByteArray& row : csv.split('\n'))
        if (!row.isEmpty()) out += row.mid(row.indexOf(',') + 1) + '\n';
    return out;
}

QValueAxis* axis(PlotWindow& window, Qt::Orientation orientation)
{
    return qobject_cast<QValueAxis*>(window.chart()->axes(orientation).value(0));
}

QLineSeries* series(PlotWindow& window, int index)
{
    return qobject_cast<QLineSeries*>(window.chart()->series().value(index));
}

} // namespace

class TestPlot : public QObject
{
    Q_OBJECT

private slots:
    void readLine_data();
    void readLine();
    void takeTextAssemblesLines();
    void thousandLinesExportExactly();
    void keepsTheLast100000();
    void viewRedrawsAndSettings();
    void menuOpensItAndOnlyBoardOutputReachesIt();
    void endToEndOverPseudoTerminal();
};

void TestPlot::readLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("samples"); // "series=value"; none: the line is not plotted
    using S = QStringList;

    // As the board prints them.
    QTest::newRow("PRINT 1.5,2") << " 1.5  2 " << S{"1=1.5", "2=2"};
    QTest::newRow("PRINT -3") << "-3 " << S{"1=-3"};
    QTest::newRow("PRINT 0.1*3, -0.25") << " .3 -.25 " << S{"1=0.3", "2=-0.25"};
    QTest::newRow("PRINT 1E-5,123456789") << " 1.0 E-5  1.2345679 E+8 " << S{"1=1e-05", "2=123456790"};
    QTest::newRow("PRINT 1/3") << " .33333333 " << S{"1=0.33333333"};
    QTest::newRow("PRINT \"T=\",25") << "T= 25 " << S{"T=25"};
    QTest::newRow("PRINT \"X:\",1,\" Y:\",-2") << "X: 1  Y:-2 " << S{"X=1", "Y=-2"};
    QTest::newRow("PH0. 255") << " FFH" << S{"1=255"};
    QTest::newRow("PH1. 4660") << " 1234H" << S{"1=4660"};
    QTest::newRow("hex with a label") << "V: 0AH" << S{"V=10"};
    QTest::newRow("E without the blank") << " 2.5E+3" << S{"1=2500"};
    // Labels and separators.
    QTest::newRow("labelled and not, in any order") << " 7  A: 8 , 9;\t10" << S{"1=7", "A=8", "2=9", "3=10"};
    QTest::newRow("blanks before the sign") << "T = 25" << S{"T=25"};
    QTest::newRow("a label twice keeps the last") << "A: 1 A: 2" << S{"A=2"};
    QTest::newRow("a label called E after a number") << " 1 E: 2" << S{"1=1", "E=2"};
    // Lines that are no numbers the board printed.
    QTest::newRow("echo") << "PRINT 1.5,2" << S{};
    QTest::newRow("echo after the prompt") << ">PRINT 1.5,2" << S{};
    QTest::newRow("listing") << "10     PRINT I" << S{};
    QTest::newRow("listing of an assignment") << "20     A=5" << S{};
    QTest::newRow("READY") << "READY" << S{};
    QTest::newRow("prompt") << ">" << S{};
    QTest::newRow("empty") << "" << S{};
    QTest::newRow("blanks") << "  , " << S{};
    QTest::newRow("error") << "ERROR: BAD SYNTAX" << S{};
    QTest::newRow("error with line") << "ERROR: BAD SYNTAX - IN LINE 10" << S{};
    QTest::newRow("label without number") << "T=" << S{};
    QTest::newRow("label before a label") << "X: Y: 3" << S{};
    QTest::newRow("word after a number") << "A: 1 B" << S{};
    QTest::newRow("letter right after a number") << " 1.5X" << S{};
    QTest::newRow("E without exponent") << " 1E" << S{};
    QTest::newRow("numbers run together") << " 1-2" << S{};
    QTest::newRow("lone minus") << " - 3" << S{};
    QTest::newRow("lone point") << " . " << S{};
    QTest::newRow("lower-case hex is a word") << " ah" << S{};
    QTest::newRow("hex too long") << " 123456789H" << S{};
    QTest::newRow("beyond the board's range") << " 1E+128" << S{};
    QTest::newRow("the board's largest") << "-9.9999999 E+127" << S{"1=-9.9999999e+127"};
    QTest::newRow("control character") << "\a 5" << S{};
}

void TestPlot::readLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, samples);
    QCOMPARE(describe(PlotReader::readLine(line)), samples.join(u' '));
}

void TestPlot::takeTextAssemblesLines()
{
    PlotReader reader;
    QStringList got;
    const auto take = [&reader, &got](const QString& text) {
        for (const PlotLine& line : reader.takeText(text))
            got.append(describe(line));
    };
    take(" 1.5 ");
    take("2\r");
    take("\nREADY\r\n>PRINT A\r\nA: 3\r\nT= 4");
    QCOMPARE(got, QStringList({"1=1.5 2=2", "A=3"}));
    take("\r\n");
    QCOMPARE(got.last(), "T=4");
    // Text that went elsewhere in between: the piece before it is forgotten.
    take(" 9");
    reader.breakLine();
    take("-8\r\n");
    QCOMPARE(got.last(), "1=-8");
    // A line beyond the bound is dropped whole, in one piece or several.
    got.clear();
    take(QString(PlotReader::kMaxLineLength, u' '));
    take(" 5\r\n -6\r\n" + QString(PlotReader::kMaxLineLength + 1, u' ') + " 7\r\n");
    QCOMPARE(got, QStringList({"1=-6"}));
}

void TestPlot::thousandLinesExportExactly()
{
    FakeClock clock;
    FakeFileDialog dialog;
    PlotWindow window(clock, dialog);
    // Each line comes in two pieces a millisecond apart; it counts from the piece that ends it.
    for (int i = 1; i <= 1000; ++i) {
        const QString line = threeSeries(i);
        window.takeText(QStringView(line).first(5));
        if (i > 1) clock.advance(1'000'000);
        window.takeText(QStringView(line).sliced(5));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("samples.csv");
    dialog.answers = {path};
    window.findChild<QPushButton*>("exportCsv")->click();
    QCOMPARE(readFile(path), expectedCsv(1000));
    QVERIFY(window.findChild<QStatusBar*>("plotStatus")->currentMessage().contains(path));

    // A file that cannot be written is named in the window's status bar.
    dialog.answers = {dir.filePath("missing/samples.csv")};
    window.findChild<QPushButton*>("exportCsv")->click();
    QVERIFY(window.findChild<QStatusBar*>("plotStatus")->currentMessage().contains("missing/samples.csv"));

    // Series sampled in different lines: one row per line, empty where a series had none.
    PlotModel model;
    model.addLine(PlotReader::readLine(u"A: 1"), std::chrono::seconds(5));
    model.addLine(PlotReader::readLine(u"B: 2  7"), std::chrono::milliseconds(5500));
    model.addLine(PlotReader::readLine(u"A: 3  B: 4"), std::chrono::seconds(6));
    QCOMPARE(model.csv(), QByteArray("time_s,A,B,1\r\n0.000000,1,,\r\n0.500000,,2,7\r\n1.000000,3,4,\r\n"));
}

void TestPlot::keepsTheLast100000()
{
    FakeClock clock;
    FakeFileDialog dialog;
    PlotWindow window(clock, dialog);
    QString text;
    for (int i = 1; i <= PlotModel::kMaxSamples + 5; ++i)
        text += QStringLiteral(" %1 \r\n").arg(i);
    window.takeText(text);
    const PlotModel::Points& points = window.model().points(0);
    QCOMPARE(qsizetype(points.size()), PlotModel::kMaxSamples);
    QCOMPARE(points.front().value, 6.0);
    QCOMPARE(points.back().value, double(PlotModel::kMaxSamples + 5));
    QVERIFY(window.model().droppedOldest());
    window.redraw();
    const QString kept = window.findChild<QLabel*>("kept")->text();
    QVERIFY2(kept.contains(QLocale().toString(PlotModel::kMaxSamples)) && kept.contains("dropped"), qPrintable(kept));
    QCOMPARE(window.model().csv().count('\n'), PlotModel::kMaxSamples + 1);

    // All of them in view: a point a pixel column, the highest among them.
    window.show();
    window.findChild<QSpinBox*>("inView")->setValue(int(PlotModel::kMaxSamples));
    const QLineSeries* shown = series(window, 0);
    QVERIFY(shown->count() > 0 && shown->count() <= window.chart()->plotArea().width() + 2);
    const QList<QPointF> drawn = shown->points();
    QCOMPARE(std::max_element(drawn.begin(), drawn.end(), [](QPointF a, QPointF b) { return a.y() < b.y(); })->y(),
             double(PlotModel::kMaxSamples + 5));

    // Labels beyond the series bound are left out, and the window says so.
    QString labels;
    for (int i = 0; i < PlotModel::kMaxSeries + 3; ++i)
        labels += QStringLiteral("L%1: %1 ").arg(i);
    window.clear();
    window.takeText(labels + "\r\n");
    QCOMPARE(window.model().seriesNames().size(), PlotModel::kMaxSeries);
    QVERIFY(!window.findChild<QStatusBar*>("plotStatus")->currentMessage().isEmpty());
}

void TestPlot::viewRedrawsAndSettings()
{
    FakeClock clock;
    FakeFileDialog dialog;
    PlotWindow window(clock, dialog);
    window.show();
    QVERIFY(!window.redrawPending());
    const int before = window.redraws();
    for (int i = 1; i <= 1000; ++i) {
        window.takeText(threeSeries(i));
        clock.advance(1'000'000);
    }
    // A thousand lines wait for one redraw.
    QVERIFY(window.redrawPending());
    QCOMPARE(window.redraws(), before);
    QTRY_COMPARE(window.redraws(), before + 1);
    QVERIFY(!window.redrawPending());
    QCOMPARE(series(window, 0)->count(), PlotWindow::kDefaultInView);
    QCOMPARE(axis(window, Qt::Horizontal)->min(), 501.0);
    QCOMPARE(axis(window, Qt::Horizontal)->max(), 1000.0);

    window.findChild<QSpinBox*>("inView")->setValue(100);
    QCOMPARE(series(window, 1)->at(0), QPointF(901, 1802));
    window.findChild<QComboBox*>("xAxis")->setCurrentIndex(1);
    QCOMPARE(axis(window, Qt::Horizontal)->max(), 0.999);
    QCOMPARE(series(window, 1)->at(0), QPointF(0.9, 1802));
    window.findChild<QDoubleSpinBox*>("yMin")->setValue(-5);
    window.findChild<QDoubleSpinBox*>("yMax")->setValue(5);
    window.findChild<QCheckBox*>("fixedY")->setChecked(true);
    QCOMPARE(axis(window, Qt::Vertical)->min(), -5.0);
    QCOMPARE(axis(window, Qt::Vertical)->max(), 5.0);

    // Paused, samples are kept but the view and its timer rest.
    window.findChild<QPushButton*>("pause")->click();
    window.takeText(threeSeries(1001));
    QVERIFY(!window.redrawPending());
    QCOMPARE(window.model().lastRow(), 1001);
    window.findChild<QCheckBox*>("fixedY")->setChecked(false);
    QCOMPARE(series(window, 0)->at(series(window, 0)->count() - 1).y(), 1000.0);
    window.findChild<QPushButton*>("pause")->click();
    QCOMPARE(series(window, 0)->at(series(window, 0)->count() - 1).y(), 1001.0);

    // A click on a legend marker hides its series and keeps the marker; another shows it again.
    QLegendMarker* marker = window.chart()->legend()->markers(series(window, 2)).value(0);
    QVERIFY(marker);
    emit marker->clicked();
    QVERIFY(!series(window, 2)->isVisible());
    QVERIFY(marker->isVisible());
    QVERIFY(axis(window, Qt::Vertical)->min() > 0); // C's negative values no longer count
    emit marker->clicked();
    QVERIFY(series(window, 2)->isVisible());

    window.findChild<QPushButton*>("clear")->click();
    QCOMPARE(window.model().lastRow(), 0);
    QVERIFY(window.chart()->series().isEmpty());
}

void TestPlot::menuOpensItAndOnlyBoardOutputReachesIt()
{
    FakePlatform fakes;
    Form1 form(fakes.platform());
    form.load();
    form.show();
    triggerAction(form, "plot");
    QPointer<PlotWindow> plot = form.findChild<PlotWindow*>("Plot");
    QVERIFY(plot && plot->isVisible());
    triggerAction(form, "plot"); // raises the same window
    QCOMPARE(form.findChildren<PlotWindow*>().size(), 1);

    fakes.line.deliver(" 1 \r\n 2");
    fakes.line.deliver(" \r\n");
    QCOMPARE(plot->model().lastRow(), 2);
    // A listing capture's text is not the board's output; the line begun before it is forgotten.
    fakes.line.deliver(" 3");
    QTemporaryDir dir;
    fakes.fileDialog.answers = {dir.filePath("p.lis")};
    fakes.clock.onIdle = [&] { fakes.line.deliver("LIST\r\n 4 \r\n"); };
    triggerAction(form, "save");
    fakes.clock.onIdle = nullptr;
    QCOMPARE(plot->model().lastRow(), 2);

    // Closed, the window is gone and nothing is read.
    plot->close();
    QTRY_VERIFY(!plot);
    fakes.line.deliver(" 5 \r\n");
    QVERIFY(form.findChildren<PlotWindow*>().isEmpty());
}

void TestPlot::endToEndOverPseudoTerminal()
{
    int master = -1, slave = -1;
    QVERIFY(openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
    const QString device = QString::fromLocal8Bit(ttyname(slave));
    QTemporaryDir dir;
    BoardSession session(device, dir.path());
    QVERIFY(session.line.isOpen());
    triggerAction(*session.form, "plot");
    QPointer<PlotWindow> plot = session.form->findChild<PlotWindow*>("Plot");
    QVERIFY(plot);

    // The far end prints a thousand lines while the event loop reads them.
    QByteArray stream;
    for (int i = 1; i <= 1000; ++i)
        stream += threeSeries(i).toLatin1();
    std::thread writer([master, &stream] {
        for (qsizetype at = 0; at < stream.size();) {
            const ssize_t wrote = ::write(master, stream.constData() + at, size_t(stream.size() - at));
            if (wrote <= 0) return;
            at += wrote;
        }
    });
    QTRY_COMPARE_WITH_TIMEOUT(plot->model().lastRow(), 1000, 20000);
    writer.join();
    session.fakes.fileDialog.answers = {dir.filePath("pty.csv")};
    plot->exportCsv();
    QCOMPARE(withoutTimes(readFile(dir.filePath("pty.csv"))), withoutTimes(expectedCsv(1000)));
    session.form.reset();
    ::close(master);
    ::close(slave);
}

QTEST_MAIN(TestPlot)
#include "tst_plot.moc"
