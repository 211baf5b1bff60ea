// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

Translations::Translations(const QLocale& locale, const QString& applicationDir)
{
    if (!install(locale, u"korvel"_s, folder(applicationDir))) return;
    // Qt's catalogues are taken for the language Korvel's own was found for: a German Korvel under
    // de_AT gets Qt's German, where Qt's Austrian one (if there were any) would be a surprise.
    const QString found = m_translators.front()->language();
    const QLocale language = found.isEmpty() ? locale : QLocale(found);
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& name : {u"qtbase"_s, u"qtserialport"_s})
        install(language, name, qtFolder);
}

Translations::~Translations()
{
    for (const auto& translator : m_translators)
        QCoreApplication::removeTranslator(translator.get());
}

QString Translations::folder(const QString& applicationDir)
{
    const QString beside = applicationDir + u'/' + QLatin1StringView(kFolderName);
    if (QFileInfo(beside).isDir()) return beside;
    return QDir::cleanPath(applicationDir + u"/../share/korvel/"_s + QLatin1StringView(kFolderName));
}

QStringList Translations::loaded() const
{
    QStringList names;
    for (const auto& translator : m_translators)
        names.append(QFileInfo(translator->filePath()).fileName());
    return names;
}

bool Translations::install(const QLocale& locale, const QString& name, const QString& folder)
{
    auto translator = std::make_unique<QTranslator>();
    // Tries name_de_DE.qm, then name_de.qm, for each of the locale's languages in turn.
    if (!translator->load(locale, name, u"_"_s, folder) || !QCoreApplication::installTranslator(translator.get()))
        return false;
    m_translators.push_back(std::move(translator));
    return true;
}
