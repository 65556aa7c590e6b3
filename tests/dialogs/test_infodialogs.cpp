#include <QtTest>

#include <QLabel>
#include <QProcess>
#include <QRegularExpression>

#include "../common/modaldriver.h"
#include "buildinfo.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/buildiddlg.h"

class TestInfoDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aboutBox()
    {
        AboutDlg dlg(nullptr);
        QString text;
        QSize logo, sizes;
        ModalDriver driver([&](QDialog *d) {
            d->resize(700, 500); // a fixed size: the request is ignored
            sizes = d->size();
            QCOMPARE(d->minimumSize(), d->maximumSize());
            logo = child<QLabel>(d, QStringLiteral("label_2"))->pixmap().size();
            text = child<QLabel>(d, QStringLiteral("aboutText"))->text();
            QTest::mouseClick(child<QPushButton>(d, QStringLiteral("closeBtn")), Qt::LeftButton);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QVERIFY(!driver.stayedOpen);
        QCOMPARE(driver.title, QString::fromUtf8("Über..."));
        QCOMPARE(sizes, QSize(438, 339));
        // The logo is compiled in; a wrong resource path leaves the label blank.
        QVERIFY(!logo.isEmpty());
        QCOMPARE(logo, QImage(QStringLiteral(":/images/resources/logo.png")).size());
        QVERIFY2(text.contains(QStringLiteral("Velunor V0.5")) && !text.contains(QLatin1String("%1")),
                 qPrintable(text));
    }

    void versionBox()
    {
        BuildIDDlg dlg(nullptr);
        QStringList shown;
        ModalDriver driver([&](QDialog *d) {
            for (const char *name : {"tag", "id", "branch", "mod", "date"})
                shown << child<QLabel>(d, QLatin1String(name))->text();
            QTest::mouseClick(child<QPushButton>(d, QStringLiteral("pushButton")), Qt::LeftButton);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(driver.title, QStringLiteral("Build ID and Version Information"));
        QCOMPARE(shown.mid(0, 4), QStringList({QStringLiteral("V0.5"), QStringLiteral(VELUNOR_BUILD_ID),
                                               QString::fromUtf8(VELUNOR_BUILD_BRANCH),
                                               QLatin1String(VELUNOR_BUILD_MODIFIED ? "YES" : "NO")}));
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{12}$")).match(shown.at(1)).hasMatch());
        QVERIFY(!shown.at(2).isEmpty());
        // Like "Nov 17 2011 12:02:07".
        QVERIFY2(QRegularExpression(QStringLiteral("^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                                   "([1-9]|[12][0-9]|3[01]) [0-9]{4} "
                                                   "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]$"))
                     .match(shown.at(4))
                     .hasMatch(),
                 qPrintable(shown.at(4)));
    }

    // Without git, or outside a checkout, the header behind the version box
    // falls back to zeros, "default" and not modified; a stale one is replaced.
    void buildInfoFallback_data()
    {
        QTest::addColumn<bool>("gitMissing");
        QTest::newRow("outside a checkout") << false;
        QTest::newRow("git not installed") << true;
    }
    void buildInfoFallback()
    {
        QFETCH(bool, gitMissing);
        QTemporaryDir tmp;
        const QString src = tmp.filePath(QStringLiteral("src")), out = tmp.filePath(QStringLiteral("buildinfo.h"));
        QVERIFY(QDir().mkpath(src + QStringLiteral("/.git")));
        QFile f(out);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("stale\n") == 6);
        f.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Never let the temporary directory count as part of a checkout above it.
        env.insert(QStringLiteral("GIT_CEILING_DIRECTORIES"), tmp.path());
        p.setProcessEnvironment(env);
        QStringList args{QStringLiteral("-DSOURCE_DIR=") + (gitMissing ? src : tmp.path()),
                         QStringLiteral("-DOUTPUT=") + out, QStringLiteral("-P"), QStringLiteral(VELUNOR_BUILDINFO_SCRIPT)};
        if (gitMissing)
            args.insert(2, QStringLiteral("-DGIT_EXECUTABLE=") + tmp.filePath(QStringLiteral("none/git")));
        p.start(QStringLiteral(VELUNOR_CMAKE_COMMAND), args);
        QVERIFY(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QStringList values;
        for (const char *macro : {"ID", "BRANCH", "MODIFIED"})
            values << QRegularExpression(QStringLiteral("#define VELUNOR_BUILD_%1 \"?([^\"\n]*)").arg(QLatin1String(macro)))
                          .match(text).captured(1);
        QCOMPARE(values.join(QLatin1Char(' ')), QStringLiteral("000000000000 default 0"));
    }
};

QTEST_MAIN(TestInfoDialogs)
#include "test_infodialogs.moc"
