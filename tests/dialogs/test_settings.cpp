#include <QtTest>

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

#include "dialogs/settings.h"

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void missingFileMeansDecimal();
    void saveAndReadBack();
    void readsExistingFile_data();
    void readsExistingFile();
    void unwritableDirectoryFallsBackToPerUserFile();
    void existingFileBesideExecutableWins();
    void saveFailureIsReported();
};

void TestSettings::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("velunor-test-settings"));
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QFile::remove(perUser + QStringLiteral("/velunor.ini"));
}

void TestSettings::missingFileMeansDecimal()
{
    QTemporaryDir dir;
    const Settings s(dir.path());
    QCOMPARE(s.iniFile, dir.path() + QStringLiteral("/velunor.ini"));
    QVERIFY(!s.hex);
    QVERIFY(!QFile::exists(s.iniFile));
}

void TestSettings::saveAndReadBack()
{
    QTemporaryDir dir;
    Settings s(dir.path() + QStringLiteral("/"));
    QCOMPARE(s.iniFile, dir.path() + QStringLiteral("/velunor.ini"));
    s.hex = true;
    QVERIFY(s.save());

    const QSettings raw(s.iniFile, QSettings::IniFormat);
    QCOMPARE(raw.value(QStringLiteral("notation/hex")).toString(), QStringLiteral("true"));
    QVERIFY(Settings(dir.path()).hex);

    s.hex = false;
    QVERIFY(s.save());
    QVERIFY(!Settings(dir.path()).hex);
}

void TestSettings::readsExistingFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("hex");
    QTest::newRow("true") << QByteArray("[notation]\nhex=true\n") << true;
    QTest::newRow("false") << QByteArray("[notation]\nhex=false\n") << false;
    QTest::newRow("one") << QByteArray("[notation]\nhex=1\n") << true;
    QTest::newRow("no key") << QByteArray("[other]\nx=1\n") << false;
    QTest::newRow("garbage") << QByteArray("\xff\xfe garbage") << false;
}

void TestSettings::readsExistingFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, hex);
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("velunor.ini")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    QCOMPARE(Settings(dir.path()).hex, hex);
}

void TestSettings::unwritableDirectoryFallsBackToPerUserFile()
{
    // A directory that cannot hold the file (it does not exist, which holds
    // even for root, unlike a mode-0555 directory).
    QTemporaryDir base;
    const QString installDir = base.filePath(QStringLiteral("usr/bin"));
    Settings s(installDir);
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QCOMPARE(s.iniFile, perUser + QStringLiteral("/velunor.ini"));
    s.hex = true;
    QVERIFY(s.save());
    QVERIFY(Settings(installDir).hex);
    QVERIFY(QFile::remove(s.iniFile));

    if (geteuid() != 0) {
        QTemporaryDir readOnly;
        QVERIFY(QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::ExeOwner));
        QCOMPARE(Settings(readOnly.path()).iniFile, perUser + QStringLiteral("/velunor.ini"));
        QFile::setPermissions(readOnly.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

void TestSettings::existingFileBesideExecutableWins()
{
    QTemporaryDir dir;
    Settings first(dir.path());
    first.hex = true;
    QVERIFY(first.save());
    // Even where the directory is no longer writable, an existing file is used.
    QCOMPARE(Settings::resolveIniFile(dir.path()), first.iniFile);
}

void TestSettings::saveFailureIsReported()
{
    Settings s(QStringLiteral("/dev/null"));
    s.iniFile = QStringLiteral("/dev/null/velunor.ini");
    s.hex = true;
    QVERIFY(!s.save());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
