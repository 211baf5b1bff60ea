// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/plotwindow.h"

#include "common/files.h"
#include "platform/clock.h"
#include "platform/filedialog.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kYTicks = 5; // about as many labels on the Y axis

// The points of one series from `begin` to `end`, at most two a bucket: each bucket's lowest and
// highest in their order, so peaks stay visible however many rows are in view.
QList<QPointF> thinned(PlotModel::Points::const_iterator begin, PlotModel::Points::const_iterator end, bool seconds,
                       qsizetype buckets)
{
    const qsizetype count = end - begin;
    const auto point = [seconds](const PlotModel::Point& p) {
        return QPointF(seconds ? p.seconds : double(p.row), p.value);
    };
    QList<QPointF> out;
    if (count <= 2 * buckets) {
        out.reserve(count);
        for (auto p = begin; p != end; ++p)
            out.append(point(*p));
        return out;
    }
    out.reserve(2 * buckets);
    for (qsizetype bucket = 0; bucket < buckets; ++bucket) {
        const auto from = begin + count * bucket / buckets;
        const auto to = begin + count * (bucket + 1) / buckets;
        if (from == to) continue;
        const auto [low, high] = std::minmax_element(
            from, to, [](const PlotModel::Point& a, const PlotModel::Point& b) { return a.value < b.value; });
        out.append(point(*std::min(low, high)));
        if (low != high) out.append(point(*std::max(low, high)));
    }
    return out;
}

// 1, 2 or 5 times a power of ten near `x`: the next above when rounding up, else the nearest.
double niceNumber(double x, bool up)
{
    const double power = std::pow(10.0, std::floor(std::log10(x)));
    const double q = x / power;
    if (up) return (q <= 1 ? 1 : q <= 2 ? 2 : q <= 5 ? 5 : 10) * power;
    return (q < 1.5 ? 1 : q < 3 ? 2 : q < 7 ? 5 : 10) * power;
}

} // namespace

PlotWindow::PlotWindow(Clock& clock, FileDialog& fileDialog, QWidget* parent)
    : QWidget(parent, Qt::Window), m_clock(clock), m_fileDialog(fileDialog)
{
    setObjectName(QStringLiteral("Plot"));
    setWindowTitle(tr("Plot"));
    buildControls();
    m_redrawTimer.setSingleShot(true);
    m_redrawTimer.setInterval(1000 / kMaxRedrawsPerSecond);
    connect(&m_redrawTimer, &QTimer::timeout, this, &PlotWindow::redraw);
    redraw();
}

PlotWindow::~PlotWindow() = default;

PlotWindow* PlotWindow::open(PlotWindow* existing, QWidget& owner, Clock& clock, FileDialog& fileDialog)
{
    PlotWindow* window = existing;
    if (!window) {
        window = new PlotWindow(clock, fileDialog, &owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
        // Beside the main window rather than over its terminal.
        window->move(owner.frameGeometry().topRight() + QPoint(8, 0));
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void PlotWindow::buildControls()
{
    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_axisX = new QValueAxis(m_chart);
    m_axisY = new QValueAxis(m_chart);
    m_axisY->setLabelFormat(QStringLiteral("%.4g"));
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setMinimumSize(480, 300);
    m_view->viewport()->setMouseTracking(true);
    m_view->viewport()->installEventFilter(this);

    m_xAxis = new QComboBox(this);
    m_xAxis->setObjectName(QStringLiteral("xAxis"));
    m_xAxis->addItems({tr("Sample number"), tr("Seconds")});
    auto* xLabel = new QLabel(tr("&X axis:"), this);
    xLabel->setBuddy(m_xAxis);
    m_inView = new QSpinBox(this);
    m_inView->setObjectName(QStringLiteral("inView"));
    m_inView->setRange(2, int(PlotModel::kMaxSamples));
    m_inView->setValue(kDefaultInView);
    m_inView->setGroupSeparatorShown(true);
    auto* inViewLabel = new QLabel(tr("Samples in &view:"), this);
    inViewLabel->setBuddy(m_inView);
    m_fixedY = new QCheckBox(tr("&Fixed Y limits"), this);
    m_fixedY->setObjectName(QStringLiteral("fixedY"));
    m_yMin = new QDoubleSpinBox(this);
    m_yMin->setObjectName(QStringLiteral("yMin"));
    m_yMax = new QDoubleSpinBox(this);
    m_yMax->setObjectName(QStringLiteral("yMax"));
    for (QDoubleSpinBox* box : {m_yMin, m_yMax}) {
        box->setRange(-1e12, 1e12);
        box->setDecimals(3);
        box->setEnabled(false);
    }
    m_yMin->setValue(0);
    m_yMax->setValue(100);
    m_yMin->setAccessibleName(tr("Lowest Y"));
    m_yMax->setAccessibleName(tr("Highest Y"));
    auto* toLabel = new QLabel(tr("to"), this);

    m_pause = new QPushButton(tr("&Pause"), this);
    m_pause->setObjectName(QStringLiteral("pause"));
    m_pause->setCheckable(true);
    auto* clearButton = new QPushButton(tr("&Clear"), this);
    clearButton->setObjectName(QStringLiteral("clear"));
    auto* exportButton = new QPushButton(tr("&Export CSV..."), this);
    exportButton->setObjectName(QStringLiteral("exportCsv"));
    auto* imageButton = new QPushButton(tr("Save &Image..."), this);
    imageButton->setObjectName(QStringLiteral("saveImage"));
    m_pointer = new QLabel(this);
    m_pointer->setObjectName(QStringLiteral("pointer"));
    m_pointer->setMinimumWidth(220);

    m_status = new QStatusBar(this);
    m_status->setObjectName(QStringLiteral("plotStatus"));
    m_status->setSizeGripEnabled(false);
    m_kept = new QLabel(this);
    m_kept->setObjectName(QStringLiteral("kept"));
    m_status->addPermanentWidget(m_kept);

    auto* view = new QHBoxLayout;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{xLabel, m_xAxis, inViewLabel, m_inView, m_fixedY, m_yMin, toLabel, m_yMax})
        view->addWidget(widget);
    view->addStretch();
    auto* actions = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{m_pause, clearButton, exportButton, imageButton})
        actions->addWidget(widget);
    actions->addStretch();
    actions->addWidget(m_pointer);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(view);
    layout->addLayout(actions);
    layout->addWidget(m_status);

    connect(m_pause, &QPushButton::toggled, this, &PlotWindow::setPaused);
    connect(clearButton, &QPushButton::clicked, this, &PlotWindow::clear);
    connect(exportButton, &QPushButton::clicked, this, &PlotWindow::exportCsv);
    connect(imageButton, &QPushButton::clicked, this, &PlotWindow::saveImage);
    connect(m_xAxis, &QComboBox::currentIndexChanged, this, &PlotWindow::redraw);
    connect(m_inView, &QSpinBox::valueChanged, this, &PlotWindow::redraw);
    connect(m_yMin, &QDoubleSpinBox::valueChanged, this, &PlotWindow::redraw);
    connect(m_yMax, &QDoubleSpinBox::valueChanged, this, &PlotWindow::redraw);
    connect(m_fixedY, &QCheckBox::toggled, this, [this](bool fixed) {
        m_yMin->setEnabled(fixed);
        m_yMax->setEnabled(fixed);
        redraw();
    });
}

void PlotWindow::takeText(QStringView text)
{
    const QList<PlotLine> lines = m_reader.takeText(text);
    if (lines.isEmpty()) return;
    const std::chrono::nanoseconds now = m_clock.now();
    for (const PlotLine& line : lines)
        m_model.addLine(line, now);
    while (m_series.size() < m_model.seriesNames().size())
        addSeries(m_model.seriesNames().at(m_series.size()));
    if (m_model.refusedSeries() && !m_refusedShown) {
        m_refusedShown = true;
        showStatus(tr("Only the first %1 series are plotted; numbers of further labels are left out")
                       .arg(PlotModel::kMaxSeries));
    }
    if (!m_paused && !m_redrawTimer.isActive()) m_redrawTimer.start();
}

void PlotWindow::addSeries(const QString& name)
{
    auto* series = new QLineSeries(m_chart);
    series->setName(name);
    m_chart->addSeries(series);
    // One pixel wide (the theme gives two): the raster engine draws such lines directly instead of
    // stroking them as outlines, which halves what a redraw costs.
    QPen pen = series->pen();
    pen.setWidth(1);
    series->setPen(pen);
    series->attachAxis(m_axisX);
    series->attachAxis(m_axisY);
    m_series.append(series);
    const QList<QLegendMarker*> markers = m_chart->legend()->markers(series);
    for (QLegendMarker* marker : markers)
        connect(marker, &QLegendMarker::clicked, this, [this, marker] { toggleSeries(marker); });
}

void PlotWindow::toggleSeries(QLegendMarker* marker)
{
    QAbstractSeries* series = marker->series();
    const bool visible = !series->isVisible();
    series->setVisible(visible);
    // Hiding a series hides its marker too; the marker stays, faded, so it can be clicked again.
    marker->setVisible(true);
    const qreal alpha = visible ? 1.0 : 0.35;
    QColor label = marker->labelBrush().color();
    label.setAlphaF(alpha);
    marker->setLabelBrush(label);
    QColor swatch = marker->brush().color();
    swatch.setAlphaF(alpha);
    marker->setBrush(swatch);
    redraw();
}

void PlotWindow::redraw()
{
    m_redrawTimer.stop();
    ++m_redraws;
    const bool seconds = m_xAxis->currentIndex() == 1;
    const qint64 lastRow = m_paused ? m_pausedRow : m_model.lastRow();
    const qint64 firstRow = std::max<qint64>(1, lastRow - m_inView->value() + 1);
    // A bucket two pixels wide: a point a pixel column, which is all a one-pixel line can show.
    const qsizetype buckets = std::max<qsizetype>(1, qsizetype(m_chart->plotArea().width()) / 2);
    double xMin = kInfinity, xMax = -kInfinity, yMin = kInfinity, yMax = -kInfinity;
    QList<QList<QPointF>> shownBySeries;
    for (qsizetype s = 0; s < m_series.size(); ++s) {
        const PlotModel::Points& points = m_model.points(int(s));
        const auto begin = std::lower_bound(points.begin(), points.end(), firstRow,
                                            [](const PlotModel::Point& p, qint64 row) { return p.row < row; });
        const auto end = std::upper_bound(begin, points.end(), lastRow,
                                          [](qint64 row, const PlotModel::Point& p) { return row < p.row; });
        const QList<QPointF>& shown = shownBySeries.emplace_back(thinned(begin, end, seconds, buckets));
        // Emptied first: a series lays out its line again at every change of either axis and again
        // for its new points, but an empty one skips the axes' changes. One layout instead of three.
        m_series[s]->clear();
        if (shown.isEmpty()) continue;
        xMin = std::min(xMin, shown.front().x());
        xMax = std::max(xMax, shown.back().x());
        if (!m_series[s]->isVisible()) continue;
        for (const QPointF& p : shown) {
            yMin = std::min(yMin, p.y());
            yMax = std::max(yMax, p.y());
        }
    }

    if (!seconds) {
        // Rows in view as a steady window, also before it has filled.
        xMin = double(firstRow);
        xMax = double(std::max(lastRow, firstRow + 1));
    } else if (xMin >= xMax) {
        xMin = xMin == kInfinity ? 0 : xMin;
        xMax = xMin + 1;
    }
    m_axisX->setLabelFormat(seconds ? QStringLiteral("%.1f") : QStringLiteral("%.0f"));
    m_axisX->setTitleText(seconds ? tr("Seconds") : tr("Sample number"));
    m_axisX->setRange(xMin, xMax);

    int ticks = kYTicks;
    if (m_fixedY->isChecked()) {
        yMin = m_yMin->value();
        yMax = m_yMax->value() > yMin ? m_yMax->value() : yMin + 1;
    } else if (yMin > yMax) {
        yMin = 0;
        yMax = 1;
    } else {
        // Round limits a nice step apart, found here rather than by the axis: the axis would lay its
        // labels out twice a redraw, and not at all when the limits stay the same.
        if (yMin == yMax) {
            yMin -= std::max(1.0, std::abs(yMin) * 0.1);
            yMax += std::max(1.0, std::abs(yMax) * 0.1);
        }
        const double step = niceNumber(niceNumber(yMax - yMin, true) / (kYTicks - 1), false);
        yMin = std::floor(yMin / step) * step;
        yMax = std::ceil(yMax / step) * step;
        ticks = int(std::lround((yMax - yMin) / step)) + 1;
    }
    m_axisY->setRange(yMin, yMax);
    m_axisY->setTickCount(ticks);
    for (qsizetype s = 0; s < m_series.size(); ++s)
        m_series[s]->replace(shownBySeries[s]);

    const QString count = QLocale().toString(m_model.sampleCount());
    const QString cap = QLocale().toString(PlotModel::kMaxSamples);
    m_kept->setText(m_model.droppedOldest()
                        ? tr("%1 samples kept: each series keeps its last %2, the oldest were dropped").arg(count, cap)
                        : tr("%1 samples kept (at most %2 a series)").arg(count, cap));
}

void PlotWindow::clear()
{
    m_model.clear();
    m_reader.breakLine();
    m_chart->removeAllSeries();
    m_series.clear();
    m_pausedRow = 0;
    m_refusedShown = false;
    m_pointer->clear();
    redraw();
}

void PlotWindow::setPaused(bool paused)
{
    m_paused = paused;
    m_pause->setChecked(paused);
    m_pause->setText(paused ? tr("&Resume") : tr("&Pause"));
    m_pausedRow = m_model.lastRow();
    if (!paused) redraw();
}

void PlotWindow::exportCsv()
{
    const std::optional<QString> path = m_fileDialog.ask(
        {FileRequest::Mode::Save, tr("CSV files (*.csv);;All files (*)"), QStringLiteral("csv"), m_lastFile});
    if (!path) return;
    m_lastFile = *path;
    if (!saveWholeFile(*path, m_model.csv())) {
        showStatus(tr("Cannot write %1").arg(*path));
        return;
    }
    showStatus(tr("Samples written to %1").arg(*path));
}

void PlotWindow::saveImage()
{
    const std::optional<QString> path =
        m_fileDialog.ask({FileRequest::Mode::Save, tr("PNG images (*.png)"), QStringLiteral("png"), QString()});
    if (!path) return;
    if (!m_view->grab().save(*path, "PNG")) {
        showStatus(tr("Cannot write %1").arg(*path));
        return;
    }
    showStatus(tr("Image written to %1").arg(*path));
}

bool PlotWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport()) {
        if (event->type() == QEvent::MouseMove)
            showPointer(static_cast<QMouseEvent*>(event)->position());
        else if (event->type() == QEvent::Leave)
            m_pointer->clear();
    }
    return QWidget::eventFilter(watched, event);
}

void PlotWindow::showPointer(QPointF viewPos)
{
    const QPointF inChart = m_chart->mapFromScene(m_view->mapToScene(viewPos.toPoint()));
    if (!m_chart->plotArea().contains(inChart)) {
        m_pointer->clear();
        return;
    }
    const QPointF value = m_chart->mapToValue(inChart);
    const bool seconds = m_xAxis->currentIndex() == 1;
    const QLocale locale;
    const QString x = seconds ? locale.toString(value.x(), 'f', 3) : locale.toString(qRound64(value.x()));
    m_pointer->setText(tr("X %1   Y %2").arg(x, locale.toString(value.y(), 'g', 6)));
}

void PlotWindow::showStatus(const QString& text)
{
    m_status->showMessage(text);
}
