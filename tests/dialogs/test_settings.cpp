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
