#pragma once

#include <QString>

/// Makes a folder unwritable for this process while it exists: for the
/// administrator, who may write anywhere, by the immutable flag; for other
/// users by its permissions.
class ProtectedFolder {
public:
    explicit ProtectedFolder(QString path);
    ~ProtectedFolder();
    ProtectedFolder(const ProtectedFolder&) = delete;
    ProtectedFolder& operator=(const ProtectedFolder&) = delete;

    bool isProtected() const;
    /// Shell commands that lift and restore the protection, for a stand-in
    /// that grants administrator rights.
    QString liftCommand() const;
    QString restoreCommand() const;

private:
    QString m_path;
};
