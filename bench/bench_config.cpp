// Reading and writing a large .mux configuration: 20,000 services with four
// elementary streams each, about 10 MB of canonical text. The baseline is a
// plain scan of the same bytes (counting line feeds with memchr); the report
// at the end gives reader and writer time as multiples of that scan, and the
// reader's peak heap use as a multiple of the file size.
#include <benchmark/benchmark.h>

#include <QByteArray>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <string>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "ratioreporter.h"

// --- Heap accounting -------------------------------------------------------
// QByteArray and QString allocate through malloc, so the accounting wraps the
// C allocator of glibc. Sizes are the usable sizes of the blocks.
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void __libc_free(void *);
}

namespace {
std::atomic<long long> heapNow{0};
std::atomic<long long> heapPeak{0};

void account(long long delta)
{
    const long long now = heapNow.fetch_add(delta, std::memory_order_relaxed) + delta;
    long long peak = heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}
} // namespace

extern "C" void *malloc(size_t n)
{
    void *p = __libc_malloc(n);
    if (p)
        account(static_cast<long long>(malloc_usable_size(p)));
    return p;
}

extern "C" void *calloc(size_t n, size_t size)
{
    void *p = __libc_calloc(n, size);
    if (p)
        account(static_cast<long long>(malloc_usable_size(p)));
    return p;
}

extern "C" void *realloc(void *old, size_t n)
{
    const long long before = old ? static_cast<long long>(malloc_usable_size(old)) : 0;
    void *p = __libc_realloc(old, n);
    if (p)
        account(static_cast<long long>(malloc_usable_size(p)) - before);
    else if (n == 0 && old)
        account(-before);
    return p;
}

extern "C" void free(void *p)
{
    if (p)
        account(-static_cast<long long>(malloc_usable_size(p)));
    __libc_free(p);
}

// --- The document ----------------------------------------------------------

namespace {

TransportStreamCfg largeDocument()
{
    TransportStreamCfg c;
    c.id = 1;
    c.origId = 8468;
    c.netId = 12290;
    c.netName = QStringLiteral("Bench Network");
    c.caEnabled = true;
    c.caId = 0x0B00;
    c.emmPid = 900;
    for (int i = 0; i < 8; ++i) {
        FilterCfg f;
        f.input = i % 5;
        f.a = quint32(i * 512);
        f.b = quint32(i * 512 + 511);
        f.action = i % 3;
        f.newBase = 4096 + i;
        c.filters.append(f);
    }
    for (int i = 0; i < 20000; ++i) {
        ServiceCfg s;
        s.id = quint16(i + 1);
        s.type = i % 2;
        s.providerName = QStringLiteral("Provider %1").arg(i % 37);
        s.serviceName = QStringLiteral("Service number %1").arg(i);
        s.eventName = QStringLiteral("Evening programme %1").arg(i % 101);
        s.eventText = QStringLiteral("An event text of moderate length, with o'clock and a \\ in it, %1")
                          .arg(i);
        s.language = QStringLiteral("eng");
        s.pmtPid = quint16(32 + i % 8000);
        s.pcrPid = quint16(100 + i % 8000);
        s.caEnabled = i % 3 == 0;
        s.caId = 0x0B00;
        s.ecmPid = quint16(901 + i % 100);
        s.lcEnabled = i % 2 == 0;
        s.lcNumber = quint16(i % 1000);
        for (int e = 0; e < 4; ++e) {
            ESCfg es;
            es.type = e;
            es.pid = quint16(200 + (i * 4 + e) % 7900);
            if (e > 0)
                es.language = QStringLiteral("deu");
            s.elements.append(es);
        }
        c.services.append(s);
    }
    return c;
}

const TransportStreamCfg &document()
{
    static const TransportStreamCfg doc = largeDocument();
    return doc;
}

const QByteArray &documentText()
{
    static const QByteArray text = CfgWriter::toText(document());
    return text;
}

void BM_ScanLineFeeds(benchmark::State &state)
{
    const QByteArray &text = documentText();
    for (auto _ : state) {
        const char *p = text.constData();
        const char *end = p + text.size();
        qsizetype lines = 0;
        while (const void *nl = std::memchr(p, '\n', size_t(end - p))) {
            ++lines;
            p = static_cast<const char *>(nl) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ScanLineFeeds)->Unit(benchmark::kMillisecond);

void BM_Read(benchmark::State &state)
{
    const QByteArray &text = documentText();
    long long peakOverStart = 0;
    for (auto _ : state) {
        const long long start = heapNow.load();
        heapPeak.store(start);
        {
            CfgReader reader;
            TransportStreamCfg cfg;
            if (!reader.parseData(text, &cfg))
                state.SkipWithError("the generated document does not read");
            benchmark::DoNotOptimize(cfg.services.size());
        }
        peakOverStart = qMax(peakOverStart, heapPeak.load() - start);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["peak_heap_per_file_byte"] = double(peakOverStart) / double(text.size());
}
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);

void BM_Write(benchmark::State &state)
{
    const TransportStreamCfg &cfg = document();
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray text = CfgWriter::toText(cfg);
        size = text.size();
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    // Build the document and its text before any timing starts.
    const double megabytes = double(documentText().size()) / 1e6;

    // The heap that the document and its text hold, measured once.
    long long documentHeap = 0;
    {
        const long long before = heapNow.load();
        CfgReader reader;
        auto *cfg = new TransportStreamCfg;
        reader.parseData(documentText(), cfg);
        documentHeap = heapNow.load() - before;
        delete cfg;
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto it = reporter.seconds.find("BM_ScanLineFeeds");
    if (it == reporter.seconds.end() || it->second <= 0)
        return 0;
    const double scan = it->second;
    std::printf("\ntext: %.2f MB, %lld services\n", megabytes,
                static_cast<long long>(document().services.size()));
    for (const char *name : {"BM_Read", "BM_Write"}) {
        const auto r = reporter.seconds.find(name);
        if (r == reporter.seconds.end())
            continue;
        std::printf("%-9s %8.1f MB/s CPU   %6.1f x the line-feed scan\n", name, megabytes / r->second,
                    r->second / scan);
    }
    std::printf("scan      %8.1f MB/s CPU\n", megabytes / scan);
    std::printf("document read from the text holds %.2f MB (%.2f x the file size)\n",
                double(documentHeap) / 1e6, double(documentHeap) / 1e6 / megabytes);
    benchmark::Shutdown();
    return 0;
}
