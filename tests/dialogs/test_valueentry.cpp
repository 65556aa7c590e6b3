#include <QtTest>

#include <QComboBox>
#include <QLineEdit>

#include "../common/scriptedprompter.h"
#include "dialogs/valueentry.h"

class TestValueEntry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void format_data();
    void format();
    void typeNames();
    void filterTexts_data();
    void filterTexts();
    void comboFillers();
    void warnInvalidFieldFocusesField();
};

void TestValueEntry::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("greatest");
    QTest::addColumn<bool>("ok");

    QTest::newRow("hex upper digits") << "0x1FFF" << 0 << 8191 << true;
    QTest::newRow("hex lower digits") << "0x1fff" << 0 << 8191 << true;
    QTest::newRow("hex above") << "0x2000" << 0 << 8191 << false;
    QTest::newRow("blanks around") << "  100 " << 1 << 65535 << true;
    QTest::newRow("zero below 1") << "0" << 1 << 65535 << false;
    QTest::newRow("octal 010") << "010" << 8 << 8 << true;
    QTest::newRow("octal 08") << "08" << 0 << 65535 << false;
    QTest::newRow("empty") << "" << 0 << 8190 << false;
    QTest::newRow("blank only") << "   " << 0 << 8190 << false;
    QTest::newRow("minus one") << "-1" << 0 << 8190 << false;
    QTest::newRow("8191 for table PID") << "8191" << 0 << 8190 << false;
    QTest::newRow("8191 for filter PID") << "8191" << 0 << 8191 << true;
    QTest::newRow("letters") << "abc" << 0 << 65535 << false;
    QTest::newRow("beyond 32 bits") << "99999999999" << 0 << 2147483647 << false;
}

void TestValueEntry::parse()
{
    QFETCH(QString, text);
    QFETCH(int, least);
    QFETCH(int, greatest);
    QFETCH(bool, ok);
    QCOMPARE(parseNumber(text, least, greatest), ok);
}

void TestValueEntry::format_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");

    QTest::newRow("hex 0") << 0 << true << "0x0000";
    QTest::newRow("hex 256") << 256 << true << "0x0100";
    QTest::newRow("hex 4096") << 4096 << true << "0x1000";
    QTest::newRow("hex 8191") << 8191 << true << "0x1fff";
    QTest::newRow("hex 65535") << 65535 << true << "0xffff";
    QTest::newRow("hex 65536 not cut") << 65536 << true << "0x10000";
    QTest::newRow("dec 256") << 256 << false << "256";
    QTest::newRow("dec 4096") << 4096 << false << "4096";
    QTest::newRow("dec 0") << 0 << false << "0";
}

void TestValueEntry::format()
{
    QFETCH(int, value);
    QFETCH(bool, hex);
    QFETCH(QString, text);
    QCOMPARE(formatNumber(value, 4, hex), text);
}

void TestValueEntry::typeNames()
{
    QCOMPARE(esTypeName(0), QStringLiteral("MPEG2 Video"));
    QCOMPARE(esTypeName(1), QStringLiteral("MPEG2 Audio"));
    QCOMPARE(esTypeName(2), QStringLiteral("Teletext"));
    QCOMPARE(esTypeName(3), QStringLiteral("H264 Video"));
    QCOMPARE(esTypeName(7), QStringLiteral("unknown"));
    QCOMPARE(esTypeShortName(0), QStringLiteral("Vid"));
    QCOMPARE(esTypeShortName(3), QStringLiteral("Vid"));
    QCOMPARE(esTypeShortName(1), QStringLiteral("Aud"));
    QCOMPARE(esTypeShortName(2), QStringLiteral("Txt"));
    QCOMPARE(esTypeShortName(7), QStringLiteral("?"));
}

void TestValueEntry::filterTexts_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("input");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("actionText");
    QTest::addColumn<QString>("inputText");

    QTest::newRow("drop any") << 0 << 0 << false << "Drop" << "Any";
    QTest::newRow("remap hex") << 1 << 1 << true << "Remap to base 0x1000" << "Port 1";
    QTest::newRow("remap dec") << 1 << 4 << false << "Remap to base 4096" << "Port 4";
    QTest::newRow("pass") << 2 << 3 << true << "Pass" << "Port 3";
    QTest::newRow("unknown codes") << 3 << 5 << false << "?" << "?";
    QTest::newRow("negative codes") << -1 << -1 << false << "?" << "?";
}

void TestValueEntry::filterTexts()
{
    QFETCH(int, action);
    QFETCH(int, input);
    QFETCH(bool, hex);
    QFETCH(QString, actionText);
    QFETCH(QString, inputText);
    FilterCfg f;
    f.action = action;
    f.input = input;
    QCOMPARE(filterActionText(f, hex), actionText);
    QCOMPARE(filterInputText(f), inputText);
}

void TestValueEntry::comboFillers()
{
    QComboBox combo;
    combo.addItem(QStringLiteral("stale"));

    fillESTypeCombo(&combo);
    QCOMPARE(combo.count(), 4);
    const QStringList esTexts = {QStringLiteral("MPEG2 Video"), QStringLiteral("H264  Video"),
                                 QStringLiteral("MPEG2 Audio"), QStringLiteral("Teletext")};
    const QList<int> esCodes = {0, 3, 1, 2};
    for (int i = 0; i < combo.count(); ++i) {
        QCOMPARE(combo.itemText(i), esTexts.at(i));
        QCOMPARE(combo.itemData(i).toInt(), esCodes.at(i));
    }
    QCOMPARE(combo.findData(3), 1);

    fillVideoTypeCombo(&combo);
    QCOMPARE(combo.count(), 2);
    QCOMPARE(combo.itemText(1), QStringLiteral("H264 (0x1B)"));
    QCOMPARE(combo.itemData(1).toInt(), 3);

    fillServiceTypeCombo(&combo);
    QCOMPARE(combo.count(), 2);
    QCOMPARE(combo.itemText(0), QStringLiteral("Digital TV (0x01)"));
    QCOMPARE(combo.itemData(0).toInt(), 0);
    QCOMPARE(combo.itemText(1), QStringLiteral("Digital Radio (0x02)"));
    QCOMPARE(combo.itemData(1).toInt(), 1);

    fillInputCombo(&combo);
    QCOMPARE(combo.count(), 5);
    QCOMPARE(combo.itemText(0), QStringLiteral("Any"));
    QCOMPARE(combo.itemText(4), QStringLiteral("Port 4"));
}

void TestValueEntry::warnInvalidFieldFocusesField()
{
    ScriptedPrompter prompter;
    QWidget window;
    auto *other = new QLineEdit(&window);
    auto *field = new QLineEdit(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    warnInvalidField(QStringLiteral("PMT PID"), field, &window);
    QCOMPARE(prompter.messages.size(), 1);
    const Prompter::Message &m = prompter.messages.first();
    QCOMPARE(m.title, QStringLiteral("Invalid Value"));
    QCOMPARE(m.text, QStringLiteral("Please correct the contents of the field \"PMT PID\""));
    QCOMPARE(m.icon, QMessageBox::Warning);
    QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(m.defaultButton, QMessageBox::Ok);
    QVERIFY(field->hasFocus());

    warnInvalidField(QStringLiteral("PID"), nullptr, &window);
    QCOMPARE(prompter.messages.size(), 2);
    QVERIFY(field->hasFocus());
}

QTEST_MAIN(TestValueEntry)
#include "test_valueentry.moc"
