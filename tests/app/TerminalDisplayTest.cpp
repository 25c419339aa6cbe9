#include "TerminalDisplay.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

// Plain output (no terminal) into a temporary file, read back line by line.
class PlainOutput {
public:
    PlainOutput() : m_file(std::tmpfile(), &std::fclose), display(m_file.get(), false) {}
    QStringList lines() const
    {
        std::fflush(m_file.get());
        std::rewind(m_file.get());
        QByteArray text;
        char buffer[512];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file.get())) > 0)
            text.append(buffer, static_cast<qsizetype>(n));
        return QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts);
    }

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_file;

public:
    TerminalDisplay display;
};

// The order in which a run of two images reports: the loading steps count
// against seven, then each image is announced before it is counted and named.
void reportTwoImageRun(TerminalDisplay& display)
{
    display.setStatus("Loading Data");
    display.setProgressMax(7);
    for (int step = 0; step <= 7; ++step)
        display.setProgressValue(step);
    display.setProgressMax(2);
    const char* const names[] = {"A.dng", "B.dng"};
    for (int image = 0; image < 2; ++image) {
        display.setStatus("Processing");
        display.setProgressValue(image + 1);
        display.setFileName(names[image]);
        display.setStatus("Converting");
        display.setStatus("Propagating Metadata");
    }
    display.setFileName("");
    display.setStatus("Ready");
    display.setProgressValue(0);
}

TEST(TerminalDisplay, plainLinesCountImagesAndNameTheImageTheyAreAbout)
{
    PlainOutput out;
    reportTwoImageRun(out.display);
    EXPECT_EQ(out.lines(),
              (QStringList{"Loading Data", "Processing", "[1/2] Processing A.dng",
                           "[1/2] Converting A.dng", "[1/2] Propagating Metadata A.dng",
                           "[2/2] Processing B.dng", "[2/2] Converting B.dng",
                           "[2/2] Propagating Metadata B.dng", "[2/2] Ready"}));
}

TEST(TerminalDisplay, aStepCountedAgainstAnotherMaximumIsNotShown)
{
    PlainOutput out;
    out.display.setProgressMax(7);
    out.display.setProgressValue(7);
    out.display.setProgressMax(2);
    out.display.setStatus("Loading Album Data");
    out.display.setProgressValue(9);
    out.display.setStatus("Processing");
    EXPECT_EQ(out.lines(), (QStringList{"Loading Album Data", "Processing"}));
}

} // namespace
