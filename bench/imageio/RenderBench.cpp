// Rendering benchmark: one command makes a 6000 x 4000 16-bit RGB TIFF with
// photographic content, EXIF, GPS, XMP, ICC and IPTC, then measures the
// engine's rendering step in-process (steady state, in a child process of
// its own so its peak memory is its own) beside `vips copy`/`vips thumbnail`
// and ImageMagick's convert doing the same jobs at quality 0.8:
//   (a) full size, (b) scale 0.5, (c) fixed long side 1920.
// It prints medians of wall and CPU time, peak memory, the ratios against
// the targets and the PSNR of every output against a 16-bit Lanczos reference.
//
//   render_bench [--reps N] [--work DIR] [--regenerate]

#include "JpegRenderer.h"
#include "SampleImages.h"

#include "imageio/Bitmap.h"
#include "imageio/ImageIO.h"
#include "imageio/JpegDestination.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {
constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr double kQuality = 0.8;
const char* const kConvert = "/usr/bin/convert"; // /usr/local/bin/convert is a stand-in script

struct Job {
    const char* key;
    const char* title;
    OutputSizeRule::Settings settings;
    int width, height;
};

std::vector<Job> jobs()
{
    OutputSizeRule::Settings full;
    OutputSizeRule::Settings half;
    half.scaleFactor = 0.5f;
    OutputSizeRule::Settings fixed;
    fixed.fixedSize = true;
    fixed.longSize = 1920;
    fixed.longLocked = true;
    return {{"a", "(a) full size", full, 6000, 4000},
            {"b", "(b) scale 0.5", half, 3000, 2000},
            {"c", "(c) long side 1920", fixed, 1920, 1280}};
}

struct Sample {
    double wall = 0, cpu = 0, peakMb = 0;
};

double seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString loadAverage()
{
    QFile file("/proc/loadavg");
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : "?";
}

// The high-water mark of this process's resident memory. ru_maxrss would do,
// but Linux carries the spawning parent's footprint over into it.
double peakResidentMb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return NAN;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return NAN;
}

// Runs a command as a child process; its wall time and CPU time. (Peak
// memory comes from the command itself or GNU time, see above.)
bool runMeasured(const QStringList& command, Sample* sample, QByteArray* output = nullptr)
{
    std::vector<QByteArray> args;
    for (const QString& arg : command)
        args.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output) {
        if (pipe(pipeFds) != 0)
            return false;
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    }
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        close(pipeFds[1]);
        char buffer[4096];
        ssize_t n;
        while (spawned == 0 && (n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
            output->append(buffer, n);
        close(pipeFds[0]);
    }
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    sample->wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample->cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The bench image: a fractal surface per channel (what natural scenes look
// like in the frequency domain) with fine sensor-like noise, 16 bits, plus
// the metadata an export carries.
bool generate(const QString& path)
{
    std::fprintf(stderr, "generating %s (%d x %d, 16-bit RGB) ...\n", qPrintable(path), kWidth,
                 kHeight);
    const int w = kWidth / 4, h = kHeight / 4;
    std::vector<vips::VImage> channels;
    const double dimensions[] = {2.35, 2.45, 2.55};
    for (double dimension : dimensions) {
        vips::VImage surface = vips::VImage::fractsurf(w, h, dimension);
        surface = (surface - surface.min()) / (surface.max() - surface.min());
        channels.push_back(surface);
    }
    const vips::VImage luma = channels[0];
    vips::VImage rgb = (luma * 0.85 + channels[1] * 0.15)
                           .bandjoin(luma * 0.9 + channels[2] * 0.1)
                           .bandjoin(luma * 0.8 + channels[1] * 0.1 + channels[2] * 0.1);
    rgb = rgb.resize(4.0, vips::VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3));
    vips::VImage noise;
    for (int seed = 1; seed <= 3; ++seed) {
        const vips::VImage band = vips::VImage::gaussnoise(
            kWidth, kHeight,
            vips::VImage::option()->set("sigma", 0.004)->set("mean", 0.0)->set("seed", seed));
        noise = seed == 1 ? band : noise.bandjoin(band);
    }
    rgb = rgb + noise;
    rgb = (rgb < 0.0).ifthenelse(0.0, (rgb > 1.0).ifthenelse(1.0, rgb));
    const vips::VImage pixels =
        (rgb * 60000.0 + 2000.0)
            .cast(VIPS_FORMAT_USHORT)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    const QByteArray profile = SampleImages::srgbProfile();
    vips::VImage tagged = pixels.copy();
    vips_image_set_blob_copy(tagged.get_image(), VIPS_META_ICC_NAME, profile.constData(),
                             size_t(profile.size()));
    const QString temporary = path + ".part";
    tagged.tiffsave(QFile::encodeName(temporary).constData());
    SampleMetadata metadata;
    metadata.icc = false; // written by tiffsave above
    if (!SampleImages::addMetadata(temporary, metadata))
        return false;
    QFile::remove(path);
    return QFile::rename(temporary, path);
}

// --- the in-process side, run as a child: warm-up, then timed repetitions.
int tolvaneChild(const QString& jobKey, int reps, const QString& input, const QString& output)
{
    ImageIO::initialize();
    Job job = jobs()[0];
    for (const Job& candidate : jobs())
        if (jobKey == candidate.key)
            job = candidate;
    const JpegRenderer renderer([](const QString&) {}, [] { return QList<double>(); });
    qint64 converted = 0;
    if (!renderer.render(input, output, job.settings, kQuality, converted).ok)
        return 1;
    for (int rep = 0; rep < reps; ++rep) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        const auto start = std::chrono::steady_clock::now();
        if (!renderer.render(input, output, job.settings, kQuality, converted).ok)
            return 1;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        getrusage(RUSAGE_SELF, &after);
        const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) +
                           seconds(after.ru_stime) - seconds(before.ru_stime);
        std::printf("rep %.6f %.6f\n", wall, cpu);
    }
    std::printf("peak %.1f\n", peakResidentMb());
    return 0;
}

struct Result {
    QString tool;
    double wall = NAN, cpu = NAN, peakMb = NAN, psnr = NAN;
    QString output;
};

// One tool under measurement: how to take one sample, and the samples taken.
struct Contender {
    Result result;
    std::function<bool(Sample*)> once;
    std::vector<double> walls, cpus, peaks;
};

// One steady-state rendering: a child process renders once to warm up, then
// once timed, and reports that rendering's times and its own peak memory.
bool tolvaneOnce(const QString& self, const Job& job, const QString& input, const QString& output,
                 Sample* sample)
{
    Sample process;
    QByteArray out;
    if (!runMeasured({self, "--tolvane-child", job.key, "1", input, output}, &process, &out))
        return false;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3 && fields[0] == "rep") {
            sample->wall = fields[1].toDouble();
            sample->cpu = fields[2].toDouble();
        } else if (fields.size() == 2 && fields[0] == "peak") {
            sample->peakMb = fields[1].toDouble();
        }
    }
    return sample->wall > 0;
}

// A command run under GNU time, which reports the command's own peak memory.
bool commandOnce(const QStringList& command, const QString& peakFile, Sample* sample)
{
    if (!runMeasured(QStringList{"/usr/bin/time", "-f", "%M", "-o", peakFile} + command, sample))
        return false;
    QFile peak(peakFile);
    if (!peak.open(QIODevice::ReadOnly))
        return false;
    sample->peakMb = peak.readAll().trimmed().toDouble() / 1024.0;
    return true;
}

// Takes the samples round by round, so a change in the machine's load
// touches every contender alike; one unmeasured round first.
bool measure(std::vector<Contender>& contenders, int reps)
{
    for (int round = -1; round < reps; ++round) {
        for (Contender& c : contenders) {
            Sample sample;
            if (!c.once(&sample)) {
                std::fprintf(stderr, "%s failed\n", qPrintable(c.result.tool));
                return false;
            }
            if (round < 0)
                continue;
            c.walls.push_back(sample.wall);
            c.cpus.push_back(sample.cpu);
            c.peaks.push_back(sample.peakMb);
        }
    }
    for (Contender& c : contenders) {
        c.result.wall = median(c.walls);
        c.result.cpu = median(c.cpus);
        c.result.peakMb = *std::max_element(c.peaks.begin(), c.peaks.end());
    }
    return true;
}

// The reference: the 16-bit source resampled with Lanczos 3 in floating point
// (no box pre-shrink), on the 8-bit scale.
vips::VImage reference(const QString& input, const Job& job)
{
    vips::VImage source =
        vips::VImage::new_from_file(QFile::encodeName(input).constData()).cast(VIPS_FORMAT_FLOAT);
    if (job.width != kWidth || job.height != kHeight)
        source = source.resize(double(job.width) / kWidth,
                               vips::VImage::option()
                                   ->set("vscale", double(job.height) / kHeight)
                                   ->set("kernel", VIPS_KERNEL_LANCZOS3)
                                   ->set("gap", 0.0));
    return source / 257.0;
}

double psnr(const vips::VImage& ref, const QString& jpegPath)
{
    try {
        const vips::VImage out =
            vips::VImage::new_from_file(QFile::encodeName(jpegPath).constData());
        if (out.width() != ref.width() || out.height() != ref.height())
            return NAN;
        const vips::VImage diff = out.cast(VIPS_FORMAT_FLOAT) - ref;
        const double mse = (diff * diff).avg();
        return mse > 0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : INFINITY;
    } catch (const vips::VError& e) {
        std::fprintf(stderr, "psnr: %s\n", e.what());
        return NAN;
    }
}

// The redraw path alone: Tolvane's pixels encoded near-losslessly (q 1.0).
double redrawPsnr(const QString& input, const Job& job, const vips::VImage& ref, const QString& dir)
{
    const Bitmap source = Bitmap::fromFile(input);
    const Bitmap pixels = job.width == kWidth ? source : source.redrawn(job.width, job.height);
    JpegDestination destination;
    destination.addImage(pixels, {{JpegDestination::LossyCompressionQuality, 1.0}});
    if (!destination.finalize())
        return NAN;
    const QString path = dir + "/redraw-" + job.key + ".jpg";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(destination.data()) != destination.data().size())
        return NAN;
    file.close();
    return psnr(ref, path);
}

void printRow(const Result& r, double peerWall)
{
    std::printf("  %-28s %8.3f s %8.3f s %8.1f MB", qPrintable(r.tool), r.wall, r.cpu, r.peakMb);
    if (!std::isnan(peerWall))
        std::printf("   %5.2fx", r.wall / peerWall);
    else
        std::printf("         ");
    std::printf("   %6.2f dB\n", r.psnr);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && QByteArray(argv[1]) == "--tolvane-child")
        return tolvaneChild(argv[2], std::atoi(argv[3]), argv[4], argv[5]);

    QCoreApplication app(argc, argv);
    ImageIO::initialize();
    int reps = 7;
    QString dir = QDir::tempPath() + "/tolvane-render-bench";
    bool regenerate = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--reps" && i + 1 < args.size())
            reps = std::max(1, args[++i].toInt());
        else if (args[i] == "--work" && i + 1 < args.size())
            dir = args[++i];
        else if (args[i] == "--regenerate")
            regenerate = true;
        else {
            std::fprintf(stderr, "usage: render_bench [--reps N] [--work DIR] [--regenerate]\n");
            return 2;
        }
    }
    QDir().mkpath(dir);
    const QString input = dir + "/bench.tif";
    if ((regenerate || !QFileInfo(input).isFile()) && !generate(input)) {
        std::fprintf(stderr, "could not generate %s\n", qPrintable(input));
        return 1;
    }
    const QString self = QCoreApplication::applicationFilePath();
    const QString loadBefore = loadAverage();
    std::printf(
        "input %s: %lld bytes; %d repetitions, medians; quality %.1f; load average before: %s\n",
        qPrintable(input), QFileInfo(input).size(), reps, kQuality, qPrintable(loadBefore));
    std::printf("  %-28s %10s %10s %11s %8s %11s\n", "tool", "wall", "CPU", "peak", "ratio",
                "PSNR");

    bool allMet = true;
    for (const Job& job : jobs()) {
        const QString vipsOut = dir + "/vips-" + job.key + ".jpg";
        const QString magickOut = dir + "/magick-" + job.key + ".jpg";
        QStringList vipsCommand;
        QStringList magickCommand{kConvert, input};
        if (job.width == kWidth) {
            vipsCommand = {"/usr/bin/vips", "copy", input, vipsOut + "[Q=80]"};
        } else {
            vipsCommand = {"/usr/bin/vips",
                           "thumbnail",
                           input,
                           vipsOut + "[Q=80]",
                           QString::number(job.width),
                           "--height",
                           QString::number(job.height),
                           "--size",
                           "force"};
            magickCommand << "-filter"
                          << "Lanczos"
                          << "-resize" << QString("%1x%2!").arg(job.width).arg(job.height);
        }
        magickCommand << "-quality"
                      << "80" << magickOut;

        const QString tolvaneOut = dir + "/tolvane-" + job.key + ".jpg";
        const QString peakFile = dir + "/peak.txt";
        std::vector<Contender> contenders(3);
        contenders[0].result.tool = "tolvane (in-process)";
        contenders[0].result.output = tolvaneOut;
        contenders[0].once = [&](Sample* s) {
            return tolvaneOnce(self, job, input, tolvaneOut, s);
        };
        contenders[1].result.tool = job.width == kWidth ? "vips copy" : "vips thumbnail";
        contenders[1].result.output = vipsOut;
        contenders[1].once = [&](Sample* s) {
            return commandOnce(vipsCommand, peakFile, s);
        };
        contenders[2].result.tool = "ImageMagick convert";
        contenders[2].result.output = magickOut;
        contenders[2].once = [&](Sample* s) {
            return commandOnce(magickCommand, peakFile, s);
        };
        if (!measure(contenders, reps))
            return 1;
        Result& tolvane = contenders[0].result;
        Result& vips = contenders[1].result;
        Result& magick = contenders[2].result;

        const vips::VImage ref = reference(input, job);
        for (Result* r : {&tolvane, &vips, &magick})
            r->psnr = psnr(ref, r->output);
        const double redraw = redrawPsnr(input, job, ref, dir);

        std::printf("%s\n", job.title);
        printRow(tolvane, vips.wall);
        printRow(vips, NAN);
        printRow(magick, NAN);
        const double ratio = tolvane.wall / vips.wall;
        const double target = job.width == kWidth ? 0.6 : 0.85;
        const bool met = ratio <= target && tolvane.peakMb < 120.0 && tolvane.psnr > 40.0;
        allMet = allMet && met;
        std::printf("  tolvane/%s %.2fx (target <= %.2fx), tolvane/ImageMagick %.2fx,\n",
                    qPrintable(vips.tool), ratio, target, tolvane.wall / magick.wall);
        std::printf("  peak %.1f MB (target < 120), PSNR %.2f dB (target > 40; the redraw alone,\n"
                    "  encoded at quality 1.0: %.2f dB): %s\n",
                    tolvane.peakMb, tolvane.psnr, redraw, met ? "met" : "NOT met");
    }
    std::printf("Tolvane's times include writing the JPEG to a temporary file, fsync and rename;\n"
                "the others write without syncing. PSNR: decoded JPEG against the 16-bit source\n"
                "resampled with Lanczos 3 in floating point, on the 8-bit scale.\n");
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return allMet ? 0 : 3;
}
