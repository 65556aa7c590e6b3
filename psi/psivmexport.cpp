// The export driver: the configuration is checked before anything is built,
// and the MUX binary replaces its target only when it was written whole.

#include <QIODevice>

#include <cstdio>

#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"

bool PsiVmProgram::open(const QString &fileName, OutputFile::ReaderWait wait)
{
    m_errorString.clear();
    m_output = std::make_unique<OutputFile>(fileName);
    if (m_output->open(wait))
        return true;
    m_errorString = m_output->errorString();
    m_output.reset();
    return false;
}

bool PsiVmProgram::generateProgram(const TransportStreamCfg &cfg)
{
    auto refuse = [this](const QString &why) {
        if (m_output)
            m_output->cancel(); // the target stays as it was
        m_errorString = why;
        return false;
    };
    if (!m_output)
        return refuse(QStringLiteral("no file is open for writing"));
    const QStringList problems = exportProblems(cfg);
    if (!problems.isEmpty())
        return refuse(problems.join(QLatin1Char('\n')));
    if (!buildProgram(cfg))
        return refuse(QStringLiteral("the program could not be encoded; see the messages above"));
    if (!m_output->write([this](QIODevice *device) { return device->write(m_program) == m_program.size(); })) {
        m_errorString = m_output->errorString();
        return false;
    }
    if (m_dumpEnabled)
        dumpProgram();
    return true;
}

void PsiVmProgram::dumpProgram() const
{
    const QByteArray text = dumpText(m_program);
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}
