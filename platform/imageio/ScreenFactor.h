#pragma once

#include <QList>

/// Pixels per point of the screens (the counterpart of a screen's backing
/// scale factor): Qt's device pixel ratio of each screen.
///
/// Without a QGuiApplication (a terminal tool, the tests) or without screens
/// there are no factors. Callable from any thread: the screens are read on
/// the main thread, which must be running its event loop when another thread
/// asks.
class ScreenFactor {
public:
    /// The factor of every screen, in Qt's order of the screens.
    static QList<double> screenFactors();
    /// The largest factor, never below 1.0.
    static double largest();
};
