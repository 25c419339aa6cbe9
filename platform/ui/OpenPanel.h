#pragma once

#include <QString>
#include <QUrl>

/// A modal panel that lets the user choose a file or folder. Main thread
/// only; runModal() returns when the panel is closed.
class OpenPanel {
public:
    /// The panel's responses.
    static constexpr int Cancel = 0;
    static constexpr int OK = 1;

    struct Options {
        QString title;
        QString message;
        bool canChooseFiles = true;
        bool canChooseDirectories = false;
        bool canCreateDirectories = false;
        /// The folder the panel starts in; empty for the panel's own choice.
        QString directory;
    };

    virtual ~OpenPanel() = default;
    /// Runs the panel; on OK stores the chosen item's URL in `chosen`.
    virtual int runModal(const Options& options, QUrl* chosen) = 0;
};
