// The export driver: the configuration is checked before anything is built,
// and the MUX binary replaces its target only when it was written whole.

#include <cstdio>

#include "config/savefile.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"

bool PsiVmProgram::open(const QString &fileName)
{
    setFileName(fileName);
    return QSaveFile::open(QIODevice::WriteOnly);
}

bool PsiVmProgram::generateProgram(const TransportStreamCfg &cfg)
{
    auto refuse = [this](const QString &why) {
        if (isOpen()) {
            cancelWriting();
            commit(); // discards the temporary file; the target stays as it was
        }
        setErrorString(why);
        return false;
    };
    const QStringList problems = exportProblems(cfg);
    if (!problems.isEmpty())
        return refuse(problems.join(QLatin1Char('\n')));
    if (!buildProgram(cfg))
        return refuse(QStringLiteral("the program could not be encoded; see the messages above"));
    QString error;
    if (!commitGuarded(*this, m_program, &error)) {
        setErrorString(error);
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
