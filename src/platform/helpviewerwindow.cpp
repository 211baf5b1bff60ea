// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/helpviewerwindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>

using namespace Qt::StringLiterals;

HelpViewerWindow::~HelpViewerWindow()
{
    // A window without an owner is ours to delete; one with an owner goes with it.
    if (m_browser && !m_browser->parent()) delete m_browser;
}

QTextBrowser* HelpViewerWindow::window() const
{
    return m_browser;
}

void HelpViewerWindow::showHelp(QWidget* owner, const QString& helpFile)
{
    if (!m_browser) {
        m_browser = new QTextBrowser(owner);
        m_browser->setObjectName(u"helpViewer"_s);
        m_browser->setWindowFlag(Qt::Window);
        m_browser->setAttribute(Qt::WA_DeleteOnClose);
        m_browser->setWindowTitle(QCoreApplication::translate("HelpViewerWindow", "Korvel Help"));
        m_browser->setOpenExternalLinks(true);
        m_browser->resize(680, 600);
    }

    const QFileInfo file(helpFile);
    if (file.isFile() && file.isReadable()) {
        m_browser->setSearchPaths({file.absolutePath()});
        // The file is named .hlp, so the type cannot be guessed from its name. It opens at the top,
        // where the contents list is, also when an earlier visit left the window further down.
        m_browser->setSource(QUrl::fromLocalFile(file.absoluteFilePath()), QTextDocument::HtmlResource);
        m_browser->verticalScrollBar()->setValue(0);
    } else {
        m_browser->setSource(QUrl());
        m_browser->setHtml(QCoreApplication::translate(
                               "HelpViewerWindow",
                               "<h2>Korvel Help</h2><p>The help file was not found. Korvel looked for it here:</p>"
                               "<p><code>%1</code></p><p>It belongs in the folder of the program itself.</p>")
                               .arg(helpFile.toHtmlEscaped()));
    }
    m_browser->show();
    m_browser->raise();
    m_browser->activateWindow();
}
