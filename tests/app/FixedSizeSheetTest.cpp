#include "WindowFixture.h"

#include "TolvaneApertureAppDelegate.h"
#include "core/UserDefaults.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

namespace {

class FixedSizeSheet : public WindowFixture {
protected:
    void openSheet(const QVariantMap& stored)
    {
        open(stored);
        delegate().outputScaleSelect(0);
        ASSERT_TRUE(controller->fixedSizePanel()->isVisible());
        longBox = find<QCheckBox>("longLockedCheck");
        shortBox = find<QCheckBox>("shortLockedCheck");
        longField = find<QLineEdit>("fixedLengthTextField");
        shortField = find<QLineEdit>("fixedWidthTextField");
    }
    static void type(QLineEdit* field, const QString& text)
    {
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    QCheckBox* longBox = nullptr;
    QCheckBox* shortBox = nullptr;
    QLineEdit* longField = nullptr;
    QLineEdit* shortField = nullptr;
};

const QVariantMap kBothLocked = {{"ShortSide", qint64(1080)},
                                 {"LongSide", qint64(1920)},
                                 {"ShortLocked", true},
                                 {"LongLocked", true}};

TEST_F(FixedSizeSheet, lockBoxesKeepTheLockRule)
{
    openSheet(kBothLocked);
    EXPECT_TRUE(longBox->isChecked());
    EXPECT_EQ(longField->text(), "1920");
    EXPECT_EQ(shortField->text(), "1080");
    // Unlocking long blanks it; short stays locked.
    longBox->click();
    EXPECT_FALSE(longBox->isChecked());
    EXPECT_TRUE(longField->text().isEmpty());
    EXPECT_FALSE(longField->isEnabled());
    EXPECT_TRUE(shortBox->isChecked());
    EXPECT_EQ(shortField->text(), "1080");
    EXPECT_EQ(delegate().longSize().toLongLong(), 0);
    EXPECT_EQ(defaults().integerForKey("LongSide"), 1920);

    // Unlocking the only locked side swaps the sides: the box the user did
    // not touch is checked again and its size comes back.
    shortBox->click();
    EXPECT_FALSE(shortBox->isChecked());
    EXPECT_TRUE(shortField->text().isEmpty());
    EXPECT_TRUE(longBox->isChecked());
    EXPECT_EQ(longField->text(), "1920");
    EXPECT_TRUE(longField->isEnabled());
    EXPECT_FALSE(defaults().boolForKey("ShortLocked"));
    EXPECT_TRUE(defaults().boolForKey("LongLocked"));

    // Locking short again restores its last size.
    shortBox->click();
    EXPECT_TRUE(shortBox->isChecked());
    EXPECT_EQ(shortField->text(), "1080");
}

TEST_F(FixedSizeSheet, textBeingTypedIsCommittedBeforeALockChange)
{
    openSheet(kBothLocked);
    type(longField, "3000");
    // Unlocking short commits the long field first, then blanks short.
    shortBox->click();
    EXPECT_EQ(defaults().integerForKey("LongSide"), 3000);
    EXPECT_EQ(longField->text(), "3000");
    EXPECT_TRUE(shortField->text().isEmpty());
}

} // namespace
