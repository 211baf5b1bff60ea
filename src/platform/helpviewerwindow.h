// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/helpviewer.h"

#include <QPointer>

class QTextBrowser;

// Korvel's help viewer: a non-modal window of its own that shows the HTML help file. The window is
// made once and reused; it belongs to the owner given at the first call (the main window), so it
// goes away with it.
class HelpViewerWindow : public HelpViewer
{
public:
    HelpViewerWindow() = default;
    ~HelpViewerWindow() override;
    HelpViewerWindow(const HelpViewerWindow&) = delete;
    HelpViewerWindow& operator=(const HelpViewerWindow&) = delete;

    void showHelp(QWidget* owner, const QString& helpFile) override;

    // The viewer window, once shown; null before and after it was closed.
    QTextBrowser* window() const;

private:
    QPointer<QTextBrowser> m_browser;
};
