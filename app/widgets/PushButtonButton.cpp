#include "PushButtonButton.h"

#include "core/MainThread.h"

#include <QAbstractButton>

PushButtonButton::PushButtonButton(QAbstractButton* button) : m_button(button)
{
    Q_ASSERT(m_button);
}

void PushButtonButton::setEnabled(bool enabled)
{
    Q_ASSERT(MainThread::isCurrent());
    m_button->setEnabled(enabled);
}

bool PushButtonButton::isEnabled() const
{
    Q_ASSERT(MainThread::isCurrent());
    return m_button->isEnabled();
}
