#pragma once

#include <QString>

/// Offers, once per launch, to move the running application bundle into an
/// Applications folder and to relaunch it from there.
///
/// Called by the application delegate before launching finishes, on the
/// main thread. Returns when nothing is moved (asked never to again, already
/// installed, declined, authentication cancelled) and after telling the user
/// that the move failed; in every other case it ends the process with
/// status 0, leaving the relaunch of the moved copy to a shell.
void offerToMoveToApplicationsFolder();

/// Moves the item into the Trash; logs "ERROR -- Could not trash '…'" and
/// returns false when that fails.
bool moveItemToTrash(const QString& path);

/// The text in single quotes, every "'" written as "'\''", so that /bin/sh
/// reads it back as one word.
QString quoteForShell(const QString& text);
