// SPDX-License-Identifier: GPL-3.0-or-later
// The window's language: the catalogues built with the program are found beside it (or where the
// package installs them) and loaded for a German locale, with Qt's own after them; any other
// locale keeps every text in English, Qt's included.
#include "fakes.h"
#include "testhelpers.h"

#include "app/form1.h"
#include "board/uploadsetup.h"
#include "platform/translations.h"

#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The build folder, where the program and its translations/ folder are.
const QString kProgramDir = QStringLiteral(KORVEL_PROGRAM_DIR);

QStringList barCaptions(Form1& form)
{
    QStringList captions;
    for (const QAction* action : form.menuBar()->actions())
        captions.append(action->text());
    return captions;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void windowFollowsTheLocale_data();
    void windowFollowsTheLocale();
    void installedLayoutIsFound();
};

void TestTranslations::windowFollowsTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("loaded");
    QTest::addColumn<QStringList>("bar");
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("uploadTitle");
    QTest::addColumn<QString>("qtCancel");

    const QStringList german{"korvel_de.qm", "qtbase_de.qm", "qtserialport_de.qm"};
    const QStringList germanBar{"Datei", "Einstellungen", "Bildschirm löschen", "Speicher", "Reset", "Plot", "?"};
    const QStringList englishBar{"File", "Settings", "Clear Screen", "Memory", "Reset", "Plot", "?"};
    QTest::newRow("German") << "de_DE" << german << germanBar << "Programm speichern"
                            << "Übertragung"
                            << "Abbrechen";
    QTest::newRow("Austrian German") << "de_AT" << german << germanBar << "Programm speichern"
                                     << "Übertragung"
                                     << "Abbrechen";
    QTest::newRow("C") << "C" << QStringList() << englishBar << "Save Program"
                       << "Upload"
                       << "Cancel";
    // Qt speaks French, Korvel does not: the file dialog stays in English with the rest.
    QTest::newRow("French") << "fr_FR" << QStringList() << englishBar << "Save Program"
                            << "Upload"
                            << "Cancel";
}

void TestTranslations::windowFollowsTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, loaded);
    QFETCH(QStringList, bar);
    QFETCH(QString, save);
    QFETCH(QString, uploadTitle);
    QFETCH(QString, qtCancel);

    const Translations translations{QLocale(locale), kProgramDir};
    QCOMPARE(translations.loaded(), loaded);

    FakePlatform fakes;
    Form1 form(fakes.platform());
    QCOMPARE(barCaptions(form), bar);
    QAction* saveAction = findAction(form, "save");
    QVERIFY(saveAction);
    QCOMPARE(saveAction->text(), save);
    // Alt and the first letter still opens the translated menu.
    QVERIFY(findAction(form, "key_f"));
    QCOMPARE(findAction(form, "key_f")->shortcut(), QKeySequence(QStringLiteral("Alt+") + bar.first().left(1)));

    triggerAction(form, "upload");
    auto* dialog = form.findChild<UploadSetup*>();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), uploadTitle);
    dialog->reject();

    QMessageBox box;
    QCOMPARE(box.addButton(QMessageBox::Cancel)->text(), qtCancel);
}

void TestTranslations::installedLayoutIsFound()
{
    // Installed: bin/korvel and share/korvel/translations/, with nothing beside the program.
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString bin = root.filePath("usr/bin");
    const QString installed = root.filePath("usr/share/korvel/translations");
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QDir().mkpath(installed));
    QVERIFY(QFile::copy(kProgramDir + "/translations/korvel_de.qm", installed + "/korvel_de.qm"));

    QCOMPARE(Translations::folder(bin), installed);
    const Translations translations{QLocale("de_DE"), bin};
    QVERIFY(translations.loaded().contains("korvel_de.qm"));
    QCOMPARE(QCoreApplication::translate("Form1", "File"), QStringLiteral("Datei"));
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
