#pragma once

#include <QString>

/// Runs a shell script with administrator rights through polkit's `pkexec`:
/// one authentication for the whole script.
///
/// `pkexec` is looked up on the search path at most once per process. Called
/// on the main thread; blocks while the authentication dialog is up and the
/// script runs. Fails soft: the outcome says what happened.
class AdministratorShell {
public:
    enum class Outcome {
        Succeeded, ///< the script ran and exited with 0
        Cancelled, ///< the user dismissed the authentication dialog
        Failed,    ///< no pkexec, not authorised, or the script failed
    };

    /// Runs `/bin/sh -c script` as administrator and waits for it.
    static Outcome run(const QString& script);
};
