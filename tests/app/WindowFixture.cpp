#include "WindowFixture.h"

#include "TestEnvironment.h"
#include "core/UserDefaults.h"

#include <QCoreApplication>

void WindowFixture::TearDown()
{
    drainEvents();
    controller.reset();
}

UserDefaults& WindowFixture::defaults()
{
    return UserDefaults::standard();
}

MainWindowController& WindowFixture::open(const QVariantMap& stored)
{
    auto store = std::make_shared<UserDefaults>(TestEnvironment::makeScratchDir("prefs") +
                                                "/org.tolvane.Tolvane.plist");
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        store->setValue(it.value(), it.key());
    UserDefaults::setStandard(store);
    controller = std::make_unique<MainWindowController>();
    controller->showWindow();
    return *controller;
}

void WindowFixture::drainEvents()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}
