// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plot/plotreader.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <chrono>
#include <deque>
#include <optional>
#include <vector>

// The samples the plot keeps: one series per label (or unlabelled place), in the order the
// series first appeared. Every board line that gave samples is one row, numbered from 1, with
// the time it arrived in seconds since the first row; a series holds a point for each row it
// had a sample in. Memory stays bounded: a series keeps its last kMaxSamples points (the
// oldest go first), and samples of series beyond the first kMaxSeries are not kept.
class PlotModel
{
public:
    static constexpr qsizetype kMaxSamples = 100'000;
    static constexpr int kMaxSeries = 32;

    struct Point
    {
        qint64 row = 0;
        double seconds = 0;
        double value = 0;
    };
    using Points = std::deque<Point>;

    // One board line's samples, received at `at` on the program's monotonic clock.
    void addLine(const PlotLine& samples, std::chrono::nanoseconds at);
    void clear();

    const QStringList& seriesNames() const { return m_names; }
    const Points& points(int series) const { return m_points[std::size_t(series)]; }
    qint64 lastRow() const { return m_rows; }
    double lastSeconds() const { return m_lastSeconds; }
    bool droppedOldest() const { return m_droppedOldest; }
    bool refusedSeries() const { return m_refusedSeries; }
    qsizetype sampleCount() const { return m_samples; }

    // Every kept sample as CSV: a header "time_s" and the series names, then one row per board
    // line in order, its time in seconds and a column per series, empty where that series had
    // no sample in the line (or its sample there was dropped). Decimal points, no thousands
    // separators: the file reads the same in every locale.
    QByteArray csv() const;

private:
    QStringList m_names;
    QHash<QString, int> m_index;
    std::vector<Points> m_points;
    std::optional<std::chrono::nanoseconds> m_origin;
    qint64 m_rows = 0;
    double m_lastSeconds = 0;
    qsizetype m_samples = 0;
    bool m_droppedOldest = false;
    bool m_refusedSeries = false;
};
