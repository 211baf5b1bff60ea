// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

#include "board/mtopchg.h"
#include "board/uploadsetup.h"
#include "common/twips.h"
#include "config/portsdialog.h"
#include "config/serialsetup.h"
#include "help/frmabout.h"
#include "platform/clock.h"
#include "platform/serialline.h"
#include "plot/plotwindow.h"
#include "resources/appicon.h"
#include "terminal/fontzoom.h"
#include "terminal/terminalview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>

namespace {

// The client area and the terminal as the window was drawn; the rest stands around them.
constexpr QRect kDrawnTerminal = twips::rect(360, 0, 8895, 7695);
constexpr QSize kDrawnClient = twips::rect(0, 0, 9645, 8040).size();
// The window manager's frame before the window was first shown, when it cannot be asked yet.
constexpr QMargins kFrameGuess{8, 32, 8, 8};

QFont terminalFont()
{
    QFont font = QFontDatabase::families().contains(QStringLiteral("Lucida Console"))
                     ? QFont(QStringLiteral("Lucida Console"))
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(fontzoom::kDefault);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace

Form1::Form1(const Platform& platform, PortDescriber describePorts, QWidget* parent)
    : QMainWindow(parent), m_platform(platform), m_describePorts(std::move(describePorts)), m_pause(platform.clock),
      m_capture(platform.line, m_pause, platform.fileDialog, m_terminal, *this, platform.prompter),
      m_receive(m_terminal, m_capture), m_runner(m_pause, m_receive, platform.line, *this),
      m_upload(platform.line, m_pause, platform.fileDialog, *this, platform.prompter),
      m_sync(m_capture, m_upload, *this), m_commands(platform.line, m_pause, m_terminal, *this),
      m_help(platform.launcher, platform.associations, platform.helpViewer, platform.fileDialog, *this,
             platform.applicationDir),
      m_settings(platform.profile), m_log(platform.fileDialog, platform.prompter, platform.profile, *this)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("KORVEL"));
    setWindowIcon(appIcon());
    // A fixed single border: a close box, but neither minimise nor maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    buildControls();
    buildMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(&m_platform.line, &SerialLine::received, this, &Form1::receiveChunk);
    connect(&m_platform.line, &SerialLine::problem, this, &Form1::showLineProblem);
    connect(&m_platform.line, &SerialLine::opened, this, &Form1::showLineWorks);
    connect(m_text2, &TerminalView::bytesTyped, this, &Form1::sendTypedBytes);
    m_receive.setScrollToEnd([this] { m_text2->requestScrollToEnd(); });
    // The plot reads what the terminal shows of the board's own output: not what a capture takes,
    // nor an upload's echo. Closed, it costs nothing.
    m_receive.setWatcher([this](QStringView chunk, bool shown) {
        if (!m_plot) return;
        if (shown && !m_runner.options().typesProgram)
            m_plot->takeText(chunk);
        else
            m_plot->breakLine();
    });
    m_gate.setCancelButton(m_cmdCancelUpload);
    m_gate.setCancel([this] {
        m_runner.cancel();
        return m_runner.busy();
    });
    m_runner.setInput(&m_gate, &m_gate);
    m_capture.setSendDifferences([this](const QString& file) { sendDifferences(file); });
    connect(&m_runner, &CommandRunner::busyChanged, this, &Form1::showCommandRunning);
    connect(m_cmdCancelUpload, &QPushButton::clicked, this, [this] { m_runner.cancel(); });
    connect(&m_log, &SessionLog::loggingChanged, this, &Form1::showLogging);
    connect(&m_log, &SessionLog::stoppedByFailure, this, &Form1::showLogStopped);
    connect(m_text2, &TerminalView::pasteRequested, this,
            [this] { pasteToBoard(QGuiApplication::clipboard()->text()); });
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto* client = new QWidget(this);
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    client->setPalette(palette);
    setCentralWidget(client);

    m_text2 = new TerminalView(m_terminal, client);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setAccessibleName(tr("Terminal"));
    m_text2->setFont(terminalFont());

    m_progressBar1 = new QProgressBar(client);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setAccessibleName(tr("Progress"));
    m_progressBar1->setRange(0, 100);
    m_progressBar1->hide();

    m_cmdCancelUpload = new QPushButton(tr("Cancel"), client);
    m_cmdCancelUpload->setObjectName(QStringLiteral("cmdCancelUpload"));
    m_cmdCancelUpload->setFocusPolicy(Qt::NoFocus); // the keys stay with the terminal
    m_cmdCancelUpload->hide();

    m_statusBar1 = new QStatusBar(client);
    m_statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar1->setSizeGripEnabled(false);
    m_logLabel = new QLabel(m_statusBar1);
    m_logLabel->setObjectName(QStringLiteral("logLabel"));
    m_statusBar1->addPermanentWidget(m_logLabel);
    m_logLabel->hide();

    layOutControls(kDrawnTerminal.size());
    m_fontSize = fontzoom::kDefault;
    m_grid = m_text2->grid();
    m_text2->setFocus();
}

void Form1::layOutControls(QSize terminal)
{
    // The window as drawn, stretched by what the terminal grew beyond its drawn size (or shrunk).
    const QSize growth = terminal - kDrawnTerminal.size();
    centralWidget()->setFixedSize(kDrawnClient + growth);
    m_text2->setGeometry(QRect(kDrawnTerminal.topLeft(), terminal));
    m_statusBar1->setGeometry(
        twips::rect(0, 7665, 9645, 375).adjusted(0, growth.height(), growth.width(), growth.height()));
    m_cmdCancelUpload->setGeometry(twips::rect(8100, 7290, 1200, 375).translated(growth.width(), growth.height()));
    placeProgressBar();
}

void Form1::placeProgressBar()
{
    // Over the bottom of the terminal; it makes room for the Cancel button while that is shown.
    const QSize growth = m_text2->size() - kDrawnTerminal.size();
    const int width = m_cmdCancelUpload->isHidden() ? 8940 : 7680;
    m_progressBar1->setGeometry(
        twips::rect(360, 7290, width, 375).adjusted(0, growth.height(), growth.width(), growth.height()));
}

QSize Form1::largestTerminal() const
{
    const QRect available = screen()->availableGeometry();
    const QMargins frame = isVisible() && windowHandle() ? windowHandle()->frameMargins() : kFrameGuess;
    const QSize window(frame.left() + frame.right(), frame.top() + frame.bottom() + menuBar()->sizeHint().height());
    return available.size() - window - (kDrawnClient - kDrawnTerminal.size());
}

void Form1::setTerminalFontSize(double points)
{
    m_fontSize = fontzoom::bounded(points);
    QFont font = m_text2->font();
    font.setPointSizeF(m_fontSize);
    QFont drawn = font;
    drawn.setPointSizeF(fontzoom::kDefault);
    // The terminal keeps the columns and rows it had as drawn: it grows by what they need more in
    // this font than in the drawn one, and the window with it.
    const QSize terminal =
        kDrawnTerminal.size() + m_text2->sizeForGrid(m_grid, font) - m_text2->sizeForGrid(m_grid, drawn);
    m_text2->setFont(font);
    layOutControls(terminal.boundedTo(largestTerminal()));
    layout()->activate();
    if (!isVisible()) return;
    // A window that grew past the screen's edge comes back in, its frame included.
    const QRect available = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const QPoint shift(qMin(0, available.right() - frame.right()), qMin(0, available.bottom() - frame.bottom()));
    if (!shift.isNull()) move(pos() + shift);
}

void Form1::setProfileName(const QString& name)
{
    setWindowTitle(name.isEmpty() ? QStringLiteral("KORVEL") : QStringLiteral("KORVEL - ") + name);
}

void Form1::zoomIn()
{
    setTerminalFontSize(fontzoom::larger(m_fontSize));
}

void Form1::zoomOut()
{
    setTerminalFontSize(fontzoom::smaller(m_fontSize));
}

void Form1::zoomReset()
{
    setTerminalFontSize(fontzoom::kDefault);
}

void Form1::buildMenu()
{
    QMenuBar* bar = menuBar();
    auto addAction = [this](QWidget* menu, const char* name, const QString& caption, void (Form1::*slot)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        if (slot) connect(action, &QAction::triggered, this, slot);
        menu->addAction(action);
        return action;
    };
    auto addMenu = [bar](const char* name, const QString& caption) {
        QMenu* menu = bar->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        return menu;
    };

    //: Alt and the first letter of an entry on the menu bar opens it: keep the first letters apart.
    QMenu* file = addMenu("f", tr("File"));
    m_boardActions = {addAction(file, "save", tr("Save Program"), &Form1::saveProgram),
                      addAction(file, "load", tr("Load Program"), &Form1::loadProgram),
                      addAction(file, "merge", tr("Merge Program"), &Form1::mergeProgram),
                      addAction(file, "verify", tr("Verify Program"), &Form1::verifyProgram),
                      addAction(file, "run", tr("Run Program"), &Form1::runProgram)};
    addAction(file, "edit", tr("Edit Program"), &Form1::editProgram);
    m_logToFile = addAction(file, "logToFile", tr("Log to File..."), &Form1::toggleLog);
    addAction(file, "dummy01", QStringLiteral("    ----------"), nullptr)->setEnabled(false);
    addAction(file, "End", tr("Exit"), &Form1::exitProgram);

    QMenu* settings = addMenu("dummy02", tr("Settings"));
    addAction(settings, "comSet", tr("ComPort"), &Form1::openSerialSetup);
    m_boardActions.append(addAction(settings, "MTop", tr("MTOP"), &Form1::openMTopDialog));
    addAction(settings, "upload", tr("Upload"), &Form1::openUploadSetup);
    addAction(settings, "ports", tr("Ports"), &Form1::openPorts);

    // These sit on the bar itself and act when clicked there.
    addAction(bar, "clss", tr("Clear Screen"), &Form1::clearScreen);
    m_boardActions.append(addAction(bar, "mem", tr("Memory"), &Form1::showMemory));
    m_boardActions.append(addAction(bar, "reset", tr("Reset"), &Form1::resetBoard));
    addAction(bar, "plot", tr("Plot"), &Form1::openPlot);

    QMenu* about = addMenu("dummy04", QStringLiteral("?"));
    addAction(about, "about", tr("About"), &Form1::openAbout);
    addAction(about, "help", tr("Help"), &Form1::openHelp)->setShortcut(QKeySequence::HelpContents);
    addAction(about, "B52help", tr("Intel B-52 Manual"), &Form1::openManual);

    // The captions carry no access key ("&"), as they never have; Alt with the first letter opens
    // a menu, or chooses an entry on the bar, all the same. Like the zoom keys below they act in
    // the whole window and never reach the board.
    const auto addKeys = [this](const QString& name, const QList<QKeySequence>& keys,
                                const std::function<void()>& act) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, act);
        QWidget::addAction(action);
    };
    for (QAction* entry : bar->actions()) {
        const QKeySequence key(QStringLiteral("Alt+") + entry->text().left(1));
        addKeys(QStringLiteral("key_") + entry->objectName(), {key}, [bar, entry] {
            if (entry->menu())
                bar->setActiveAction(entry);
            else
                entry->trigger();
        });
    }
    // Ctrl+= as well: the plus sign needs Shift on many keyboards.
    addKeys(QStringLiteral("zoomIn"), {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
            [this] { zoomIn(); });
    addKeys(QStringLiteral("zoomOut"), {QKeySequence::ZoomOut}, [this] { zoomOut(); });
    addKeys(QStringLiteral("zoomReset"), {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { zoomReset(); });
}

void Form1::load()
{
    SerialLine& line = m_platform.line;
    line.close();
    m_mtop = m_settings.load(line);
    m_upload.setPacing(m_settings.pacing());
    setTerminalFontSize(m_settings.fontSize());
    line.open();
    m_progressBar1->hide();
    m_terminal.clear();
    m_text2->sync();
}

void Form1::setStatusText(const QString& text)
{
    // A command that ends clears the status bar; a port that failed or was lost during it must stay
    // said, or an upload or Reset that sent nothing would look like a success.
    if (text.isEmpty() && !m_lineProblem.isEmpty() && !m_platform.line.isOpen()) {
        m_statusBar1->showMessage(m_lineProblem);
        return;
    }
    if (text.isEmpty())
        m_statusBar1->clearMessage();
    else
        m_statusBar1->showMessage(text);
}

void Form1::showLineProblem(const QString& message)
{
    m_lineProblem = message;
    setStatusText(message);
}

void Form1::showLineWorks(const QString& note)
{
    // However the line came back, its failure is no longer news.
    const bool hadProblem = !std::exchange(m_lineProblem, QString()).isEmpty();
    if (hadProblem || !note.isEmpty()) setStatusText(note);
}

void Form1::setProgressValue(float percent)
{
    m_progressBar1->setValue(static_cast<int>(qBound(0.0f, percent, 100.0f)));
}

void Form1::setProgressVisible(bool visible)
{
    m_progressBar1->setVisible(visible);
}

void Form1::receiveChunk(const QString& chunk)
{
    // The log takes each chunk as it arrives, also those a command holds or a capture swallows.
    m_log.write(chunk);
    m_receive.deliver(chunk);
}

void Form1::sendTypedBytes(const QByteArray& bytes)
{
    if (!m_platform.line.isOpen()) {
        setStatusText(tr("Not sent: %1 is not open").arg(m_platform.line.portLabel()));
        return;
    }
    m_platform.line.sendLine(QString::fromLatin1(bytes));
}

void Form1::showCommandRunning(bool running)
{
    // The bar makes room for the button while the command runs.
    m_cmdCancelUpload->setVisible(running);
    placeProgressBar();
    for (QAction* action : std::as_const(m_boardActions))
        action->setEnabled(!running);
}

void Form1::exitProgram()
{
    // Reached while a command runs only from outside the window (a global menu): it stops first.
    if (m_runner.busy()) {
        m_runner.cancel(CancelReason::Quit);
        m_runner.afterCommand([this] { exitProgram(); });
        return;
    }
    m_platform.line.close();
    m_log.stop();
    // A failed write keeps the old file whole; the program ends all the same.
    m_settings.save(m_platform.line, m_mtop);
    m_settings.saveFontSize(m_fontSize);
    m_ending = true;
    close();
    QCoreApplication::exit(0);
}

void Form1::toggleLog()
{
    m_log.toggle();
}

void Form1::showLogging(bool logging, const QString& fileName)
{
    m_logToFile->setText(logging ? tr("Stop Logging") : tr("Log to File..."));
    m_logLabel->setText(logging ? tr("Log: %1").arg(QFileInfo(fileName).fileName()) : QString());
    m_logLabel->setToolTip(fileName);
    m_logLabel->setVisible(logging);
}

void Form1::showLogStopped(const QString& fileName, const QString& reason)
{
    // The status text says it once and the next command's text replaces it; the label stays.
    m_logLabel->setText(tr("Log stopped: cannot write %1").arg(QFileInfo(fileName).fileName()));
    m_logLabel->setToolTip(fileName + QStringLiteral(": ") + reason);
    m_logLabel->setVisible(true);
}

void Form1::setVisible(bool visible)
{
    if (!visible && isVisible()) m_placeBeforeHide = geometry().topLeft();
    if (visible && !isVisible() && m_placeBeforeHide) {
        // A window manager places a withdrawn window anew when it comes back, unless the window
        // asks for its place. The widget asks nothing when Qt thinks the window is still there, so
        // the place is asked of the window itself as well, every time.
        const QRect place(*m_placeBeforeHide, size());
        setGeometry(place);
        if (QWindow* handle = windowHandle()) handle->setGeometry(place);
    }
    QMainWindow::setVisible(visible);
}

void Form1::clearScreen()
{
    // Only the text: a capture in progress goes on.
    m_terminal.clear();
    m_text2->requestSync();
}

void Form1::saveProgram()
{
    // Keys typed meanwhile go to the board: a Ctrl-C ends a program that holds the capture open.
    m_runner.run(tr("Save Program"), [this] { m_capture.saveProgram(); }, {.keysToBoard = true});
    m_text2->requestSync();
}

void Form1::loadProgram()
{
    m_runner.run(tr("Load Program"), [this] { m_upload.loadProgram(); }, {.typesProgram = true});
}

void Form1::mergeProgram()
{
    m_runner.run(tr("Merge Program"), [this] { m_upload.mergeProgram(); }, {.typesProgram = true});
}

void Form1::verifyProgram()
{
    m_runner.run(tr("Verify Program"), [this] { m_capture.verifyProgram(); }, {.keysToBoard = true});
    m_text2->requestSync();
}

void Form1::sendDifferences(const QString& file)
{
    m_runner.run(tr("Send Differences"), [this, file] { m_sync.sync(file, true); }, {.typesProgram = true});
    m_text2->requestSync();
}

void Form1::pasteToBoard(const QString& text)
{
    // One line without its end is typed, not uploaded.
    if (!text.contains(u'\r') && !text.contains(u'\n')) {
        if (!text.isEmpty()) sendTypedBytes(text.toLatin1());
        return;
    }
    m_runner.run(tr("Paste"), [this, &text] { m_upload.pasteText(text); }, {.typesProgram = true});
}

void Form1::runProgram()
{
    m_runner.run(tr("Run Program"), [this] { m_commands.runProgram(); });
}

void Form1::editProgram()
{
    m_help.editProgram();
}

void Form1::showMemory()
{
    m_runner.run(tr("Memory"), [this] { m_commands.memory(); });
}

void Form1::resetBoard()
{
    m_runner.run(tr("Reset"), [this] {
        m_commands.reset(m_mtop);
        m_text2->requestSync();
    });
}

void Form1::openPlot()
{
    m_plot = PlotWindow::open(m_plot, *this, m_platform.clock, m_platform.fileDialog);
}

void Form1::openSerialSetup()
{
    SerialSetup::openFor(*this, m_platform.line, m_describePorts);
}

void Form1::openMTopDialog()
{
    MTopChg* dialog = MTopChg::open(*this, m_mtop);
    connect(dialog, &MTopChg::accepted, this, [this](double mtop) {
        // The value is kept for the next Reset and Exit even when the board cannot hear it now.
        m_mtop = mtop;
        m_runner.run(tr("MTOP"), [this, mtop] { m_commands.setMemoryTop(mtop); });
    });
}

void Form1::openUploadSetup()
{
    UploadSetup* dialog = UploadSetup::open(*this, m_upload.pacing());
    connect(dialog, &UploadSetup::accepted, this, [this](Pacing pacing) {
        m_upload.setPacing(pacing);
        if (!m_settings.savePacing(pacing)) setStatusText(tr("Cannot write the upload setting to Korvel.ini"));
    });
}

void Form1::openPorts()
{
    PortMap map(m_platform.profile, m_platform.serialDevices);
    PortsDialog* dialog = PortsDialog::openFor(*this, map.rows());
    connect(dialog, &PortsDialog::refreshRequested, dialog, [dialog, map] { dialog->showRows(map.rows()); });
    connect(dialog, &PortsDialog::portChosen, this, [this, dialog, map](const SerialDevice& device, int port) mutable {
        const PortMap::Assignment done = map.assign(device, port);
        dialog->showRows(map.rows(), done.message);
        if (!done.complete()) setStatusText(done.message);
        // A line that is down tries the new map at once.
        if (!m_platform.line.isOpen()) m_platform.line.open();
    });
}

void Form1::openAbout()
{
    frmAbout::openFor(*this);
}

void Form1::openHelp()
{
    m_help.showHelp(this);
}

void Form1::openManual()
{
    m_help.showManual();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // The close box ends the program without writing the settings file, but not in the middle
    // of a command: that stops first, as on Escape.
    if (!m_ending && m_runner.busy()) {
        event->ignore();
        m_runner.cancel(CancelReason::Quit);
        m_runner.afterCommand([this] { close(); });
        return;
    }
    m_log.stop();
    event->accept();
}
