#include "TestEnvironment.h"

#ifdef TOLVANE_HAVE_IMAGEIO
#include "imageio/ImageIO.h"
#endif

#ifdef TOLVANE_TEST_GUI
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    TestEnvironment::setUp();
#ifdef TOLVANE_TEST_GUI
    // Widgets tests need no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
#ifdef TOLVANE_HAVE_IMAGEIO
    ImageIO::initialize();
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
