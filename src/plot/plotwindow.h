// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plot/plotmodel.h"
#include "plot/plotreader.h"

#include <QList>
#include <QTimer>
#include <QWidget>

class Clock;
class FileDialog;
class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLegendMarker;
class QLineSeries;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QValueAxis;

// The Plot window: a live chart of the numbers the board prints, beside the main window.
//
// The main window hands it the terminal text the board prints while no command runs
// (takeText), and breakLine() when text went elsewhere in between; PlotReader picks the
// numbers out of whole lines and PlotModel keeps them, each stamped with the injected clock.
// The chart follows at most kMaxRedrawsPerSecond times a second: new samples start a single
// shot timer unless one is already waiting, so a flood costs one redraw per interval and an
// idle line no timer at all. A redraw hands each series only the last N rows in view, thinned
// to a point a pixel column (the lowest and highest of every two), so 100,000 rows in view
// cost little more to draw than a few hundred. Paused, the view stays on the rows it showed while the samples
// keep coming in. The main window opens it with open(); closing it deletes it, and with it
// every sample, so nothing is read while it is closed.
class PlotWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxRedrawsPerSecond = 30;
    static constexpr int kDefaultInView = 500;

    PlotWindow(Clock& clock, FileDialog& fileDialog, QWidget* parent = nullptr);
    ~PlotWindow() override;

    // The menu entry: shows a fresh window beside `owner` that deletes itself when closed, or
    // brings `existing` to the front.
    static PlotWindow* open(PlotWindow* existing, QWidget& owner, Clock& clock, FileDialog& fileDialog);

    void takeText(QStringView text);
    void breakLine() { m_reader.breakLine(); }

    const PlotModel& model() const { return m_model; }
    QChart* chart() const { return m_chart; }
    bool redrawPending() const { return m_redrawTimer.isActive(); }
    int redraws() const { return m_redraws; }

public slots:
    void redraw();
    void clear();
    void exportCsv();
    void saveImage();
    void setPaused(bool paused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void addSeries(const QString& name);
    void toggleSeries(QLegendMarker* marker);
    void showPointer(QPointF viewPos);
    void showStatus(const QString& text);

    Clock& m_clock;
    FileDialog& m_fileDialog;
    PlotReader m_reader;
    PlotModel m_model;
    QTimer m_redrawTimer;
    int m_redraws = 0;
    bool m_paused = false;
    qint64 m_pausedRow = 0;       // the last row in view while paused
    bool m_refusedShown = false;  // the status bar has said that further series are not kept
    QList<QLineSeries*> m_series; // as PlotModel::seriesNames(), owned by the chart
    QString m_lastFile;           // proposed by the next export

    QChart* m_chart = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    QChartView* m_view = nullptr;  // chartView
    QComboBox* m_xAxis = nullptr;  // sample number or seconds
    QSpinBox* m_inView = nullptr;  // rows in view
    QCheckBox* m_fixedY = nullptr; // fixed Y limits instead of the samples' own range
    QDoubleSpinBox* m_yMin = nullptr;
    QDoubleSpinBox* m_yMax = nullptr;
    QPushButton* m_pause = nullptr; // Pause / Resume
    QLabel* m_pointer = nullptr;    // the values under the mouse pointer
    QLabel* m_kept = nullptr;       // how many samples are kept, and whether the oldest went
    QStatusBar* m_status = nullptr;
};
