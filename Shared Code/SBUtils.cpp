#include "SBUtils.h"

#include "RunDelegate.h"
#include "scripting/ScriptingApplication.h"
#include "scripting/ScriptingError.h"
#include "core/Bundle.h"
#include "core/SystemLog.h"

namespace {

const QString kSourceFile = QStringLiteral("Shared Code/SBUtils");

// Issue texts of the log.
const QString kHeightZero = QStringLiteral("Height = 0");
const QString kBadExif = QStringLiteral("Bad EXIF data");
const QString kBadDate = QStringLiteral("Bad Date in EXIF data");
const QString kBadOtherTags = QStringLiteral("Bad Other Tags Data");
const QString kInvalidFilename = QStringLiteral("Invalid Filename");

void log(const QString& line)
{
    SystemLog::log(line);
}

// A value list of one image, or nothing when the application sent none.
std::optional<QVariantList> listOf(const QVariant& value)
{
    if (!value.isValid() || value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    return value.toList();
}

// The list of texts a logged issue entry prints as.
QString describe(const QStringList& issues)
{
    QStringList quoted;
    for (const QString& issue : issues)
        quoted << QLatin1Char('"') + issue + QLatin1Char('"');
    return QLatin1Char('(') + quoted.join(QStringLiteral(", ")) + QLatin1Char(')');
}

} // namespace

SBUtils::SBUtils()
{
    // A run's calls may take long (an export of a large image): wait for
    // every reply however long it takes.
    m_photoApplication.setTimeout(ScriptingApplication::NoTimeout);
    m_photoApplication.setSendMode(ScriptingApplication::WaitForReply);
}

int SBUtils::majorVersion(const QString& version)
{
    const QString first = version.split(QLatin1Char('.')).value(0).trimmed();
    qsizetype digits = 0;
    while (digits < first.size() && first.at(digits).isDigit())
        ++digits;
    return digits == 0 ? 0 : first.left(std::min<qsizetype>(digits, 9)).toInt();
}

QString SBUtils::supportAddress()
{
    const QString address =
        Bundle::main().objectForInfoDictionaryKey(QStringLiteral("TolvaneSupportEmail")).toString();
    return address.isEmpty() ? QStringLiteral("support@tolvane.org") : address;
}

bool SBUtils::versionCheck(bool)
{
    QString version;
    try {
        version = getVersion();
    } catch (const ScriptingError& error) {
        RunDelegate::showModalAlert(
            QStringLiteral("A serious error has occurred in communicating with Aperture.\n%1\n%2")
                .arg(error.name(), error.reason()),
            QStringLiteral("Error"));
        return true;
    }
    log(QStringLiteral("Aperture Version %1").arg(version));
    if (majorVersion(version) != 3) {
        RunDelegate::showModalAlert(
            QStringLiteral(
                "This version of Tolvane is compatible with Aperture Versions 3.x.y only."),
            QStringLiteral("Unsupported Version"));
        return true;
    }
    return false;
}

QList<ApertureImageVersion> SBUtils::getSelection() const
{
    return m_photoApplication.selection();
}

QString SBUtils::getVersion() const
{
    return m_photoApplication.version();
}

bool SBUtils::photoOnline(const ApertureImageVersion& photo) const
{
    return photo.online();
}

void SBUtils::require(bool condition, const char* description) const
{
    if (!condition)
        throw InternalInconsistency(QStringLiteral("Invalid parameter not satisfying: %1 (%2)")
                                        .arg(QString::fromLatin1(description), kSourceFile)
                                        .toStdString());
}

void SBUtils::alertCommunicationProblem() const
{
    RunDelegate::showModalAlert(
        QStringLiteral("A problem was encountered when communication with "
                       "Aperture.  If the problem persists please contact ") +
            supportAddress(),
        QStringLiteral("ERROR"));
}

bool SBUtils::loadData(const QList<ApertureImageVersion>& selection)
{
    const qsizetype n = selection.size();
    // Loading has seven steps on the run's progress display.
    if (m_appDelegate) {
        m_appDelegate->setProgressMaxValue(7);
        m_appDelegate->setProgressValue(0);
    }
    log(QStringLiteral("initializing"));

    m_imagesWithIssues.clear();
    m_issueDescriptors.clear();
    m_selectionList = selection;
    m_sizeList.clear();
    m_idList.clear();
    m_filenameList.clear();
    m_dimsList.clear();
    m_dateList.clear();
    m_hashList.clear();
    m_sizeList.reserve(n);
    m_idList.reserve(n);
    m_filenameList.reserve(n);
    m_dimsList.reserve(n);
    m_dateList.reserve(n);
    m_hashList.reserve(n);

    log(QStringLiteral("Gathering data from Aperture"));
    {
        const auto values = m_photoApplication.valuesForKeys(
            selection, {QStringLiteral("id"), QStringLiteral("height"), QStringLiteral("width")});
        m_idList.clear();
        for (const QVariant& id : values.value(QStringLiteral("id")))
            m_idList.append(id.toString());
        m_heights.clear();
        const QVariantList heights = values.value(QStringLiteral("height"));
        for (const QVariant& height : heights)
            m_heights.append(height.toLongLong());
        log(QStringLiteral("Building dimsList"));
        progress(1);
        buildDims(values.value(QStringLiteral("width")), heights);
    }

    progress(2);
    log(QStringLiteral("Gathering EXIFTags"));
    {
        TagLists exif;
        if (!gatherTags(QStringLiteral("EXIFTags"), exif))
            return false;
        log(QStringLiteral("Building EXIF Data Lists"));
        progress(3);
        buildDates(exif);
    }

    log(QStringLiteral("Gathering otherTags"));
    progress(4);
    {
        TagLists other;
        if (!gatherTags(QStringLiteral("otherTags"), other))
            return false;
        log(QStringLiteral("Building otherTags Lists"));
        progress(5);
        buildOtherTags(other);
    }

    require(m_filenameList.size() == n, "Missing filenames");
    require(m_idList.size() == n, "Missing image ids");
    require(m_dateList.size() == n, "Missing image dates");
    require(m_dimsList.size() == n, "Missing image dims");

    progress(6);
    progress(7);
    reportImageIssues();
    return true;
}

void SBUtils::progress(int step) const
{
    if (m_appDelegate)
        m_appDelegate->setProgressValue(step);
}

bool SBUtils::gatherTags(const QString& kind, TagLists& lists)
{
    const QString valueKey = kind + QStringLiteral(".value");
    const QString nameKey = kind + QStringLiteral(".name");
    const auto values = m_photoApplication.valuesForKeys(m_selectionList, {valueKey, nameKey});
    lists.values = values.value(valueKey);
    lists.names = values.value(nameKey);
    if (lists.values.size() != lists.names.size()) {
        alertCommunicationProblem();
        return false;
    }
    return true;
}

void SBUtils::buildDims(const QVariantList& widths, const QVariantList& heights)
{
    for (qsizetype i = 0; i < m_selectionList.size(); ++i) {
        const qint32 w = static_cast<qint32>(widths.value(i).toLongLong());
        const qint32 h = static_cast<qint32>(heights.value(i).toLongLong());
        if (h != 0) {
            m_dimsList.append(static_cast<float>(static_cast<double>(w) / static_cast<double>(h)));
            continue;
        }
        m_dimsList.append(0.0f);
        logImageIssue(m_selectionList.at(i), kHeightZero);
    }
}

void SBUtils::buildDates(const TagLists& exif)
{
    for (qsizetype i = 0; i < m_selectionList.size(); ++i) {
        const auto values = listOf(exif.values.value(i));
        const auto names = listOf(exif.names.value(i));
        if (!values || !names || values->size() != names->size()) {
            m_dateList.append(QDateTime::currentDateTimeUtc());
            logImageIssue(m_selectionList.at(i), kBadExif);
            continue;
        }
        const qsizetype at = names->indexOf(QStringLiteral("ImageDate"));
        const QVariant date = at >= 0 ? values->at(at) : QVariant();
        if (date.typeId() == QMetaType::QDateTime && date.toDateTime().isValid()) {
            m_dateList.append(date.toDateTime());
            continue;
        }
        m_dateList.append(QDateTime::currentDateTimeUtc());
        logImageIssue(m_selectionList.at(i), kBadDate);
    }
}

void SBUtils::buildOtherTags(const TagLists& other)
{
    for (qsizetype i = 0; i < m_selectionList.size(); ++i) {
        const auto values = listOf(other.values.value(i));
        const auto names = listOf(other.names.value(i));
        m_hashList.append(QString(""));
        if (!values || !names || values->size() != names->size()) {
            m_sizeList.append(0);
            m_filenameList.append(QString(""));
            logImageIssue(m_selectionList.at(i), kBadOtherTags);
            continue;
        }
        const qsizetype sizeAt = names->indexOf(QStringLiteral("FileSize"));
        m_sizeList.append(sizeAt >= 0 ? values->at(sizeAt).toLongLong() : 0);
        const qsizetype nameAt = names->indexOf(QStringLiteral("FileName"));
        if (nameAt >= 0 && values->at(nameAt).isValid()) {
            m_filenameList.append(values->at(nameAt).toString());
            continue;
        }
        m_filenameList.append(QString(""));
        logImageIssue(m_selectionList.at(i), kInvalidFilename);
    }
}

void SBUtils::logImageIssue(const ApertureImageVersion& image, const QString& issue)
{
    const qsizetype at = m_imagesWithIssues.indexOf(image);
    if (at >= 0) {
        m_issueDescriptors[at].append(issue);
        return;
    }
    m_imagesWithIssues.append(image);
    m_issueDescriptors.append(QStringList{issue});
}

void SBUtils::reportImageIssues() const
{
    for (qsizetype k = 0; k < m_imagesWithIssues.size(); ++k) {
        const ApertureImageVersion& image = m_imagesWithIssues.at(k);
        const qsizetype j = m_selectionList.indexOf(image);
        log(QStringLiteral("Issue: %1\n-%2\n-%3 of size %4")
                .arg(image.reference(), describe(m_issueDescriptors.at(k)), m_filenameList.value(j),
                     QString::number(m_sizeList.value(j))));
    }
    log(QStringLiteral("Found %1 images with issues").arg(m_imagesWithIssues.size()));
}
