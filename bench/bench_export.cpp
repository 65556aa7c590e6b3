// Export of the largest configuration the checks accept, against writing the
// same number of bytes through QSaveFile. Run by hand:
//   build/bench/bench_export --benchmark_repetitions=5
// and compare BM_Export with BM_SaveFileBaseline of the same run.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#include "config/model.h"
#include "config/savefile.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"

namespace {

void quietHandler(QtMsgType, const QMessageLogContext &, const QString &) {}

QString filled(const QString &head, int length)
{
    return (head + QString(length, QLatin1Char('x'))).left(length);
}

// 16 services with PMT and EIT, 6 streams each, texts at the lengths that
// still fit (the SDT shares its 1024 bytes among the 16 service descriptors),
// 1000 filter rules.
TransportStreamCfg largestConfig()
{
    TransportStreamCfg cfg;
    cfg.id = 1;
    cfg.origId = 2;
    cfg.netId = 3;
    cfg.netName = filled(QStringLiteral("Network "), 255);
    cfg.playoutTimings = true;
    for (int i = 0; i < 16; ++i) {
        ServiceCfg s;
        s.id = quint16(0x100 + i);
        s.type = i % 2;
        s.pmtPid = quint16(0x100 + 0x10 * i);
        s.pcrPid = quint16(s.pmtPid + 1);
        s.providerName = filled(QStringLiteral("Provider "), 20);
        s.serviceName = filled(QStringLiteral("Service %1 ").arg(i), 31);
        s.eventName = filled(QStringLiteral("Event "), 100);
        s.eventText = filled(QStringLiteral("Text "), 150);
        s.language = QStringLiteral("eng");
        s.caEnabled = i % 2 == 0;
        s.caId = 0x0B00;
        s.ecmPid = quint16(0x1000 + i);
        s.lcEnabled = true;
        s.lcNumber = quint16(i + 1);
        for (int e = 0; e < 6; ++e) {
            ESCfg es;
            es.type = e == 5 ? EsTeletext : (e == 0 ? EsH264Video : EsMpeg2Audio);
            es.pid = quint16(s.pmtPid + 2 + e);
            es.language = QStringLiteral("deu");
            s.elements << es;
        }
        cfg.services << s;
    }
    for (int r = 0; r < 1000; ++r) {
        FilterCfg f;
        f.match = r % 2;
        f.input = r % 5;
        f.a = quint32(r);
        f.b = quint32(r + 100);
        f.action = r % 3;
        f.newBase = 0x1000;
        cfg.filters << f;
    }
    return cfg;
}

const TransportStreamCfg &config()
{
    static const TransportStreamCfg cfg = [] {
        qInstallMessageHandler(quietHandler);
        TransportStreamCfg c = largestConfig();
        const QStringList problems = exportProblems(c);
        if (!problems.isEmpty()) {
            std::fprintf(stderr, "benchmark configuration refused: %s\n", qPrintable(problems.join(QLatin1Char('\n'))));
            std::abort();
        }
        return c;
    }();
    return cfg;
}

void BM_BuildProgram(benchmark::State &state)
{
    const TransportStreamCfg &cfg = config();
    PsiVmProgram prog;
    for (auto _ : state) {
        prog.buildProgram(cfg);
        benchmark::DoNotOptimize(prog.program().constData());
    }
    state.SetBytesProcessed(state.iterations() * prog.program().size());
    state.counters["program_bytes"] = double(prog.program().size());
}
BENCHMARK(BM_BuildProgram);

// The whole export: check, build, guarded QSaveFile commit (no dump).
void BM_Export(benchmark::State &state)
{
    const TransportStreamCfg &cfg = config();
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.mbn"));
    qint64 bytes = 0;
    for (auto _ : state) {
        PsiVmProgram prog;
        prog.setDumpEnabled(false);
        if (!prog.open(target) || !prog.generateProgram(cfg)) {
            state.SkipWithError("export failed");
            break;
        }
        bytes = prog.program().size();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_Export);

// Baseline: the same number of bytes through QSaveFile, nothing else.
void BM_SaveFileBaseline(benchmark::State &state)
{
    PsiVmProgram prog;
    prog.buildProgram(config());
    const QByteArray data = prog.program();
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.mbn"));
    for (auto _ : state) {
        if (!writeFileAtomically(target, data)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_SaveFileBaseline);

} // namespace

BENCHMARK_MAIN();
