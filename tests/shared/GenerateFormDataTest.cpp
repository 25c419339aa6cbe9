// The multipart body byte for byte: parts by kind, CRLFs, the final
// boundary line, and what an illegal value leaves behind.
#include "GenerateFormData.h"
#include "TestEnvironment.h"
#include "core/SystemLog.h"

#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(GenerateFormData, writesEachKindOfValueAsItsPartWithCrlfsAndTheClosingBoundary)
{
    const QString path =
        TestEnvironment::makeScratchDir(QStringLiteral("form")) + QStringLiteral("/a.crash");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("line\r\n\0end", 10);
    file.close();

    SystemLog::Capture log;
    const QVariantMap values{
        {QStringLiteral("a"), QStringLiteral("tëxt")},
        {QStringLiteral("b"), true},
        {QStringLiteral("c"), qint64(-42)},
        {QStringLiteral("d"), QUrl::fromLocalFile(path)},
        {QStringLiteral("e"), QUrl(QStringLiteral("https://example.org/x"))},
        {QStringLiteral("f"), false},
    };
    const QByteArray expected =
        "--B\r\n"
        "Content-Disposition: form-data; name=\"a\"\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\n"
        "t\xc3\xabxt\r\n"
        "--B\r\n"
        "Content-Disposition: form-data; name=\"b\"\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\n"
        "1\r\n"
        "--B\r\n"
        "Content-Disposition: form-data; name=\"c\"\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\n"
        "-42\r\n"
        "--B\r\n"
        "Content-Disposition: form-data; name=\"d\"; filename=\"a.crash\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n" +
        QByteArray("line\r\n\0end", 10) +
        "\r\n"
        "--B\r\n"
        "\r\n"
        "--B\r\n"
        "Content-Disposition: form-data; name=\"f\"\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\n"
        "0\r\n"
        "--B--\r\n";
    EXPECT_EQ(GenerateFormData(values, QStringLiteral("B")), expected);
    EXPECT_TRUE(log.contains(QStringLiteral("VostCrashReporterError: formValues contained illegal "
                                            "object https://example.org/x of class QUrl")));
    EXPECT_EQ(GenerateFormData({}, QStringLiteral("B")), "--B--\r\n");
    EXPECT_THROW(GenerateFormData(values, QString()), std::invalid_argument);
}

TEST(GenerateFormData, cutsAFileLargerThanTheLimitAndSaysSo)
{
    const QString path =
        TestEnvironment::makeScratchDir(QStringLiteral("form")) + QStringLiteral("/big.crash");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(maxFileBytes() + 1000));
    file.close();

    const QByteArray body = GenerateFormData(
        {{QStringLiteral("crashLog"), QUrl::fromLocalFile(path)}}, QStringLiteral("B"));
    const QByteArray note = QStringLiteral("\n[cut: the first %1 of %2 bytes]\n")
                                .arg(maxFileBytes())
                                .arg(maxFileBytes() + 1000)
                                .toUtf8();
    EXPECT_TRUE(body.endsWith(QByteArray(note + "\r\n--B--\r\n")));
    EXPECT_LT(body.size(), maxFileBytes() + 400);
}

} // namespace
