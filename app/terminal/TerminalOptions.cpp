#include "TerminalOptions.h"

#include "TolvaneSettings.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

struct Switch {
    const char* on;
    const char* off;
    QLatin1StringView key;
};
constexpr Switch kSwitches[] = {
    {"--tag", "--no-tag", TolvaneSettings::TagEnabled},
    {"--hide", "--no-hide", TolvaneSettings::HideEnabled},
    {"--trash", "--no-trash", TolvaneSettings::TrashEnabled},
    {"--albums", "--no-albums", TolvaneSettings::AlbumEnabled},
    {"--only-smaller", "--allow-larger", TolvaneSettings::OnlySmallerFiles},
};

struct TextFlag {
    const char* flag;
    QLatin1StringView key;
};
constexpr TextFlag kKeywordFlags[] = {
    {"--parent-keywords", TolvaneSettings::ParentKeywords},
    {"--originals-keyword", TolvaneSettings::OriginalsKeyword},
    {"--processed-keyword", TolvaneSettings::ProcessedKeyword},
    {"--extracted-raw-keyword", TolvaneSettings::ExtractedRawKeyword},
    {"--extracted-jpeg-keyword", TolvaneSettings::ExtractedJpegKeyword},
    {"--separated-keyword", TolvaneSettings::ExtractedSeparatedKeyword},
};

constexpr const char* kValueFlags[] = {
    "--option", "--quality", "--size", "--long-side", "--short-side", "--referenced", "--sample",
};

bool takesValue(const QString& arg)
{
    for (const char* flag : kValueFlags) {
        if (arg == QLatin1String(flag))
            return true;
    }
    for (const TextFlag& flag : kKeywordFlags) {
        if (arg == QLatin1String(flag.flag))
            return true;
    }
    return false;
}

struct CrashFlag {
    const char* flag;
    TerminalOptions::CrashReportAction action;
};
constexpr CrashFlag kCrashFlags[] = {
    {"--send-crash-report", TerminalOptions::CrashReportAction::Send},
    {"--ignore-crash-report", TerminalOptions::CrashReportAction::Ignore},
    {"--discard-crash-report", TerminalOptions::CrashReportAction::Discard},
};

bool parseWhole(const QString& text, qint64 low, qint64 high, qint64* out)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        return false;
    *out = value;
    return true;
}

} // namespace

TerminalOptions TerminalOptions::parse(const QStringList& arguments)
{
    TerminalOptions options;
    const auto fail = [&options](const QString& why) {
        options.error = why;
        return options;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.helpRequested = true;
            continue;
        }
        const auto crashFlag =
            std::find_if(std::begin(kCrashFlags), std::end(kCrashFlags),
                         [&arg](const CrashFlag& f) { return arg == QLatin1String(f.flag); });
        if (crashFlag != std::end(kCrashFlags)) {
            if (options.crashReportAction != CrashReportAction::None &&
                options.crashReportAction != crashFlag->action)
                return fail(QStringLiteral("%1: only one crash report flag at a time").arg(arg));
            options.crashReportAction = crashFlag->action;
            continue;
        }
        bool matched = false;
        for (const Switch& s : kSwitches) {
            if (arg == QLatin1String(s.on) || arg == QLatin1String(s.off)) {
                options.overrides.insert(QLatin1String(s.key), arg == QLatin1String(s.on));
                matched = true;
            }
        }
        if (arg == QLatin1String("--estimate")) {
            options.estimate = true;
            continue;
        }
        if (arg == QLatin1String("--no-referenced")) {
            options.overrides.insert(TolvaneSettings::ExternallyReferenced, false);
            matched = true;
        }
        if (matched)
            continue;
        if (!takesValue(arg))
            return fail(QStringLiteral("unknown option %1 (see --help)").arg(arg));
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1 needs a value").arg(arg));
        const QString value = arguments[++i];
        qint64 number = 0;
        if (arg == QLatin1String("--option")) {
            if (!parseWhole(value, 0, TolvaneSettings::OptionCount - 1, &number))
                return fail(QStringLiteral("--option takes 0 to 4, not \"%1\"").arg(value));
            options.overrides.insert(TolvaneSettings::ProcessingOption, number);
        } else if (arg == QLatin1String("--quality")) {
            bool ok = false;
            const double quality = value.toDouble(&ok);
            // Written so that NaN, which fails every comparison, is refused too.
            if (!ok || !(quality >= 0.0 && quality <= 1.0))
                return fail(QStringLiteral("--quality takes 0.0 to 1.0, not \"%1\"").arg(value));
            options.overrides.insert(TolvaneSettings::JpegQuality, quality);
        } else if (arg == QLatin1String("--size")) {
            // In the order of the stored output sizes.
            static const QStringList choices = {QStringLiteral("100"), QStringLiteral("75"),
                                                QStringLiteral("50"), QStringLiteral("25"),
                                                QStringLiteral("fixed")};
            const qsizetype choice = choices.indexOf(value);
            if (choice < 0)
                return fail(
                    QStringLiteral("--size takes 100, 75, 50, 25 or fixed, not \"%1\"").arg(value));
            options.overrides.insert(TolvaneSettings::JpegOutputSize, qint64(choice));
        } else if (arg == QLatin1String("--long-side") || arg == QLatin1String("--short-side")) {
            if (!parseWhole(value, 1, 1000000, &number))
                return fail(
                    QStringLiteral("%1 takes a number of pixels, not \"%2\"").arg(arg, value));
            const bool isLong = arg == QLatin1String("--long-side");
            options.overrides.insert(
                isLong ? TolvaneSettings::LongSide : TolvaneSettings::ShortSide, number);
            options.overrides.insert(
                isLong ? TolvaneSettings::LongLocked : TolvaneSettings::ShortLocked, true);
            options.overrides.insert(TolvaneSettings::JpegOutputSize,
                                     qint64(TolvaneSettings::OutputSize::Fixed));
        } else if (arg == QLatin1String("--sample")) {
            if (!parseWhole(value, 1, std::numeric_limits<int>::max(), &number))
                return fail(
                    QStringLiteral("--sample takes a number of images, not \"%1\"").arg(value));
            options.sampleSize = number;
        } else if (arg == QLatin1String("--referenced")) {
            if (!QFileInfo(value).isDir())
                return fail(QStringLiteral("--referenced: %1 is not a folder").arg(value));
            options.referencedFolder = QFileInfo(value).absoluteFilePath();
            options.overrides.insert(TolvaneSettings::ExternallyReferenced, true);
        } else {
            for (const TextFlag& flag : kKeywordFlags) {
                if (arg == QLatin1String(flag.flag))
                    options.overrides.insert(QLatin1String(flag.key), value);
            }
        }
    }
    if (options.sampleSize > 0 && !options.estimate)
        return fail(QStringLiteral("--sample goes with --estimate"));
    // A lone locked side must leave the other unlocked, as the window's lock
    // rule would.
    if (options.overrides.contains(TolvaneSettings::LongLocked) !=
        options.overrides.contains(TolvaneSettings::ShortLocked)) {
        const bool longGiven = options.overrides.contains(TolvaneSettings::LongLocked);
        options.overrides.insert(
            longGiven ? TolvaneSettings::ShortLocked : TolvaneSettings::LongLocked, false);
    }
    return options;
}

QString TerminalOptions::helpText(const QString& program)
{
    return QStringLiteral(
               "Usage: %1 [options]\n"
               "\n"
               "Processes the images selected in the photo library with the settings of the\n"
               "Tolvane window. Each option below changes one setting for this run only.\n"
               "\n"
               "  --option N               0 convert RAW to JPEG keeping adjustments,\n"
               "                           1 convert without adjustments,\n"
               "                           2 split RAW+JPEG pairs keeping both,\n"
               "                           3 keeping the RAW, 4 keeping the JPEG\n"
               "  --quality Q              JPEG quality, 0.0 to 1.0\n"
               "  --size S                 100, 75, 50 or 25 (per cent) or fixed\n"
               "  --long-side PX           fixed size: limit the long side (locks it)\n"
               "  --short-side PX          fixed size: limit the short side (locks it)\n"
               "  --tag, --no-tag          keyword originals and new images\n"
               "  --hide, --no-hide        reject (hide) the originals\n"
               "  --trash, --no-trash      move the originals to the library's trash\n"
               "  --albums, --no-albums    put new images into their originals' albums\n"
               "  --only-smaller, --allow-larger\n"
               "                           replace an original only by a smaller JPEG\n"
               "                           (on unless turned off)\n"
               "  --referenced DIR         keep the JPEGs in DIR, referenced by the library\n"
               "  --no-referenced          keep the JPEGs inside the library\n"
               "  --parent-keywords TEXT   parent keywords, comma-separated\n"
               "  --originals-keyword TEXT, --processed-keyword TEXT,\n"
               "  --extracted-raw-keyword TEXT, --extracted-jpeg-keyword TEXT,\n"
               "  --separated-keyword TEXT the keyword texts\n"
               "  --convert-again          convert originals the journal records as\n"
               "                           converted already (skipped by default)\n"
               "  --repair                 only finish or undo what interrupted runs left\n"
               "  --estimate               measure the space a conversion would free,\n"
               "                           changing nothing in the library\n"
               "  --sample N               estimate from N images evenly spread over the\n"
               "                           selection, extrapolated (default: every image)\n"
               "  --help                   this text\n"
               "\n"
               "After a crash, the next start names the new crash log; instead of running,\n"
               "  --send-crash-report      sends it to the crash report address\n"
               "  --ignore-crash-report    leaves it to be offered again next time\n"
               "  --discard-crash-report   moves it to the Trash\n"
               "\n"
               "Each run and estimate writes a report (CSV) of what became of every image;\n"
               "its path is printed at the end.\n"
               "\n"
               "The exit status is 0 when the run reached its end, 1 when it stopped early\n"
               "(nothing selected, library not running, ...) or a crash report could not be\n"
               "sent or discarded, and 2 for bad options.\n")
        .arg(program);
}
