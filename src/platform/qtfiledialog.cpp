#include "platform/qtfiledialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

QStringList QtFileDialog::nameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the parentheses; most descriptions carry them already.
        if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
            filters.append(description.left(description.lastIndexOf(QLatin1Char('('))) + u'(' + patterns + u')');
        else
            filters.append(description + QStringLiteral(" (") + patterns + u')');
    }
    return filters;
}

std::optional<QString> QtFileDialog::ask(Mode mode)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(mode == Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QString suffix = defaultExt;
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (const QStringList filters = nameFilters(filter); !filters.isEmpty()) dialog.setNameFilters(filters);
    if (!fileName.isEmpty()) {
        const QFileInfo proposed(fileName);
        dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
