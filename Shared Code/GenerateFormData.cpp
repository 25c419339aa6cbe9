#include "GenerateFormData.h"

#include "core/SystemLog.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <stdexcept>

namespace {

constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;

void appendTextPart(QByteArray& body, const QString& name, const QByteArray& content)
{
    body += "Content-Disposition: form-data; name=\"" + name.toLatin1() + "\"\r\n";
    body += "Content-Type: text/plain; charset=utf-8\r\n";
    body += "\r\n";
    body += content;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SystemLog::log(QStringLiteral("VostCrashReporterError: could not read %1: %2")
                           .arg(path, file.errorString()));
        return {};
    }
    QByteArray bytes = file.read(kMaxFileBytes);
    const qint64 size = file.size();
    if (size > kMaxFileBytes) {
        bytes += QStringLiteral("\n[cut: the first %1 of %2 bytes]\n")
                     .arg(kMaxFileBytes)
                     .arg(size)
                     .toUtf8();
    }
    return bytes;
}

void appendFilePart(QByteArray& body, const QString& name, const QUrl& url)
{
    const QString path = url.toLocalFile();
    body += "Content-Disposition: form-data; name=\"" + name.toLatin1() + "\"; filename=\"" +
            QFileInfo(path).fileName().toUtf8() + "\"\r\n";
    body += "Content-Type: application/octet-stream\r\n";
    body += "\r\n";
    body += fileBytes(path);
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

QByteArray numberText(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? "1" : "0";
    return value.toString().toUtf8();
}

} // namespace

qint64 maxFileBytes()
{
    return kMaxFileBytes;
}

QByteArray GenerateFormData(const QVariantMap& formValues, const QString& boundary)
{
    if (boundary.isEmpty())
        throw std::invalid_argument("Invalid parameter not satisfying: nil != boundary "
                                    "(Shared Code/GenerateFormData)");
    const QByteArray boundaryBytes = boundary.toLatin1();
    QByteArray body;
    for (auto it = formValues.cbegin(); it != formValues.cend(); ++it) {
        const QVariant& value = it.value();
        body += "--" + boundaryBytes + "\r\n";
        if (value.typeId() == QMetaType::QString) {
            appendTextPart(body, it.key(), value.toString().toUtf8());
        } else if (isNumber(value)) {
            appendTextPart(body, it.key(), numberText(value));
        } else if (value.typeId() == QMetaType::QUrl && value.toUrl().isLocalFile()) {
            appendFilePart(body, it.key(), value.toUrl());
        } else {
            SystemLog::log(
                QStringLiteral("VostCrashReporterError: formValues contained illegal object %1 "
                               "of class %2")
                    .arg(value.toString(), QString::fromLatin1(value.typeName())));
        }
        body += "\r\n";
    }
    body += "--" + boundaryBytes + "--\r\n";
    return body;
}
