#include "Localization.h"

#include "Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>
#include <QTranslator>

#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<QTranslator>>& installed()
{
    static std::vector<std::unique_ptr<QTranslator>> translators;
    return translators;
}

// "MoveApplication_de.qm" → "MoveApplication": the table is the name up to
// the first underscore; the rest names the language.
QSet<QString> tableNames(const QString& folder)
{
    QSet<QString> names;
    const QStringList files = QDir(folder).entryList({QStringLiteral("*_*.qm")}, QDir::Files);
    for (const QString& file : files)
        names.insert(file.section(QLatin1Char('_'), 0, 0));
    return names;
}

} // namespace

int Localization::install(const QString& translationsFolder, const QLocale& locale)
{
    for (const auto& translator : installed())
        QCoreApplication::removeTranslator(translator.get());
    installed().clear();
    for (const QString& table : tableNames(translationsFolder)) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(locale, table, QStringLiteral("_"), translationsFolder))
            continue;
        QCoreApplication::installTranslator(translator.get());
        installed().push_back(std::move(translator));
    }
    return static_cast<int>(installed().size());
}

QString Localization::bundleTranslationsFolder()
{
    return Bundle::main().resourcePath() + QStringLiteral("/translations");
}

QString Localization::localizedString(const char* englishText)
{
    return QCoreApplication::translate(mainTable, englishText);
}
