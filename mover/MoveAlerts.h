#pragma once

#include <QString>

/// The alerts of the move offer: the question whether to move, with its
/// check box for never asking again, and the message that the move failed.
///
/// Application-modal message boxes, main thread only, shown before the main
/// window; each returns when the user has answered.
class MoveAlerts {
public:
    struct Answer {
        bool move = false;
        bool suppressFromNowOn = false;
    };

    /// Asks with "Move to Applications Folder" (the default) and "Do Not
    /// Move" (also Escape); activates the application first.
    static Answer askToMove(const QString& messageText, const QString& informativeText);
    /// "Could not move to Applications folder", with an OK button.
    static void showFailure();
};
