// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cliadapters.h"

#include <QLatin1Char>
#include <utility>

namespace {

QString keyOf(const QString& section, const QString& key)
{
    return section.trimmed().toLower() + QLatin1Char('/') + key.trimmed().toLower();
}

} // namespace

void ReadOnlyProfile::set(const QString& section, const QString& key, const QString& value)
{
    m_set.insert(keyOf(section, key), value);
}

QString ReadOnlyProfile::readString(const QString& section, const QString& key, const QString& defaultValue,
                                    int size) const
{
    const auto set = m_set.constFind(keyOf(section, key));
    if (set == m_set.cend()) return m_file.readString(section, key, defaultValue, size);
    return size <= 0 ? QString() : set->trimmed().left(size - 1);
}

bool ReadOnlyProfile::writeString(const QString&, const QString&, const QString&)
{
    // The window owns the file; a script must not change what the next start of the window reads.
    return false;
}

std::optional<QString> CliFileDialog::show(const FileRequest&)
{
    if (m_next.isEmpty()) return std::nullopt;
    return std::exchange(m_next, QString());
}

Prompter::Answer CliPrompter::ask(const QString&, const QString& text, const QString&, const QString&)
{
    m_question = text;
    return m_yes ? Answer::First : Answer::Cancel;
}

void CliPrompter::showReport(const QString& title, const QString& text, const Action&)
{
    m_reports.append({title, text});
}

QString CliPrompter::takeQuestion()
{
    return std::exchange(m_question, QString());
}

QList<QPair<QString, QString>> CliPrompter::takeReports()
{
    return std::exchange(m_reports, {});
}

void CliSurface::setProgressVisible(bool visible)
{
    if (!visible) endProgress();
}

void CliSurface::showProgress(const QString& text)
{
    if (!m_show) return;
    // CR and "erase to the end of the line": the next count overwrites this one.
    std::fputs(("\r" + text.toLocal8Bit() + "\x1b[K").constData(), m_stream);
    std::fflush(m_stream);
    m_shown = true;
}

void CliSurface::endProgress()
{
    if (!m_shown) return;
    std::fputs("\r\x1b[K", m_stream);
    std::fflush(m_stream);
    m_shown = false;
}
