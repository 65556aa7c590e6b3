// Reading MUX binaries back (cases in tests/data/mbn/): routines of hand-made
// programs with the exact sections they send, filter records, and malformed
// files with the offset where reading stopped.

#include <QtTest>

#include "config/model.h"
#include "mbn/mbnprogram.h"
#include "tests/common/psitestutil.h"
#include "tests/common/filehelpers.h"

using namespace Qt::StringLiterals;

namespace {

// Lines of a data file split at '|', comments left out.
QList<QList<QByteArray>> rows(const QString &name, int fields)
{
    QList<QList<QByteArray>> out;
    for (const QByteArray &line : testData(u"mbn/"_s + name).split('\n')) {
        QList<QByteArray> f = line.split('|');
        for (QByteArray &field : f)
            field = field.trimmed();
        if (f.size() == fields && !line.startsWith('#'))
            out << f;
    }
    return out;
}

// An entry table set from "slot=offset,..." (hex offsets), then `body` from 0x60 on.
QByteArray program(const QByteArray &entries, const QByteArray &body)
{
    QByteArray p(96, '\xFF');
    for (const QByteArray &e : entries.split(',')) {
        const int slot = e.split('=').value(0).toInt(), at = e.split('=').value(1).toInt(nullptr, 16);
        p[2 * slot] = char(at >> 8);
        p[2 * slot + 1] = char(at);
    }
    return p + body;
}

} // namespace

class TestMbnProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data();
    void run();
    void parse_data();
    void parse();
};

// A routine's outcome: what it sends and how, or why it refuses.
void TestMbnProgram::run_data()
{
    QTest::addColumn<QByteArray>("prog");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("section");
    for (const QList<QByteArray> &f : rows(u"routines.txt"_s, 5)) {
        const QByteArray body = QByteArray::fromHex(f[1].split('+').value(0));
        const int tail = 0x60 + int(body.size()); // filter table (slot 14), closing routine (slot 15)
        const QByteArray entries = f[0] + ",14=" + QByteArray::number(tail, 16) + ",15=" + QByteArray::number(tail + 8, 16);
        QTest::newRow(f[4].constData()) << program(entries, body + QByteArray::fromHex("0001C000E0001FFE04000001FFFF"))
                                               + QByteArray(f[1].split('+').value(1).toInt(), '\0')
                                        << f[2].toInt() << QByteArray::fromHex(f[3]);
    }
}

void TestMbnProgram::run()
{
    QFETCH(QByteArray, prog);
    QFETCH(int, slot);
    QFETCH(QByteArray, section);
    MbnProgram p;
    QVERIFY2(p.parse(prog), qPrintable(p.errorString()));
    QVERIFY(p.routine(slot));
    MbnSentSection sent;
    QString outcome;
    const bool sends = p.run(*p.routine(slot), &sent, &outcome);
    QStringList markers;
    for (int m : sent.listMarkers)
        markers << QString::number(m);
    if (sends)
        outcome = u"pid %1 context %2 interval %3 markers [%4]%5"_s.arg(sent.pid).arg(sent.context).arg(sent.interval)
                      .arg(markers.join(u','), sent.realTimeTdt ? u" real-time TDT"_s : QString());
    QCOMPARE(outcome, QString::fromUtf8(QTest::currentDataTag()));
    if (sends)
        COMPARE_BYTES(sent.section, section);
}

// What reading a file gives: the error and where reading stopped, or the PID filter rules.
void TestMbnProgram::parse_data()
{
    QTest::addColumn<QByteArray>("prog");
    for (const QList<QByteArray> &f : rows(u"parse.txt"_s, 3)) {
        const QByteArray bytes = QByteArray::fromHex(f[1]);
        QTest::newRow(f[2].constData()) << (f[0] == "-" ? bytes : program(f[0], bytes));
    }
}

void TestMbnProgram::parse()
{
    QFETCH(QByteArray, prog);
    MbnProgram p;
    const bool read = p.parse(prog);
    QString outcome = read ? QString() : u"at 0x%1: %2"_s.arg(p.errorOffset(), 4, 16, QLatin1Char('0')).arg(p.errorString());
    if (read) {
        for (const MbnFilterRecord &r : p.filterRecords()) {
            const FilterCfg f = r.rule();
            outcome += u"match %1 input %2 a %3 b %4 action %5 base %6"_s.arg(f.match).arg(f.input).arg(f.a, 0, 16)
                           .arg(f.b, 0, 16).arg(f.action).arg(f.newBase, 0, 16);
        }
    }
    QCOMPARE(outcome, QString::fromUtf8(QTest::currentDataTag()));
}

QTEST_GUILESS_MAIN(TestMbnProgram)
#include "test_mbnprogram.moc"
