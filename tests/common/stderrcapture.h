#pragma once

#include <QByteArray>

#include <cstdio>
#include <unistd.h>

// Collects what is written to file descriptor 2 between construction and
// finish(): the reader's one-line diagnostic, the exporter's program dump.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        m_file = std::tmpfile();
        if (m_file)
            ::dup2(::fileno(m_file), 2);
    }
    ~StderrCapture() { finish(); }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    QByteArray finish()
    {
        if (!m_file)
            return m_text;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        std::rewind(m_file);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
            m_text.append(buffer, qsizetype(n));
        std::fclose(m_file);
        m_file = nullptr;
        return m_text;
    }

private:
    int m_saved = -1;
    std::FILE *m_file = nullptr;
    QByteArray m_text;
};
