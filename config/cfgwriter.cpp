#include "config/cfgwriter.h"

#include <QIODevice>

#include <algorithm>
#include <charconv>
#include <cstring>


namespace {

// Text for a device is handed over in pieces of about this size.
constexpr qsizetype WriteChunk = 64 * 1024;

class Emitter
{
public:
    // With a device, the text goes there piece by piece and out holds only
    // the piece being built; without, out receives the whole text. Lines are
    // written straight into out's bytes, which finish() cuts to the text.
    Emitter(QByteArray *out, QIODevice *device) : m_out(out), m_device(device) { grow(0); }

    void blockStart(int level, QByteArrayView name)
    {
        line(level, name, " {\n");
    }

    void blockEnd(int level) { line(level, QByteArrayView(), "}\n"); }

    // 16-bit identifiers, PIDs and the filter's a and b are unsigned in the
    // model, the codes and the remap base signed; both print as plain decimal.
    void number(int level, QByteArrayView key, qint64 value)
    {
        char digits[32] = " = ";
        char *end = std::to_chars(digits + 3, digits + sizeof digits - 2, value).ptr;
        *end++ = ';';
        *end++ = '\n';
        line(level, key, QByteArrayView(digits, end - digits));
    }

    void flag(int level, QByteArrayView key, bool value)
    {
        line(level, key, value ? QByteArrayView(" = yes;\n") : QByteArrayView(" = no;\n"));
    }

    // Trimmed, backslashes doubled, then quotes escaped; an empty text is
    // left out, so the field reads back as its default (empty).
    void text(int level, QByteArrayView key, const QString &value)
    {
        const QString trimmed = value.trimmed();
        if (trimmed.isEmpty())
            return;
        line(level, key, " = '");
        if (!appendAscii(trimmed))
            appendEscaped(trimmed.toUtf8());
        append("';\n");
    }

    // Once a good piece of text is ready, it goes to the device; false when
    // the device took less than all of it.
    bool pieceDone() { return m_end - m_begin < WriteChunk || flush(); }

    bool flush()
    {
        if (!m_device)
            return true;
        for (const char *p = m_begin; p < m_end;) {
            const qint64 n = m_device->write(p, m_end - p);
            if (n <= 0)
                return false;
            p += n;
        }
        m_end = m_begin;
        return true;
    }

    void finish() { m_out->resize(m_end - m_begin); }

private:
    // Room for n more bytes at m_end.
    char *room(qsizetype n)
    {
        if (m_limit - m_end < n)
            grow(n);
        return m_end;
    }

    void grow(qsizetype n)
    {
        const qsizetype used = m_end - m_begin;
        m_out->resize(qMax(qMax(m_out->capacity(), 2 * m_out->size()), used + n + 4096));
        m_begin = m_out->data();
        m_end = m_begin + used;
        m_limit = m_begin + m_out->size();
    }

    void append(QByteArrayView bytes)
    {
        char *d = room(bytes.size());
        std::memcpy(d, bytes.data(), size_t(bytes.size()));
        m_end = d + bytes.size();
    }

    // Indentation, key (or block name) and the rest of a line.
    void line(int level, QByteArrayView key, QByteArrayView rest)
    {
        char *d = room(level + key.size() + rest.size());
        d = std::fill_n(d, level, '\t');
        d = std::copy_n(key.data(), key.size(), d);
        m_end = std::copy_n(rest.data(), rest.size(), d);
    }

    // Most texts are ASCII: escaped straight from the string, without an
    // encoded copy. False (and nothing written) for any other text.
    bool appendAscii(QStringView s)
    {
        char *d = room(2 * s.size()); // every character escaped, at most
        for (const QChar c : s) {
            const char16_t u = c.unicode();
            if (u >= 0x80)
                return false;
            if (u == u'\\' || u == u'\'')
                *d++ = '\\';
            *d++ = char(u);
        }
        m_end = d;
        return true;
    }

    void appendEscaped(QByteArrayView utf8)
    {
        qsizetype run = 0;
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            if (utf8[i] == '\\' || utf8[i] == '\'') {
                append(utf8.sliced(run, i - run));
                append("\\");
                run = i;
            }
        }
        append(utf8.sliced(run));
    }

    QByteArray *m_out;
    QIODevice *m_device;
    char *m_begin = nullptr;
    char *m_end = nullptr;
    char *m_limit = nullptr;
};

void emitStreamHead(Emitter &e, const TransportStreamCfg &cfg)
{
    e.blockStart(0, "transport-stream");
    e.number(1, "id", cfg.id);
    e.number(1, "orig-id", cfg.origId);
    e.number(1, "net-id", cfg.netId);
    e.text(1, "net-name", cfg.netName);
    if (cfg.caEnabled) {
        e.blockStart(1, "ca");
        e.number(2, "ca-id", cfg.caId);
        e.number(2, "emm-pid", cfg.emmPid);
        e.blockEnd(1);
    }
    e.flag(1, "pat-enabled", cfg.patEnabled);
    e.flag(1, "sdt-enabled", cfg.sdtEnabled);
    e.flag(1, "nit-enabled", cfg.nitEnabled);
    e.flag(1, "eit-enabled", cfg.eitEnabled);
    e.flag(1, "tdt-enabled", cfg.tdtEnabled);
    e.flag(1, "real-tdt", cfg.realTdt);
    e.flag(1, "playout-timings", cfg.playoutTimings);
    e.number(1, "pat-time", cfg.patTime);
    e.number(1, "nit-time", cfg.nitTime);
    e.number(1, "sdt-time", cfg.sdtTime);
    e.number(1, "eit-time", cfg.eitTime);
    e.number(1, "pmt-time", cfg.pmtTime);
    e.number(1, "tdt-time", cfg.tdtTime);
    e.number(1, "filter-default", cfg.filterDefault);
}

void emitFilter(Emitter &e, const FilterCfg &f)
{
    e.blockStart(1, "filter");
    e.number(2, "match", f.match);
    e.number(2, "input", f.input);
    e.number(2, "a", f.a);
    e.number(2, "b", f.b);
    e.number(2, "action", f.action);
    // The base only means something to a remap rule.
    if (f.action == ActionRemap)
        e.number(2, "new-base", f.newBase);
    e.blockEnd(1);
}

void emitService(Emitter &e, const ServiceCfg &s)
{
    e.blockStart(1, "service");
    e.number(2, "id", s.id);
    e.number(2, "type", s.type);
    e.text(2, "provider-name", s.providerName);
    e.text(2, "service-name", s.serviceName);
    e.text(2, "event-name", s.eventName);
    e.text(2, "event-text", s.eventText);
    e.text(2, "language", s.language);
    e.number(2, "pmt-pid", s.pmtPid);
    e.number(2, "pcr-pid", s.pcrPid);
    if (s.caEnabled) {
        e.blockStart(2, "ca");
        e.number(3, "ca-id", s.caId);
        e.number(3, "ecm-pid", s.ecmPid);
        e.blockEnd(2);
    }
    if (s.lcEnabled) {
        e.blockStart(2, "logical-channel");
        e.flag(3, "visible", s.lcVisible);
        e.number(3, "number", s.lcNumber);
        e.blockEnd(2);
    }
    e.flag(2, "pmt-enabled", s.pmtEnabled);
    for (const ESCfg &es : s.elements) {
        e.blockStart(2, "element");
        e.number(3, "type", es.type);
        e.number(3, "pid", es.pid);
        e.text(3, "language", es.language);
        e.blockEnd(2);
    }
    e.blockEnd(1);
}

bool emitDocument(Emitter &e, const TransportStreamCfg &cfg)
{
    emitStreamHead(e, cfg);
    for (const FilterCfg &f : cfg.filters)
        emitFilter(e, f);
    for (const ServiceCfg &s : cfg.services) {
        emitService(e, s);
        if (!e.pieceDone())
            return false;
    }
    e.blockEnd(0);
    return e.flush();
}

} // namespace

CfgWriter::CfgWriter() = default;
CfgWriter::~CfgWriter() = default;

QByteArray CfgWriter::toText(const TransportStreamCfg &cfg)
{
    QByteArray out;
    qsizetype estimate = 512 + cfg.filters.size() * 100;
    for (const ServiceCfg &s : cfg.services) {
        estimate += 300 + s.elements.size() * 60 + 2 * (s.providerName.size() + s.serviceName.size()
                                                        + s.eventName.size() + s.eventText.size());
    }
    out.reserve(estimate);
    Emitter e(&out, nullptr);
    emitDocument(e, cfg);
    e.finish();
    return out;
}

bool CfgWriter::writeText(QIODevice *device, const TransportStreamCfg &cfg)
{
    QByteArray piece;
    piece.reserve(WriteChunk + 4096);
    Emitter e(&piece, device);
    return emitDocument(e, cfg);
}

bool CfgWriter::open(const QString &fileName, OutputFile::ReaderWait wait)
{
    m_errorString.clear();
    m_file = std::make_unique<OutputFile>(fileName);
    if (!m_file->open(wait)) {
        m_errorString = tr("cannot write '%1': %2").arg(fileName, m_file->errorString());
        m_file.reset();
        return false;
    }
    return true;
}

bool CfgWriter::write(const TransportStreamCfg &cfg)
{
    if (!m_file) {
        if (m_errorString.isEmpty())
            m_errorString = tr("no file is open for writing");
        return false;
    }
    const auto writeAll = [&cfg](QIODevice *device) { return writeText(device, cfg); };
    const bool written = m_file->write(writeAll);
    if (!written)
        m_errorString = tr("cannot write '%1': %2").arg(m_file->fileName(), m_file->errorString());
    return written;
}
