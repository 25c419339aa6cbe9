// Rendering benchmark, run by hand. One command makes a 6000 x 4000 16-bit
// RGB TIFF with photographic content and full metadata, and a 24-megapixel
// DNG drawn as the sample library draws its masters, then measures:
//   (a) full size, (b) scale 0.5, (c) fixed long side 1920, all at quality
//   0.8, and (a) again at 0.9 for memory;
//   RAW at scale 1.0 and 0.5 (the DNG straight into the rendering step).
// Like for like: the rendering step in-process (steady state, warm, in a
// child process of its own so its peak memory is its own) against libvips
// doing the same job in-process with the same encoder options (thumbnail or
// copy, jpegsave with optimised tables); and as whole processes, the
// rendering step started afresh against the `vips` and ImageMagick command
// lines, and for RAW against LibRaw's `dcraw_emu` (AHD, and half size with
// -h). It prints medians of wall and CPU time, peak memory, the ratios
// against the targets and the PSNR of each output against a 16-bit Lanczos
// reference. bench/setup.sh installs the command-line peers.
//
//   render_bench [--reps N] [--work DIR] [--regenerate]

#include "DngWriter.h"
#include "JpegRenderer.h"
#include "SampleImages.h"
#include "SyntheticScene.h"

#include "imageio/Bitmap.h"
#include "imageio/ImageIO.h"
#include "imageio/JpegDestination.h"

#include <QCoreApplication>
#include <QDateTime>
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
const char* const kConvert = "/usr/bin/convert"; // /usr/local/bin/convert is a stand-in script
const char* const kDcrawEmu = "/usr/bin/dcraw_emu";

struct Job {
    const char* key;
    const char* title;
    OutputSizeRule::Settings settings;
    int width, height;
    double quality;
    bool raw;
    double ratioTarget; // against libvips in-process, or dcraw_emu for RAW
    double peakTargetMb;
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
    return {{"a", "(a) full size", full, 6000, 4000, 0.8, false, 0.8, 160},
            {"b", "(b) scale 0.5", half, 3000, 2000, 0.8, false, 0.8, 160},
            {"c", "(c) long side 1920", fixed, 1920, 1280, 0.8, false, 0.8, 160},
            {"a9", "(a) full size", full, 6000, 4000, 0.9, false, NAN, 250},
            {"r1", "RAW, scale 1.0", full, 6000, 4000, 0.8, true, 1.1, 260},
            {"r5", "RAW, scale 0.5", half, 3000, 2000, 0.8, true, 1.3, 200}};
}

const Job& jobNamed(const QString& key)
{
    static const std::vector<Job> all = jobs();
    for (const Job& job : all)
        if (key == job.key)
            return job;
    return all.front();
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

// The RAW input: a 24-megapixel DNG drawn as the sample library draws its
// masters.
bool generateDng(const QString& path)
{
    std::fprintf(stderr, "generating %s (%d x %d DNG) ...\n", qPrintable(path), kWidth, kHeight);
    try {
        DngWriter::write(path, SyntheticScene(2026), kWidth, kHeight, "Acme", "Field 7",
                         QDateTime(QDate(2021, 6, 1), QTime(10, 20), Qt::UTC));
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return false;
    }
}

// --- the in-process sides, each run as a child: warm-up, then timed
// repetitions, each printed as "rep WALL CPU", then "peak MB".
template <typename Once> int timedRepetitions(int reps, Once once)
{
    if (!once())
        return 1;
    for (int rep = 0; rep < reps; ++rep) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        const auto start = std::chrono::steady_clock::now();
        if (!once())
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

int tolvaneChild(const QString& jobKey, int reps, const QString& input, const QString& output)
{
    ImageIO::initialize();
    const Job& job = jobNamed(jobKey);
    const JpegRenderer renderer([](const QString&) {}, [] { return QList<double>(); });
    return timedRepetitions(
        reps, [&] { return renderer.render(input, output, job.settings, job.quality).ok(); });
}

// libvips doing the same job with the same encoder options: thumbnail (or a
// plain load at full size), jpegsave with optimised tables into memory, one
// write.
int vipsChild(const QString& jobKey, int reps, const QString& input, const QString& output)
{
    ImageIO::initialize();
    const Job& job = jobNamed(jobKey);
    const QByteArray name = QFile::encodeName(input);
    return timedRepetitions(reps, [&] {
        try {
            const vips::VImage image =
                job.width == kWidth
                    ? vips::VImage::new_from_file(
                          name.constData(),
                          vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL))
                    : vips::VImage::thumbnail(name.constData(), job.width,
                                              vips::VImage::option()
                                                  ->set("height", job.height)
                                                  ->set("size", VIPS_SIZE_FORCE));
            VipsBlob* blob =
                image.jpegsave_buffer(vips::VImage::option()
                                          ->set("Q", int(std::lround(job.quality * 100)))
                                          ->set("optimize_coding", true)
                                          ->set("strip", true));
            size_t length = 0;
            const void* bytes = vips_blob_get(blob, &length);
            QFile file(output);
            const bool ok =
                file.open(QIODevice::WriteOnly) &&
                file.write(static_cast<const char*>(bytes), qint64(length)) == qint64(length);
            vips_area_unref(VIPS_AREA(blob));
            return ok;
        } catch (const vips::VError& e) {
            std::fprintf(stderr, "libvips: %s\n", e.what());
            return false;
        }
    });
}

// The rendering step as a whole process: started, one image, gone.
int renderOnce(const QString& jobKey, const QString& input, const QString& output)
{
    ImageIO::initialize();
    const Job& job = jobNamed(jobKey);
    const JpegRenderer renderer([](const QString&) {}, [] { return QList<double>(); });
    return renderer.render(input, output, job.settings, job.quality).ok() ? 0 : 1;
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
// `mode` is --tolvane-child or --vips-child.
bool childOnce(const QString& self, const char* mode, const Job& job, const QString& input,
               const QString& output, Sample* sample)
{
    Sample process;
    QByteArray out;
    if (!runMeasured({self, mode, job.key, "1", input, output}, &process, &out))
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

void printRow(const Result& r)
{
    std::printf("  %-28s %8.3f s %8.3f s %8.1f MB %8s %6.2f dB\n", qPrintable(r.tool), r.wall,
                r.cpu, r.peakMb, "", r.psnr);
}

// The contenders of one job.
std::vector<Contender> contendersFor(const Job& job, const QString& self, const QString& input,
                                     const QString& dir)
{
    const QString out = dir + "/" + job.key + "-";
    const QString peakFile = dir + "/peak.txt";
    const QString q = QString::number(std::lround(job.quality * 100));
    std::vector<Contender> contenders;
    const auto add = [&](const QString& tool, const QString& output,
                         std::function<bool(Sample*)> once) {
        Contender c;
        c.result.tool = tool;
        c.result.output = output;
        c.once = std::move(once);
        contenders.push_back(std::move(c));
    };
    const auto command = [peakFile](QStringList args) {
        return [args, peakFile](Sample* s) {
            return commandOnce(args, peakFile, s);
        };
    };
    add("tolvane (in-process)", out + "tolvane.jpg", [=, &job](Sample* s) {
        return childOnce(self, "--tolvane-child", job, input, out + "tolvane.jpg", s);
    });
    add("tolvane (process)", out + "tolvane-process.jpg",
        command({self, "--render-once", job.key, input, out + "tolvane-process.jpg"}));
    if (job.raw) {
        const QStringList common{kDcrawEmu, "-w", "-W"};
        if (job.width != kWidth)
            add("dcraw_emu -h", out + "dcraw-h.ppm",
                command(common + QStringList{"-h", "-Z", out + "dcraw-h.ppm", input}));
        add("dcraw_emu (AHD)", out + "dcraw.ppm",
            command(common + QStringList{"-Z", out + "dcraw.ppm", input}));
        return contenders;
    }
    add("libvips (in-process)", out + "libvips.jpg", [=, &job](Sample* s) {
        return childOnce(self, "--vips-child", job, input, out + "libvips.jpg", s);
    });
    const QString vipsOut = out + "vips.jpg[Q=" + q + ",optimize_coding,strip]";
    if (job.width == kWidth)
        add("vips copy", out + "vips.jpg", command({"/usr/bin/vips", "copy", input, vipsOut}));
    else
        add("vips thumbnail", out + "vips.jpg",
            command({"/usr/bin/vips", "thumbnail", input, vipsOut, QString::number(job.width),
                     "--height", QString::number(job.height), "--size", "force"}));
    QStringList magick{kConvert, input};
    if (job.width != kWidth)
        magick << "-filter"
               << "Lanczos"
               << "-resize" << QString("%1x%2!").arg(job.width).arg(job.height);
    add("ImageMagick convert", out + "magick.jpg",
        command(magick + QStringList{"-strip", "-quality", q, out + "magick.jpg"}));
    return contenders;
}

const Result* named(const std::vector<Contender>& contenders, const QString& prefix)
{
    for (const Contender& c : contenders)
        if (c.result.tool.startsWith(prefix))
            return &c.result;
    return nullptr;
}

// Prints one job's table and its targets; true when they are met.
bool report(const Job& job, std::vector<Contender>& contenders, const QString& input)
{
    const Result& tolvane = *named(contenders, "tolvane (in-process)");
    const Result& process = *named(contenders, "tolvane (process)");
    const Result* peer =
        job.raw ? named(contenders, job.width == kWidth ? "dcraw_emu (AHD)" : "dcraw_emu -h")
                : named(contenders, "libvips (in-process)");
    if (!job.raw) {
        const vips::VImage ref = reference(input, job);
        for (Contender& c : contenders)
            c.result.psnr = c.result.output.endsWith(".jpg") ? psnr(ref, c.result.output) : NAN;
    }
    std::printf("%s, quality %.1f\n", job.title, job.quality);
    for (const Contender& c : contenders)
        printRow(c.result);
    bool met = true;
    if (!std::isnan(job.ratioTarget)) {
        // In-process against in-process; for RAW, process against process.
        const Result& ours = job.raw ? process : tolvane;
        const double ratio = ours.wall / peer->wall;
        met = ratio <= job.ratioTarget;
        std::printf("  %s / %s: %.2fx (target <= %.2fx)\n", qPrintable(ours.tool),
                    qPrintable(peer->tool), ratio, job.ratioTarget);
    }
    const double peak = job.raw ? process.peakMb : tolvane.peakMb;
    met = met && peak <= job.peakTargetMb;
    std::printf("  peak %.1f MB (target <= %.0f)", peak, job.peakTargetMb);
    if (!job.raw) {
        met = met && tolvane.psnr > 40.0;
        std::printf(", PSNR %.2f dB (target > 40)", tolvane.psnr);
    }
    std::printf(": %s\n", met ? "met" : "NOT met");
    return met;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && QByteArray(argv[1]) == "--tolvane-child")
        return tolvaneChild(argv[2], std::atoi(argv[3]), argv[4], argv[5]);
    if (argc == 6 && QByteArray(argv[1]) == "--vips-child")
        return vipsChild(argv[2], std::atoi(argv[3]), argv[4], argv[5]);
    if (argc == 5 && QByteArray(argv[1]) == "--render-once")
        return renderOnce(argv[2], argv[3], argv[4]);

    QCoreApplication app(argc, argv);
    ImageIO::initialize();
    int reps = 7;
    QString dir = QDir::tempPath() + "/tolvane-render-bench";
    bool regenerate = false;
    QString only;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--reps" && i + 1 < args.size())
            reps = std::max(1, args[++i].toInt());
        else if (args[i] == "--work" && i + 1 < args.size())
            dir = args[++i];
        else if (args[i] == "--only" && i + 1 < args.size())
            only = args[++i];
        else if (args[i] == "--regenerate")
            regenerate = true;
        else {
            std::fprintf(stderr,
                         "usage: render_bench [--reps N] [--work DIR] [--only a,b,c,a9,r1,r5] "
                         "[--regenerate]\n");
            return 2;
        }
    }
    QDir().mkpath(dir);
    const QString tiff = dir + "/bench.tif";
    const QString dng = dir + "/bench.dng";
    if ((regenerate || !QFileInfo(tiff).isFile()) && !generate(tiff)) {
        std::fprintf(stderr, "could not generate %s\n", qPrintable(tiff));
        return 1;
    }
    if ((regenerate || !QFileInfo(dng).isFile()) && !generateDng(dng)) {
        std::fprintf(stderr, "could not generate %s\n", qPrintable(dng));
        return 1;
    }
    const QString self = QCoreApplication::applicationFilePath();
    std::printf("inputs %s (%lld bytes), %s (%lld bytes); %d repetitions, medians; load average "
                "before: %s\n",
                qPrintable(tiff), QFileInfo(tiff).size(), qPrintable(dng), QFileInfo(dng).size(),
                reps, qPrintable(loadAverage()));
    std::printf("  %-28s %10s %10s %11s %8s %11s\n", "tool", "wall", "CPU", "peak", "", "PSNR");

    bool allMet = true;
    for (const Job& job : jobs()) {
        if (!only.isEmpty() && !only.split(',').contains(job.key))
            continue;
        const QString input = job.raw ? dng : tiff;
        std::vector<Contender> contenders = contendersFor(job, self, input, dir);
        if (!measure(contenders, reps))
            return 1;
        allMet = report(job, contenders, input) && allMet;
        std::printf("  load average now: %s\n", qPrintable(loadAverage()));
    }
    std::printf("Tolvane's times include writing the JPEG to a temporary file, fsync and rename;\n"
                "the others write without syncing. PSNR: decoded JPEG against the 16-bit source\n"
                "resampled with Lanczos 3 in floating point, on the 8-bit scale.\n");
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return allMet ? 0 : 3;
}
