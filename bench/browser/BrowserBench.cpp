// The browser engine measured on a folder of 200 camera-sized pictures of every kind the browser knows
// (Exif JPEGs with thumbnails, plain JPEGs, BMPs, DV stills, Motion-JPEG movies), taken from the sample
// card and the real camera files:
//  - thumbnails per second of one loader pass with the pacing sleeps set to zero, side by side with
//    vipsthumbnail (one process over every file it can read, single-threaded) on the same folder;
//  - sorting and filtering 9,999 items, per key and direction, per filter code (goal: 5 ms each);
//  - the GUI thread's longest stall while the view makes a folder's thumbnails at the program's own pace,
//    in each of the three layouts: the largest gap between the ticks of a 5 ms timer (goal: 16 ms).
// Ratios above 1 mean Kestrel is slower.

#include "browser/CThumbView.h"
#include "browser/ItemSorting.h"
#include "browser/ItemStore.h"
#include "browser/StandardDecoders.h"
#include "resources/UiResources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <chrono>
#include <ctime>
#include <condition_variable>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPictures = 200;
constexpr int kItems = 9999;  // a full camera folder
constexpr int kSortRounds = 5;
// The stall pass: a folder a window shows at once and a little more, made at the program's pace.
constexpr int kStallPictures = 40;
constexpr int kTickMs = 5;

// Times every event the GUI thread handles, in wall time and in the thread's own CPU time. On a
// machine shared with other work the timer gaps also hold the time the thread waited for a core; the
// CPU time of the longest event is the program's own share of a stall.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        const auto wall = Clock::now();
        const double cpu = threadCpuSeconds();
        const bool handled = QApplication::notify(receiver, event);
        longestWall = std::max(longestWall, std::chrono::duration<double>(Clock::now() - wall).count());
        longestCpu = std::max(longestCpu, threadCpuSeconds() - cpu);
        --depth_;
        return handled;
    }
    void resetTimes() { longestWall = longestCpu = 0; }

    double longestWall = 0;
    double longestCpu = 0;

private:
    static double threadCpuSeconds()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
    }
    int depth_ = 0;
};

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class PassSink : public LoaderSink {
public:
    ViewSettings settings() override { return {}; }
    void layoutChanged() override {}
    void itemChanged() override {}
    void passCompleted(std::uint64_t passId) override
    {
        std::lock_guard guard(mutex);
        completed = passId;
        changed.notify_all();
    }
    ImageFormatProbe imageFormatProbe() override { return {}; }
    void waitFor(std::uint64_t passId)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return completed == passId; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t completed = 0;
};

// Fills `folder` with kPictures files cycling through the sources.
QStringList fillFolder(const QString& folder)
{
    QStringList sources;
    QDirIterator card(QStringLiteral(KESTREL_BUILD_DIR "/samples/card/DCIM/100KSTRL"), QDir::Files);
    while (card.hasNext()) {
        const QString path = card.next();
        const QString suffix = QFileInfo(path).suffix().toUpper();
        if (suffix == QLatin1String("JPG") || suffix == QLatin1String("BMP") || suffix == QLatin1String("DVF") ||
            suffix == QLatin1String("AVI") || suffix == QLatin1String("MOV"))
            sources << path;
    }
    QDirIterator real(QStringLiteral(KESTREL_TESTDATA_DIR "/realworld"), {QStringLiteral("*.jpg"), QStringLiteral("*.JPG")},
                      QDir::Files, QDirIterator::Subdirectories);
    while (real.hasNext())
        sources << real.next();
    sources.sort();
    QStringList made;
    for (int i = 0; i < kPictures && !sources.isEmpty(); ++i) {
        const QString& source = sources[i % sources.size()];
        const QString target = QStringLiteral("%1/P%2.%3").arg(folder).arg(i, 4, 10, QLatin1Char('0')).arg(QFileInfo(source).suffix());
        QFile::copy(source, target);
        made << target;
    }
    return made;
}

void benchThumbnails()
{
    QTemporaryDir folder;
    const QStringList files = fillFolder(folder.path());
    if (files.isEmpty()) {
        std::printf("no pictures found: build the sample card first\n");
        return;
    }
    auto store = std::make_shared<ItemStore>();
    auto sink = std::make_shared<PassSink>();
    ThumbnailLoader::Timing timing;
    timing.afterPicture = 0ms;
    timing.afterIcon = 0ms;
    ThumbnailLoader loader(store, sink, standardDecoderFactory(), timing);
    const auto start = Clock::now();
    LoadRequest request;
    request.folder = folder.path();
    loader.start(request);
    sink->waitFor(loader.currentPass());
    const double kestrel = secondsSince(start);
    int made = 0;
    for (const auto& [number, item] : store->items())
        made += item->thumbnail->dib ? 1 : 0;

    // vipsthumbnail reads the JPEGs and BMPs; it has nothing for DV stills or Motion-JPEG movies.
    QStringList vipsFiles;
    for (const QString& file : files) {
        const QString suffix = QFileInfo(file).suffix().toLower();
        if (suffix == QLatin1String("jpg") || suffix == QLatin1String("bmp"))
            vipsFiles << file;
    }
    QTemporaryDir out;
    QProcess vips;
    vips.setProcessEnvironment([] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VIPS_CONCURRENCY"), QStringLiteral("1"));
        return env;
    }());
    const auto vipsStart = Clock::now();
    vips.start(QStringLiteral("vipsthumbnail"),
               QStringList{QStringLiteral("-s"), QStringLiteral("128"), QStringLiteral("-o"), out.path() + QStringLiteral("/%s.v")} + vipsFiles);
    const bool ran = vips.waitForFinished(600000) && vips.exitCode() == 0;
    const double vipsSeconds = secondsSince(vipsStart);

    std::printf("thumbnails: %d files, %d pictures made in %.3f s: %.1f per second (%.2f ms each)\n", int(files.size()),
                made, kestrel, made / kestrel, 1000.0 * kestrel / std::max(made, 1));
    if (ran) {
        const double vipsEach = 1000.0 * vipsSeconds / vipsFiles.size();
        std::printf("vipsthumbnail: %d JPEG/BMP files in %.3f s (%.2f ms each)\n", int(vipsFiles.size()), vipsSeconds, vipsEach);
        std::printf("ratio Kestrel / vipsthumbnail per picture: %.2f\n", (1000.0 * kestrel / std::max(made, 1)) / vipsEach);
    } else {
        std::printf("vipsthumbnail did not run (%s)\n", qPrintable(vips.errorString()));
    }
}

void fillItems(ItemStore& store)
{
    static const char* const extensions[] = {".JPG", ".jpg", ".AVI", ".MOV", ".TIF", ".BMP", ".DVF", ""};
    auto* random = QRandomGenerator::global();
    store.clear(true);
    for (int i = 0; i < kItems; ++i) {
        auto item = std::make_unique<FileItem>();
        item->name = QStringLiteral("IMG%1%2").arg(random->bounded(10000), 4, 10, QLatin1Char('0')).arg(QLatin1String(extensions[random->bounded(8)]));
        item->size = random->bounded(5'000'000);
        item->lastWrite = random->generate64() >> 8;
        store.add(std::move(item), -1);
    }
}

void benchSortAndFilter()
{
    ItemStore store;
    fillItems(store);
    static const char* const keys[] = {"name", "type", "size", "date"};
    for (int key = 0; key < 4; ++key) {
        for (int direction : {Ascending, Descending}) {
            double best = 1e9;
            for (int round = 0; round < kSortRounds; ++round) {
                fillItems(store);
                const auto start = Clock::now();
                sortItems(store, key, direction, QString());
                best = std::min(best, secondsSince(start));
            }
            std::printf("sort %-4s %s: %.2f ms for %d items\n", keys[key], direction == Ascending ? "ascending " : "descending",
                        1000.0 * best, kItems);
        }
    }
    for (int code = 0; code <= 7; ++code) {
        double best = 1e9;
        for (int round = 0; round < kSortRounds; ++round) {
            const auto start = Clock::now();
            filterItems(store, code, QString(), {});
            best = std::min(best, secondsSince(start));
        }
        std::printf("filter %d: %.2f ms, %zu shown\n", code, 1000.0 * best, store.displayOrder().size());
    }
}

// The view in a window, a folder per layout (so that every thumbnail is made anew), the program's decoders
// and pacing; a 5 ms timer on the GUI thread notes the longest time between two of its ticks.
void benchGuiStalls()
{
    UiResources::bind(UiResources::Bundle::Uibase, QCoreApplication::applicationDirPath());
    UiResources::bind(UiResources::Bundle::Uires, QCoreApplication::applicationDirPath());
    CThumbView view;
    view.resize(800, 600);
    view.show();
    static const char* const layouts[] = {"grid", "information", "details"};
    // The first round also pays for what a program pays once (fonts, the MIME database, icons).
    for (int round = 0; round < 2; ++round)
    for (int layout = 0; layout < 3; ++layout) {
        QTemporaryDir folder;
        QStringList files = fillFolder(folder.path());
        while (files.size() > kStallPictures)
            QFile::remove(files.takeLast());
        if (files.isEmpty()) {
            std::printf("no pictures found: build the sample card first\n");
            return;
        }
        view.setLayout(layout);
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        auto* app = static_cast<TimedApplication*>(QCoreApplication::instance());
        app->resetTimes();
        clock.start();
        ticker.start(kTickMs);
        view.openFolder(folder.path());
        while (view.isLoading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QCoreApplication::processEvents();
        ticker.stop();
        std::printf("GUI stall, %-11s layout, %s: longest %.1f ms over %.1f s (%d files, paced pass); longest "
                    "event %.1f ms, %.1f ms of it on the CPU\n",
                    layouts[layout], round == 0 ? "first use" : "again    ", longest / 1e6, clock.nsecsElapsed() / 1e9,
                    int(files.size()), 1000.0 * app->longestWall, 1000.0 * app->longestCpu);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    benchThumbnails();
    benchSortAndFilter();
    benchGuiStalls();
    return 0;
}
