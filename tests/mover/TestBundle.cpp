#include "TestBundle.h"

#include <QDir>
#include <QFile>

namespace {

const char* const kInfo = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>CFBundleName</key>
	<string>Tolvane</string>
	<key>CFBundleExecutable</key>
	<string>Tolvane</string>
	<key>CFBundleIdentifier</key>
	<string>org.tolvane.Tolvane</string>
</dict>
</plist>
)";

bool write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

bool makeSkeleton(const QString& path)
{
    return QDir().mkpath(path + "/Contents/MacOS") && QDir().mkpath(path + "/Contents/Resources") &&
           write(path + "/Contents/Info.plist", kInfo) &&
           write(path + "/Contents/Resources/notes.txt", "resource\n");
}

QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace("'", "'\\''");
    return "'" + quoted + "'";
}

} // namespace

QString TestBundle::executable(const QString& path)
{
    return path + "/Contents/MacOS/Tolvane";
}

bool TestBundle::make(const QString& path, const QString& markerPath)
{
    const QString script = "#!/bin/sh\necho \"$0\" >> " + shellQuoted(markerPath) + "\n";
    return makeSkeleton(path) && write(executable(path), script.toUtf8()) &&
           QFile::setPermissions(executable(path), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadGroup |
                                                       QFile::ExeGroup | QFile::ReadOther |
                                                       QFile::ExeOther);
}

bool TestBundle::makeSleeping(const QString& path)
{
    return makeSkeleton(path) && QFile::copy("/bin/sleep", executable(path));
}
