#include <QtTest>

#include "../common/modaldriver.h"
#include "dialogs/valueentry.h"

namespace {
// A combo's items as "text=data|...", "=data" left off where there is none.
QString items(const QComboBox &combo)
{
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << combo.itemText(i)
                   + (combo.itemData(i).isValid() ? QLatin1Char('=') + combo.itemData(i).toString()
                                                  : QString());
    return out.join(QLatin1Char('|'));
}
} // namespace

class TestValueEntry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text"); // then the range and whether the text is taken
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
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(int, least);
        QFETCH(int, greatest);
        QFETCH(bool, ok);
        QCOMPARE(parseNumber(text, least, greatest), ok);
    }

    // Lower-case hex digits, at least four, never cut; decimal never padded.
    void format()
    {
        QStringList texts;
        for (int value : {0, 256, 8191, 65535, 65536})
            texts << formatNumber(value, 4, true);
        texts << formatNumber(4096, 4, false) << formatNumber(0, 4, false);
        QCOMPARE(texts.join(QLatin1Char(' ')), QStringLiteral("0x0000 0x0100 0x1fff 0xffff 0x10000 4096 0"));
    }

    // The names of stream types (0..3 and an unknown code), then each filter
    // rule's action and input text as action/input/hex.
    void names()
    {
        QStringList names;
        for (int code : {0, 1, 2, 3, 7})
            names << esTypeName(code) + QLatin1Char('/') + esTypeShortName(code);
        QCOMPARE(names.join(QLatin1Char('|')),
                 QStringLiteral("MPEG2 Video/Vid|MPEG2 Audio/Aud|Teletext/Txt|H264 Video/Vid|unknown/?"));
        QStringList texts;
        const struct { int action, input; bool hex; } rules[] = {{0, 0, false}, {1, 1, true}, {1, 4, false},
                                                                 {2, 3, true}, {3, 5, false}, {-1, -1, false}};
        for (const auto &r : rules) {
            FilterCfg f;
            f.action = r.action;
            f.input = r.input;
            texts << filterActionText(f, r.hex) + QLatin1Char('/') + filterInputText(f);
        }
        QCOMPARE(texts.join(QLatin1Char('|')), QStringLiteral("Drop/Any|Remap to base 0x1000/Port 1|"
                                                              "Remap to base 4096/Port 4|Pass/Port 3|?/?|?/?"));
    }

    // Positions differ from the codes they stand for; each filler replaces
    // what the combo held before.
    void comboFillers()
    {
        QComboBox combo;
        combo.addItem(QStringLiteral("stale"));
        fillESTypeCombo(&combo);
        QCOMPARE(items(combo), QStringLiteral("MPEG2 Video=0|H264  Video=3|MPEG2 Audio=1|Teletext=2"));
        fillVideoTypeCombo(&combo);
        QCOMPARE(items(combo), QStringLiteral("MPEG2 (0x02)=0|H264 (0x1B)=3"));
        fillServiceTypeCombo(&combo);
        QCOMPARE(items(combo), QStringLiteral("Digital TV (0x01)=0|Digital Radio (0x02)=1"));
        fillInputCombo(&combo);
        QCOMPARE(items(combo), QStringLiteral("Any|Port 1|Port 2|Port 3|Port 4"));
    }

    void warnInvalidFieldFocusesField()
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
        QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(field->hasFocus());
        // Without a field the box still comes up.
        warnInvalidField(QStringLiteral("PID"), nullptr, &window);
        QCOMPARE(prompter.messages.size(), 2);
    }
};

QTEST_MAIN(TestValueEntry)
#include "test_valueentry.moc"
