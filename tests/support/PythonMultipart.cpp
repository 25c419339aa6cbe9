#include "PythonMultipart.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

// Reads "Content-Type" + blank line + body from stdin; prints the parts as
// JSON, contents in base64 so any bytes survive; fails on any defect the
// parser notes.
const char* kScript = R"PY(
import base64, json, sys
from email import message_from_bytes, policy
data = sys.stdin.buffer.read()
msg = message_from_bytes(data, policy=policy.HTTP)
if not msg.is_multipart():
    sys.exit("not multipart")
defects = list(msg.defects)
parts = []
for part in msg.iter_parts():
    defects += part.defects
    parts.append({
        "name": part.get_param("name", header="content-disposition"),
        "filename": part.get_filename() or "",
        "content": base64.b64encode(part.get_payload(decode=True) or b"").decode(),
    })
if defects:
    sys.exit("defects: " + ", ".join(type(d).__name__ for d in defects))
print(json.dumps(parts))
)PY";

} // namespace

PythonMultipart PythonMultipart::parse(const QByteArray& body, const QByteArray& boundary)
{
    PythonMultipart result;
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(kScript)});
    if (!python.waitForStarted()) {
        result.error = QStringLiteral("python3 did not start");
        return result;
    }
    python.write("Content-Type: multipart/form-data; boundary=\"" + boundary + "\"\r\n\r\n");
    python.write(body);
    python.closeWriteChannel();
    python.waitForFinished(30000);
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        result.error = QString::fromUtf8(python.readAllStandardError());
        return result;
    }
    const QJsonArray parts = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    for (const QJsonValue& value : parts) {
        const QJsonObject part = value.toObject();
        const QString name = part.value(QStringLiteral("name")).toString();
        result.order.append(name);
        result.parts.insert(name,
                            Part{part.value(QStringLiteral("filename")).toString(),
                                 QByteArray::fromBase64(
                                     part.value(QStringLiteral("content")).toString().toLatin1())});
    }
    result.ok = true;
    return result;
}
