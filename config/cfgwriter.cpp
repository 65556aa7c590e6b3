#include "config/cfgwriter.h"

#include <QIODevice>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "config/fields.h"

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

    void word(int level, QByteArrayView key, QByteArrayView value)
    {
        line(level, key, " = ");
        append(value);
        append(";\n");
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

// Whether a block inside a record's own block is written at all.
bool blockWritten(const TransportStreamCfg &cfg, CfgBlock block)
{
    return block != CfgBlock::StreamCa || cfg.caEnabled;
}

bool blockWritten(const FilterCfg &, CfgBlock)
{
    return true;
}

bool blockWritten(const ServiceCfg &s, CfgBlock block)
{
    return (block != CfgBlock::ServiceCa || s.caEnabled) && (block != CfgBlock::LogicalChannel || s.lcEnabled);
}

bool blockWritten(const ESCfg &, CfgBlock)
{
    return true;
}

bool fieldWritten(const CfgField<FilterCfg> &f, const FilterCfg &rule)
{
    // The base only means something to a remap rule.
    return !f.is(&FilterCfg::newBase) || rule.action == ActionRemap;
}

bool fieldWritten(const CfgField<TransportStreamCfg> &f, const TransportStreamCfg &cfg)
{
    // A file without the key has plain logical channels.
    return !f.is(&TransportStreamCfg::lcnProfile) || cfg.lcnProfile != LcnPlain;
}

template<typename R>
bool fieldWritten(const CfgField<R> &, const R &)
{
    return true;
}

// The items of one record in the order of its field table; the blocks
// inside the record's own (a ca or logical-channel block) open and close
// around their fields. The own block is opened and left open by the caller.
template<typename R>
void emitFields(Emitter &e, int level, const R &record)
{
    const auto &table = CfgFields<R>::table;
    const CfgBlock own = table[0].block;
    CfgBlock open = own;
    for (const CfgField<R> &f : table) {
        if (!f.written || !blockWritten(record, f.block) || !fieldWritten(f, record))
            continue;
        if (f.block != open) {
            if (open != own)
                e.blockEnd(level);
            if (f.block != own)
                e.blockStart(level, cfgBlockName(f.block));
            open = f.block;
        }
        const int at = f.block == own ? level : level + 1;
        switch (f.kind) {
        case FieldKind::Number: e.number(at, f.key, f.number(record)); break;
        case FieldKind::Word: e.word(at, f.key, f.word(record)); break;
        case FieldKind::Boolean: e.flag(at, f.key, record.*(f.flag)); break;
        case FieldKind::Text:
        case FieldKind::RecurringText: e.text(at, f.key, record.*(f.text)); break;
        }
    }
    if (open != own)
        e.blockEnd(level);
}

void emitService(Emitter &e, const ServiceCfg &s)
{
    e.blockStart(1, "service");
    emitFields(e, 2, s);
    for (const ESCfg &es : s.elements) {
        e.blockStart(2, "element");
        emitFields(e, 3, es);
        e.blockEnd(2);
    }
    e.blockEnd(1);
}

bool emitDocument(Emitter &e, const TransportStreamCfg &cfg)
{
    e.blockStart(0, "transport-stream");
    emitFields(e, 1, cfg);
    for (const FilterCfg &f : cfg.filters) {
        e.blockStart(1, "filter");
        emitFields(e, 2, f);
        e.blockEnd(1);
    }
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
