#pragma once

#include "MainWindowController.h"

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QVariantMap>

#include <memory>

class UserDefaults;

/// The real main window on a fresh, private defaults store, loaded the way
/// the application loads it. `stored` is put into the persistent domain
/// before the window is loaded.
class WindowFixture : public testing::Test {
protected:
    void TearDown() override;
    MainWindowController& open(const QVariantMap& stored = {});
    UserDefaults& defaults();
    TolvaneApertureAppDelegate& delegate() { return controller->delegate(); }
    /// A widget of the window or of one of its panels, by object name.
    template <class T> T* find(const char* name)
    {
        T* widget = controller->window()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    /// Lets queued main-thread work run.
    static void drainEvents();

    std::unique_ptr<MainWindowController> controller;
};
