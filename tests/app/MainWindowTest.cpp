#include "WindowFixture.h"

#include "TolvaneApertureAppDelegate.h"
#include "core/UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

namespace {

class MainWindow : public WindowFixture {};

TEST_F(MainWindow, processingChoiceWritesItsKeyAndTheDelegateAndBoxFollow)
{
    open({{"ProcessingOption", qint64(0)}});
    find<QRadioButton>("extractRawRadio")->click();
    EXPECT_EQ(defaults().integerForKey("ProcessingOption"), 3);
    EXPECT_EQ(delegate().processingOption(), 3);
    EXPECT_TRUE(delegate().rawJpegMode());
    EXPECT_EQ(find<QGroupBox>("outputBox")->title(), "Extracted Image Output Settings");
    // Split pairs are not encoded: quality and size are out of play.
    EXPECT_FALSE(find<QSlider>("qualitySlider")->isEnabled());
    EXPECT_TRUE(find<QCheckBox>("externallyReferencedCheck")->isEnabled());

    find<QRadioButton>("convertWithoutAdjustmentsRadio")->click();
    EXPECT_EQ(defaults().integerForKey("ProcessingOption"), 1);
    EXPECT_EQ(delegate().processingOption(), 1);
    EXPECT_EQ(find<QGroupBox>("outputBox")->title(), "JPEG Output Settings");
    EXPECT_TRUE(find<QSlider>("qualitySlider")->isEnabled());
}

TEST_F(MainWindow, switchesWriteTheirKeysAndTheDelegateFollows)
{
    open({{"AlbumEnabled", false},
          {"ExternallyReferenced", false},
          {"TagEnabled", false},
          {"HideEnabled", false}});
    const struct {
        const char* box;
        const char* key;
        bool (TolvaneApertureAppDelegate::*property)() const;
    } switches[] = {
        {"albumCheck", "AlbumEnabled", &TolvaneApertureAppDelegate::albumEnabled},
        {"externallyReferencedCheck", "ExternallyReferenced",
         &TolvaneApertureAppDelegate::externallyReferenced},
        {"tagCheck", "TagEnabled", &TolvaneApertureAppDelegate::tagEnabled},
        {"hideCheck", "HideEnabled", &TolvaneApertureAppDelegate::hideEnabled},
    };
    for (const auto& s : switches) {
        auto* box = find<QCheckBox>(s.box);
        EXPECT_FALSE(box->isChecked()) << s.box;
        box->click();
        EXPECT_TRUE(defaults().boolForKey(s.key)) << s.key;
        EXPECT_TRUE((delegate().*s.property)()) << s.key;
        box->click();
        EXPECT_FALSE(defaults().boolForKey(s.key)) << s.key;
        EXPECT_FALSE((delegate().*s.property)()) << s.key;
    }
}

TEST_F(MainWindow, theSmallerFilesSwitchWritesItsKeyAndIsOutOfPlayForSplitPairs)
{
    open({{"OnlySmallerFiles", true}, {"ProcessingOption", qint64(1)}});
    auto* box = find<QCheckBox>("onlySmallerCheck");
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(box->isEnabled());
    box->click();
    EXPECT_FALSE(defaults().boolForKey("OnlySmallerFiles"));
    defaults().setValue(true, "OnlySmallerFiles");
    EXPECT_TRUE(box->isChecked());
    find<QRadioButton>("separateBothRadio")->click();
    EXPECT_FALSE(box->isEnabled());
}

TEST_F(MainWindow, estimateFollowsTheScanButtonAndTheReportButtonOpensUpOnceARunWroteOne)
{
    open();
    auto* estimate = find<QPushButton>("estimateButton");
    auto* report = find<QPushButton>("openReportButton");
    EXPECT_TRUE(estimate->isEnabled());
    EXPECT_FALSE(report->isEnabled());
    delegate().setScanButtonEnabled(false);
    drainEvents();
    EXPECT_FALSE(estimate->isEnabled());
    EXPECT_FALSE(find<QPushButton>("selectionScanButton")->isEnabled());
    delegate().runReportWritten("/state/Tolvane/reports/2026-12-06-154207-run.csv");
    delegate().setScanButtonEnabled(true);
    drainEvents();
    EXPECT_TRUE(estimate->isEnabled());
    EXPECT_TRUE(report->isEnabled());
    EXPECT_EQ(delegate().lastReportPath(), "/state/Tolvane/reports/2026-12-06-154207-run.csv");
}

TEST_F(MainWindow, keysChangedElsewhereShowInTheControlsWithoutBeingWrittenBack)
{
    open({{"ProcessingOption", qint64(0)},
          {"JpegQuality", 0.8},
          {"JpegOutputSize", qint64(0)},
          {"TagEnabled", true}});
    int qualityWrites = 0;
    const int token = defaults().addObserver(
        "JpegQuality", UserDefaults::New,
        [&](const QString&, UserDefaults&, const UserDefaults::Change&) { ++qualityWrites; });

    defaults().setValue(qint64(2), "ProcessingOption");
    defaults().setValue(0.3, "JpegQuality");
    defaults().setValue(qint64(3), "JpegOutputSize");
    defaults().setValue(false, "TagEnabled");
    defaults().removeObserver(token);

    EXPECT_TRUE(find<QRadioButton>("separateBothRadio")->isChecked());
    EXPECT_EQ(find<QSlider>("qualitySlider")->value(), 30);
    EXPECT_EQ(find<QLabel>("qualityValueLabel")->text(), "0.30");
    EXPECT_EQ(find<QComboBox>("outputSizeCombo")->currentIndex(), 3);
    EXPECT_FALSE(find<QCheckBox>("tagCheck")->isChecked());
    EXPECT_EQ(qualityWrites, 1); // the slider did not echo the change
    EXPECT_FLOAT_EQ(delegate().scaleFactor(), 0.25f);
}

TEST_F(MainWindow, fixedSizeChoiceOpensTheSheetAndAScaleChoiceLeavesFixedSize)
{
    open({{"JpegOutputSize", qint64(2)},
          {"LongSide", qint64(1920)},
          {"LongLocked", true},
          {"ShortLocked", false}});
    auto* sizes = find<QComboBox>("outputSizeCombo");
    auto* sheet = controller->fixedSizePanel();
    EXPECT_EQ(sizes->currentIndex(), 2);
    EXPECT_FALSE(sheet->isVisible());

    QTest::keyClick(sizes, Qt::Key_End); // the fixed size, last in the list
    EXPECT_EQ(defaults().integerForKey("JpegOutputSize"), 4);
    EXPECT_TRUE(delegate().fixedSize());
    EXPECT_FLOAT_EQ(delegate().scaleFactor(), 0.5f);
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(find<QLabel>("fixedSizeSummaryLabel")->text(), "long side 1920 px");

    find<QPushButton>("doneButton")->click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(delegate().fixedSize());

    QTest::keyClick(sizes, Qt::Key_Up); // 25 %
    EXPECT_EQ(defaults().integerForKey("JpegOutputSize"), 3);
    EXPECT_FALSE(delegate().fixedSize());
    EXPECT_FLOAT_EQ(delegate().scaleFactor(), 0.25f);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(find<QLabel>("fixedSizeSummaryLabel")->text().isEmpty());
}

TEST_F(MainWindow, keywordButtonOpensAPanelOfItsOwnWhoseFieldsEditTheKeys)
{
    open({{"OriginalsKeyword", "Tolvane Original"}, {"ProcessedKeyword", "Tolvane Processed"}});
    auto* panel = controller->keywordCustomizationPanel();
    find<QPushButton>("keywordsButton")->click();
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    auto* originals = find<QLineEdit>("originalsKeywordField");
    EXPECT_EQ(originals->text(), "Tolvane Original");
    originals->selectAll();
    QTest::keyClicks(originals, "Kept RAW");
    EXPECT_EQ(defaults().stringForKey("OriginalsKeyword"), "Tolvane Original"); // still typing
    QTest::keyClick(originals, Qt::Key_Return); // commits, and Close is the default
    EXPECT_EQ(defaults().stringForKey("OriginalsKeyword"), "Kept RAW");
    EXPECT_FALSE(panel->isVisible());

    // Text still being typed is not lost when the panel is closed.
    find<QPushButton>("keywordsButton")->click();
    ASSERT_TRUE(panel->isVisible());
    auto* processed = find<QLineEdit>("processedKeywordField");
    processed->selectAll();
    QTest::keyClicks(processed, "Small JPEG");
    find<QPushButton>("closeButton")->click();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(defaults().stringForKey("ProcessedKeyword"), "Small JPEG");

    defaults().setValue(QStringLiteral("Photos,Tolvane"), "ParentKeywords");
    EXPECT_EQ(find<QLineEdit>("parentKeywordsField")->text(), "Photos,Tolvane");
}

} // namespace
