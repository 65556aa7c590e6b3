// The main window's lists with a large document: 5,000 services of four
// elementary streams each and 2,000 PID filter rules.
//
// Every figure is reported against a baseline taken in the same iteration:
// filling a bare, visible QListWidget with the same number of entries (the
// services list's own texts), so the ratios hold across machines. Run by hand:
//   QT_QPA_PLATFORM=offscreen build-xxx/bench/bench_pages

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <time.h>

#include "../tests/common/scriptedprompter.h"
#include "app/recordlist.h"
#include "app/velunor.h"
#include "largedocument.h"

namespace {

constexpr int ServiceCount = 5000;
constexpr int FilterCount = 2000;

// CPU time of the GUI thread: the machine is shared, and wall time would
// count other processes' work against whichever side was unlucky.
class CpuTimer {
public:
    CpuTimer() { start(); }
    void start() { begin = now(); }
    qint64 nsecsElapsed() const { return now() - begin; }

private:
    static qint64 now()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
    qint64 begin = 0;
};

// What a bare list costs: clear, then one addItem per entry.
qint64 bareFillNs(QListWidget *list, const QStringList &texts)
{
    CpuTimer t;
    list->clear();
    for (const QString &text : texts)
        list->addItem(text);
    return t.nsecsElapsed();
}

struct Fixture {
    Fixture()
    {
        window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(2);
        window.show();
        bare.show();
        services = window.findChild<RecordList *>(QStringLiteral("services"));
    }

    QStringList serviceTexts(int count) const
    {
        QStringList texts;
        for (int i = 0; i < count; ++i)
            texts << QStringLiteral("Service number %1 (Service 0x%2)\nPMT:0x%3 "
                                    "(Vid:0x0021, Aud:0x0022, Txt:0x0023, Vid:0x0024)")
                         .arg(i)
                         .arg(i + 1, 4, 16, QLatin1Char('0'))
                         .arg(32 + i, 4, 16, QLatin1Char('0'));
        return texts;
    }

    QStringList filterTexts(int count) const
    {
        QStringList texts;
        for (int i = 0; i < count; ++i)
            texts << QStringLiteral("PID 0x%1 - 0x%1, Port 1: Remap to base 0x1000")
                         .arg(i, 4, 16, QLatin1Char('0'));
        return texts;
    }

    Velunor window;
    QListWidget bare;
    RecordList *services = nullptr;
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void report(benchmark::State &state, qint64 measuredNs, qint64 bareNs)
{
    const double n = double(state.iterations());
    state.counters["ms"] = measuredNs / n / 1e6;
    state.counters["bare_ms"] = bareNs / n / 1e6;
    state.counters["ratio"] = double(measuredNs) / double(bareNs);
}

// setDocument with only services: rebuilds the services list and opens the
// first service; the empty document in between keeps every pass alike.
void BM_ServiceListRefresh(benchmark::State &state)
{
    Fixture &f = fixture();
    const TransportStreamCfg doc = makeDocument(ServiceCount, 0);
    const QStringList texts = f.serviceTexts(ServiceCount);
    qint64 measured = 0;
    qint64 bare = 0;
    for (auto _ : state) {
        CpuTimer t;
        f.window.setDocument(doc);
        measured += t.nsecsElapsed();
        bare += bareFillNs(&f.bare, texts);
        benchmark::DoNotOptimize(f.services->count());
    }
    report(state, measured, bare);
}
BENCHMARK(BM_ServiceListRefresh)->Unit(benchmark::kMillisecond)->Iterations(30);

// The same, with the event loop run afterwards so the list lays out and
// paints its entries, as the operator sees it; the bare list likewise.
void BM_ServiceListRefreshShown(benchmark::State &state)
{
    Fixture &f = fixture();
    const TransportStreamCfg doc = makeDocument(ServiceCount, 0);
    const QStringList texts = f.serviceTexts(ServiceCount);
    qint64 measured = 0;
    qint64 bare = 0;
    for (auto _ : state) {
        CpuTimer t;
        f.window.setDocument(doc);
        QCoreApplication::processEvents();
        measured += t.nsecsElapsed();
        t.start();
        bareFillNs(&f.bare, texts);
        QCoreApplication::processEvents();
        bare += t.nsecsElapsed();
    }
    report(state, measured, bare);
}
BENCHMARK(BM_ServiceListRefreshShown)->Unit(benchmark::kMillisecond)->Iterations(30);

// The services list rebuilt on its own: removing the last service (answered
// Yes) rebuilds the list of the 4,999 left. The document is put back outside
// the measurement.
void BM_ServiceListRebuild(benchmark::State &state)
{
    Fixture &f = fixture();
    ScriptedPrompter prompter;
    const TransportStreamCfg doc = makeDocument(ServiceCount, 0);
    const QStringList texts = f.serviceTexts(ServiceCount - 1);
    auto *remove = f.window.findChild<QPushButton *>(QStringLiteral("removeService"));
    qint64 measured = 0;
    qint64 bare = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.window.setDocument(doc);
        {
            // Current entry without opening it: the editor keeps the first
            // service, so only the list is rebuilt.
            const QSignalBlocker blocker(f.services);
            f.services->setCurrentRow(ServiceCount - 1);
        }
        QCoreApplication::processEvents();
        prompter.answers.enqueue(QMessageBox::Yes);
        state.ResumeTiming();
        CpuTimer t;
        remove->click();
        measured += t.nsecsElapsed();
        bare += bareFillNs(&f.bare, texts);
        if (f.services->count() != ServiceCount - 1)
            state.SkipWithError("the service was not removed");
    }
    report(state, measured, bare);
}
BENCHMARK(BM_ServiceListRebuild)->Unit(benchmark::kMillisecond)->Iterations(30);

// What setDocument costs besides the lists: an empty document.
void BM_EmptyDocument(benchmark::State &state)
{
    Fixture &f = fixture();
    const TransportStreamCfg doc;
    f.window.setDocument(doc);
    for (auto _ : state)
        f.window.setDocument(doc);
}
BENCHMARK(BM_EmptyDocument)->Unit(benchmark::kMillisecond);

// setDocument with only filter rules: rebuilds the filter list.
void BM_FilterListRefresh(benchmark::State &state)
{
    Fixture &f = fixture();
    const TransportStreamCfg doc = makeDocument(0, FilterCount);
    const QStringList texts = f.filterTexts(FilterCount);
    f.window.setDocument(TransportStreamCfg());
    qint64 measured = 0;
    qint64 bare = 0;
    for (auto _ : state) {
        CpuTimer t;
        f.window.setDocument(doc);
        measured += t.nsecsElapsed();
        bare += bareFillNs(&f.bare, texts);
    }
    report(state, measured, bare);
}
BENCHMARK(BM_FilterListRefresh)->Unit(benchmark::kMillisecond)->Iterations(20);

// Selecting services one after another in the list: commit (nothing edited),
// load the editor, rebuild the element list, and let the window repaint.
void BM_OpenService(benchmark::State &state)
{
    Fixture &f = fixture();
    f.window.setDocument(makeDocument(ServiceCount, FilterCount));
    QCoreApplication::processEvents();
    const QStringList texts = f.serviceTexts(ServiceCount);
    qint64 measured = 0;
    qint64 bare = 0;
    int row = 0;
    for (auto _ : state) {
        row = (row + 7) % ServiceCount;
        CpuTimer t;
        f.services->setCurrentRow(row);
        QCoreApplication::processEvents();
        measured += t.nsecsElapsed();
    }
    // One bare fill per hundred opens keeps the run short; scaled back below.
    const int bareRuns = std::max<int>(1, int(state.iterations() / 100));
    for (int i = 0; i < bareRuns; ++i)
        bare += bareFillNs(&f.bare, texts);
    bare = bare * qint64(state.iterations()) / bareRuns;
    report(state, measured, bare);
}
BENCHMARK(BM_OpenService)->Unit(benchmark::kMillisecond)->Iterations(500);

// As above, but each service is edited before the next is selected, so every
// step commits: the stored service's one entry is rewritten, nothing rebuilt.
void BM_OpenServiceAfterEdit(benchmark::State &state)
{
    Fixture &f = fixture();
    f.window.setDocument(makeDocument(ServiceCount, FilterCount));
    QCoreApplication::processEvents();
    auto *name = f.window.findChild<QLineEdit *>(QStringLiteral("serviceName"));
    const QStringList texts = f.serviceTexts(ServiceCount);
    qint64 measured = 0;
    qint64 bare = 0;
    int row = 0;
    for (auto _ : state) {
        name->setText(QStringLiteral("Edited %1").arg(row));
        row = (row + 7) % ServiceCount;
        CpuTimer t;
        f.services->setCurrentRow(row);
        QCoreApplication::processEvents();
        measured += t.nsecsElapsed();
    }
    const int bareRuns = std::max<int>(1, int(state.iterations() / 100));
    for (int i = 0; i < bareRuns; ++i)
        bare += bareFillNs(&f.bare, texts);
    bare = bare * qint64(state.iterations()) / bareRuns;
    report(state, measured, bare);
}
BENCHMARK(BM_OpenServiceAfterEdit)->Unit(benchmark::kMillisecond)->Iterations(500);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
