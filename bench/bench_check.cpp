// Reading and checking configurations of 2,000 and 20,000 services (four
// elementary streams each, a few hundred filter rules). The baseline is
// reading alone (CfgReader on the same text); the report at the end gives the
// 20,000/2,000 ratio of read + check (about 10 when the check is linear, as
// reading is) and what the check adds to reading.
//
// With --write-files DIR it also writes DIR/check-2000.mux and
// DIR/check-20000.mux, for timing `velunor-cli check` on them.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "check/configcheck.h"
#include "ratioreporter.h"

namespace {

// 13-bit PIDs cannot give 100,000 distinct ones: each purpose has its own
// region of 1600 PIDs, so that services 1600 apart share PIDs of the same
// purpose, which the check accepts (shared audio, say). Service ids differ.
constexpr int Region = 1600;
constexpr int FirstPid = 0x0020;

TransportStreamCfg document(int services)
{
    TransportStreamCfg c;
    c.id = 1;
    c.netName = QStringLiteral("Bench Network");
    c.caEnabled = true;
    c.caId = 0x0B00;
    c.emmPid = 8100;
    for (int r = 0; r < 300; ++r) {
        FilterCfg f;
        f.input = r % 5;
        f.match = r % 10 == 9 ? MatchMask : MatchRange;
        if (f.match == MatchMask) {
            f.a = 0x1FF0;
            f.b = quint32((r * 16) % 8192);
        } else {
            f.a = quint32(r * 27);
            f.b = f.a + 20;
        }
        f.action = r % 3;
        f.newBase = 8120 + r % 40;
        c.filters.append(f);
    }
    for (int i = 0; i < services; ++i) {
        const int slot = i % Region;
        ServiceCfg s;
        s.id = quint16(i + 1);
        s.type = i % 2;
        s.providerName = QStringLiteral("Provider %1").arg(i % 37);
        s.serviceName = QStringLiteral("Service number %1").arg(i);
        s.eventName = QStringLiteral("Evening programme %1").arg(i % 101);
        s.eventText = QStringLiteral("An event text of moderate length, %1").arg(i);
        s.language = QStringLiteral("eng");
        s.pmtPid = quint16(FirstPid + slot);
        // Only the first region's PMTs are generated: two generated PMTs on
        // one PID would be a finding per service.
        s.pmtEnabled = i < Region;
        s.caEnabled = i % 3 == 0;
        s.caId = 0x0B00;
        s.ecmPid = 8050;
        s.lcEnabled = i < 1000;
        s.lcNumber = quint16(i % 1000);
        static const int types[] = {EsMpeg2Video, EsMpeg2Audio, EsMpeg2Audio, EsTeletext};
        for (int e = 0; e < 4; ++e) {
            ESCfg es;
            es.type = types[e];
            es.pid = quint16(FirstPid + (e + 1) * Region + slot);
            if (e > 0)
                es.language = QStringLiteral("deu");
            s.elements.append(es);
        }
        s.pcrPid = s.elements.first().pid;
        c.services.append(s);
    }
    return c;
}

const QByteArray &documentText(int services)
{
    static std::map<int, QByteArray> texts;
    QByteArray &text = texts[services];
    if (text.isEmpty())
        text = CfgWriter::toText(document(services));
    return text;
}

void BM_Read(benchmark::State &state)
{
    const QByteArray &text = documentText(int(state.range(0)));
    for (auto _ : state) {
        CfgReader reader;
        TransportStreamCfg cfg;
        if (!reader.parseData(text, &cfg))
            state.SkipWithError("the generated document does not read");
        benchmark::DoNotOptimize(cfg.services.size());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_Read)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_ReadAndCheck(benchmark::State &state)
{
    const QByteArray &text = documentText(int(state.range(0)));
    qsizetype findings = 0;
    for (auto _ : state) {
        CfgReader reader;
        TransportStreamCfg cfg;
        if (!reader.parseData(text, &cfg))
            state.SkipWithError("the generated document does not read");
        findings = checkConfiguration(cfg, &reader.sourceLines()).size();
        benchmark::DoNotOptimize(findings);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["findings"] = double(findings);
}
BENCHMARK(BM_ReadAndCheck)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

bool writeFiles(const char *dir)
{
    for (int services : {2000, 20000}) {
        QFile f(QString::fromLocal8Bit(dir) + QStringLiteral("/check-%1.mux").arg(services));
        const QByteArray &text = documentText(services);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size() || !f.flush()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--write-files") == 0)
            return writeFiles(argv[i + 1]) ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    // Build the texts before any timing starts.
    const double small = double(documentText(2000).size()) / 1e6;
    const double large = double(documentText(20000).size()) / 1e6;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const double read2 = reporter.at("BM_Read/2000");
    const double read20 = reporter.at("BM_Read/20000");
    const double both2 = reporter.at("BM_ReadAndCheck/2000");
    const double both20 = reporter.at("BM_ReadAndCheck/20000");
    if (read2 <= 0 || read20 <= 0 || both2 <= 0 || both20 <= 0)
        return 0;
    std::printf("\ntext: %.2f MB (2,000 services), %.2f MB (20,000 services)\n", small, large);
    std::printf("read + check:  %8.2f ms (2,000)  %8.2f ms (20,000)  ratio %.2f\n", both2 * 1e3, both20 * 1e3,
                both20 / both2);
    std::printf("read alone:    %8.2f ms (2,000)  %8.2f ms (20,000)  ratio %.2f\n", read2 * 1e3, read20 * 1e3,
                read20 / read2);
    std::printf("check over reading: +%.0f %% (2,000)  +%.0f %% (20,000)\n", (both2 / read2 - 1) * 100,
                (both20 / read20 - 1) * 100);
    benchmark::Shutdown();
    return 0;
}
