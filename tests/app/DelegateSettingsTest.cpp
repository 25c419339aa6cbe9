#include "DelegateFixture.h"

#include "core/UserDefaults.h"

#include <QThread>

#include <atomic>

namespace {

class DelegateSettings : public DelegateFixture {};

TEST_F(DelegateSettings, storedTrashOptionIsAppliedSilentlyAndWarnsOnlyWhenTurnedOn)
{
    auto& d = makeDelegate({{"TrashEnabled", true}});
    EXPECT_TRUE(d.trashEnabled());
    EXPECT_TRUE(window.alertSheets().empty());

    defaults().setValue(false, "TrashEnabled");
    EXPECT_FALSE(d.trashEnabled());
    EXPECT_TRUE(window.alertSheets().empty());

    defaults().setValue(true, "TrashEnabled");
    EXPECT_TRUE(d.trashEnabled());
    const auto sheets = window.alertSheets();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].messageText, "Trash Option Side Effects.");
    EXPECT_EQ(sheets[0].buttons, QStringList{"OK"});
    EXPECT_TRUE(sheets[0].informativeText.startsWith("Be aware that by using the trash option"));
    EXPECT_TRUE(sheets[0].informativeText.contains("with stacks.  Then manually"));
    EXPECT_TRUE(sheets[0].informativeText.endsWith("move the rejected items to trash"));
    EXPECT_EQ(sheets[0].informativeText.count("\n\n"), 3);
}

TEST_F(DelegateSettings, outputSizeChoicesSetScaleOrFixedSize)
{
    auto& d = makeDelegate({{"JpegOutputSize", qint64(2)}});
    EXPECT_FLOAT_EQ(d.scaleFactor(), 0.5f);
    EXPECT_FALSE(d.fixedSize());
    defaults().setValue(qint64(4), "JpegOutputSize");
    EXPECT_TRUE(d.fixedSize());
    EXPECT_FLOAT_EQ(d.scaleFactor(), 0.5f);
    defaults().setValue(qint64(1), "JpegOutputSize");
    EXPECT_FALSE(d.fixedSize());
    EXPECT_FLOAT_EQ(d.scaleFactor(), 0.75f);
    defaults().setValue(qint64(3), "JpegOutputSize");
    EXPECT_FLOAT_EQ(d.scaleFactor(), 0.25f);
    defaults().setValue(qint64(9), "JpegOutputSize");
    EXPECT_FLOAT_EQ(d.scaleFactor(), 1.0f);
    EXPECT_FALSE(d.fixedSize());
}

TEST_F(DelegateSettings, processingOptionIsComparedAsUnsigned)
{
    auto& d = makeDelegate();
    defaults().setValue(qint64(3), "ProcessingOption");
    EXPECT_TRUE(d.rawJpegMode());
    EXPECT_EQ(d.jpegOutputSetttingsBoxText(), "Extracted Image Output Settings");
    defaults().setValue(qint64(7), "ProcessingOption");
    EXPECT_TRUE(d.rawJpegMode());
    EXPECT_EQ(d.jpegOutputSetttingsBoxText(), "Extracted Image Output Settings");
    EXPECT_EQ(d.processingOption(), 7);
    defaults().setValue(qint64(1), "ProcessingOption");
    EXPECT_FALSE(d.rawJpegMode());
    EXPECT_EQ(d.jpegOutputSetttingsBoxText(), "JPEG Output Settings");
    defaults().setValue(qint64(-1), "ProcessingOption");
    EXPECT_FALSE(d.rawJpegMode());
    EXPECT_EQ(d.jpegOutputSetttingsBoxText(), "JPEG Output Settings");
    EXPECT_EQ(d.processingOption(), -1);
}

TEST_F(DelegateSettings, objectSettingsReadFromAnotherThreadAreAlwaysWhole)
{
    auto& d = makeDelegate();
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    QThread* reader = QThread::create([&] {
        while (!stop) {
            const double q = d.compressionFactor().toDouble();
            if (q != 0.25 && q != 0.8 && q != 0.9)
                ++bad;
            const QUrl folder = d.referencedFolder();
            if (!folder.isEmpty() && !folder.path().startsWith("/photos/out"))
                ++bad;
            const qint64 side = d.longSize().toLongLong();
            if (side != 0 && side != 1920 && side != 4096)
                ++bad;
        }
    });
    reader->start();
    for (int i = 0; i < 300; ++i) {
        d.setCompressionFactor(i % 2 ? 0.25 : 0.9);
        d.setReferencedFolder(QUrl::fromLocalFile(QStringLiteral("/photos/out%1").arg(i)));
        d.setLongSize(qint64(i % 2 ? 1920 : 4096));
    }
    stop = true;
    reader->wait();
    delete reader;
    EXPECT_EQ(bad.load(), 0);
}

} // namespace
