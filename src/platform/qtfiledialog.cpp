// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtfiledialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

std::optional<QString> QtFileDialog::show(const FileRequest& request)
{
    const bool save = request.mode == FileRequest::Mode::Save;
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    // The caller asks its own question about an existing file (append or replace).
    if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.filter.isEmpty())
        dialog.setNameFilter(QCoreApplication::translate("FileDialog", request.filter.toUtf8().constData()));
    if (!request.proposedName.isEmpty()) {
        const QFileInfo proposed(request.proposedName);
        dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
