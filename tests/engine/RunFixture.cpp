#include "RunFixture.h"

#include "TestEnvironment.h"
#include "core/Bundle.h"
#include "core/PropertyList.h"
#include "core/UserDefaults.h"
#include "ui/ModalAlert.h"

#include <QDir>

void RunFixture::SetUp()
{
    auto store = std::make_shared<UserDefaults>(TestEnvironment::makeScratchDir("prefs") +
                                                "/org.tolvane.Tolvane.plist");
    const auto registered =
        PropertyList::readDictionaryFile(Bundle::main().pathForResource("UserDefaults", "plist"));
    ASSERT_TRUE(registered);
    store->registerDefaults(*registered);
    UserDefaults::setStandard(store);
    ModalAlert::setPresenter(&modal);
    // Each test has a work folder of its own.
    m_workFolder = TestEnvironment::makeScratchDir("work");
    qputenv("TMPDIR", m_workFolder.toUtf8());
}

void RunFixture::TearDown()
{
    ModalAlert::setPresenter(nullptr);
    m_session.reset();
}

bool RunFixture::startLibrary(const QStringList& serveOptions, const QStringList& sampleOptions)
{
    m_session = std::make_unique<PeerSession>();
    if (!m_session->start(sampleOptions, serveOptions)) {
        ADD_FAILURE() << m_session->problem().toStdString();
        return false;
    }
    photolib({"select", m_session->library(), "--all"});
    m_original = selection();
    return !m_original.isEmpty();
}

void RunFixture::photolib(const QStringList& arguments) const
{
    int code = -1;
    QString errors;
    PeerProcess::run(arguments, &code, &errors);
    EXPECT_EQ(code, 0) << arguments.join(' ').toStdString() << ": " << errors.toStdString();
}

QJsonObject RunFixture::version(const QString& id) const
{
    return PeerProcess::versionIn(library(), id);
}

QStringList RunFixture::selection() const
{
    return PeerProcess::idsIn(library(), "selection");
}

QList<QJsonObject> RunFixture::newVersions() const
{
    QList<QJsonObject> found;
    for (const QJsonValue& value : library().value("versions").toArray()) {
        const QJsonObject version = value.toObject();
        if (!m_original.contains(version.value("id").toString()))
            found.append(version);
    }
    return found;
}

QStringList RunFixture::keywordNames(const QJsonObject& version)
{
    QStringList names;
    for (const QJsonValue& keyword : version.value("keywords").toArray())
        names.append(keyword.toObject().value("name").toString());
    return names;
}

QString RunFixture::tagValue(const QJsonObject& version, const QString& list, const QString& name)
{
    for (const QJsonValue& tag : version.value(list).toArray()) {
        if (tag.toObject().value("name").toString() == name)
            return tag.toObject().value("value").toVariant().toString();
    }
    return QString();
}

QStringList RunFixture::workFolderEntries() const
{
    return QDir(m_workFolder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

void RunFixture::expectWindowGivenBack() const
{
    EXPECT_EQ(delegate.buttonStates(), (std::vector<bool>{false, true}));
    EXPECT_EQ(delegate.lastStatus(), "Ready");
    EXPECT_EQ(delegate.lastCount(), "");
    EXPECT_EQ(delegate.lastProgress(), 0);
    EXPECT_FALSE(delegate.nowProcessing());
}
