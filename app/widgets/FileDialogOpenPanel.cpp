#include "FileDialogOpenPanel.h"

#include "core/MainThread.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace {
// A file dialog that, when asked to, also takes a selected folder as the
// answer instead of entering it.
class ItemFileDialog : public QFileDialog {
public:
    ItemFileDialog(QWidget* parent, bool foldersToo) : QFileDialog(parent), m_foldersToo(foldersToo)
    {}

    void accept() override
    {
        const QStringList items = selectedFiles();
        if (m_foldersToo && items.size() == 1 && QFileInfo(items.first()).isDir()) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

private:
    const bool m_foldersToo;
};
} // namespace

FileDialogOpenPanel::FileDialogOpenPanel(QWidget* parent) : m_parent(parent) {}

int FileDialogOpenPanel::runModal(const Options& options, QUrl* chosen)
{
    Q_ASSERT(MainThread::isCurrent());
    // The file dialog is embedded in a dialog of ours, which puts the
    // message above it.
    QDialog panel(m_parent);
    panel.setWindowTitle(options.title);
    panel.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&panel);

    auto* message = new QLabel(options.message, &panel);
    message->setObjectName(QStringLiteral("openPanelMessage"));
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    message->setVisible(!options.message.isEmpty());
    layout->addWidget(message);

    const bool foldersToo = options.canChooseFiles && options.canChooseDirectories;
    auto* files = new ItemFileDialog(&panel, foldersToo);
    files->setWindowFlags(Qt::Widget);
    files->setOption(QFileDialog::DontUseNativeDialog);
    files->setOption(QFileDialog::ReadOnly, !options.canCreateDirectories);
    if (options.canChooseDirectories && !options.canChooseFiles) {
        files->setFileMode(QFileDialog::Directory);
        files->setOption(QFileDialog::ShowDirsOnly);
    } else {
        files->setFileMode(QFileDialog::ExistingFile);
    }
    files->setAcceptMode(QFileDialog::AcceptOpen);
    files->setLabelText(QFileDialog::Accept, QStringLiteral("Open"));
    if (!options.directory.isEmpty())
        files->setDirectory(options.directory);
    layout->addWidget(files);
    QObject::connect(files, &QDialog::finished, &panel, &QDialog::done);

    if (panel.exec() != QDialog::Accepted)
        return Cancel;
    const QList<QUrl> urls = files->selectedUrls();
    if (urls.isEmpty())
        return Cancel;
    if (chosen)
        *chosen = urls.first();
    return OK;
}
