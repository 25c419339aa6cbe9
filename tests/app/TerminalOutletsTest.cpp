#include "TerminalOutlets.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File fileHolding(const char* text)
{
    File file(std::tmpfile(), &std::fclose);
    std::fputs(text, file.get());
    std::rewind(file.get());
    return file;
}

QString contentOf(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray text;
    char buffer[512];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, static_cast<qsizetype>(n));
    return QString::fromUtf8(text);
}

OpenPanel::Options readAccessQuestion()
{
    OpenPanel::Options options;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.title = "Read Access Required";
    options.directory = "/photos/masters";
    return options;
}

OpenPanel::Options outputFolderQuestion()
{
    OpenPanel::Options options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.title = "Export To";
    return options;
}

TEST(TerminalOutlets, readAccessAtTheEndOfInputIsAskedOnceAndGrantedWithItsFolder)
{
    File out = fileHolding("");
    File in = fileHolding("");
    TerminalDisplay display(out.get(), /*interactive=*/true);
    TerminalOutlets outlets(display, in.get(), QString());
    for (int attempt = 0; attempt < 3; ++attempt) {
        QUrl chosen;
        EXPECT_EQ(outlets.openPanel()->runModal(readAccessQuestion(), &chosen), OpenPanel::OK);
        EXPECT_EQ(chosen, QUrl::fromLocalFile("/photos/masters"));
    }
    EXPECT_EQ(contentOf(out.get()).count("Read Access Required"), 1);
}

TEST(TerminalOutlets, noFolderForReferencedOutputSaysWhyNothingRuns)
{
    const char* const answers[] = {nullptr, "\n", ""};
    for (const char* answer : answers) {
        File out = fileHolding("");
        File in = fileHolding(answer ? answer : "");
        TerminalDisplay display(out.get(), /*interactive=*/answer != nullptr);
        TerminalOutlets outlets(display, in.get(), QString());
        QUrl chosen;
        EXPECT_EQ(outlets.openPanel()->runModal(outputFolderQuestion(), &chosen),
                  OpenPanel::Cancel);
        EXPECT_TRUE(chosen.isEmpty());
        EXPECT_TRUE(contentOf(out.get()).contains(
            "no folder was chosen for the externally referenced JPEGs"))
            << (answer ? "answer \"" + std::string(answer) + "\"" : "no terminal");
    }
}

} // namespace
