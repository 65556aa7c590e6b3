#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QString>

#include <memory>

#include "config/model.h"

// Lines (1-based) where the blocks of a configuration start, kept by the
// reader so that checks can point into the file like a compiler does.
struct CfgSourceLines {
    int stream = 0;
    int streamCa = 0;
    QList<int> filters;
    QList<int> services;
    QList<int> serviceCa;           // per service; 0 when it has no ca block
    QList<int> logicalChannels;     // per service; 0 when it has no logical-channel block
    QList<QList<int>> elements;     // per service, per element
};

class QFile;
enum class CfgBlock;

// Reads one .mux configuration: nested blocks of "key = value;" items with a
// single transport-stream block at the top. The reader is strict: exactly the
// known blocks and keys, every number checked against its key's range, and the
// first fault ends the reading with the caller's record untouched.
//
// Text values are taken as UTF-8; a value whose bytes are not valid UTF-8 was
// written by an older tool in a Latin-1 locale and is read as ISO/IEC 8859-1.

class CfgReader
{
    Q_DECLARE_TR_FUNCTIONS(CfgReader)

public:
    CfgReader();
    ~CfgReader();
    Q_DISABLE_COPY_MOVE(CfgReader)

    // The largest configuration read. Thousands of services take a few
    // megabytes; anything bigger is not a configuration, and a device or a
    // pipe named by mistake (/dev/zero) must not fill the memory.
    static constexpr qint64 MaxFileSize = qint64(64) << 20;

    // Opens the file for parse(); "-" and /dev/stdin are the standard input.
    // False (with errorString()) when it cannot be opened, is a directory or
    // is a regular file over MaxFileSize; other input is refused while it is
    // read, one byte past MaxFileSize.
    bool open(const QString &fileName);

    // Parses the opened file, reading it piece by piece so that the text
    // never sits in memory beside the document; the file is closed after.
    // On false *out stays as it was, and errorLine(), errorColumn() and
    // errorString() say where and why; errorLine() is 0 when the file could
    // not be read (or grew past MaxFileSize meanwhile).
    bool parse(TransportStreamCfg *out);

    // The same from a buffer in memory (bytes as they would stand in a file).
    bool parseData(const QByteArray &data, TransportStreamCfg *out);

    // Where each block of the last successfully parsed file starts.
    const CfgSourceLines &sourceLines() const { return m_lines; }

    int errorLine() const { return m_errorLine; }
    int errorColumn() const { return m_errorColumn; }
    QString errorString() const { return m_errorString; }

    // For some faults, the place in the reader's source that found it
    // ("cfgreader.cpp:123"), as older tools printed it before the error;
    // empty when there is none. The reader prints nothing itself.
    QByteArray diagnostic() const { return m_diagnostic; }

private:
    enum class BlockState { TopLevel, TransportStream, StreamCa, Filter, Service, ServiceCa,
                            LogicalChannel, Element };
    enum class TokenKind { None, Punctuation, Text };

    // Tokens refer to the input by offset, not by pointer: the window of
    // input in memory moves as the file is read.
    struct Token {
        TokenKind kind = TokenKind::None;
        char punctuation = 0;
        qsizetype offset = -1; // first byte of the token (a quoted one's quote)
        qsizetype start = 0;   // its text: input bytes [start, start + length)
        qsizetype length = 0;
        int resolved = -1;     // 0 or more: the text is m_resolved[resolved], escapes resolved
        bool is(char c) const { return kind == TokenKind::Punctuation && punctuation == c; }
        bool isEmpty() const { return kind == TokenKind::None; }
    };

    // Input window and line counting.
    void startInput(const QByteArray &data, QFile *file);
    bool fill();
    const char *at(qsizetype offset) const { return m_window.constData() + (offset - m_base); }
    qsizetype inputEnd() const { return m_base + m_window.size(); }
    void countLinesTo(qsizetype offset);
    int lineOf(qsizetype offset);

    // Lexer.
    bool skipBlanks();
    Token nextToken();
    Token wordToken(Token token);
    Token quotedToken(Token token);
    QByteArrayView text(const Token &token) const;
    QString shownText(const Token &token) const;
    bool advance();

    // Parser.
    bool run(TransportStreamCfg *out);
    bool parseItems();
    bool checkEnd();
    bool finish(bool ok, TransportStreamCfg *out);
    bool parseKeyValue();
    bool openBlock();
    BlockState openInStream(QByteArrayView name);
    BlockState openInService(QByteArrayView name);
    bool closeBlock();
    bool readNumber(const Token &value, const Token &key, qint32 min, qint32 max, qint32 *result);
    bool readBool(const Token &value, const Token &key, bool *result);
    QString readText(QByteArrayView value, bool recurring);
    template<typename R>
    bool storeField(R &record, const Token &key, const Token &value);

    bool fail(qsizetype offset, const QString &reason);
    bool failAtToken(const Token &token, const QString &reason);
    bool failAtEnd(const QString &reason);
    void noteDiagnostic(const char *file, int line);
    static QString tooLarge(const QString &fileName);
    static CfgBlock cfgBlock(BlockState state);
    static const char *blockName(BlockState state);

    // Input: the bytes [m_base, m_base + m_window.size()) of the file or buffer.
    std::unique_ptr<QFile> m_file; // opened by open(), read by parse()
    QFile *m_source = nullptr;     // the file being read; null: all input is in the window
    QString m_sourceName;          // its name as given, for messages
    QByteArray m_window;
    qsizetype m_base = 0;
    qsizetype m_keep = 0;          // the earliest input offset still needed
    qint64 m_fileSize = 0;
    QString m_readError;

    // Lines counted up to m_counted: m_line is the line there, starting at m_lineStart.
    qsizetype m_counted = 0;
    qsizetype m_lineStart = 0;
    int m_line = 1;

    // Lexer.
    qsizetype m_pos = 0;
    qsizetype m_unterminatedQuote = -1; // offset of a quote the end of the file cut off
    qsizetype m_cutWord = -1;           // offset of a word the end of the file cut off
    // Texts of quoted tokens with escapes, in turn: the parser looks back at
    // most four tokens, so a text stays until eight more have needed one.
    QByteArray m_resolved[8];
    unsigned m_resolvedCount = 0;

    // Parser.
    Token m_token;
    Token m_next;
    BlockState m_block = BlockState::TopLevel;
    TransportStreamCfg m_stream;
    FilterCfg m_filter;
    ServiceCfg m_service;
    ESCfg m_element;
    QList<ESCfg> m_elements;   // of the service being read
    QList<int> m_elementLines; // the lines where they start
    // Provider names, event names and languages recur from service to
    // service; equal bytes share one string instead of a copy each.
    QHash<QByteArray, QString> m_recurring;

    CfgSourceLines m_lines;

    int m_errorLine = 0;
    int m_errorColumn = 0;
    QString m_errorString;
    QByteArray m_diagnostic;
};
