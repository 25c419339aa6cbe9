#include "DelegateFixture.h"

#include "core/UserDefaults.h"

namespace {

class FixedSize : public DelegateFixture {
protected:
    TolvaneApertureAppDelegate& launch(const QVariantMap& stored)
    {
        auto& d = makeDelegate(stored);
        d.awakeFromNib();
        return d;
    }
    qint64 stored(const char* key) { return defaults().integerForKey(key); }
    bool storedFlag(const char* key) { return defaults().boolForKey(key); }
};

TEST_F(FixedSize, unlockingLongBlanksItAndLockingRestoresIt)
{
    auto& d = launch({{"ShortSide", qint64(1080)},
                      {"LongSide", qint64(1920)},
                      {"ShortLocked", true},
                      {"LongLocked", true}});
    d.setLongLocked(false);
    EXPECT_EQ(d.longSize().toLongLong(), 0);
    EXPECT_EQ(d.shortSize().toLongLong(), 1080);
    EXPECT_TRUE(d.shortLocked());
    EXPECT_FALSE(d.longLocked());
    EXPECT_EQ(stored("LongSide"), 1920); // a blank is never saved
    EXPECT_FALSE(storedFlag("LongLocked"));

    d.setLongLocked(true);
    EXPECT_EQ(d.longSize().toLongLong(), 1920);
    EXPECT_TRUE(storedFlag("LongLocked"));
}

TEST_F(FixedSize, unlockingTheOnlyLockedSideSwapsTheSides)
{
    auto& d = launch({{"ShortSide", qint64(1080)},
                      {"LongSide", qint64(1920)},
                      {"ShortLocked", true},
                      {"LongLocked", false}});
    EXPECT_EQ(d.longSize().toLongLong(), 0);
    d.setShortLocked(false);
    EXPECT_EQ(d.shortSize().toLongLong(), 0);
    EXPECT_TRUE(d.longLocked());
    EXPECT_EQ(d.longSize().toLongLong(), 1920);
    EXPECT_FALSE(storedFlag("ShortLocked"));
    EXPECT_TRUE(storedFlag("LongLocked"));
    EXPECT_EQ(stored("ShortSide"), 1080);
    // Editing commits what is being typed in both fields first.
    EXPECT_GT(widthField.endEditingCalls(), 0);
    EXPECT_GT(lengthField.endEditingCalls(), 0);
}

TEST_F(FixedSize, typedZeroIsHeldButNotSaved)
{
    auto& d = launch({{"LongSide", qint64(1920)}, {"LongLocked", true}});
    d.setLongSize(qint64(0));
    EXPECT_EQ(d.longSize().toLongLong(), 0);
    EXPECT_EQ(stored("LongSide"), 1920);
    d.setLongSize(qint64(2048));
    EXPECT_EQ(stored("LongSide"), 2048);
}

TEST_F(FixedSize, storedLocksThatBreakTheRuleComeOutLongUnlockedShortLocked)
{
    auto& d = launch({{"ShortSide", qint64(1080)},
                      {"LongSide", qint64(1920)},
                      {"ShortLocked", false},
                      {"LongLocked", false}});
    EXPECT_FALSE(d.longLocked());
    EXPECT_TRUE(d.shortLocked());
    EXPECT_EQ(d.longSize().toLongLong(), 0);
    EXPECT_EQ(d.shortSize().toLongLong(), 1080);
}

TEST_F(FixedSize, fixedSizeFollowsTheStoredChoiceAfterLaunch)
{
    auto& fixed = launch({{"JpegOutputSize", qint64(4)}});
    EXPECT_TRUE(fixed.fixedSize());
    delegate.reset();
    auto& scaled = launch({{"JpegOutputSize", qint64(2)}});
    EXPECT_FALSE(scaled.fixedSize());
    EXPECT_FLOAT_EQ(scaled.scaleFactor(), 0.5f);
}

} // namespace
