#include "config/cfgreader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "config/number.h"

// A note naming the place in this file that found the fault, kept for the
// faults that older tools also reported this way; the caller prints it.
#define CFG_DIAGNOSTIC() noteDiagnostic(__FILE__, __LINE__)

namespace {

constexpr int EndMarker = -1;

enum class ValueKind { Number, Boolean, Text };

enum Field {
    StreamId, StreamOrigId, StreamNetId, StreamNetName, StreamPatEnabled, StreamSdtEnabled,
    StreamNitEnabled, StreamEitEnabled, StreamTdtEnabled, StreamRealTdt, StreamPlayoutTimings,
    StreamPatTime, StreamNitTime, StreamSdtTime, StreamEitTime, StreamPmtTime, StreamTdtTime,
    StreamFilterDefault, StreamCaId, StreamEmmPid,
    FilterMatch, FilterInput, FilterA, FilterB, FilterAction_, FilterNewBase,
    ServiceId, ServiceType_, ServiceProviderName, ServiceServiceName, ServiceEventName,
    ServiceEventText, ServiceLanguage, ServicePmtPid, ServicePcrPid, ServicePmtEnabled,
    ServiceCaId, ServiceEcmPid, ServiceLcVisible, ServiceLcNumber,
    ElementType, ElementPid, ElementLanguage
};

struct Key {
    QByteArrayView name;
    ValueKind kind;
    qint32 min;
    qint32 max;
    Field field;
};

// PIDs of tables and streams stop at 8190: 0x1FFF is the null packet PID.
constexpr qint32 MaxPid = 8190;
constexpr qint32 MaxFilterPid = 8191;

constexpr Key streamKeys[] = {
    {"id", ValueKind::Number, 0, 65535, StreamId},
    {"orig-id", ValueKind::Number, 0, 65535, StreamOrigId},
    {"net-id", ValueKind::Number, 0, 65535, StreamNetId},
    {"net-name", ValueKind::Text, 0, 0, StreamNetName},
    {"pat-enabled", ValueKind::Boolean, 0, 0, StreamPatEnabled},
    {"sdt-enabled", ValueKind::Boolean, 0, 0, StreamSdtEnabled},
    {"nit-enabled", ValueKind::Boolean, 0, 0, StreamNitEnabled},
    {"eit-enabled", ValueKind::Boolean, 0, 0, StreamEitEnabled},
    {"tdt-enabled", ValueKind::Boolean, 0, 0, StreamTdtEnabled},
    {"real-tdt", ValueKind::Boolean, 0, 0, StreamRealTdt},
    {"playout-timings", ValueKind::Boolean, 0, 0, StreamPlayoutTimings},
    // The name under which the first firmware with playout timings knew the flag.
    {"v2-features", ValueKind::Boolean, 0, 0, StreamPlayoutTimings},
    {"pat-time", ValueKind::Number, 25, 500, StreamPatTime},
    {"nit-time", ValueKind::Number, 25, 10000, StreamNitTime},
    {"sdt-time", ValueKind::Number, 25, 2000, StreamSdtTime},
    {"eit-time", ValueKind::Number, 25, 2000, StreamEitTime},
    {"pmt-time", ValueKind::Number, 25, 500, StreamPmtTime},
    {"tdt-time", ValueKind::Number, 25, 30000, StreamTdtTime},
    {"filter-default", ValueKind::Number, 0, 2, StreamFilterDefault},
};

constexpr Key streamCaKeys[] = {
    {"ca-id", ValueKind::Number, 0, 65535, StreamCaId},
    {"emm-pid", ValueKind::Number, 0, MaxPid, StreamEmmPid},
};

constexpr Key filterKeys[] = {
    {"match", ValueKind::Number, 0, 1, FilterMatch},
    {"input", ValueKind::Number, 0, 4, FilterInput},
    {"a", ValueKind::Number, 0, MaxFilterPid, FilterA},
    {"b", ValueKind::Number, 0, MaxFilterPid, FilterB},
    {"action", ValueKind::Number, 0, 2, FilterAction_},
    {"new-base", ValueKind::Number, 0, MaxFilterPid, FilterNewBase},
};

constexpr Key serviceKeys[] = {
    {"id", ValueKind::Number, 0, 65535, ServiceId},
    {"type", ValueKind::Number, 0, 65535, ServiceType_},
    {"provider-name", ValueKind::Text, 0, 0, ServiceProviderName},
    {"service-name", ValueKind::Text, 0, 0, ServiceServiceName},
    {"event-name", ValueKind::Text, 0, 0, ServiceEventName},
    {"event-text", ValueKind::Text, 0, 0, ServiceEventText},
    {"language", ValueKind::Text, 0, 0, ServiceLanguage},
    {"pmt-pid", ValueKind::Number, 0, MaxPid, ServicePmtPid},
    {"pcr-pid", ValueKind::Number, 0, MaxPid, ServicePcrPid},
    {"pmt-enabled", ValueKind::Boolean, 0, 0, ServicePmtEnabled},
};

constexpr Key serviceCaKeys[] = {
    {"ca-id", ValueKind::Number, 0, 65535, ServiceCaId},
    {"ecm-pid", ValueKind::Number, 0, MaxPid, ServiceEcmPid},
};

constexpr Key logicalChannelKeys[] = {
    {"visible", ValueKind::Boolean, 0, 0, ServiceLcVisible},
    {"number", ValueKind::Number, 0, 999, ServiceLcNumber},
};

constexpr Key elementKeys[] = {
    {"type", ValueKind::Number, 0, 65535, ElementType},
    {"pid", ValueKind::Number, 0, MaxPid, ElementPid},
    {"language", ValueKind::Text, 0, 0, ElementLanguage},
};

template <std::size_t N>
const Key *findIn(const Key (&table)[N], QByteArrayView name)
{
    for (const Key &k : table) {
        if (name == k.name)
            return &k;
    }
    return nullptr;
}

inline bool isWhiteSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline bool isPunctuation(int c)
{
    return c == '{' || c == '}' || c == '=' || c == ';';
}

// UTF-8 when the bytes are valid UTF-8, else Latin-1: files saved by older
// tools in an ISO/IEC 8859-1 locale keep their characters. Only the first
// bytes of the file can be a byte order mark (parseData() skips them); a
// U+FEFF that begins a value is a character of the text, which
// QString::fromUtf8() would drop.
QString decoded(QByteArrayView v)
{
    if (!v.isValidUtf8())
        return QString::fromLatin1(v);
    if (!v.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(v);
    QStringDecoder toUtf16(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return toUtf16(v);
}

// A token as it may stand in a message: decoded, and cut short when a damaged
// file hands us a very long one.
QString shown(const QByteArray &bytes)
{
    constexpr qsizetype limit = 40;
    QString s = decoded(QByteArrayView(bytes).first(qMin(bytes.size(), limit)));
    for (QChar &c : s) {
        if (c.unicode() < 0x20)
            c = QChar(u'?');
    }
    if (bytes.size() > limit)
        s += QStringLiteral("...");
    return s;
}

// While parsing, CfgSourceLines holds byte offsets plus one (0: no block);
// the offsets become line numbers once the whole file has read, in a single
// pass over the text, so that many blocks cost no more than one long file.
int blockMark(qsizetype offset)
{
    return int(qMin<qsizetype>(offset + 1, INT_MAX));
}

void marksToLines(CfgSourceLines &lines, const char *bytes, qsizetype size)
{
    std::vector<int *> marks;
    auto add = [&marks](int &mark) {
        if (mark > 0)
            marks.push_back(&mark);
    };
    add(lines.stream);
    add(lines.streamCa);
    for (int &m : lines.filters)
        add(m);
    for (int &m : lines.services)
        add(m);
    for (int &m : lines.serviceCa)
        add(m);
    for (int &m : lines.logicalChannels)
        add(m);
    for (QList<int> &service : lines.elements)
        for (int &m : service)
            add(m);
    std::sort(marks.begin(), marks.end(), [](const int *l, const int *r) { return *l < *r; });

    int line = 1;
    qsizetype pos = 0;
    for (int *mark : marks) {
        const qsizetype offset = qMin<qsizetype>(*mark - 1, size);
        while (pos < offset) {
            const void *nl = std::memchr(bytes + pos, '\n', size_t(offset - pos));
            if (!nl)
                break;
            ++line;
            pos = static_cast<const char *>(nl) - bytes + 1;
        }
        pos = qMax(pos, offset);
        *mark = line;
    }
}

} // namespace

CfgReader::CfgReader() = default;

void CfgReader::noteDiagnostic(const char *file, int line)
{
    m_diagnostic = QByteArray(file) + ':' + QByteArray::number(line);
}

const char *CfgReader::blockName(BlockState state)
{
    switch (state) {
    case BlockState::TopLevel:
        return "";
    case BlockState::TransportStream:
        return "transport-stream";
    case BlockState::StreamCa:
    case BlockState::ServiceCa:
        return "ca";
    case BlockState::Filter:
        return "filter";
    case BlockState::Service:
        return "service";
    case BlockState::LogicalChannel:
        return "logical-channel";
    case BlockState::Element:
        return "element";
    }
    return "";
}

bool CfgReader::open(const QString &fileName)
{
    m_opened = false;
    m_data.clear();
    m_errorLine = m_errorColumn = 0;
    m_errorString.clear();
    m_diagnostic.clear();

    // The type is checked before opening: opening a FIFO would wait for a
    // writer, and a device such as /dev/zero never ends.
    const QFileInfo info(fileName);
    if (info.isDir()) {
        m_errorString = tr("cannot open '%1': it is a directory").arg(fileName);
        return false;
    }
    if (info.exists() && !info.isFile()) {
        m_errorString = tr("cannot open '%1': it is not a regular file").arg(fileName);
        return false;
    }
    const QString tooLarge = tr("cannot read '%1': it is larger than %2 MiB, too large for a configuration")
                                 .arg(fileName)
                                 .arg(MaxFileSize >> 20);
    if (info.size() > MaxFileSize) {
        m_errorString = tooLarge;
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = tr("cannot open '%1': %2").arg(fileName, file.errorString());
        return false;
    }
    m_data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_errorString = tr("cannot read '%1': %2").arg(fileName, file.errorString());
        m_data.clear();
        return false;
    }
    if (m_data.size() > MaxFileSize) { // it grew after the check above
        m_errorString = tooLarge;
        m_data.clear();
        return false;
    }
    m_opened = true;
    return true;
}

bool CfgReader::parse(TransportStreamCfg *out)
{
    if (!m_opened) {
        m_errorLine = m_errorColumn = 0;
        if (m_errorString.isEmpty())
            m_errorString = tr("no file is open");
        return false;
    }
    return parseData(m_data, out);
}

// ---------------------------------------------------------------------------
// Character source: the current character and one character of lookahead,
// which the escapes inside quoted strings need.

inline void CfgReader::readChar()
{
    m_current = m_lookahead;
    m_currentOffset = m_lookaheadOffset;
    if (m_pos < m_size) {
        // Every byte is an ordinary character, NUL and 0xFF included; only
        // the end of the buffer ends the input.
        m_lookahead = static_cast<unsigned char>(m_bytes[m_pos]);
        m_lookaheadOffset = m_pos;
        ++m_pos;
    } else {
        m_lookahead = EndMarker;
        m_lookaheadOffset = m_size;
    }
}

CfgReader::Token CfgReader::nextToken()
{
    Token token;
    qsizetype start = 0;
    bool owned = false; // token.text holds its own bytes (an escape was resolved)
    for (;;) {
        switch (m_lexState) {
        case LexState::BetweenTokens:
            if (m_current == EndMarker) {
                m_lexState = LexState::Ended;
                return Token();
            }
            if (isWhiteSpace(m_current)) {
                readChar();
                continue;
            }
            token.offset = m_currentOffset;
            if (isPunctuation(m_current)) {
                token.kind = TokenKind::Punctuation;
                token.text = QByteArray::fromRawData(m_bytes + m_currentOffset, 1);
                readChar();
                return token;
            }
            token.kind = TokenKind::Text;
            if (m_current == '\'') {
                readChar();
                start = m_currentOffset;
                m_lexState = LexState::InQuoted;
            } else {
                start = m_currentOffset;
                m_lexState = LexState::InWord;
            }
            continue;

        case LexState::InWord:
            if (m_current == EndMarker) {
                // The end of the file cut the word off; parse() refuses a file
                // that ends this way.
                m_cutWord = token.offset;
                m_lexState = LexState::Ended;
                return Token();
            }
            if (isWhiteSpace(m_current) || isPunctuation(m_current)) {
                m_lexState = LexState::BetweenTokens;
                token.text = QByteArray::fromRawData(m_bytes + start, m_currentOffset - start);
                return token;
            }
            readChar();
            continue;

        case LexState::InQuoted:
            // Runs of ordinary characters are copied in one piece, and only
            // once an escape made the token differ from the bytes in the file.
            if (m_current == '\\' && (m_lookahead == '\\' || m_lookahead == '\'')) {
                token.text.append(m_bytes + start, m_currentOffset - start);
                token.text.append(char(m_lookahead));
                owned = true;
                readChar();
                readChar();
                start = m_currentOffset;
                continue;
            }
            if (m_current == '\'') {
                if (owned)
                    token.text.append(m_bytes + start, m_currentOffset - start);
                else
                    token.text = QByteArray::fromRawData(m_bytes + start, m_currentOffset - start);
                readChar();
                m_lexState = LexState::BetweenTokens;
                return token;
            }
            if (m_current == EndMarker) {
                m_unterminatedQuote = token.offset;
                m_lexState = LexState::Ended;
                return Token();
            }
            readChar();
            continue;

        case LexState::Ended:
            return Token();
        }
    }
}

bool CfgReader::advance()
{
    m_token = std::move(m_next);
    m_next = nextToken();
    return !m_next.isEmpty();
}

// ---------------------------------------------------------------------------
// Errors

bool CfgReader::fail(qsizetype offset, const QString &reason)
{
    offset = qBound(qsizetype(0), offset, m_size);
    int line = 1;
    qsizetype lineStart = 0;
    const char *p = m_bytes;
    const char *end = m_bytes + offset;
    while (p < end) {
        const void *nl = std::memchr(p, '\n', size_t(end - p));
        if (!nl)
            break;
        ++line;
        p = static_cast<const char *>(nl) + 1;
        lineStart = p - m_bytes;
    }
    m_errorLine = line;
    m_errorColumn = int(offset - lineStart) + 1;
    m_errorString = reason;
    return false;
}

bool CfgReader::failAtToken(const Token &token, const QString &reason)
{
    if (token.isEmpty())
        return failAtEnd(reason);
    return fail(token.offset, reason);
}

bool CfgReader::failAtEnd(const QString &reason)
{
    // When the input ran out inside a quoted string, that is the fault to
    // show, whatever the parser was waiting for.
    if (m_unterminatedQuote >= 0)
        return fail(m_unterminatedQuote, tr("end of file inside a quoted string"));
    return fail(m_size, reason);
}

// ---------------------------------------------------------------------------
// Parser

bool CfgReader::parseData(const QByteArray &data, TransportStreamCfg *out)
{
    m_errorLine = m_errorColumn = 0;
    m_errorString.clear();
    m_diagnostic.clear();
    m_lines = CfgSourceLines();

    // Keep a reference so the tokens may point into the bytes.
    const QByteArray keep = data;
    m_bytes = keep.constData();
    m_size = keep.size();
    m_pos = 0;
    // A byte order mark that an editor put in front of UTF-8 text is no token.
    if (m_size >= 3 && std::memcmp(m_bytes, "\xEF\xBB\xBF", 3) == 0)
        m_pos = 3;

    m_lexState = LexState::BetweenTokens;
    m_block = BlockState::TopLevel;
    m_current = m_lookahead = ' ';
    m_currentOffset = m_lookaheadOffset = -1;
    m_token = Token();
    m_next = Token();
    m_unterminatedQuote = -1;
    m_cutWord = -1;
    m_stream.setDefaults();
    m_filter.setDefaults();
    m_service.setDefaults();
    m_element.setDefaults();

    auto finish = [&](bool ok) {
        m_token = Token();
        m_next = Token();
        if (ok)
            marksToLines(m_lines, m_bytes, m_size);
        else
            m_lines = CfgSourceLines();
        if (!ok)
            m_stream.setDefaults();
        m_bytes = nullptr;
        m_size = 0;
        return ok;
    };

    while (m_token.isEmpty()) {
        if (!advance()) {
            if (m_token.isEmpty()) {
                const bool blank = m_cutWord < 0 && m_unterminatedQuote < 0;
                failAtEnd(blank ? tr("empty file") : tr("the file holds no configuration"));
            } else {
                failAtEnd(tr("the file ends after '%1'").arg(shown(m_token.text)));
            }
            return finish(false);
        }
    }

    while (!m_token.isEmpty()) {
        if (m_token.is('}')) {
            if (!closeBlock())
                return finish(false);
            advance();
        } else if (m_next.is('=')) {
            if (!parseKeyValue())
                return finish(false);
        } else if (m_next.is('{')) {
            if (!openBlock())
                return finish(false);
            advance();
            advance();
        } else {
            CFG_DIAGNOSTIC();
            if (m_token.kind == TokenKind::Punctuation)
                failAtToken(m_token, tr("unexpected '%1'").arg(shown(m_token.text)));
            else
                failAtToken(m_next, tr("expected '=' or '{' after '%1'").arg(shown(m_token.text)));
            return finish(false);
        }
    }

    if (m_block != BlockState::TopLevel) {
        failAtEnd(tr("end of file inside block '%1' (a '}' is missing)")
                      .arg(QLatin1String(blockName(m_block))));
        return finish(false);
    }
    if (m_unterminatedQuote >= 0) {
        failAtEnd(QString());
        return finish(false);
    }
    if (m_cutWord >= 0) {
        fail(m_cutWord, tr("unexpected text at the end of the file"));
        return finish(false);
    }

    if (out)
        *out = m_stream;
    return finish(true);
}

bool CfgReader::parseKeyValue()
{
    const Token key = m_token;
    if (!advance())
        return failAtEnd(tr("end of file after '%1 ='").arg(shown(key.text)));
    const Token value = m_next;
    if (value.kind != TokenKind::Text)
        return failAtToken(value, tr("expected a value after '%1 ='").arg(shown(key.text)));
    advance();
    advance();
    if (!m_token.is(';'))
        return failAtToken(m_token, tr("expected ';' after the value of '%1'").arg(shown(key.text)));
    if (m_block == BlockState::TopLevel)
        return failAtToken(key, tr("key '%1' outside any block").arg(shown(key.text)));

    const Key *k = nullptr;
    switch (m_block) {
    case BlockState::TopLevel:
        break;
    case BlockState::TransportStream:
        k = findIn(streamKeys, key.text);
        break;
    case BlockState::StreamCa:
        k = findIn(streamCaKeys, key.text);
        break;
    case BlockState::Filter:
        k = findIn(filterKeys, key.text);
        break;
    case BlockState::Service:
        k = findIn(serviceKeys, key.text);
        break;
    case BlockState::ServiceCa:
        k = findIn(serviceCaKeys, key.text);
        break;
    case BlockState::LogicalChannel:
        k = findIn(logicalChannelKeys, key.text);
        break;
    case BlockState::Element:
        k = findIn(elementKeys, key.text);
        break;
    }
    if (!k) {
        return failAtToken(key, tr("unknown key '%1' in block '%2'")
                                    .arg(shown(key.text), QLatin1String(blockName(m_block))));
    }

    qint32 number = 0;
    bool flag = false;
    QString text;
    switch (k->kind) {
    case ValueKind::Number:
        if (!readNumber(value, key.text, k->min, k->max, &number))
            return false;
        break;
    case ValueKind::Boolean:
        if (!readBool(value, key.text, &flag))
            return false;
        break;
    case ValueKind::Text:
        text = readText(value.text);
        break;
    }
    store(k->field, number, flag, text);
    advance();
    return true;
}

bool CfgReader::openBlock()
{
    const QByteArrayView name(m_token.text);
    switch (m_block) {
    case BlockState::StreamCa:
    case BlockState::Filter:
    case BlockState::ServiceCa:
    case BlockState::LogicalChannel:
    case BlockState::Element:
        CFG_DIAGNOSTIC();
        return failAtToken(m_token, tr("block '%1' cannot stand inside '%2'")
                                        .arg(shown(m_token.text), QLatin1String(blockName(m_block))));
    case BlockState::TopLevel:
        if (name == "transport-stream") {
            // A later transport-stream block replaces everything an earlier one set.
            m_stream.setDefaults();
            m_lines = CfgSourceLines();
            m_lines.stream = blockMark(m_token.offset);
            m_block = BlockState::TransportStream;
            return true;
        }
        return failAtToken(m_token, tr("unknown block '%1' at the top level (expected 'transport-stream')")
                                        .arg(shown(m_token.text)));
    case BlockState::TransportStream:
        if (name == "ca") {
            m_stream.caEnabled = true;
            if (!m_lines.streamCa) // a repeated block adds keys to the first
                m_lines.streamCa = blockMark(m_token.offset);
            m_block = BlockState::StreamCa;
            return true;
        }
        if (name == "filter") {
            m_filter.setDefaults();
            m_lines.filters.append(blockMark(m_token.offset));
            m_block = BlockState::Filter;
            return true;
        }
        if (name == "service") {
            m_service.setDefaults();
            // Every service block that opens ends up in the list or fails the
            // whole parse, so these lists stay parallel to the services.
            m_lines.services.append(blockMark(m_token.offset));
            m_lines.serviceCa.append(0);
            m_lines.logicalChannels.append(0);
            m_lines.elements.append(QList<int>());
            m_block = BlockState::Service;
            return true;
        }
        break;
    case BlockState::Service:
        if (name == "ca") {
            m_service.caEnabled = true;
            if (!m_lines.serviceCa.last())
                m_lines.serviceCa.last() = blockMark(m_token.offset);
            m_block = BlockState::ServiceCa;
            return true;
        }
        if (name == "element") {
            m_element.setDefaults();
            m_lines.elements.last().append(blockMark(m_token.offset));
            m_block = BlockState::Element;
            return true;
        }
        if (name == "logical-channel") {
            m_service.lcEnabled = true;
            if (!m_lines.logicalChannels.last())
                m_lines.logicalChannels.last() = blockMark(m_token.offset);
            m_block = BlockState::LogicalChannel;
            return true;
        }
        break;
    }
    return failAtToken(m_token, tr("unknown block '%1' in block '%2'")
                                    .arg(shown(m_token.text), QLatin1String(blockName(m_block))));
}

bool CfgReader::closeBlock()
{
    switch (m_block) {
    case BlockState::TopLevel:
        CFG_DIAGNOSTIC();
        return failAtToken(m_token, tr("'}' without an open block"));
    case BlockState::TransportStream:
        m_block = BlockState::TopLevel;
        break;
    case BlockState::StreamCa:
        m_block = BlockState::TransportStream;
        break;
    case BlockState::Filter:
        m_stream.filters.append(m_filter);
        m_block = BlockState::TransportStream;
        break;
    case BlockState::Service:
        m_stream.services.append(m_service);
        m_block = BlockState::TransportStream;
        break;
    case BlockState::ServiceCa:
    case BlockState::LogicalChannel:
        m_block = BlockState::Service;
        break;
    case BlockState::Element:
        m_service.elements.append(m_element);
        m_block = BlockState::Service;
        break;
    }
    return true;
}

bool CfgReader::readNumber(const Token &value, const QByteArray &key, qint32 min, qint32 max,
                           qint32 *result)
{
    const QByteArray trimmed = value.text.trimmed();
    qint32 v = 0;
    if (!convertInteger(QByteArrayView(trimmed), &v)) {
        CFG_DIAGNOSTIC();
        return failAtToken(value, tr("value '%1' of '%2' is not a number")
                                      .arg(shown(value.text), shown(key)));
    }
    if (v < min || v > max) {
        CFG_DIAGNOSTIC();
        return failAtToken(value, tr("value %1 is out of range %2..%3 for '%4'")
                                      .arg(v).arg(min).arg(max).arg(shown(key)));
    }
    *result = v;
    return true;
}

bool CfgReader::readBool(const Token &value, const QByteArray &key, bool *result)
{
    static const char *const trueWords[] = {"true", "yes", "enabled", "1"};
    static const char *const falseWords[] = {"false", "no", "disabled", "0"};
    const QByteArray trimmed = value.text.trimmed();
    for (const char *w : trueWords) {
        if (trimmed.compare(QByteArrayView(w), Qt::CaseInsensitive) == 0) {
            *result = true;
            return true;
        }
    }
    for (const char *w : falseWords) {
        if (trimmed.compare(QByteArrayView(w), Qt::CaseInsensitive) == 0) {
            *result = false;
            return true;
        }
    }
    return failAtToken(value, tr("value '%1' of '%2' is not a boolean (yes/no, true/false, "
                                 "enabled/disabled, 1/0)")
                                  .arg(shown(value.text), shown(key)));
}

QString CfgReader::readText(const QByteArray &value)
{
    return decoded(value).trimmed();
}

void CfgReader::store(int field, qint32 number, bool flag, const QString &text)
{
    const quint16 u16 = quint16(number); // the key's range already holds it
    switch (static_cast<Field>(field)) {
    case StreamId: m_stream.id = u16; break;
    case StreamOrigId: m_stream.origId = u16; break;
    case StreamNetId: m_stream.netId = u16; break;
    case StreamNetName: m_stream.netName = text; break;
    case StreamPatEnabled: m_stream.patEnabled = flag; break;
    case StreamSdtEnabled: m_stream.sdtEnabled = flag; break;
    case StreamNitEnabled: m_stream.nitEnabled = flag; break;
    case StreamEitEnabled: m_stream.eitEnabled = flag; break;
    case StreamTdtEnabled: m_stream.tdtEnabled = flag; break;
    case StreamRealTdt: m_stream.realTdt = flag; break;
    case StreamPlayoutTimings: m_stream.playoutTimings = flag; break;
    case StreamPatTime: m_stream.patTime = u16; break;
    case StreamNitTime: m_stream.nitTime = u16; break;
    case StreamSdtTime: m_stream.sdtTime = u16; break;
    case StreamEitTime: m_stream.eitTime = u16; break;
    case StreamPmtTime: m_stream.pmtTime = u16; break;
    case StreamTdtTime: m_stream.tdtTime = u16; break;
    case StreamFilterDefault: m_stream.filterDefault = number; break;
    case StreamCaId: m_stream.caId = u16; break;
    case StreamEmmPid: m_stream.emmPid = u16; break;
    case FilterMatch: m_filter.match = number; break;
    case FilterInput: m_filter.input = number; break;
    case FilterA: m_filter.a = quint32(number); break;
    case FilterB: m_filter.b = quint32(number); break;
    case FilterAction_: m_filter.action = number; break;
    case FilterNewBase: m_filter.newBase = number; break;
    case ServiceId: m_service.id = u16; break;
    case ServiceType_: m_service.type = number; break;
    case ServiceProviderName: m_service.providerName = text; break;
    case ServiceServiceName: m_service.serviceName = text; break;
    case ServiceEventName: m_service.eventName = text; break;
    case ServiceEventText: m_service.eventText = text; break;
    case ServiceLanguage: m_service.language = text; break;
    case ServicePmtPid: m_service.pmtPid = u16; break;
    case ServicePcrPid: m_service.pcrPid = u16; break;
    case ServicePmtEnabled: m_service.pmtEnabled = flag; break;
    case ServiceCaId: m_service.caId = u16; break;
    case ServiceEcmPid: m_service.ecmPid = u16; break;
    case ServiceLcVisible: m_service.lcVisible = flag; break;
    case ServiceLcNumber: m_service.lcNumber = u16; break;
    case ElementType: m_element.type = number; break;
    case ElementPid: m_element.pid = u16; break;
    case ElementLanguage: m_element.language = text; break;
    }
}
