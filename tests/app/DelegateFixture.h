#pragma once

#include "RecordingButton.h"
#include "RecordingOpenPanel.h"
#include "RecordingPanel.h"
#include "RecordingProgressIndicator.h"
#include "RecordingTextField.h"
#include "RecordingWindow.h"
#include "TolvaneApertureAppDelegate.h"

#include <gtest/gtest.h>

#include <QVariantMap>

#include <memory>

/// A delegate on a fresh, private defaults store, wired to recording outlets.
/// `stored` is put into the persistent domain before the delegate is made.
class DelegateFixture : public testing::Test {
protected:
    void TearDown() override;
    TolvaneApertureAppDelegate& makeDelegate(const QVariantMap& stored = {});
    UserDefaults& defaults();
    /// Lets queued main-thread work run.
    static void drainEvents();

    RecordingWindow window;
    RecordingTextField selectedLabel, statusLabel, countLabel, lengthField, widthField;
    RecordingProgressIndicator progress;
    RecordingButton scanButton;
    RecordingPanel fixedSizePanel, keywordPanel;
    RecordingOpenPanel openPanel;
    std::unique_ptr<TolvaneApertureAppDelegate> delegate;
};
