#include "TerminalDisplay.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kBarWidth = 24;
}

TerminalDisplay::TerminalDisplay(std::FILE* out, bool interactive)
    : m_out(out), m_interactive(interactive)
{}

void TerminalDisplay::setStatus(const QString& status)
{
    const bool nextItem = status == m_itemStatus && status != m_status;
    m_status = status;
    if (m_interactive) {
        render();
        return;
    }
    // A run announces each image with the status it began the previous one
    // with, before it names the image: that line would carry the previous
    // file's name, so it waits for the new name instead.
    if (nextItem && !m_fileName.isEmpty()) {
        m_itemStatus.clear();
        m_fileName.clear();
        return;
    }
    printPlainLine();
}

void TerminalDisplay::setFileName(const QString& name)
{
    m_fileName = name;
    if (m_interactive) {
        render();
        return;
    }
    // Clearing the name at the end of a run is no step of its own.
    if (name.isEmpty())
        return;
    m_itemStatus = m_status;
    printPlainLine();
}

// Progress alone redraws the bar; plain output shows it with the next
// status or file name, so a log gets one line per step, not per tick.
void TerminalDisplay::setProgressMax(double max)
{
    m_max = max;
    // The value counted against the old maximum (the loading steps) means
    // nothing against the new one until the run sets a value of its own.
    m_valueCurrent = false;
    if (m_interactive)
        render();
}

void TerminalDisplay::setProgressValue(double value)
{
    m_value = value;
    m_valueCurrent = true;
    if (m_interactive)
        render();
}

void TerminalDisplay::breakLine()
{
    if (m_lineOpen) {
        std::fputc('\n', m_out);
        m_lineOpen = false;
    }
}

void TerminalDisplay::printAlert(const QString& title, const QString& text)
{
    breakLine();
    std::fprintf(m_out, "\n== %s ==\n%s\n\n", title.toUtf8().constData(),
                 text.toUtf8().constData());
    std::fflush(m_out);
}

double TerminalDisplay::shownValue() const
{
    return m_valueCurrent ? m_value : 0.0;
}

void TerminalDisplay::printNote(const QString& text)
{
    breakLine();
    std::fprintf(m_out, "%s\n", text.toUtf8().constData());
    std::fflush(m_out);
}

void TerminalDisplay::render()
{
    const double value = shownValue();
    const double fraction = m_max > 0 ? std::clamp(value / m_max, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(std::lround(fraction * kBarWidth));
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('.'));
    QString line = QStringLiteral("[%1] %2/%3  %4  %5")
                       .arg(bar)
                       .arg(value, 0, 'f', 0)
                       .arg(m_max, 0, 'f', 0)
                       .arg(m_status, m_fileName);
    // Erase the rest of the previous, possibly longer, line.
    std::fprintf(m_out, "\r%s\x1b[K", line.toUtf8().constData());
    std::fflush(m_out);
    m_lineOpen = true;
}

void TerminalDisplay::printPlainLine()
{
    QStringList parts;
    const double value = shownValue();
    if (value > 0 && value <= m_max)
        parts << QStringLiteral("[%1/%2]").arg(value, 0, 'f', 0).arg(m_max, 0, 'f', 0);
    if (!m_status.isEmpty())
        parts << m_status;
    if (!m_fileName.isEmpty())
        parts << m_fileName;
    const QString line = parts.join(QLatin1Char(' '));
    // One line per visible change: repeated states are not printed again.
    if (line.isEmpty() || line == m_lastPlain)
        return;
    m_lastPlain = line;
    std::fprintf(m_out, "%s\n", line.toUtf8().constData());
    std::fflush(m_out);
}
