#pragma once

#include <QString>

/// The user's own e-mail address, as the desktop knows it: the address of
/// the default profile in KDE's identity settings
/// (`$XDG_CONFIG_HOME/emaildefaults`, group `PROFILE_Default`, key
/// `EmailAddress`), else the `EMAIL` variable that mail programs honour.
/// Empty when neither gives one. Any thread.
class OwnEmailAddress {
public:
    static QString primary();
};
