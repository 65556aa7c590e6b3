#include <QtTest>

#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "buildinfo.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/buildiddlg.h"
#include "modaldriver.h"

// The About box, the build information box and the script that gives the
// latter its values.
class TestInfoDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aboutIsFixedSize();
    void aboutShowsLogoAndText();
    void aboutCloseButtonCloses();
    void buildInfoValues();
    void buildInfoScript_data();
    void buildInfoScript();
    void buildInfoScriptKeepsUnchangedHeader();

private:
    struct Header {
        QString id;
        QString branch;
        QString modified;
    };
    static bool git(const QString &dir, const QStringList &args, QString *out = nullptr);
    static bool runScript(const QString &sourceDir, const QString &output,
                          const QString &gitExecutable = QString());
    static Header readHeader(const QString &file);
};

void TestInfoDialogs::aboutIsFixedSize()
{
    AboutDlg dlg(nullptr);
    dlg.show();
    QCOMPARE(dlg.size(), QSize(438, 339));
    QCOMPARE(dlg.minimumSize(), QSize(438, 339));
    QCOMPARE(dlg.maximumSize(), QSize(438, 339));
    dlg.resize(700, 500);
    QCOMPARE(dlg.size(), QSize(438, 339));
    dlg.resize(200, 100);
    QCOMPARE(dlg.size(), QSize(438, 339));
    QVERIFY(!dlg.isSizeGripEnabled());
}

void TestInfoDialogs::aboutShowsLogoAndText()
{
    AboutDlg dlg(nullptr);
    QCOMPARE(dlg.windowTitle(), QString::fromUtf8("Über..."));
    auto *logo = child<QLabel>(&dlg, "label_2");
    QVERIFY(logo->text().isEmpty());
    // The logo is compiled in; a wrong resource path leaves the label blank.
    QVERIFY(!logo->pixmap().isNull());
    QCOMPARE(logo->pixmap().size(), QImage(QStringLiteral(":/images/resources/logo.png")).size());
    QVERIFY(logo->alignment() & Qt::AlignHCenter);
    QVERIFY(logo->alignment() & Qt::AlignVCenter);
    QCOMPARE(child<QPushButton>(&dlg, "closeBtn")->text(), QStringLiteral("&Close"));

    auto *text = child<QLabel>(&dlg, "aboutText");
    QCOMPARE(text->textFormat(), Qt::RichText);
    QVERIFY2(text->text().contains(QStringLiteral("Velunor V0.5")), qPrintable(text->text()));
    QVERIFY(!text->text().contains(QStringLiteral("%1")));
}

void TestInfoDialogs::aboutCloseButtonCloses()
{
    AboutDlg dlg(nullptr);
    ModalDriver driver;
    driver.schedule([](QDialog *d) {
        QTest::mouseClick(child<QPushButton>(d, "closeBtn"), Qt::LeftButton);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QVERIFY(driver.ran);
    QVERIFY(!driver.stayedOpen);
}

void TestInfoDialogs::buildInfoValues()
{
    BuildIDDlg dlg(nullptr);
    ModalDriver driver;
    QMap<QString, QString> shown;
    driver.schedule([&](QDialog *d) {
        for (const char *name : {"id", "tag", "branch", "mod", "date"})
            shown[QString::fromLatin1(name)] = child<QLabel>(d, name)->text();
        QCOMPARE(child<QPushButton>(d, "pushButton")->text(), QStringLiteral("&Ok"));
        QTest::mouseClick(child<QPushButton>(d, "pushButton"), Qt::LeftButton);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QVERIFY(driver.ran);
    QVERIFY(!driver.stayedOpen);
    QCOMPARE(driver.title, QStringLiteral("Build ID and Version Information"));

    QCOMPARE(shown.value(QStringLiteral("tag")), QStringLiteral("V0.5"));
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-f]{12}$"))
                 .match(shown.value(QStringLiteral("id")))
                 .hasMatch(),
             qPrintable(shown.value(QStringLiteral("id"))));
    QCOMPARE(shown.value(QStringLiteral("id")), QStringLiteral(VELUNOR_BUILD_ID));
    QCOMPARE(shown.value(QStringLiteral("branch")), QString::fromUtf8(VELUNOR_BUILD_BRANCH));
    QVERIFY(!shown.value(QStringLiteral("branch")).isEmpty());
    QCOMPARE(shown.value(QStringLiteral("mod")),
             VELUNOR_BUILD_MODIFIED ? QStringLiteral("YES") : QStringLiteral("NO"));
    // "Nov 17 2011 12:02:07"
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                "([1-9]|[12][0-9]|3[01]) [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9]$"))
                 .match(shown.value(QStringLiteral("date")))
                 .hasMatch(),
             qPrintable(shown.value(QStringLiteral("date"))));
}

bool TestInfoDialogs::git(const QString &dir, const QStringList &args, QString *out)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GIT_CONFIG_GLOBAL"), QStringLiteral("/dev/null"));
    env.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("git"),
            QStringList{QStringLiteral("-c"), QStringLiteral("user.name=Test"),
                        QStringLiteral("-c"), QStringLiteral("user.email=test@example.invalid"),
                        QStringLiteral("-c"), QStringLiteral("init.defaultBranch=trunk")}
                + args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return true;
}

bool TestInfoDialogs::runScript(const QString &sourceDir, const QString &output,
                                const QString &gitExecutable)
{
    QStringList args{QStringLiteral("-DSOURCE_DIR=") + sourceDir,
                     QStringLiteral("-DOUTPUT=") + output};
    if (!gitExecutable.isEmpty())
        args << QStringLiteral("-DGIT_EXECUTABLE=") + gitExecutable;
    args << QStringLiteral("-P") << QStringLiteral(VELUNOR_BUILDINFO_SCRIPT);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Never let the temporary directory count as part of a checkout above it.
    env.insert(QStringLiteral("GIT_CEILING_DIRECTORIES"), QFileInfo(sourceDir).absolutePath());
    env.insert(QStringLiteral("GIT_CONFIG_GLOBAL"), QStringLiteral("/dev/null"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VELUNOR_CMAKE_COMMAND), args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

TestInfoDialogs::Header TestInfoDialogs::readHeader(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(f.readAll());
    Header h;
    const auto value = [&](const char *macro) {
        const QRegularExpression re(QStringLiteral("#define %1 (.*)\n").arg(QLatin1String(macro)));
        QString v = re.match(text).captured(1);
        if (v.startsWith(QLatin1Char('"')))
            v = v.mid(1, v.size() - 2);
        return v;
    };
    h.id = value("VELUNOR_BUILD_ID");
    h.branch = value("VELUNOR_BUILD_BRANCH");
    h.modified = value("VELUNOR_BUILD_MODIFIED");
    return h;
}

void TestInfoDialogs::buildInfoScript_data()
{
    QTest::addColumn<bool>("checkout");
    QTest::addColumn<QString>("branch");  // empty: detached HEAD
    QTest::addColumn<QString>("change");  // "", "tracked", "untracked"
    QTest::addColumn<bool>("gitMissing");
    QTest::addColumn<QString>("expectBranch");
    QTest::addColumn<QString>("expectModified");

    QTest::newRow("outside a checkout") << false << "" << "" << false << "default" << "0";
    QTest::newRow("git not installed") << true << "work" << "tracked" << true << "default" << "0";
    QTest::newRow("clean branch") << true << "feature/pid-remap" << "" << false
                                  << "feature/pid-remap" << "0";
    QTest::newRow("tracked file edited") << true << "work" << "tracked" << false << "work" << "1";
    QTest::newRow("untracked file only") << true << "work" << "untracked" << false << "work"
                                         << "0";
    QTest::newRow("detached head") << true << "" << "" << false << "default" << "0";
}

void TestInfoDialogs::buildInfoScript()
{
    QFETCH(bool, checkout);
    QFETCH(QString, branch);
    QFETCH(QString, change);
    QFETCH(bool, gitMissing);
    QFETCH(QString, expectBranch);
    QFETCH(QString, expectModified);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString src = tmp.filePath(QStringLiteral("src"));
    QVERIFY(QDir().mkpath(src));
    {
        QFile f(src + QStringLiteral("/a.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("one\n");
    }

    QString head;
    if (checkout) {
        if (!git(src, {QStringLiteral("--version")}))
            QSKIP("git is not installed here");
        QVERIFY(git(src, {QStringLiteral("init"), QStringLiteral("-q")}));
        QVERIFY(git(src, {QStringLiteral("add"), QStringLiteral("a.txt")}));
        QVERIFY(git(src, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"),
                          QStringLiteral("first")}));
        QVERIFY(git(src, {QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, &head));
        if (branch.isEmpty())
            QVERIFY(git(src, {QStringLiteral("checkout"), QStringLiteral("-q"),
                              QStringLiteral("--detach")}));
        else
            QVERIFY(git(src, {QStringLiteral("checkout"), QStringLiteral("-q"),
                              QStringLiteral("-b"), branch}));
    }
    if (!change.isEmpty()) {
        QFile f(src + (change == QLatin1String("tracked") ? QStringLiteral("/a.txt")
                                                          : QStringLiteral("/b.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("two\n");
    }

    const QString out = tmp.filePath(QStringLiteral("gen/buildinfo.h"));
    QVERIFY(runScript(src, out,
                      gitMissing ? tmp.filePath(QStringLiteral("no-such-dir/git")) : QString()));
    const Header h = readHeader(out);
    const QString expectId = (checkout && !gitMissing) ? head.left(12) : QStringLiteral("000000000000");
    QCOMPARE(h.id, expectId);
    QCOMPARE(h.branch, expectBranch);
    QCOMPARE(h.modified, expectModified);
}

void TestInfoDialogs::buildInfoScriptKeepsUnchangedHeader()
{
    QTemporaryDir tmp;
    const QString src = tmp.filePath(QStringLiteral("src"));
    QVERIFY(QDir().mkpath(src));
    const QString out = tmp.filePath(QStringLiteral("buildinfo.h"));
    QVERIFY(runScript(src, out));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000, Qt::UTC);
    QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    f.close();

    // Same revision: the header must stay as it is, or every build would
    // compile the dialog again.
    QVERIFY(runScript(src, out));
    QCOMPARE(QFileInfo(out).lastModified().toUTC(), old);

    // A different text is written.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("stale\n");
    f.close();
    QVERIFY(runScript(src, out));
    QCOMPARE(readHeader(out).id, QStringLiteral("000000000000"));
}

QTEST_MAIN(TestInfoDialogs)
#include "test_infodialogs.moc"
