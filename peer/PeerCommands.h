#pragma once

#include <QStringList>

/// The command line of `photolib`, the stand-in photo library application:
///
///   photolib create LIB
///   photolib import LIB PATH... --project NAME [--reference]
///   photolib album LIB NAME [ID...]
///   photolib select LIB (--all | --none | --project NAME | --album NAME | ID...)
///   photolib stack LIB ID ID...
///   photolib adjust LIB ID [--exposure STOPS] [--rotation DEGREES]
///   photolib show LIB
///   photolib sample LIB [--seed N] [--count N] [--pairs N] [--max-megapixels MP]
///                       [--albums N] [--projects N] [--bare N] [--text-dates N]
///                       [--reference-dir DIR]
///   photolib serve LIB [--bus-name NAME] [test options]
///   photolib empty-trash LIB
///   photolib restore LIB PROJECT_ID
///   photolib calls [--bus-name NAME]
///
/// LIB is a folder NAME.aplibrary. Each command that changes the library
/// does so in one transaction (an import in one per master). Runs on the
/// main thread of a QCoreApplication; returns the exit status: 0 done,
/// 1 failed (the reason on standard error), 2 bad usage.
class PeerCommands {
public:
    static int run(const QStringList& arguments);
    static QString usage();
};
