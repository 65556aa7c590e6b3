#include "psi/mbnprogram.h"

FilterCfg MbnFilterRecord::rule() const
{
    return FilterCfg();
}

bool MbnProgram::parse(const QByteArray &program)
{
    m_bytes = program;
    return fail(0, QStringLiteral("not implemented"));
}

quint16 MbnProgram::entry(int) const
{
    return Unused;
}

const MbnRoutine *MbnProgram::routine(int) const
{
    return nullptr;
}

bool MbnProgram::run(const MbnRoutine &, MbnSentSection *, QString *) const
{
    return false;
}

bool MbnProgram::fail(int offset, const QString &reason)
{
    m_errorOffset = offset;
    m_errorString = reason;
    return false;
}

quint32 mpegCrc32(const char *, qsizetype)
{
    return 0;
}
