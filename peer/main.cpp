// photolib: the stand-in photo library application. A command-line tool
// that creates and fills libraries and, with `serve`, a daemon that answers
// the scripting interface on the session bus.

#include "PeerCommands.h"

#include <QCoreApplication>

#include <exiv2/exiv2.hpp>
#include <vips/vips8>

int main(int argc, char** argv)
{
    // Both libraries must be set up once, before any other thread starts.
    if (VIPS_INIT(argv[0]))
        vips_error_exit("cannot start libvips");
    Exiv2::XmpParser::initialize();
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("photolib"));
    const int status = PeerCommands::run(QCoreApplication::arguments().mid(1));
    Exiv2::XmpParser::terminate();
    vips_shutdown();
    return status;
}
