#include "ScreenFactor.h"

#include "core/MainThread.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {
QList<double> readScreens()
{
    QList<double> factors;
    for (const QScreen* screen : QGuiApplication::screens())
        factors.append(screen->devicePixelRatio());
    return factors;
}
} // namespace

QList<double> ScreenFactor::screenFactors()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    QList<double> factors;
    MainThread::performAndWait([&factors] { factors = readScreens(); });
    return factors;
}

double ScreenFactor::largest()
{
    double factor = 1.0;
    for (double screen : screenFactors())
        factor = std::max(factor, screen);
    return factor;
}
