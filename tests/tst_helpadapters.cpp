// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/helpviewerwindow.h"
#include "platform/qtlauncher.h"
#include "platform/xdgassociations.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

class TestHelpAdapters : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void commandFromExec_data();
    void commandFromExec();
    void defaultFromXdgMime();
    void textEditorSkipsTerminalEntriesThenTriesPath();
    void launcherRefusesWhatCannotStart();
    void viewerShowsHelpFileAndNamesAMissingOne();

private:
    // A stand-in for xdg-mime that names this desktop id as the default for every type.
    QString fakeXdgMime(const QString& desktopId);
    QString write(const QString& relative, const QByteArray& content, bool executable = false);

    QTemporaryDir m_dir;
    QByteArray m_savedPath;
};

QString TestHelpAdapters::write(const QString& relative, const QByteArray& content, bool executable)
{
    const QString path = m_dir.path() + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(content);
    file.close();
    if (executable) file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

QString TestHelpAdapters::fakeXdgMime(const QString& desktopId)
{
    return write(u"xdg-mime-"_s + desktopId, "#!/bin/sh\necho " + desktopId.toLatin1() + "\n", true);
}

void TestHelpAdapters::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Everything the lookup reads lives in the temporary folder, so the machine's own desktop set-up
    // cannot change the answers.
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + u"/config"_s).toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", (m_dir.path() + u"/etc-xdg"_s).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (m_dir.path() + u"/data"_s).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", (m_dir.path() + u"/usr-share"_s).toLocal8Bit());
    qputenv("XDG_CURRENT_DESKTOP", "Test");
    m_savedPath = qgetenv("PATH");
    qputenv("PATH", (m_dir.path() + u"/bin"_s).toLocal8Bit());
    for (const char* name : {"viewer", "flatpak", "mousepad", "gedit", "vim"})
        QVERIFY(!write(u"bin/"_s + QLatin1StringView(name), "#!/bin/sh\n", true).isEmpty());
    QVERIFY(!write(u"My Apps/ed"_s, "#!/bin/sh\n", true).isEmpty());
    // The MIME database is found through XDG_DATA_DIRS as well; lend it the machine's.
    QDir().mkpath(m_dir.path() + u"/usr-share"_s);
    QFile::link(u"/usr/share/mime"_s, m_dir.path() + u"/usr-share/mime"_s);
}

void TestHelpAdapters::cleanupTestCase()
{
    qputenv("PATH", m_savedPath);
}

void TestHelpAdapters::commandFromExec_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("argv"); // what the command splits into; "<tmp>" is the temporary folder

    QTest::newRow("program on PATH, field code dropped") << u"viewer %U"_s << QStringList{u"<tmp>/bin/viewer"_s};
    QTest::newRow("absolute path with blanks, quoted")
        << u"\"<tmp>/My Apps/ed\" --new-window %F"_s << QStringList{u"<tmp>/My Apps/ed"_s, u"--new-window"_s};
    QTest::newRow("flatpak markers dropped")
        << u"flatpak run --branch=stable org.gnome.TextEditor @@u %U @@"_s
        << QStringList{u"<tmp>/bin/flatpak"_s, u"run"_s, u"--branch=stable"_s, u"org.gnome.TextEditor"_s};
    QTest::newRow("percent sign and escaped quote")
        << u"viewer --zoom=100%% \"say \\\"hi\\\"\" %f"_s
        << QStringList{u"<tmp>/bin/viewer"_s, u"--zoom=100%"_s, u"say \"hi\""_s};
    QTest::newRow("program not installed") << u"nosuchviewer %f"_s << QStringList{};
    QTest::newRow("absolute program missing") << u"/nonexistent/viewer %f"_s << QStringList{};
    QTest::newRow("only a field code") << u"%f"_s << QStringList{};
}

void TestHelpAdapters::commandFromExec()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, argv);
    exec.replace(u"<tmp>"_s, m_dir.path());
    argv.replaceInStrings(u"<tmp>"_s, m_dir.path());

    QCOMPARE(XdgAssociations::commandFromExec(exec), argv);
}

void TestHelpAdapters::defaultFromXdgMime()
{
    write(u"data/applications/viewer.desktop"_s, "[Desktop Entry]\nName=V\nExec=viewer --page=1 %f\n"
                                                 "[Desktop Action New]\nExec=other\n");
    write(u"usr-share/applications/gone.desktop"_s, "[Desktop Entry]\nExec=nosuchprogram %f\n");
    const QString manual = write(u"korvel/documents/bas52man_.pdf"_s, "%PDF-1.4\n");
    if (QMimeDatabase().mimeTypeForFile(manual).name() != u"application/pdf")
        QSKIP("This machine has no MIME database (shared-mime-info)");

    QCOMPARE(XdgAssociations(fakeXdgMime(u"viewer.desktop"_s)).commandFor(manual),
             (QStringList{m_dir.path() + u"/bin/viewer"_s, u"--page=1"_s}));
    // An entry whose program is missing, an entry that is not there, a path for an id: nothing.
    QCOMPARE(XdgAssociations(fakeXdgMime(u"gone.desktop"_s)).commandFor(manual), QStringList());
    QCOMPARE(XdgAssociations(fakeXdgMime(u"missing.desktop"_s)).commandFor(manual), QStringList());
    QCOMPARE(XdgAssociations(fakeXdgMime(u"../applications/viewer.desktop"_s)).commandFor(manual), QStringList());
    QCOMPARE(XdgAssociations(u"/nonexistent/xdg-mime"_s).commandFor(manual), QStringList());
}

void TestHelpAdapters::textEditorSkipsTerminalEntriesThenTriesPath()
{
    write(u"data/applications/vim.desktop"_s, "[Desktop Entry]\nExec=vim %F\nTerminal=true\n");
    write(u"usr-share/applications/mousepad.desktop"_s, "[Desktop Entry]\nExec=mousepad %U\n");

    // vim needs a terminal, so the first usual editor on PATH is taken: gedit comes before mousepad.
    QCOMPARE(XdgAssociations(fakeXdgMime(u"vim.desktop"_s)).textEditor(), QStringList{m_dir.path() + u"/bin/gedit"_s});
    QCOMPARE(XdgAssociations(fakeXdgMime(u"mousepad.desktop"_s)).textEditor(),
             QStringList{m_dir.path() + u"/bin/mousepad"_s});
}

void TestHelpAdapters::launcherRefusesWhatCannotStart()
{
    QtLauncher launcher;
    QString error;
    QVERIFY(!launcher.startDetached(QString(), {u"x"_s}, &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!launcher.startDetached(m_dir.path() + u"/bin/does-not-exist"_s, {}, &error));
    QVERIFY(!error.isEmpty());
}

void TestHelpAdapters::viewerShowsHelpFileAndNamesAMissingOne()
{
    QWidget owner;
    HelpViewerWindow viewer;
    const QString missing = m_dir.path() + u"/no dir/korvel.hlp"_s;

    viewer.showHelp(&owner, missing);
    QTextBrowser* window = viewer.window();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QVERIFY2(window->toPlainText().contains(missing), qPrintable(window->toPlainText()));

    const QString helpFile = write(
        u"app/korvel.hlp"_s, "<html><body><h1>Guide</h1><h2><a name=\"contents\"></a>Contents</h2></body></html>");
    viewer.showHelp(&owner, helpFile);
    QCOMPARE(viewer.window(), window); // one window, reused
    QVERIFY(window->toPlainText().contains(u"Contents"_s));
    QVERIFY(!window->toPlainText().contains(u"<h1>"_s)); // read as HTML despite the .hlp name

    // The viewer window goes with its owner.
    delete window;
    QVERIFY(!viewer.window());
}

QTEST_MAIN(TestHelpAdapters)
#include "tst_helpadapters.moc"
