#include "config/cfgreader.h"

#include <QFile>
#include <QStringList>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "config/fields.h"
#include "config/fileaccess.h"
#include "config/number.h"

// A note naming the place in this file that found the fault, kept for the
// faults that older tools also reported this way; the caller prints it.
#define CFG_DIAGNOSTIC() noteDiagnostic(__FILE__, __LINE__)

namespace {

// Byte classes, looked up once per byte of a word or of the blanks between.
enum ByteClass : unsigned char { Ordinary = 0, Blank = 1, Punctuation = 2 };

struct ByteClasses {
    unsigned char of[256] = {};
    constexpr ByteClasses()
    {
        for (unsigned char c : {' ', '\t', '\r', '\n'})
            of[c] = Blank;
        for (unsigned char c : {'{', '}', '=', ';'})
            of[c] = Punctuation;
    }
};
constexpr ByteClasses byteClasses;

inline unsigned char classOf(char c)
{
    return byteClasses.of[static_cast<unsigned char>(c)];
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
QString shown(QByteArrayView bytes)
{
    constexpr qsizetype limit = 40;
    QString s = decoded(bytes.first(qMin(bytes.size(), limit)));
    for (QChar &c : s) {
        if (c.unicode() < 0x20)
            c = QChar(u'?');
    }
    if (bytes.size() > limit)
        s += QStringLiteral("...");
    return s;
}

// Input is read in pieces of this size; the window holds one or two of them
// plus whatever a long token needs.
constexpr qsizetype ReadChunk = 128 * 1024;

} // namespace

CfgReader::CfgReader() = default;
CfgReader::~CfgReader() = default;

void CfgReader::noteDiagnostic(const char *file, int line)
{
    m_diagnostic = QByteArray(file) + ':' + QByteArray::number(line);
}

CfgBlock CfgReader::cfgBlock(BlockState state)
{
    switch (state) {
    case BlockState::TopLevel:
    case BlockState::TransportStream:
        return CfgBlock::Stream;
    case BlockState::StreamCa:
        return CfgBlock::StreamCa;
    case BlockState::Filter:
        return CfgBlock::Filter;
    case BlockState::Service:
        return CfgBlock::Service;
    case BlockState::ServiceCa:
        return CfgBlock::ServiceCa;
    case BlockState::LogicalChannel:
        return CfgBlock::LogicalChannel;
    case BlockState::Element:
        return CfgBlock::Element;
    }
    return CfgBlock::Stream;
}

const char *CfgReader::blockName(BlockState state)
{
    return state == BlockState::TopLevel ? "" : cfgBlockName(cfgBlock(state));
}

QString CfgReader::tooLarge(const QString &fileName)
{
    return tr("cannot read '%1': it is larger than %2 MiB, too large for a configuration")
        .arg(fileName)
        .arg(MaxFileSize >> 20);
}

bool CfgReader::open(const QString &fileName)
{
    m_file.reset();
    m_errorLine = m_errorColumn = 0;
    m_errorString.clear();
    m_diagnostic.clear();

    // A regular file's size is checked before reading; anything else (a
    // pipe, a FIFO, /dev/zero) is read until it passes the bound (fill()).
    auto file = std::make_unique<QFile>();
    bool regular = false;
    QString error;
    if (!openInput(fileName, file.get(), &regular, &error)) {
        m_errorString = tr("cannot open '%1': %2").arg(fileName, error);
        return false;
    }
    if (regular && file->size() > MaxFileSize) {
        m_errorString = tooLarge(fileName);
        return false;
    }
    m_sourceName = fileName;
    m_file = std::move(file);
    return true;
}

bool CfgReader::parse(TransportStreamCfg *out)
{
    if (!m_file) {
        m_errorLine = m_errorColumn = 0;
        if (m_errorString.isEmpty())
            m_errorString = tr("no file is open");
        return false;
    }
    const std::unique_ptr<QFile> file = std::move(m_file);
    startInput(QByteArray(), file.get());
    return run(out);
}

bool CfgReader::parseData(const QByteArray &data, TransportStreamCfg *out)
{
    startInput(data, nullptr);
    return run(out);
}

// ---------------------------------------------------------------------------
// Input: a window on the file that moves on as the parser no longer needs
// what lies behind, with the lines behind it counted on the way.

void CfgReader::startInput(const QByteArray &data, QFile *file)
{
    m_source = file;
    m_window = data; // shared, not copied; tokens refer into it
    m_base = 0;
    m_keep = 0;
    m_fileSize = 0;
    m_readError.clear();
    m_counted = m_lineStart = 0;
    m_line = 1;
    m_pos = 0;
    // A byte order mark that an editor put in front of UTF-8 text is no token.
    while (m_window.size() < 3 && fill()) {
    }
    if (m_window.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

// Reads the next piece of the file into the window; false at the end of
// the input (or when reading failed, with m_readError set).
bool CfgReader::fill()
{
    if (!m_source)
        return false;
    countLinesTo(m_keep);
    const qsizetype drop = m_keep - m_base;
    if (drop >= ReadChunk || drop == m_window.size()) {
        char *bytes = m_window.data();
        std::memmove(bytes, bytes + drop, size_t(m_window.size() - drop));
        m_window.resize(m_window.size() - drop);
        m_base = m_keep;
    }
    const qsizetype before = m_window.size();
    m_window.resize(before + ReadChunk);
    const qint64 n = m_source->read(m_window.data() + before, ReadChunk);
    m_window.resize(before + qMax<qint64>(n, 0));
    m_fileSize += qMax<qint64>(n, 0);
    if (n < 0) {
        m_readError = tr("cannot read '%1': %2").arg(m_sourceName, m_source->errorString());
    } else if (m_fileSize > MaxFileSize) {
        m_readError = tooLarge(m_sourceName);
    }
    if (n <= 0 || !m_readError.isEmpty()) {
        m_source = nullptr;
        return false;
    }
    return true;
}

void CfgReader::countLinesTo(qsizetype offset)
{
    offset = qMin(offset, inputEnd());
    if (offset <= m_counted)
        return;
    const char *from = at(m_counted);
    const char *to = at(offset);
    const qsizetype lineFeeds = std::count(from, to, '\n');
    if (lineFeeds > 0) {
        m_line += int(lineFeeds);
        const char *last = to - 1;
        while (*last != '\n')
            --last;
        m_lineStart = offset - (to - last) + 1;
    }
    m_counted = offset;
}

// The line of an offset at or after every offset asked about before.
int CfgReader::lineOf(qsizetype offset)
{
    countLinesTo(offset);
    return m_line;
}

// ---------------------------------------------------------------------------
// Lexer

bool CfgReader::skipBlanks()
{
    for (;;) {
        const char *p = at(m_pos);
        const char *end = at(inputEnd());
        while (p < end && classOf(*p) == Blank)
            ++p;
        m_pos = p - at(m_pos) + m_pos;
        if (p < end)
            return true;
        if (!fill())
            return false;
    }
}

CfgReader::Token CfgReader::nextToken()
{
    if (!skipBlanks())
        return Token();
    Token token;
    token.offset = m_pos;
    const char c = *at(m_pos);
    if (classOf(c) == Punctuation) {
        token.kind = TokenKind::Punctuation;
        token.punctuation = c;
        token.start = m_pos;
        token.length = 1;
        ++m_pos;
        return token;
    }
    token.kind = TokenKind::Text;
    return c == '\'' ? quotedToken(token) : wordToken(token);
}

// A bare word runs to white space or punctuation; quotes inside it are text.
CfgReader::Token CfgReader::wordToken(Token token)
{
    token.start = m_pos;
    for (;;) {
        const char *begin = at(m_pos);
        const char *p = begin;
        const char *end = at(inputEnd());
        while (p < end && classOf(*p) == Ordinary)
            ++p;
        m_pos += p - begin;
        if (p < end)
            break;
        if (!fill()) {
            // The end of the file cut the word off; parse() refuses a file
            // that ends this way.
            m_cutWord = token.offset;
            return Token();
        }
    }
    token.length = m_pos - token.start;
    return token;
}

// Text between quotes, where \' and \\ stand for ' and \ and any other
// backslash is itself. Runs of ordinary bytes are copied in one piece, and
// only once an escape made the text differ from the bytes of the input.
CfgReader::Token CfgReader::quotedToken(Token token)
{
    ++m_pos;
    token.start = m_pos;
    qsizetype run = m_pos; // start of the bytes not yet copied to the resolved text
    QByteArray *resolved = nullptr;
    for (;;) {
        const char *begin = at(m_pos);
        const char *p = begin;
        const char *end = at(inputEnd());
        while (p < end && *p != '\'' && *p != '\\')
            ++p;
        m_pos += p - begin;
        if (p == end || (*p == '\\' && p + 1 == end)) {
            if (fill())
                continue;
            if (p == end) {
                m_unterminatedQuote = token.offset;
                return Token();
            }
            p = at(m_pos); // the window may have moved
            end = at(inputEnd());
        }
        if (*p == '\'') {
            if (resolved)
                resolved->append(at(run), m_pos - run);
            token.length = m_pos - token.start;
            ++m_pos;
            return token;
        }
        const char next = p + 1 < end ? p[1] : 0; // a backslash last in the input stays
        if (next == '\\' || next == '\'') {
            if (!resolved) {
                token.resolved = int(m_resolvedCount++ % std::size(m_resolved));
                resolved = &m_resolved[token.resolved];
                resolved->resize(0); // keeps its room
            }
            resolved->append(at(run), m_pos - run);
            resolved->append(next);
            m_pos += 2;
            run = m_pos;
        } else {
            ++m_pos;
        }
    }
}

QByteArrayView CfgReader::text(const Token &token) const
{
    if (token.resolved >= 0)
        return m_resolved[token.resolved];
    if (token.isEmpty())
        return QByteArrayView();
    return QByteArrayView(at(token.start), token.length);
}

QString CfgReader::shownText(const Token &token) const
{
    return shown(text(token));
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
    offset = qBound(m_counted, offset, inputEnd());
    m_errorLine = lineOf(offset);
    m_errorColumn = int(offset - m_lineStart) + 1;
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
    return fail(inputEnd(), reason);
}

// ---------------------------------------------------------------------------
// Parser

bool CfgReader::run(TransportStreamCfg *out)
{
    m_errorLine = m_errorColumn = 0;
    m_errorString.clear();
    m_diagnostic.clear();
    m_lines = CfgSourceLines();
    m_block = BlockState::TopLevel;
    m_token = Token();
    m_next = Token();
    m_unterminatedQuote = -1;
    m_cutWord = -1;
    m_stream.setDefaults();
    m_filter.setDefaults();
    m_service.setDefaults();
    m_element.setDefaults();
    m_recurring.clear();

    while (m_token.isEmpty()) {
        if (!advance()) {
            if (m_token.isEmpty()) {
                const bool blank = m_cutWord < 0 && m_unterminatedQuote < 0;
                failAtEnd(blank ? tr("empty file") : tr("the file holds no configuration"));
            } else {
                failAtEnd(tr("the file ends after '%1'").arg(shownText(m_token)));
            }
            return finish(false, out);
        }
    }
    return finish(parseItems() && checkEnd(), out);
}

// Items up to the end of the input: keys, and blocks opening and closing.
bool CfgReader::parseItems()
{
    while (!m_token.isEmpty()) {
        m_keep = m_token.offset; // errors may point back to the item's first token
        if (m_token.is('}')) {
            if (!closeBlock())
                return false;
            advance();
        } else if (m_next.is('=')) {
            if (!parseKeyValue())
                return false;
        } else if (m_next.is('{')) {
            if (!openBlock())
                return false;
            advance();
            advance();
        } else {
            CFG_DIAGNOSTIC();
            if (m_token.kind == TokenKind::Punctuation)
                return failAtToken(m_token, tr("unexpected '%1'").arg(shownText(m_token)));
            return failAtToken(m_next, tr("expected '=' or '{' after '%1'").arg(shownText(m_token)));
        }
    }
    return true;
}

// The faults that only the end of the input shows.
bool CfgReader::checkEnd()
{
    if (m_block != BlockState::TopLevel) {
        return failAtEnd(tr("end of file inside block '%1' (a '}' is missing)")
                             .arg(QLatin1String(blockName(m_block))));
    }
    if (m_unterminatedQuote >= 0)
        return failAtEnd(QString());
    if (m_cutWord >= 0)
        return fail(m_cutWord, tr("unexpected text at the end of the file"));
    return true;
}

bool CfgReader::finish(bool ok, TransportStreamCfg *out)
{
    if (!m_readError.isEmpty()) {
        // What was read may be cut anywhere: the reason is the file, not its text.
        ok = false;
        m_errorLine = m_errorColumn = 0;
        m_errorString = m_readError;
        m_diagnostic.clear();
    }
    if (ok && out)
        *out = std::move(m_stream);
    if (!ok)
        m_lines = CfgSourceLines();
    m_stream.setDefaults();
    m_service.setDefaults();
    m_token = Token();
    m_next = Token();
    m_recurring.clear();
    m_elements.clear();
    m_source = nullptr;
    m_window = QByteArray();
    m_base = m_keep = m_pos = m_counted = 0;
    return ok;
}

bool CfgReader::parseKeyValue()
{
    const Token key = m_token;
    if (!advance())
        return failAtEnd(tr("end of file after '%1 ='").arg(shownText(key)));
    const Token value = m_next;
    if (value.kind != TokenKind::Text)
        return failAtToken(value, tr("expected a value after '%1 ='").arg(shownText(key)));
    advance();
    advance();
    if (!m_token.is(';'))
        return failAtToken(m_token, tr("expected ';' after the value of '%1'").arg(shownText(key)));
    if (m_block == BlockState::TopLevel)
        return failAtToken(key, tr("key '%1' outside any block").arg(shownText(key)));

    bool stored = false;
    switch (m_block) {
    case BlockState::TopLevel:
        break;
    case BlockState::TransportStream:
    case BlockState::StreamCa:
        stored = storeField(m_stream, key, value);
        break;
    case BlockState::Filter:
        stored = storeField(m_filter, key, value);
        break;
    case BlockState::Service:
    case BlockState::ServiceCa:
    case BlockState::LogicalChannel:
        stored = storeField(m_service, key, value);
        break;
    case BlockState::Element:
        stored = storeField(m_element, key, value);
        break;
    }
    if (!stored)
        return false;
    advance();
    return true;
}

// Stores the value of the key into its member of record; false (with the
// error noted) for a key the block does not have or a value that does not
// convert.
template<typename R>
bool CfgReader::storeField(R &record, const Token &key, const Token &value)
{
    const CfgField<R> *f = findCfgField<R>(cfgBlock(m_block), text(key));
    if (!f) {
        return failAtToken(key, tr("unknown key '%1' in block '%2'")
                                    .arg(shownText(key), QLatin1String(blockName(m_block))));
    }
    switch (f->kind) {
    case FieldKind::Number: {
        qint32 number = 0;
        if (!readNumber(value, key, f->least, f->greatest, &number))
            return false;
        f->setNumber(record, number);
        break;
    }
    case FieldKind::Boolean:
        if (!readBool(value, key, &(record.*(f->flag))))
            return false;
        break;
    case FieldKind::Text:
    case FieldKind::RecurringText:
        record.*(f->text) = readText(text(value), f->kind == FieldKind::RecurringText);
        break;
    case FieldKind::Word: {
        const QByteArrayView word = text(value).trimmed();
        QStringList known;
        for (qint32 code = f->least; code <= f->greatest; ++code) {
            if (word == QByteArrayView(f->words[code])) {
                f->setNumber(record, code);
                return true;
            }
            known << QLatin1String(f->words[code]);
        }
        return failAtToken(value, tr("value '%1' of '%2' is none of %3")
                                      .arg(shownText(value), shownText(key), known.join(QLatin1String(", "))));
    }
    }
    return true;
}

bool CfgReader::openBlock()
{
    const QByteArrayView name = text(m_token);
    BlockState opened = BlockState::TopLevel; // none
    switch (m_block) {
    case BlockState::StreamCa:
    case BlockState::Filter:
    case BlockState::ServiceCa:
    case BlockState::LogicalChannel:
    case BlockState::Element:
        CFG_DIAGNOSTIC();
        return failAtToken(m_token, tr("block '%1' cannot stand inside '%2'")
                                        .arg(shownText(m_token), QLatin1String(blockName(m_block))));
    case BlockState::TopLevel:
        if (name != "transport-stream") {
            return failAtToken(m_token, tr("unknown block '%1' at the top level (expected 'transport-stream')")
                                            .arg(shownText(m_token)));
        }
        // A later transport-stream block replaces everything an earlier one set.
        m_stream.setDefaults();
        m_lines = CfgSourceLines();
        m_lines.stream = lineOf(m_token.offset);
        opened = BlockState::TransportStream;
        break;
    case BlockState::TransportStream:
        opened = openInStream(name);
        break;
    case BlockState::Service:
        opened = openInService(name);
        break;
    }
    if (opened == BlockState::TopLevel) {
        return failAtToken(m_token, tr("unknown block '%1' in block '%2'")
                                        .arg(shownText(m_token), QLatin1String(blockName(m_block))));
    }
    m_block = opened;
    return true;
}

// The blocks of a transport stream; TopLevel for a name that is none of them.
CfgReader::BlockState CfgReader::openInStream(QByteArrayView name)
{
    if (name == "ca") {
        m_stream.caEnabled = true;
        if (!m_lines.streamCa) // a repeated block adds keys to the first
            m_lines.streamCa = lineOf(m_token.offset);
        return BlockState::StreamCa;
    }
    if (name == "filter") {
        m_filter.setDefaults();
        m_lines.filters.append(lineOf(m_token.offset));
        return BlockState::Filter;
    }
    if (name == "service") {
        m_service.setDefaults();
        m_elements.clear();
        m_elementLines.clear();
        // Every service block that opens ends up in the list or fails the
        // whole parse, so these lists stay parallel to the services.
        m_lines.services.append(lineOf(m_token.offset));
        m_lines.serviceCa.append(0);
        m_lines.logicalChannels.append(0);
        return BlockState::Service;
    }
    return BlockState::TopLevel;
}

// The blocks of a service; TopLevel for a name that is none of them.
CfgReader::BlockState CfgReader::openInService(QByteArrayView name)
{
    if (name == "ca") {
        m_service.caEnabled = true;
        if (!m_lines.serviceCa.last())
            m_lines.serviceCa.last() = lineOf(m_token.offset);
        return BlockState::ServiceCa;
    }
    if (name == "element") {
        m_element.setDefaults();
        m_elementLines.append(lineOf(m_token.offset));
        return BlockState::Element;
    }
    if (name == "logical-channel") {
        m_service.lcEnabled = true;
        if (!m_lines.logicalChannels.last())
            m_lines.logicalChannels.last() = lineOf(m_token.offset);
        return BlockState::LogicalChannel;
    }
    return BlockState::TopLevel;
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
        // The elements gathered in lists that keep their room from service
        // to service, stored in lists of their exact size.
        m_service.elements.reserve(m_elements.size());
        for (ESCfg &e : m_elements)
            m_service.elements.append(std::move(e));
        m_stream.services.append(std::move(m_service));
        m_lines.elements.append(QList<int>(m_elementLines.cbegin(), m_elementLines.cend()));
        m_block = BlockState::TransportStream;
        break;
    case BlockState::ServiceCa:
    case BlockState::LogicalChannel:
        m_block = BlockState::Service;
        break;
    case BlockState::Element:
        m_elements.append(std::move(m_element));
        m_block = BlockState::Service;
        break;
    }
    return true;
}

bool CfgReader::readNumber(const Token &value, const Token &key, qint32 min, qint32 max, qint32 *result)
{
    qint32 v = 0;
    if (!convertInteger(text(value).trimmed(), &v)) {
        CFG_DIAGNOSTIC();
        return failAtToken(value, tr("value '%1' of '%2' is not a number")
                                      .arg(shownText(value), shownText(key)));
    }
    if (v < min || v > max) {
        CFG_DIAGNOSTIC();
        return failAtToken(value, tr("value %1 is out of range %2..%3 for '%4'")
                                      .arg(v).arg(min).arg(max).arg(shownText(key)));
    }
    *result = v;
    return true;
}

bool CfgReader::readBool(const Token &value, const Token &key, bool *result)
{
    static const char *const trueWords[] = {"true", "yes", "enabled", "1"};
    static const char *const falseWords[] = {"false", "no", "disabled", "0"};
    const QByteArrayView trimmed = text(value).trimmed();
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
                                  .arg(shownText(value), shownText(key)));
}

QString CfgReader::readText(QByteArrayView value, bool recurring)
{
    if (!recurring)
        return decoded(value).trimmed();
    // Looked up without a copy of the bytes; copied only when new.
    const QByteArray bytes = QByteArray::fromRawData(value.data(), value.size());
    const auto it = m_recurring.constFind(bytes);
    if (it != m_recurring.constEnd())
        return it.value();
    const QString s = decoded(value).trimmed();
    if (m_recurring.size() < 4096) // a file of all different names gains nothing
        m_recurring.insert(value.toByteArray(), s);
    return s;
}
