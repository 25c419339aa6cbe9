#pragma once

#include "ui/OpenPanel.h"

class QWidget;

/// Open panels as file dialogs: the "Export To" folder choice and the
/// request for read access to a library.
///
/// runModal() shows an application-modal dialog titled with the options'
/// title, the message above the file list, starting in
/// the options' folder, and returns when it is closed: OK with the chosen
/// item's URL, or Cancel. Files, folders or both may be chosen as the
/// options say; when both are allowed, Open on a selected folder chooses it
/// (a double click still enters it). New folders can be made only when the
/// options allow it. The dialog is Qt's own, the same on every desktop, so
/// the message is always shown. Main thread only (asserted).
class FileDialogOpenPanel : public OpenPanel {
public:
    /// Dialogs are centred on `parent` (may be null).
    explicit FileDialogOpenPanel(QWidget* parent = nullptr);

    int runModal(const Options& options, QUrl* chosen) override;

private:
    QWidget* m_parent;
};
