// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/frmabout.h"
#include "help/helpcommands.h"
#include "korvel_version.h"

#include "fakes.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool touch(const QString& path, QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.setPermissions(permissions);
}

const QFileDevice::Permissions kExecutable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void helpOpensContentsOfTheHelpFile_data();
    void helpOpensContentsOfTheHelpFile();
    void manualStartsViewerWithPathAsOneArgument_data();
    void manualStartsViewerWithPathAsOneArgument();
    void manualSearchOrder_data();
    void manualSearchOrder();
    void editProgramDialogAndEditor_data();
    void editProgramDialogAndEditor();

    void aboutTexts();
    void aboutClosesAndShowsMainWindow_data();
    void aboutClosesAndShowsMainWindow();
    void aboutOpenerShowsBoxBeforeHidingMainWindow();

private:
    HelpCommands commands(const QString& applicationDir);

    std::unique_ptr<QTemporaryDir> m_dir;
    FakePlatform* m_fakes = nullptr;
    FakeSurface* m_surface = nullptr;
};

void TestHelp::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // The user's copy of the manual is looked for here; the machine's own must not count.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->path() + u"/data"_s));
    m_fakes = new FakePlatform;
    m_surface = new FakeSurface;
}

void TestHelp::cleanup()
{
    delete m_surface;
    delete m_fakes;
    m_dir.reset();
}

HelpCommands TestHelp::commands(const QString& applicationDir)
{
    return HelpCommands(m_fakes->launcher, m_fakes->associations, m_fakes->helpViewer, m_fakes->fileDialog, *m_surface,
                        applicationDir);
}

void TestHelp::helpOpensContentsOfTheHelpFile_data()
{
    // Folders under the temporary folder: where the executable is, where a help file is, which one opens.
    QTest::addColumn<QString>("applicationDir");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("opened");
    QTest::newRow("build tree") << u"build"_s << QStringList{u"build"_s} << u"build"_s;
    QTest::newRow("installed") << u"usr/bin"_s << QStringList{u"usr/share/korvel"_s} << u"usr/share/korvel"_s;
    QTest::newRow("blanks") << u"My Programs/bin"_s << QStringList{u"My Programs/share/korvel"_s}
                            << u"My Programs/share/korvel"_s;
    QTest::newRow("beside the executable wins")
        << u"usr/bin"_s << QStringList{u"usr/bin"_s, u"usr/share/korvel"_s} << u"usr/bin"_s;
    QTest::newRow("missing: named where installed") << u"opt/bin"_s << QStringList{} << u"opt/share/korvel"_s;
}

void TestHelp::helpOpensContentsOfTheHelpFile()
{
    QFETCH(QString, applicationDir);
    QFETCH(QStringList, present);
    QFETCH(QString, opened);
    const QString root = m_dir->path() + u'/';
    for (const QString& folder : present)
        QVERIFY(touch(root + folder + u"/korvel.hlp"_s));
    QWidget owner;
    HelpCommands help = commands(root + applicationDir);

    help.showHelp(&owner);

    QCOMPARE(m_fakes->helpViewer.calls.size(), 1);
    const auto call = m_fakes->helpViewer.calls.first();
    QCOMPARE(call.owner, &owner);
    QCOMPARE(call.file, root + opened + u"/korvel.hlp"_s);
    QVERIFY(m_fakes->launcher.started.isEmpty());
}

void TestHelp::manualStartsViewerWithPathAsOneArgument_data()
{
    QTest::addColumn<QString>("subdir"); // the application folder under the temporary folder
    QTest::addColumn<bool>("manualThere");
    QTest::addColumn<QStringList>("viewer"); // "@" stands for the temporary folder
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<QStringList>("program"); // program and its leading arguments, "@" as above
    QTest::addColumn<QString>("statusStart");

    QTest::newRow("viewer found") << u"korvel"_s << true << QStringList{u"/usr/bin/evince"_s} << true
                                  << QStringList{u"/usr/bin/evince"_s} << QString();
    QTest::newRow("blanks in both paths") << u"My Tools/korvel"_s << true << QStringList{u"@/PDF Viewer/view"_s} << true
                                          << QStringList{u"@/PDF Viewer/view"_s} << QString();
    QTest::newRow("desktop entry with a helper")
        << u"korvel"_s << true << QStringList{u"flatpak"_s, u"run"_s, u"org.gnome.Evince"_s} << true
        << QStringList{u"flatpak"_s, u"run"_s, u"org.gnome.Evince"_s} << QString();
    QTest::newRow("manual missing") << u"korvel"_s << false << QStringList{u"/usr/bin/evince"_s} << true
                                    << QStringList{} << u"Manual bas52man_.pdf not found in "_s;
    QTest::newRow("nothing opens PDF files")
        << u"korvel"_s << true << QStringList{} << true << QStringList{} << u"No program to open PDF files"_s;
    QTest::newRow("viewer does not start") << u"korvel"_s << true << QStringList{u"/usr/bin/evince"_s} << false
                                           << QStringList{u"/usr/bin/evince"_s} << u"Cannot start /usr/bin/evince"_s;
}

void TestHelp::manualStartsViewerWithPathAsOneArgument()
{
    QFETCH(QString, subdir);
    QFETCH(bool, manualThere);
    QFETCH(QStringList, viewer);
    QFETCH(bool, startWorks);
    QFETCH(QStringList, program);
    QFETCH(QString, statusStart);
    const QString root = m_dir->path();
    const QString applicationDir = root + u'/' + subdir;
    const QString manual = applicationDir + u"/documents/bas52man_.pdf"_s;
    QVERIFY(touch(applicationDir + u"/korvel.hlp"_s)); // a build tree
    if (manualThere) QVERIFY(touch(manual));
    viewer.replaceInStrings(u"@"_s, root);
    if (!viewer.isEmpty() && viewer.first().startsWith(root)) QVERIFY(touch(viewer.first(), kExecutable));
    program.replaceInStrings(u"@"_s, root);
    m_fakes->associations.viewer = viewer;
    m_fakes->launcher.succeed = startWorks;

    commands(applicationDir).showManual();

    if (!program.isEmpty()) {
        QCOMPARE(m_fakes->associations.lookedUp, QStringList{manual});
        QCOMPARE(m_fakes->launcher.started.size(), 1);
        const auto [started, arguments] = m_fakes->launcher.started.first();
        QCOMPARE(QStringList{started} + arguments, program + QStringList{manual});
    } else {
        QVERIFY(m_fakes->launcher.started.isEmpty());
    }
    if (statusStart.isEmpty()) {
        QVERIFY(m_surface->statusTexts.isEmpty());
    } else {
        QVERIFY2(m_surface->status.startsWith(statusStart), qPrintable(m_surface->status));
        // The user learns where the manual was looked for.
        QVERIFY2(m_surface->status.contains(QFileInfo(manual).path()), qPrintable(m_surface->status));
    }
}

void TestHelp::manualSearchOrder_data()
{
    QTest::addColumn<QStringList>("present"); // "user" or "build": where a copy of the manual is
    QTest::addColumn<QString>("opened");      // empty: none found
    QTest::newRow("user's copy") << QStringList{u"user"_s} << u"user"_s;
    QTest::newRow("build tree") << QStringList{u"build"_s} << u"build"_s;
    QTest::newRow("user's copy wins") << QStringList{u"build"_s, u"user"_s} << u"user"_s;
    QTest::newRow("none: every place named") << QStringList{} << QString();
}

void TestHelp::manualSearchOrder()
{
    QFETCH(QStringList, present);
    QFETCH(QString, opened);
    const QString build = m_dir->path() + u"/build"_s;
    const QStringList folders{m_dir->path() + u"/data/korvel"_s, u"/usr/local/share/korvel"_s, u"/usr/share/korvel"_s,
                              build + u"/documents"_s};
    // Installed, there is no build tree to look in.
    QCOMPARE(commands(m_dir->path() + u"/usr/bin"_s).manualFolders(), folders.mid(0, 3));
    QVERIFY(touch(build + u"/korvel.hlp"_s));
    HelpCommands help = commands(build);
    QCOMPARE(help.manualFolders(), folders);
    if (QFileInfo::exists(folders[1] + u"/bas52man_.pdf"_s) || QFileInfo::exists(folders[2] + u"/bas52man_.pdf"_s))
        QSKIP("This machine has the manual installed for all users");
    for (const QString& where : present)
        QVERIFY(touch(folders[where == u"user" ? 0 : 3] + u"/bas52man_.pdf"_s));
    m_fakes->associations.viewer = {u"/usr/bin/evince"_s};
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_dir->path()));

    help.showManual();

    qputenv("HOME", home);
    if (opened.isEmpty()) {
        QVERIFY(m_fakes->associations.lookedUp.isEmpty());
        QStringList shown = folders;
        shown[0] = u"~/data/korvel"_s; // the home folder shortened, so that the usual three fit
        shown[3] = u"~/build/documents"_s;
        QCOMPARE(m_surface->status, u"Manual bas52man_.pdf not found in "_s + shown.join(u", "_s));
    } else {
        QCOMPARE(m_fakes->associations.lookedUp, QStringList{folders[opened == u"user" ? 0 : 3] + u"/bas52man_.pdf"_s});
    }
}

void TestHelp::editProgramDialogAndEditor_data()
{
    QTest::addColumn<QString>("before");     // the file dialog's name from an earlier command
    QTest::addColumn<QStringList>("answer"); // empty: the user cancels
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("opened"); // the editor's one argument; empty: nothing started
    QTest::addColumn<QString>("status");

    const QString ed = u"/usr/bin/mousepad"_s;
    QTest::newRow("file chosen") << QString() << QStringList{u"/home/ann/prog.lis"_s} << ed << u"/home/ann/prog.lis"_s
                                 << QString();
    QTest::newRow("blanks in the name") << QString() << QStringList{u"/home/ann/my progs/a b.LIS"_s} << ed
                                        << u"/home/ann/my progs/a b.LIS"_s << QString();
    QTest::newRow("shell characters stay in the one argument")
        << QString() << QStringList{u"/tmp/x; rm -rf ~ $(id).lis"_s} << ed << u"/tmp/x; rm -rf ~ $(id).lis"_s
        << QString();
    QTest::newRow("cancel keeps the earlier file")
        << u"/home/ann/old.LIS"_s << QStringList{} << ed << u"/home/ann/old.LIS"_s << QString();
    QTest::newRow("cancel with no name starts nothing") << QString() << QStringList{} << ed << QString() << QString();
    QTest::newRow("no editor found") << QString() << QStringList{u"/home/ann/prog.lis"_s} << QString() << QString()
                                     << u"No text editor was found to open /home/ann/prog.lis"_s;
}

void TestHelp::editProgramDialogAndEditor()
{
    QFETCH(QString, before);
    QFETCH(QStringList, answer);
    QFETCH(QString, editor);
    QFETCH(QString, opened);
    QFETCH(QString, status);
    if (!before.isEmpty()) m_fakes->fileDialog.choose(before);
    if (!answer.isEmpty()) m_fakes->fileDialog.answers.append(answer.first());
    m_fakes->associations.editor = editor.isEmpty() ? QStringList() : QStringList{editor};

    commands(u"/opt/korvel"_s).editProgram();

    QCOMPARE(m_fakes->fileDialog.shown.size(), 1);
    const auto shown = m_fakes->fileDialog.shown.first();
    QCOMPARE(shown.mode, FileRequest::Mode::Open);
    QCOMPARE(shown.proposedName, before); // not cleared before the dialog
    QCOMPARE(shown.filter, FileDialog::kListingFilter);
    if (opened.isEmpty()) {
        QVERIFY(m_fakes->launcher.started.isEmpty());
    } else {
        QCOMPARE(m_fakes->launcher.started.size(), 1);
        QCOMPARE(m_fakes->launcher.started.first().first, editor);
        QCOMPARE(m_fakes->launcher.started.first().second, QStringList{opened});
    }
    QCOMPARE(m_surface->status, status);
}

void TestHelp::aboutTexts()
{
    QWidget main;
    frmAbout about(main);

    QCOMPARE(about.windowTitle(), u"Info zu Korvel"_s);
    QCOMPARE(about.findChild<QLabel*>(u"lblTitle"_s)->text(), u"Korvel"_s);
    QCOMPARE(about.findChild<QLabel*>(u"lblVersion"_s)->text(), u"Version "_s + QLatin1StringView(kKorvelVersion));
    QVERIFY(!about.findChild<QLabel*>(u"lblDescription"_s)->text().isEmpty());
    QVERIFY(!about.findChild<QLabel*>(u"lblDisclaimer"_s)->text().isEmpty());
    QCOMPARE(about.findChild<QLabel*>(u"picIcon"_s)->pixmap().size(), QSize(120, 115));
    QCOMPARE(about.findChildren<QWidget*>(u"Line1"_s).size(), 2);
    QCOMPARE(about.size(), QSize(382, 237));
    auto* ok = about.findChild<QPushButton*>(u"cmdOK"_s);
    QCOMPARE(ok->text(), u"OK"_s);
    QVERIFY(ok->isDefault());
}

void TestHelp::aboutClosesAndShowsMainWindow_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << u"button"_s;
    QTest::newRow("Enter") << u"enter"_s;
    QTest::newRow("Escape") << u"escape"_s;
    QTest::newRow("window frame") << u"frame"_s;
}

void TestHelp::aboutClosesAndShowsMainWindow()
{
    QFETCH(QString, how);
    QWidget main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QPointer<frmAbout> about = frmAbout::openFor(main);
    QVERIFY(QTest::qWaitForWindowActive(about));
    QVERIFY(main.isHidden());
    QCOMPARE(about->focusWidget(), about->findChild<QPushButton*>(u"cmdOK"_s));

    if (how == u"button")
        about->findChild<QPushButton*>(u"cmdOK"_s)->click();
    else if (how == u"enter")
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    else if (how == u"escape")
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    else
        about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(main.isVisible());
    QVERIFY(about.isNull());
}

void TestHelp::aboutOpenerShowsBoxBeforeHidingMainWindow()
{
    QWidget main;
    main.show();
    // When the main window goes, the box must already be on screen.
    bool boxVisibleWhenMainHid = false;
    frmAbout* about = nullptr;
    class HideWatch : public QObject
    {
    public:
        std::function<void()> onHide;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Hide) onHide();
            return false;
        }
    } watch;
    watch.onHide = [&] {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget* w : windows) {
            if (qobject_cast<frmAbout*>(w) && w->isVisible()) boxVisibleWhenMainHid = true;
        }
    };
    main.installEventFilter(&watch);

    about = frmAbout::openFor(main);

    QVERIFY(boxVisibleWhenMainHid);
    QVERIFY(main.isHidden());
    main.removeEventFilter(&watch);
    delete about;
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
