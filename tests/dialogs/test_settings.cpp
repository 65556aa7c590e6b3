#include <QtTest>

#include <QSettings>
#include <QStandardPaths>

#include "../common/modaldriver.h"
#include "dialogs/settings.h"
#include "dialogs/settingsdialog.h"

// velunor.ini: where it lives, what it holds, and the dialog that edits it.
class TestSettings : public QObject {
    Q_OBJECT

    QString perUser;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(QStringLiteral("velunor-test-settings"));
        perUser = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                  + QStringLiteral("/velunor.ini");
        QFile::remove(perUser);
    }

    void saveAndReadBack()
    {
        QTemporaryDir dir;
        Settings s(dir.path() + QLatin1Char('/'));
        QCOMPARE(s.iniFile, dir.path() + QStringLiteral("/velunor.ini"));
        QVERIFY(!s.hex); // no file: decimal
        s.hex = true;
        QVERIFY(s.save());
        QCOMPARE(QSettings(s.iniFile, QSettings::IniFormat).value(QStringLiteral("notation/hex")),
                 QVariant(QStringLiteral("true")));
        QVERIFY(Settings(dir.path()).hex);
        s.hex = false;
        QVERIFY(s.save());
        QVERIFY(!Settings(dir.path()).hex);
    }

    void readsExistingFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("hex");
        QTest::newRow("true") << QByteArray("[notation]\nhex=true\n") << true;
        QTest::newRow("false") << QByteArray("[notation]\nhex=false\n") << false;
        QTest::newRow("one") << QByteArray("[notation]\nhex=1\n") << true;
        QTest::newRow("no key") << QByteArray("[other]\nx=1\n") << false;
        QTest::newRow("garbage") << QByteArray("\xff\xfe garbage") << false;
    }
    void readsExistingFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, hex);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("velunor.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        f.close();
        QCOMPARE(Settings(dir.path()).hex, hex);
        // An existing file is used even where the directory is no longer writable.
        QCOMPARE(Settings::resolveIniFile(dir.path()), f.fileName());
    }

    // A directory that cannot hold the file (it does not exist: that holds
    // even for root, unlike a read-only one) sends both ways to the user's file.
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

        // A velunor.ini beside the executable that cannot be written (here a
        // directory, which even root cannot write as a file) is passed over too.
        QVERIFY(QDir(base.path()).mkpath(QStringLiteral("portable/velunor.ini")));
        QCOMPARE(Settings::resolveIniFile(base.filePath(QStringLiteral("portable"))), perUser);
    }

    void saveFailureIsReported()
    {
        Settings s(QStringLiteral("/dev/null"));
        s.iniFile = QStringLiteral("/dev/null/velunor.ini");
        s.hex = true;
        QVERIFY(!s.save());
    }

    void dialog_data()
    {
        QTest::addColumn<bool>("hexBefore");
        QTest::addColumn<QString>("choice"); // empty: selection left alone
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("outcome"); // shown index, exec() result, hex afterwards
        QTest::newRow("decimal shown, hex chosen, OK") << false << "notation=1" << true << "0 1 1";
        QTest::newRow("hex shown, decimal chosen, OK") << true << "notation=0" << true << "1 1 0";
        QTest::newRow("decimal shown, hex chosen, Cancel") << false << "notation=1" << false << "0 0 0";
        QTest::newRow("hex shown, decimal chosen, Cancel") << true << "notation=0" << false << "1 0 1";
        QTest::newRow("unchanged OK still accepted") << true << "" << true << "1 1 1";
    }
    void dialog()
    {
        QFETCH(bool, hexBefore);
        QFETCH(QString, choice);
        QFETCH(bool, ok);
        QFETCH(QString, outcome);
        QTemporaryDir dir;
        Settings settings(dir.path());
        settings.hex = hexBefore;
        SettingsDialog dlg(nullptr);
        QString items;
        int shown = -1;
        ModalDriver driver([&](QDialog *d) {
            auto *notation = child<QComboBox>(d, QStringLiteral("notation"));
            items = notation->itemText(0) + QLatin1Char('|') + notation->itemText(1);
            shown = notation->currentIndex();
            perform(d, choice.isEmpty() ? QStringList() : QStringList{choice});
            clickBox(d, ok);
        });
        const int result = dlg.exec(&settings);
        QCOMPARE(driver.title, QStringLiteral("Settings"));
        QVERIFY(!driver.stayedOpen);
        QCOMPARE(items, QStringLiteral("Decimal|Hexadecimal (0x...)"));
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(shown).arg(result).arg(int(settings.hex)), outcome);
        // Saving is the window's business, not the dialog's.
        QVERIFY(!QFile::exists(settings.iniFile));
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
