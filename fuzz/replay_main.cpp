// Runs a libFuzzer harness over stored inputs without libFuzzer, so the
// corpus and every past finding also run as a plain test under any compiler.
// Arguments: files or directories; none means the corpus compiled in.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char *argv[])
{
    QStringList paths;
    for (int i = 1; i < argc; ++i)
        paths << QString::fromLocal8Bit(argv[i]);
#ifdef VELUNOR_FUZZ_CORPUS
    if (paths.isEmpty())
        paths << QStringLiteral(VELUNOR_FUZZ_CORPUS);
#endif
    QStringList files;
    for (const QString &p : std::as_const(paths)) {
        if (QFileInfo(p).isDir()) {
            QDirIterator it(p, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else {
            files << p;
        }
    }
    files.sort();
    if (files.isEmpty()) {
        std::fprintf(stderr, "replay: no inputs found\n");
        return 2;
    }
    for (const QString &name : std::as_const(files)) {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "replay: cannot read %s\n", qPrintable(name));
            return 2;
        }
        const QByteArray bytes = f.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                               size_t(bytes.size()));
    }
    std::printf("replay: %lld inputs passed\n", static_cast<long long>(files.size()));
    return 0;
}
