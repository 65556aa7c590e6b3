#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <memory>

#include "config/fileaccess.h"
#include "config/model.h"

// Writes one configuration in the canonical .mux layout: a fixed key order,
// one item per line, one tab per nesting level, decimal numbers, yes/no for
// booleans, quoted UTF-8 texts and LF line ends.
//
// Saving goes through OutputFile: a regular file is replaced only when every
// byte was written and flushed, so a full disk or a lost device never leaves a
// truncated configuration behind; a FIFO or a device is written in place.
class QIODevice;

class CfgWriter
{
    Q_DECLARE_TR_FUNCTIONS(CfgWriter)

public:
    CfgWriter();
    ~CfgWriter();
    Q_DISABLE_COPY_MOVE(CfgWriter)

    // Remembers the target and checks that it can be written (for a regular
    // file, that a temporary file can be created beside it); an existing
    // file is not touched yet.
    bool open(const QString &fileName, OutputFile::ReaderWait wait = OutputFile::ReaderWait::Wait);

    // True once open() found a FIFO or a device: the text is a copy sent
    // there, not the document's file.
    bool inPlace() const { return m_file && m_file->inPlace(); }

    // Writes the whole document; false when anything failed, and then a
    // regular file on disk is exactly as it was before.
    bool write(const TransportStreamCfg &cfg);

    QString errorString() const { return m_errorString; }

    // The canonical text of a document.
    static QByteArray toText(const TransportStreamCfg &cfg);

    // The same text written to an open device in pieces, so that a large
    // document's text is never held whole; false when the device took less
    // than all of it (its errorString() says why).
    static bool writeText(QIODevice *device, const TransportStreamCfg &cfg);

private:
    std::unique_ptr<OutputFile> m_file;
    QString m_errorString;
};
