#pragma once

#include <QString>
#include <QVariant>

/// An application bundle laid out as `NAME.app/Contents/{MacOS,Resources}`
/// with `Contents/Info.plist`.
///
/// The main bundle is found from the running executable: when it lies in
/// `Contents/MacOS` the bundle is the folder two levels up. Tests and tools
/// whose executables live elsewhere name the bundle with setMainBundlePath().
/// Immutable after construction; the main bundle may be read from any thread.
class Bundle {
public:
    explicit Bundle(QString bundlePath);

    static const Bundle& main();
    static void setMainBundlePath(const QString& bundlePath);

    QString bundlePath() const { return m_path; }
    QString resourcePath() const;
    QString executablePath() const;
    QVariantMap infoDictionary() const { return m_info; }
    QVariant objectForInfoDictionaryKey(const QString& key) const { return m_info.value(key); }
    QString bundleIdentifier() const;
    /// CFBundleName; where the Info.plist names none (a program run from
    /// outside a bundle), the file name of the running executable.
    QString bundleName() const;
    /// The path of resource `name.type`, or an empty string when it is absent.
    QString pathForResource(const QString& name, const QString& type) const;

private:
    QString m_path;
    QVariantMap m_info;
};
