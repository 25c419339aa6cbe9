#pragma once

#include <QLocale>
#include <QString>

/// The application's localization tables: Qt translation files keyed by the
/// English text, one context per table.
///
/// The build compiles each `resources/translations/<Table>_<language>.ts`
/// into `<bundle>/Contents/Resources/translations/<Table>_<language>.qm`.
/// install() loads, for the locale given, every table found there; a table
/// or an entry without a translation falls back to the English key. To add a
/// table, add its .ts file to the list in resources/CMakeLists.txt and look
/// its texts up with QCoreApplication::translate("<Table>", "English text").
/// Main thread, at start (and in tests that switch locale).
class Localization {
public:
    /// Context of the application's main table.
    static constexpr const char* mainTable = "Localizable";

    /// Replaces the installed tables by those for `locale`; returns how
    /// many tables were loaded.
    static int install(const QString& translationsFolder, const QLocale& locale = QLocale());
    /// The folder of the main bundle's compiled tables.
    static QString bundleTranslationsFolder();
    /// A text of the main table.
    static QString localizedString(const char* englishText);
};
