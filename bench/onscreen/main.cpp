// Times what a user sees of Pictarra, side by side with feh and nsxiv, on the X server named
// by $DISPLAY (bench/run-onscreen.sh starts a private one): start to first picture on screen,
// a held "next" key then leaving the show, the decode floor (djpeg), and Pictarra's own
// change benchmarks. Every figure is a median over several runs, the programs taking turns.
#include "BenchPictures.h"
#include "OnScreenRuns.h"
#include "Report.h"

#include <QCoreApplication>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

const char Usage[] = "usage: bench_onscreen --pictures FOLDER --pictarra LABEL=PATH [--pictarra LABEL=PATH]...\n"
                     "                      [--cases first,first-photo,held,floor,change] [--runs N]\n"
                     "                      [--held-runs N] [--timeout SECONDS] [--poll-us N] [--log FOLDER]\n"
                     "  FOLDER keeps the generated pictures (made when missing). Cases:\n"
                     "  first        start to first picture, 6000 x 4000 photo and 640 x 480 picture\n"
                     "  first-photo  the same, photo only\n"
                     "  held         30 quick presses of \"next\", then leaving the show\n"
                     "  floor        djpeg -scale 3/8 and 6/8 of the photo\n"
                     "  change       the cold and warm change benchmarks of each build\n";

struct Options
{
    std::vector<Viewer> pictarras;
    std::string picturesFolder;
    std::set<std::string> cases{"first", "held", "floor", "change"};
    int runs = 5;
    int heldRuns = 3;
    OnScreenRuns::Settings settings;
};

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "bench_onscreen: %s\n%s", message.c_str(), Usage);
    std::exit(2);
}

int positiveNumber(const std::string &text, const char *what)
{
    try {
        const int value = std::stoi(text);
        if (value > 0)
            return value;
    } catch (const std::exception &) {
    }
    fail(std::string("not a positive number for ") + what + ": " + text);
}

Options parseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(Usage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc)
            fail("missing value after " + option);
        const std::string value = argv[++i];
        if (option == "--pictarra") {
            const std::size_t equals = value.find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == value.size())
                fail("--pictarra wants LABEL=PATH, not " + value);
            const std::string label = value.substr(0, equals);
            if (label == "feh" || label == "nsxiv")
                fail("a Pictarra label must not be the name of another viewer: " + label);
            options.pictarras.push_back(
                Viewer::pictarra(label, std::filesystem::absolute(value.substr(equals + 1)).string()));
        } else if (option == "--pictures") {
            options.picturesFolder = value;
        } else if (option == "--cases") {
            options.cases.clear();
            std::stringstream list(value);
            for (std::string name; std::getline(list, name, ',');)
                options.cases.insert(name);
        } else if (option == "--runs") {
            options.runs = positiveNumber(value, "--runs");
        } else if (option == "--held-runs") {
            options.heldRuns = positiveNumber(value, "--held-runs");
        } else if (option == "--timeout") {
            options.settings.timeout = std::chrono::seconds(positiveNumber(value, "--timeout"));
        } else if (option == "--poll-us") {
            options.settings.pollInterval = std::chrono::microseconds(positiveNumber(value, "--poll-us"));
        } else if (option == "--log") {
            options.settings.logFolder = value;
        } else {
            fail("unknown option " + option);
        }
    }
    if (options.picturesFolder.empty())
        fail("--pictures is needed");
    for (const std::string &name : options.cases) {
        if (name != "first" && name != "first-photo" && name != "held" && name != "floor" && name != "change")
            fail("unknown case " + name);
    }
    return options;
}

bool onPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

void endEverything(int signal)
{
    ChildProcess::killAll();
    _exit(128 + signal);
}

std::string megabytes(const std::string &path)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", double(std::filesystem::file_size(path)) / 1e6);
    return text;
}

// "Release", "Debug", ... from the build folder the program was built in, when it can tell.
std::string buildTypeOf(const std::string &program)
{
    std::ifstream cache(std::filesystem::path(program).parent_path() / "CMakeCache.txt");
    for (std::string line; std::getline(cache, line);) {
        if (line.rfind("CMAKE_BUILD_TYPE:", 0) == 0)
            return line.substr(line.find('=') + 1);
    }
    return "unknown";
}

void firstPictureCase(OnScreenRuns &runs, const Report &report, const std::vector<Viewer> &viewers, int count,
                      const std::string &title, const std::string &folder, const std::string &file, const Rgb &colour)
{
    report.heading(title);
    Report::Rows onScreen, cpu;
    for (const Viewer &viewer : viewers) {
        onScreen.emplace_back(viewer.label, Samples());
        cpu.emplace_back(viewer.label, Samples());
        // Untimed: loads the program and its libraries from disk.
        runs.firstPicture(viewer, viewer.onePictureCommand(folder, file), colour);
    }
    for (int run = 0; run < count; ++run) {
        for (std::size_t v = 0; v < viewers.size(); ++v) {
            const FirstPictureRun result = runs.firstPicture(viewers[v], viewers[v].onePictureCommand(folder, file), colour);
            onScreen[v].second.add(result.onScreen);
            cpu[v].second.add(result.cpu);
        }
    }
    report.table("start to the picture on screen", onScreen, "ms", true);
    report.table("processor time the program used until then (less swayed by the machine's load)", cpu, "ms", true);
}

void heldKeyCase(OnScreenRuns &runs, const Report &report, const std::vector<Viewer> &viewers, int count,
                 const BenchPictures &pictures, bool leaveAtOnce)
{
    report.heading(std::string("Held key: ") + std::to_string(OnScreenRuns::Presses) + " presses of \"next\" 33 ms apart over "
                   + std::to_string(BenchPictures::HeldPictures) + " pictures of 6000 x 4000, then leave "
                   + (leaveAtOnce ? "33 ms after the last press" : "once the last picture is up"));
    report.note("keys: Right, Escape; nsxiv: n, q (its arrows pan)");
    Report::Rows first, last, leave, after, settled;
    for (const Viewer &viewer : viewers) {
        for (Report::Rows *rows : {&first, &last, &leave, &after, &settled})
            rows->emplace_back(viewer.label, Samples());
    }
    for (int run = 0; run < count; ++run) {
        for (std::size_t v = 0; v < viewers.size(); ++v) {
            const HeldKeyRun result = runs.heldKey(viewers[v], pictures, leaveAtOnce);
            first[v].second.add(result.firstPicture);
            last[v].second.add(result.lastPicture);
            leave[v].second.add(result.leave);
            after[v].second.add(result.picturesAfter);
            settled[v].second.add(result.finalPicture);
        }
    }
    report.table("start to the first picture on screen", first, "ms", true);
    if (!leaveAtOnce)
        report.table("last press to the picture asked for last on screen (never: the viewer dropped presses and "
                     "went idle on another)",
                     last, "ms", true);
    report.table("leave key to the show gone from the screen", leave, "ms", true);
    report.table("pictures that came up after the last press", after, "", false);
    report.table(std::string("the picture up when the show left (") + std::to_string(BenchPictures::HeldPictures)
                     + " = the one asked for last)",
                 settled, "", false);
}

void floorCase(const Report &report, const BenchPictures &pictures, int count)
{
    report.heading("Floor: djpeg decoding the 6000 x 4000 photo, start to exit, output discarded");
    if (!onPath("djpeg")) {
        report.note("djpeg is not installed (libjpeg-turbo-progs); skipped");
        return;
    }
    Report::Rows rows;
    for (const char *scale : {"3/8", "6/8"}) {
        Samples samples;
        for (int run = -1; run < count; ++run) {
            ChildProcess djpeg({"djpeg", "-scale", scale, "-outfile", "/dev/null", pictures.photoFile()}, {});
            const bool exited = djpeg.waitForExit(ChildProcess::Clock::now() + std::chrono::seconds(60));
            const double ms = std::chrono::duration<double, std::milli>(djpeg.exitTime() - djpeg.startTime()).count();
            djpeg.end();
            if (run >= 0)
                samples.add(!exited ? Timing::missed("timeout")
                                    : djpeg.exitedCleanly() ? Timing::of(ms) : Timing::missed("failed"));
        }
        rows.emplace_back(std::string("-scale ") + scale, samples);
    }
    report.table("djpeg", rows, "ms", false);
}

// The benchmarks built next to each Pictarra, run off screen as they always are.
void changeCase(const Report &report, const std::vector<Viewer> &pictarras)
{
    for (const Viewer &pictarra : pictarras) {
        const std::filesystem::path benchFolder = std::filesystem::path(pictarra.program).parent_path() / "bench";
        for (const char *name : {"bench_pictures", "bench_slideshow"}) {
            report.heading(std::string("Change benchmark of ") + pictarra.label + ": " + name);
            const std::filesystem::path program = benchFolder / name;
            if (access(program.c_str(), X_OK) != 0) {
                report.note(program.string() + " is not built; skipped");
                continue;
            }
            const std::filesystem::path output = std::filesystem::temp_directory_path()
                                                 / ("bench-onscreen-" + std::to_string(getpid()) + "-" + name + ".txt");
            ChildProcess::Options options;
            options.environment = {{"QT_QPA_PLATFORM", "offscreen"}};
            options.outputPath = output.string();
            ChildProcess child({program.string()}, options);
            const bool finished = child.waitForExit(ChildProcess::Clock::now() + std::chrono::minutes(15));
            child.end();
            std::ifstream text(output);
            for (std::string line; std::getline(text, line);)
                report.note(line);
            if (!finished)
                report.note("timeout");
            std::filesystem::remove(output);
        }
    }
}

int run(const Options &options)
{
    std::vector<Viewer> viewers = options.pictarras;
    const bool onScreen = options.cases.count("first") || options.cases.count("first-photo") || options.cases.count("held");
    if (onScreen && viewers.empty())
        fail("--pictarra is needed for the cases on screen");
    std::vector<std::string> labels;
    for (const Viewer &pictarra : options.pictarras) {
        labels.push_back(pictarra.label);
        std::printf("Pictarra %s: %s (build type %s)\n", pictarra.label.c_str(), pictarra.program.c_str(),
                    buildTypeOf(pictarra.program).c_str());
    }
    for (const Viewer &other : {Viewer::feh(), Viewer::nsxiv()}) {
        if (onPath(other.program))
            viewers.push_back(other);
        else
            std::printf("%s is not installed; left out\n", other.program.c_str());
    }
    const Report report(labels);

    const BenchPictures pictures(options.picturesFolder);
    std::printf("Pictures: %d x %d JPEG, quality 90, %s; %d x %d, %s\n", BenchPictures::PhotoWidth,
                BenchPictures::PhotoHeight, megabytes(pictures.photoFile()).c_str(), BenchPictures::SmallWidth,
                BenchPictures::SmallHeight, megabytes(pictures.smallFile()).c_str());

    if (onScreen) {
        ScreenProbe screen;
        if (!screen.waitForWindowManager(ChildProcess::Clock::now() + options.settings.timeout))
            throw std::runtime_error("no window manager came up on the X server");
        OnScreenRuns runs(screen, options.settings);
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            std::printf("No session bus: the programs run without one (run under dbus-run-session, as "
                        "bench/run-onscreen.sh does, to time them as on a desktop)\n");
        char size[64];
        std::snprintf(size, sizeof size, "%d x %d", screen.width(), screen.height());
        std::printf("Screen %s; medians of %d runs (held key: %d runs); programs take turns\n", size, options.runs,
                    options.heldRuns);
        if (options.cases.count("first") || options.cases.count("first-photo"))
            firstPictureCase(runs, report, viewers, options.runs,
                             std::string("First picture, 6000 x 4000 photo, ") + size
                                 + ": pictarra FOLDER, feh -F FILE, nsxiv -f FILE",
                             pictures.photoFolder(), pictures.photoFile(), pictures.photoColour());
        if (options.cases.count("first"))
            firstPictureCase(runs, report, viewers, options.runs,
                             std::string("First picture, 640 x 480 picture, ") + size
                                 + ": pictarra FOLDER, feh -F FILE, nsxiv -f FILE",
                             pictures.smallFolder(), pictures.smallFile(), pictures.smallColour());
        if (options.cases.count("held")) {
            heldKeyCase(runs, report, viewers, options.heldRuns, pictures, false);
            heldKeyCase(runs, report, viewers, options.heldRuns, pictures, true);
        }
    }
    if (options.cases.count("floor"))
        floorCase(report, pictures, options.runs);
    if (options.cases.count("change"))
        changeCase(report, options.pictarras);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = parseOptions(argc, argv);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::signal(signal, endEverything);
    // The JPEG writer is a plugin, found through the application.
    QCoreApplication application(argc, argv);
    try {
        return run(options);
    } catch (const std::exception &failure) {
        ChildProcess::killAll();
        std::fprintf(stderr, "bench_onscreen: %s\n", failure.what());
        return 1;
    }
}
