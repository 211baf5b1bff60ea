// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/*
 * Form1 is Korvel's main window: the terminal on the serial line to the board, and the menu
 * commands that type interpreter commands for the user.
 *
 * Who owns what. Form1 owns the terminal text (TerminalBuffer) and its display (TerminalView,
 * "Text2"), the status and progress bars, the memory top MTop_, and one instance of each logic
 * class: ProgramUpload (Load/Merge Program), ListingCapture (Save Program), BoardCommands (Run,
 * Memory, Reset), HelpCommands (Help, manual, Edit Program) and SettingsFile (Korvel.ini). The
 * outside world (serial line, clock, file dialog, settings file, launcher, help viewer) comes in
 * through the Platform bundle that main.cpp builds; the tests hand in fakes.
 *
 * How a received chunk travels. The line emits received(chunk); the session log, when on, takes
 * it as it arrives (SessionLog); ReceivePath dispatches it by the capture mode (terminal, capturing,
 * awaiting echo, in that order), or holds it while a command wants it held, and asks the view to
 * scroll to the end. The view follows the buffer's changes a few milliseconds later, so a burst of
 * chunks costs one repaint, not one per chunk.
 *
 * How a command runs. The menu commands that type into the board go through the CommandRunner,
 * one at a time; app/commandrunner.h tells how they wait, what is held meanwhile and how they end.
 * While one runs, the other board commands' entries are disabled and the Cancel button stands
 * beside the progress bar.
 */

#include "app/commandrunner.h"
#include "app/inputgate.h"
#include "app/receivepath.h"
#include "platform/platform.h"
#include "terminal/pause.h"
#include "terminal/sessionlog.h"
#include "terminal/surface.h"
#include "terminal/terminalbuffer.h"

#include "board/boardcommands.h"
#include "board/listingcapture.h"
#include "board/programupload.h"
#include "config/settings.h"
#include "help/helpcommands.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class PlotWindow;
class QStatusBar;
class TerminalView;

class Form1 : public QMainWindow, public Surface
{
    Q_OBJECT
public:
    // The line's own texts for the port map tooltip of the settings dialog.
    using PortDescriber = std::function<QString()>;

    explicit Form1(const Platform& platform, PortDescriber describePorts = {}, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: the line set up from the settings file and opened, the terminal empty.
    void load();

    double mtop() const { return m_mtop; }
    const TerminalBuffer& terminal() const { return m_terminal; }
    const ListingCapture& capture() const { return m_capture; }
    const CommandRunner& runner() const { return m_runner; }
    TerminalView* terminalView() const { return m_text2; }

    void setStatusText(const QString& text) override;
    void setProgressValue(float percent) override;
    void setProgressVisible(bool visible) override;
    // Hidden while a dialog is open: the window comes back where it was, which some window
    // systems forget between a hide and a show.
    void setVisible(bool visible) override;

    // The terminal's font size in points (Ctrl+Plus, Ctrl+Minus, Ctrl+0; Korvel.ini at start-up).
    // The window grows and shrinks with it, so the terminal keeps its columns and rows as far as
    // the screen allows.
    double terminalFontSize() const { return m_fontSize; }
    void setTerminalFontSize(double points);
    // The settings profile in use, shown in the title ("KORVEL - lab"); empty for Korvel.ini.
    void setProfileName(const QString& name);

public slots:
    // Text pasted into the terminal, sent as an upload.
    void pasteToBoard(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void receiveChunk(const QString& chunk);
    void showLineProblem(const QString& message);
    void showLineWorks(const QString& note);
    void sendTypedBytes(const QByteArray& bytes);
    void exitProgram();
    void toggleLog();
    void showLogging(bool logging, const QString& fileName);
    void showLogStopped(const QString& fileName, const QString& reason);
    void clearScreen();
    void saveProgram();
    void loadProgram();
    void mergeProgram();
    void verifyProgram();
    void runProgram();
    void editProgram();
    void showMemory();
    void resetBoard();
    void openPlot();
    void openSerialSetup();
    void openMTopDialog();
    void openUploadSetup();
    void openPorts();
    void openAbout();
    void openHelp();
    void openManual();
    void zoomIn();
    void zoomOut();
    void zoomReset();

private:
    void buildControls();
    void buildMenu();
    void layOutControls(QSize terminal);
    void placeProgressBar();
    QSize largestTerminal() const;
    void showCommandRunning(bool running);

    Platform m_platform;
    PortDescriber m_describePorts;
    double m_mtop = 32768; // MTop_: the memory top sent by Reset and the MTOP dialog
    TerminalBuffer m_terminal;
    Pause m_pause;
    ListingCapture m_capture;
    ReceivePath m_receive;
    CommandRunner m_runner;
    ProgramUpload m_upload;
    BoardCommands m_commands;
    HelpCommands m_help;
    SettingsFile m_settings;
    InputGate m_gate;
    SessionLog m_log;
    std::optional<QPoint> m_placeBeforeHide;
    double m_fontSize = 0;  // the terminal's, in points
    QSize m_grid;           // the columns and rows the terminal shows at the size it was drawn for
    bool m_ending = false;
    QString m_lineProblem; // the line's last failure, shown again while the line stays closed

    TerminalView* m_text2 = nullptr;          // terminal display
    QProgressBar* m_progressBar1 = nullptr;   // upload progress, over the bottom of the terminal
    QPushButton* m_cmdCancelUpload = nullptr; // beside the bar while a command can be cancelled
    QStatusBar* m_statusBar1 = nullptr;       // one simple text
    QLabel* m_logLabel = nullptr;             // names the log file while logging
    QAction* m_logToFile = nullptr;           // Log to File... / Stop Logging
    QList<QAction*> m_boardActions;           // disabled while a board command runs
    QPointer<PlotWindow> m_plot;              // the Plot window while it is open
};
