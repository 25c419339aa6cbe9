#include "WhenShown.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

WhenShown::WhenShown(std::function<void(QWidget*)> handler) : m_handler(std::move(handler))
{
    QCoreApplication::instance()->installEventFilter(this);
}

WhenShown::~WhenShown()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool WhenShown::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Show || !widget || !widget->isWindow())
        return false;
    ++m_shown;
    // Queued, so the handler runs inside the loop the window itself runs.
    QPointer<QWidget> window(widget);
    QMetaObject::invokeMethod(
        this,
        [this, window] {
            if (window)
                m_handler(window);
        },
        Qt::QueuedConnection);
    return false;
}
