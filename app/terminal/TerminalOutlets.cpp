#include "TerminalOutlets.h"

#include <QFileInfo>

#include <optional>

namespace {
// Nothing at the end of the input.
std::optional<QString> readLine(std::FILE* in)
{
    char buffer[4096];
    if (!std::fgets(buffer, sizeof buffer, in))
        return std::nullopt;
    return QString::fromLocal8Bit(buffer).trimmed();
}
} // namespace

TerminalOutlets::TerminalOutlets(TerminalDisplay& display, std::FILE* in, QString presetFolder)
    : m_selected(display, Label::Role::Plain), m_status(display, Label::Role::Status),
      m_count(display, Label::Role::FileName), m_progress(display), m_window(display),
      m_presenter(display, in), m_panel(display, in, std::move(presetFolder))
{}

void TerminalOutlets::Label::setStringValue(const QString& text)
{
    m_text = text;
    if (m_role == Role::Status)
        m_display.setStatus(text);
    else if (m_role == Role::FileName)
        m_display.setFileName(text);
}

void TerminalOutlets::Progress::setMaxValue(double value)
{
    m_max = value;
    m_display.setProgressMax(value);
}

void TerminalOutlets::Progress::setDoubleValue(double value)
{
    m_value = value;
    m_display.setProgressValue(value);
}

void TerminalOutlets::SheetWindow::beginAlertSheet(const Alert& alert)
{
    titles.append(alert.messageText);
    m_display.printAlert(alert.messageText, alert.informativeText);
}

int TerminalOutlets::Presenter::runModal(const Alert& alert)
{
    titles.append(alert.messageText);
    m_display.printAlert(alert.messageText, alert.informativeText);
    if (m_display.isInteractive() && m_in) {
        std::fprintf(stdout, "Press Enter to continue. ");
        std::fflush(stdout);
        readLine(m_in);
    }
    return Alert::FirstButtonReturn;
}

int TerminalOutlets::PathPanel::answerUnasked(const Options& options, QUrl* chosen)
{
    // The folder given on the command line answers the output question;
    // read access is granted by whoever runs us.
    const QString answer = options.canChooseFiles ? options.directory : m_presetFolder;
    if (answer.isEmpty()) {
        if (!options.canChooseFiles)
            explainMissingOutputFolder();
        return Cancel;
    }
    if (chosen)
        *chosen = QUrl::fromLocalFile(answer);
    return OK;
}

void TerminalOutlets::PathPanel::explainMissingOutputFolder()
{
    m_display.printNote(
        QStringLiteral("Nothing was processed: no folder was chosen for the externally referenced "
                       "JPEGs (give one with --referenced DIR, or --no-referenced)."));
}

int TerminalOutlets::PathPanel::runModal(const Options& options, QUrl* chosen)
{
    if (!m_display.isInteractive() || !m_in || m_inputEnded)
        return answerUnasked(options, chosen);
    if (!m_presetFolder.isEmpty() && !options.canChooseFiles) {
        if (chosen)
            *chosen = QUrl::fromLocalFile(m_presetFolder);
        return OK;
    }
    m_display.printAlert(options.title, options.message);
    std::fprintf(stdout, "Path (empty to cancel): ");
    std::fflush(stdout);
    const std::optional<QString> line = readLine(m_in);
    if (!line) {
        // Nobody can answer any more: a question that insists would be
        // asked forever, so it is answered as without a terminal.
        m_inputEnded = true;
        m_display.breakLine();
        return answerUnasked(options, chosen);
    }
    const QString path = *line;
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        if (!options.canChooseFiles)
            explainMissingOutputFolder();
        return Cancel;
    }
    if (chosen)
        *chosen = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    return OK;
}
