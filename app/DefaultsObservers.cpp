#include "DefaultsObservers.h"

#include "core/UserDefaults.h"

#include <QMetaObject>
#include <QObject>

DefaultsObservers::DefaultsObservers(UserDefaults& defaults, QObject* context)
    : m_defaults(defaults), m_context(context)
{}

DefaultsObservers::~DefaultsObservers()
{
    for (int token : m_tokens)
        m_defaults.removeObserver(token);
}

void DefaultsObservers::observe(const QString& key, std::function<void()> show)
{
    QObject* context = m_context;
    m_tokens.push_back(m_defaults.addObserver(
        key, UserDefaults::Initial,
        [context, show](const QString&, UserDefaults&, const UserDefaults::Change&) {
            // Direct on the context's own thread, queued from any other.
            QMetaObject::invokeMethod(context, show, Qt::AutoConnection);
        }));
}
