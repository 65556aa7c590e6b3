#include <QtTest>

#include <QComboBox>
#include <QLabel>

#include "dialogs/settings.h"
#include "dialogs/settingsdialog.h"
#include "modaldriver.h"

class TestSettingsDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void form();
    void chooseNotation_data();
    void chooseNotation();
};

void TestSettingsDialog::form()
{
    SettingsDialog dlg(nullptr);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Settings"));
    auto *notation = child<QComboBox>(&dlg, "notation");
    QCOMPARE(notation->count(), 2);
    QCOMPARE(notation->itemText(0), QStringLiteral("Decimal"));
    QCOMPARE(notation->itemText(1), QStringLiteral("Hexadecimal (0x...)"));
    const auto labels = dlg.findChildren<QLabel *>();
    bool found = false;
    for (QLabel *l : labels) {
        if (l->text() == QStringLiteral("Numbers as")) {
            found = true;
            QVERIFY(l->minimumWidth() >= 92);
        }
    }
    QVERIFY(found);
}

void TestSettingsDialog::chooseNotation_data()
{
    QTest::addColumn<bool>("hexBefore");
    QTest::addColumn<int>("choose"); // -1: leave the selection alone
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("shownIndex");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("hexAfter");

    QTest::newRow("decimal shown, hex chosen, OK") << false << 1 << true << 0 << 1 << true;
    QTest::newRow("hex shown, decimal chosen, OK") << true << 0 << true << 1 << 1 << false;
    QTest::newRow("decimal shown, hex chosen, Cancel") << false << 1 << false << 0 << 0 << false;
    QTest::newRow("hex shown, decimal chosen, Cancel") << true << 0 << false << 1 << 0 << true;
    QTest::newRow("unchanged OK still accepted") << true << -1 << true << 1 << 1 << true;
}

void TestSettingsDialog::chooseNotation()
{
    QFETCH(bool, hexBefore);
    QFETCH(int, choose);
    QFETCH(bool, ok);
    QFETCH(int, shownIndex);
    QFETCH(int, result);
    QFETCH(bool, hexAfter);

    QTemporaryDir dir;
    Settings settings(dir.path());
    settings.hex = hexBefore;
    const QString iniFile = settings.iniFile;

    SettingsDialog dlg(nullptr);
    ModalDriver driver;
    int shown = -2;
    driver.schedule([&](QDialog *d) {
        shown = child<QComboBox>(d, "notation")->currentIndex();
        if (choose >= 0)
            chooseItem(d, "notation", choose);
        clickBox(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
    });
    QCOMPARE(dlg.exec(&settings), result);
    QVERIFY(driver.ran);
    QVERIFY(!driver.stayedOpen);
    QCOMPARE(shown, shownIndex);
    QCOMPARE(settings.hex, hexAfter);
    QCOMPARE(settings.iniFile, iniFile);
    // Saving is the window's business, not the dialog's.
    QVERIFY(!QFile::exists(iniFile));
}

QTEST_MAIN(TestSettingsDialog)
#include "test_settingsdialog.moc"
