// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QLocale;
class QTranslator;

// The program's texts in the user's language, for as long as this object lives: Korvel's own
// catalogue for the locale, and then Qt's for the same language, so the file dialog, the message
// box buttons and the serial port's error texts speak it too. A language Korvel has no catalogue
// for keeps every text as the sources write it, Qt's included: one window never mixes two languages.
class Translations
{
public:
    static constexpr auto kFolderName = "translations";

    Translations(const QLocale& locale, const QString& applicationDir);
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // Beside the executable in a build tree, else ../share/korvel/translations as installed.
    static QString folder(const QString& applicationDir);
    // The catalogues installed, by file name ("korvel_de.qm", "qtbase_de.qm").
    QStringList loaded() const;

private:
    bool install(const QLocale& locale, const QString& name, const QString& folder);

    std::vector<std::unique_ptr<QTranslator>> m_translators;
};
