#include "DelegateFixture.h"

#include "TestEnvironment.h"
#include "core/UserDefaults.h"

#include <QCoreApplication>

void DelegateFixture::TearDown()
{
    drainEvents();
    delegate.reset();
}

UserDefaults& DelegateFixture::defaults()
{
    return UserDefaults::standard();
}

TolvaneApertureAppDelegate& DelegateFixture::makeDelegate(const QVariantMap& stored)
{
    auto store = std::make_shared<UserDefaults>(TestEnvironment::makeScratchDir("prefs") +
                                                "/org.tolvane.Tolvane.plist");
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        store->setValue(it.value(), it.key());
    UserDefaults::setStandard(store);
    delegate = std::make_unique<TolvaneApertureAppDelegate>();
    TolvaneApertureAppDelegate::Outlets outlets;
    outlets.window = &window;
    outlets.selectedLabel = &selectedLabel;
    outlets.statusLabel = &statusLabel;
    outlets.countLabel = &countLabel;
    outlets.progressIndicator = &progress;
    outlets.selectionScanButton = &scanButton;
    outlets.fixedSizePanel = &fixedSizePanel;
    outlets.fixedLengthTextField = &lengthField;
    outlets.fixedWidthTextField = &widthField;
    outlets.keywordCustomizationPanel = &keywordPanel;
    outlets.openPanel = &openPanel;
    delegate->setOutlets(outlets);
    return *delegate;
}

void DelegateFixture::drainEvents()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}
