#include <QtTest>

#include <QStandardPaths>

#include "dialogs/settings.h"

// velunor.ini: where it lives and what it holds.
class TestSettings : public QObject {
    Q_OBJECT

    QString perUser;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(QStringLiteral("velunor-test-settings"));
        perUser = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/velunor.ini");
        QFile::remove(perUser);
    }

    void saveAndReadBack()
    {
        QTemporaryDir dir;
        Settings s(dir.path() + QLatin1Char('/'));
        QCOMPARE(s.iniFile, dir.path() + QStringLiteral("/velunor.ini"));
        QVERIFY(!s.hex); // no file: decimal
        for (bool hex : {true, false}) {
            s.hex = hex;
            QVERIFY(s.save());
            QCOMPARE(Settings(dir.path()).hex, hex);
        }
        s.iniFile = QStringLiteral("/dev/null/velunor.ini");
        QVERIFY(!s.save());
    }

    // Newest first, each file once, 8 at most; kept so across a restart.
    void recentFiles_data()
    {
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("kept");
        QTest::newRow("newest first, one again moves to the front") << "a b c b" << "b c a";
        QTest::newRow("eight") << "1 2 3 4 5 6 7 8" << "8 7 6 5 4 3 2 1";
        QTest::newRow("nine: the oldest goes") << "1 2 3 4 5 6 7 8 9" << "9 8 7 6 5 4 3 2";
        QTest::newRow("nine with a repeat: none goes") << "1 2 3 4 5 6 7 8 1" << "1 8 7 6 5 4 3 2";
    }
    void recentFiles()
    {
        QFETCH(QString, added);
        QFETCH(QString, kept);
        QTemporaryDir dir;
        Settings s(dir.path());
        for (const QString &name : added.split(' '))
            s.addRecentFile(name);
        QVERIFY(s.save());
        QCOMPARE(Settings(dir.path()).recentFiles.join(' '), kept);
    }

    // A missing directory (unwritable even for root), or a velunor.ini that is
    // a directory, sends both ways to the user's own file.
    void unwritableDirectoryFallsBackToPerUserFile()
    {
        QTemporaryDir base;
        const QString installDir = base.filePath(QStringLiteral("usr/bin"));
        Settings s(installDir);
        QCOMPARE(s.iniFile, perUser);
        s.hex = true;
        QVERIFY(s.save());
        QVERIFY(Settings(installDir).hex);
        QVERIFY(QFile::remove(perUser));
        QVERIFY(QDir(base.path()).mkpath(QStringLiteral("portable/velunor.ini")));
        QCOMPARE(Settings::resolveIniFile(base.filePath(QStringLiteral("portable"))), perUser);
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
