// Rendering a transport stream from a MUX binary, against the least any
// renderer must do: append the same number of 188-byte packets to a buffer.
// Run by hand:
//   build/bench/bench_tsrender --benchmark_repetitions=5
// and compare BM_Render* with BM_PacketCopyBaseline of the same run.

#include <benchmark/benchmark.h>

#include <QtGlobal>

#include "config/model.h"
#include "mbn/mbnprogram.h"
#include "psi/psivmprogram.h"
#include "mbn/tsrender.h"

namespace {

void quietHandler(QtMsgType, const QMessageLogContext &, const QString &) {}

constexpr int Seconds = 10;

// Every table, three services with three streams each; interval 0 when
// overloaded, so that no slot of the stream is idle.
QByteArray program(bool overloaded)
{
    TransportStreamCfg cfg;
    cfg.netName = QStringLiteral("Bench Net");
    for (int i = 0; i < 3; ++i) {
        ServiceCfg s;
        s.id = quint16(0x100 + i);
        s.pmtPid = quint16(0x100 + 0x10 * i);
        s.pcrPid = quint16(s.pmtPid + 1);
        s.providerName = QStringLiteral("Provider");
        s.serviceName = QStringLiteral("Service %1").arg(i);
        s.eventName = QStringLiteral("Event");
        s.language = QStringLiteral("eng");
        for (int e = 0; e < 3; ++e) {
            ESCfg es;
            es.type = e == 0 ? EsMpeg2Video : EsMpeg2Audio;
            es.pid = quint16(s.pmtPid + 1 + e);
            s.elements << es;
        }
        cfg.services << s;
    }
    if (overloaded) {
        cfg.playoutTimings = true;
        cfg.patTime = cfg.nitTime = cfg.sdtTime = cfg.eitTime = cfg.pmtTime = cfg.tdtTime = 0;
    }
    const QtMessageHandler previous = qInstallMessageHandler(quietHandler);
    PsiVmProgram p;
    p.setDumpEnabled(false);
    p.buildProgram(cfg);
    qInstallMessageHandler(previous);
    return p.program();
}

void render(benchmark::State &state, bool overloaded)
{
    MbnProgram parsed;
    TsRenderer renderer;
    if (!parsed.parse(program(overloaded)) || !renderer.load(parsed)) {
        state.SkipWithError("program does not load");
        return;
    }
    for (auto _ : state) {
        QByteArray ts = renderer.render(Seconds);
        benchmark::DoNotOptimize(ts.data());
    }
    state.SetBytesProcessed(state.iterations() * qint64(Seconds) * TsRenderer::PacketsPerSecond * TsRenderer::PacketSize);
}

void BM_RenderDefaultTimes(benchmark::State &state) { render(state, false); }
void BM_RenderOverloaded(benchmark::State &state) { render(state, true); }

void BM_PacketCopyBaseline(benchmark::State &state)
{
    const QByteArray packet(TsRenderer::PacketSize, '\x47');
    for (auto _ : state) {
        QByteArray ts;
        ts.reserve(qsizetype(Seconds) * TsRenderer::PacketsPerSecond * TsRenderer::PacketSize);
        for (int n = 0; n < Seconds * TsRenderer::PacketsPerSecond; ++n)
            ts.append(packet);
        benchmark::DoNotOptimize(ts.data());
    }
    state.SetBytesProcessed(state.iterations() * qint64(Seconds) * TsRenderer::PacketsPerSecond * TsRenderer::PacketSize);
}

} // namespace

BENCHMARK(BM_PacketCopyBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderDefaultTimes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderOverloaded)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
