// The configuration check: `velunor-cli check` against golden output, its exit
// codes and failures, and where findings point for the editor.

#include <QtTest>

#include <QTemporaryDir>

#include "config/cfgreader.h"
#include "check/configcheck.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"

using namespace Qt::StringLiterals;

static const QString checkDir = QStringLiteral(VELUNOR_TEST_DATA "/check/");

class TestConfigCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cli_data();
    void cli();
    void findingsPointAtTheirBlock_data();
    void findingsPointAtTheirBlock();
};

// Each check has a file that triggers it (<name>.mux, whole output in
// <name>.out) and a near miss (<name>-ok.mux) that gives nothing at all; each
// is checked as in.mux in a directory of its own.
void TestConfigCheck::cli_data()
{
    QTest::addColumn<QString>("file"); // empty: no in.mux
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err"); // a part of standard error; empty: none at all
    for (const QString &name : QDir(checkDir).entryList({u"*.mux"_s})) {
        QTest::newRow(qPrintable(name)) << name << QStringList{u"in.mux"_s}
                                        << int(name == u"export-error.mux"_s || name == u"errors-and-warnings.mux"_s)
                                        << QByteArray(name.endsWith(u"-ok.mux"_s) ? "" : " warning"); // a summary of findings
    }
    QTest::newRow("--werror makes a warning count") << u"duplicate-service-id.mux"_s
                                                    << QStringList{u"in.mux"_s, u"--werror"_s} << 1
                                                    << QByteArray("0 errors, 1 warning\n");
    QTest::newRow("missing file") << QString() << QStringList{u"in.mux"_s} << 2
                                  << QByteArray("in.mux: error: cannot open 'in.mux': ");
    QTest::newRow("no file argument") << u"duplicate-service-id.mux"_s << QStringList{u"--werror"_s} << 2
                                      << QByteArray("velunor-cli check: expected exactly one");
}

void TestConfigCheck::cli()
{
    QFETCH(QString, file);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    const QByteArray input = file.isEmpty() ? QByteArray() : readWholeFile(checkDir + file);
    QVERIFY(file.isEmpty() || writeWholeFile(dir.filePath(u"in.mux"_s), input));
    const CliRun r = runCli(QStringList{u"check"_s} + args, dir.path());
    QCOMPARE(r.exitCode, exitCode);
    const QByteArray out = readWholeFile(checkDir + QString(file).replace(u".mux"_s, u".out"_s));
    COMPARE_BYTES(r.out, exitCode == 2 ? QByteArray() : QByteArray(out).replace(file.toUtf8(), "in.mux"));
    QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), r.err.constData());
    // Checking only reads: the file and its directory stay as they were.
    QCOMPARE(readWholeFile(dir.filePath(u"in.mux"_s)), input);
    QCOMPARE(dirEntries(dir.path()), file.isEmpty() ? QStringList() : QStringList{u"in.mux"_s});
}

void TestConfigCheck::findingsPointAtTheirBlock_data()
{
    QTest::addColumn<QString>("expected");
    for (const QByteArray &line : testData(u"check/findings-places.txt"_s).split('\n'))
        if (line.contains('|') && !line.startsWith('#'))
            QTest::newRow(line.left(line.indexOf('|')).trimmed().constData()) << QString::fromLatin1(line.mid(line.indexOf('|') + 2));
}

void TestConfigCheck::findingsPointAtTheirBlock()
{
    QFETCH(QString, expected);
    CfgReader reader;
    TransportStreamCfg cfg;
    QVERIFY(reader.open(checkDir + QLatin1String(QTest::currentDataTag()) + u".mux"_s) && reader.parse(&cfg));
    const QList<ConfigFinding> findings = checkConfiguration(cfg, &reader.sourceLines());
    QStringList places;
    for (const ConfigFinding &f : findings)
        places << u"%1 %2 %3 element %4 line %5"_s.arg(f.severity == ConfigFinding::Error ? "error" : "warning")
                      .arg(QLatin1String(f.subject == 0 ? "stream" : f.subject == 1 ? "service" : "filter"))
                      .arg(f.index).arg(f.element).arg(f.line);
    QCOMPARE(places.join(u"; "_s), expected);
    QCOMPARE(hasErrors(findings), expected.startsWith(u"error"_s));
}

QTEST_GUILESS_MAIN(TestConfigCheck)
#include "test_configcheck.moc"
