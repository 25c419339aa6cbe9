#pragma once

#include <QString>
#include <QStringList>

/// What an alert shows: a title line (message text), the explanation
/// (informative text), its buttons in order and a style. A plain value.
struct Alert {
    enum class Style { Warning, Informational, Critical };
    /// The response of the first button, as alerts number them.
    static constexpr int FirstButtonReturn = 1000;

    QString messageText;
    QString informativeText;
    QStringList buttons;
    Style style = Style::Warning;
};
