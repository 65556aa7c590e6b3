#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

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

    // The largest configuration read. Thousands of services take a few
    // megabytes; anything bigger is not a configuration, and a device or a
    // pipe named by mistake (/dev/zero) must not fill the memory.
    static constexpr qint64 MaxFileSize = qint64(64) << 20;

    // Reads the whole file into memory; false (with errorString()) when it
    // cannot be opened or read, is no regular file or is over MaxFileSize.
    bool open(const QString &fileName);

    // Parses the opened file. On false *out stays as it was, and errorLine(),
    // errorColumn() and errorString() say where and why.
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
    enum class LexState { BetweenTokens, InWord, InQuoted, Ended };
    enum class BlockState { TopLevel, TransportStream, StreamCa, Filter, Service, ServiceCa,
                            LogicalChannel, Element };
    enum class TokenKind { None, Punctuation, Text };

    struct Token {
        TokenKind kind = TokenKind::None;
        // Bytes of the token, escapes resolved. Refers into the file buffer
        // unless an escape had to be resolved.
        QByteArray text;
        qsizetype offset = -1; // first byte of the token in the buffer
        bool is(char punctuation) const
        {
            return kind == TokenKind::Punctuation && text.size() == 1 && text.at(0) == punctuation;
        }
        bool isEmpty() const { return kind == TokenKind::None; }
    };

    struct KeyInfo;

    void readChar();
    Token nextToken();
    bool advance();

    bool parseKeyValue();
    bool openBlock();
    bool closeBlock();
    bool readNumber(const Token &value, const QByteArray &key, qint32 min, qint32 max,
                    qint32 *result);
    bool readBool(const Token &value, const QByteArray &key, bool *result);
    static QString readText(const QByteArray &value);
    void store(int field, qint32 number, bool flag, const QString &text);

    bool fail(qsizetype offset, const QString &reason);
    bool failAtToken(const Token &token, const QString &reason);
    bool failAtEnd(const QString &reason);
    void noteDiagnostic(const char *file, int line);
    static const char *blockName(BlockState state);

    // Input and lexer.
    QByteArray m_data;
    const char *m_bytes = nullptr;
    qsizetype m_size = 0;
    qsizetype m_pos = 0;
    int m_current = ' ';
    int m_lookahead = ' ';
    qsizetype m_currentOffset = -1;
    qsizetype m_lookaheadOffset = -1;
    LexState m_lexState = LexState::BetweenTokens;
    qsizetype m_unterminatedQuote = -1; // offset of a quote the end of the file cut off
    qsizetype m_cutWord = -1;           // offset of a word the end of the file cut off
    bool m_opened = false;

    // Parser.
    Token m_token;
    Token m_next;
    BlockState m_block = BlockState::TopLevel;
    TransportStreamCfg m_stream;
    FilterCfg m_filter;
    ServiceCfg m_service;
    ESCfg m_element;

    CfgSourceLines m_lines;

    int m_errorLine = 0;
    int m_errorColumn = 0;
    QString m_errorString;
    QByteArray m_diagnostic;
};
