// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/plotmodel.h"

#include <charconv>
#include <limits>

void PlotModel::addLine(const PlotLine& samples, std::chrono::nanoseconds at)
{
    if (samples.isEmpty()) return;
    if (!m_origin) m_origin = at;
    ++m_rows;
    m_lastSeconds = std::chrono::duration<double>(at - *m_origin).count();
    for (const PlotSample& sample : samples) {
        auto found = m_index.constFind(sample.series);
        if (found == m_index.cend()) {
            if (m_names.size() >= kMaxSeries) {
                m_refusedSeries = true;
                continue;
            }
            found = m_index.insert(sample.series, int(m_names.size()));
            m_names.append(sample.series);
            m_points.emplace_back();
        }
        Points& points = m_points[std::size_t(*found)];
        points.push_back({m_rows, m_lastSeconds, sample.value});
        ++m_samples;
        if (qsizetype(points.size()) > kMaxSamples) {
            points.pop_front();
            --m_samples;
            m_droppedOldest = true;
        }
    }
}

void PlotModel::clear()
{
    *this = PlotModel();
}

QByteArray PlotModel::csv() const
{
    QByteArray out = "time_s";
    for (const QString& name : m_names)
        out += ',' + name.toUtf8();
    out += "\r\n";

    char buffer[64];
    const auto append = [&out, &buffer](std::to_chars_result result) { out.append(buffer, result.ptr - buffer); };
    // The series are each in row order: the rows come out merged, the lowest next row first.
    std::vector<std::size_t> next(m_points.size(), 0);
    for (;;) {
        qint64 row = std::numeric_limits<qint64>::max();
        double seconds = 0;
        for (std::size_t s = 0; s < m_points.size(); ++s) {
            if (next[s] < m_points[s].size() && m_points[s][next[s]].row < row) {
                row = m_points[s][next[s]].row;
                seconds = m_points[s][next[s]].seconds;
            }
        }
        if (row == std::numeric_limits<qint64>::max()) break;
        append(std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 6));
        for (std::size_t s = 0; s < m_points.size(); ++s) {
            out += ',';
            if (next[s] < m_points[s].size() && m_points[s][next[s]].row == row)
                append(std::to_chars(buffer, buffer + sizeof buffer, m_points[s][next[s]++].value));
        }
        out += "\r\n";
    }
    return out;
}
