#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Starts a program detached, never through a shell; the arguments reach it exactly as given.
class Launcher
{
public:
    virtual ~Launcher() = default;
    virtual bool startDetached(const QString& program, const QStringList& arguments, QString* error = nullptr) = 0;
};

// The desktop's associations.
class Associations
{
public:
    virtual ~Associations() = default;
    // The program the desktop opens the document with; empty when there is none.
    virtual QString executableFor(const QString& documentPath) const = 0;
    // The plain-text editor to open listings in; empty when none is found.
    virtual QString textEditor() const = 0;
};

// The help viewer: shows a help file, non-modal, and returns at once.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    static constexpr int kHelpContents = 3;
    virtual void showHelp(QWidget* owner, const QString& helpFile, int command) = 0;
};
