// The main window frame: the form as built (pages, widgets and their limits,
// actions, menus, tool bar, focus order), the title, and the commands of the
// Options and Help menus. The window reads velunor.ini beside the executable;
// this test runs from a directory of its own, so that file is private to it.

#include <QtTest>

#include <QButtonGroup>
#include <QGroupBox>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "app/velunor.h"
#include "tests/common/modaldriver.h"

namespace {
// The action names of a menu or tool bar in order; a separator reads "-".
QString actionNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (const QAction *action : actions)
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names.join(QLatin1Char(' '));
}

// What limits a widget: a line edit's maximum width, a spin box's range and
// buttons, a combo's items and choice, a group box's title and check box, a
// list's row colours and context menu, a button's text, icon and group.
QString describe(QWidget *w)
{
    const auto flag = [](bool on, const char *text) { return on ? QLatin1String(text) : QLatin1String(""); };
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->maximumWidth() == QWIDGETSIZE_MAX ? QStringLiteral("wide")
                                                       : QStringLiteral("<=%1").arg(edit->maximumWidth());
    if (auto *spin = qobject_cast<QSpinBox *>(w))
        return QStringLiteral("%1..%2%3").arg(spin->minimum()).arg(spin->maximum()).arg(spin->suffix())
               + flag(spin->buttonSymbols() == QAbstractSpinBox::PlusMinus, " +-");
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items.join(QLatin1Char('|')) + QStringLiteral(" @%1").arg(combo->currentIndex());
    }
    if (auto *group = qobject_cast<QGroupBox *>(w))
        return group->title() + flag(group->isCheckable(), " [ ]") + flag(group->isChecked() && group->isCheckable(), "x");
    if (auto *list = qobject_cast<QListWidget *>(w))
        return QLatin1String(list->alternatingRowColors() ? "alternating" : "plain")
               + flag(list->contextMenuPolicy() == Qt::CustomContextMenu, " menu");
    auto *button = qobject_cast<QAbstractButton *>(w);
    if (!button)
        return QStringLiteral("?");
    QString out = button->text() + flag(!button->icon().pixmap(16, 16).isNull(), " icon")
                  + flag(!button->isEnabled(), " off");
    if (QButtonGroup *group = button->group()) {
        QStringList members;
        for (QAbstractButton *b : group->buttons())
            members << b->objectName();
        members.sort();
        out += flag(group->exclusive(), " one of ") + members.join(QLatin1Char(','));
    }
    return out;
}

QString iniPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/velunor.ini");
}

void removeIni()
{
    QDir(iniPath()).removeRecursively();
    QFile::remove(iniPath());
}
} // namespace

class TestFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { removeIni(); }
    void cleanupTestCase() { removeIni(); }

    void startsUntitled()
    {
        Velunor window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Velunor V0.5"));
        QVERIFY(!window.windowIcon().availableSizes().isEmpty());
        // The form's status bar is deleted: statusBar() would make a new one.
        QVERIFY(!window.findChild<QStatusBar *>());
        QVERIFY(!window.isChanged());
        QVERIFY(window.documentFileName().isEmpty());
        QCOMPARE(window.document(), TransportStreamCfg());
        auto *tabs = child<QTabWidget>(&window, QStringLiteral("tabWidget"));
        QStringList pages;
        for (int i = 0; i < tabs->count(); ++i)
            pages << tabs->widget(i)->objectName() + QLatin1Char('=') + tabs->tabText(i);
        QCOMPARE(pages.join(QLatin1Char('|')), QStringLiteral("StreamConfig=Stream Configuration|"
                                                              "PIDFilter=PID Filter|PSIGenerator=PSI Generator"));
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void menusAndToolBar()
    {
        Velunor window;
        QStringList menus;
        for (const QAction *entry : window.menuBar()->actions())
            menus << entry->menu()->title() + QLatin1Char(':') + actionNames(entry->menu()->actions());
        QCOMPARE(menus, QStringList({"&File:action_New action_Load - action_Save action_SaveAs - action_ExportToMUX action_CheckConfiguration - action_Quit",
                                     "&Options:action_Settings", "&Help:action_About action_Version"}));
        const QList<QToolBar *> bars = window.findChildren<QToolBar *>();
        QCOMPARE(bars.size(), 1);
        QCOMPARE(window.toolBarArea(bars.first()), Qt::TopToolBarArea);
        QCOMPARE(actionNames(bars.first()->actions()), QStringLiteral("action_New action_Load action_Save action_SaveAs - "
                                                                      "action_ExportToMUX - action_Settings action_About"));
    }

    void actions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shortcut");
        QTest::newRow("new") << "action_New" << "&New" << "Ctrl+N";
        QTest::newRow("load") << "action_Load" << "&Load..." << "Ctrl+L";
        QTest::newRow("save") << "action_Save" << "&Save" << "Ctrl+S";
        QTest::newRow("save as, no shortcut") << "action_SaveAs" << "Save &As..." << "";
        QTest::newRow("export, no shortcut") << "action_ExportToMUX" << "&Export to MUX..." << "";
        QTest::newRow("check, no shortcut") << "action_CheckConfiguration" << "&Check Configuration..." << "";
        QTest::newRow("quit") << "action_Quit" << "&Quit" << "Ctrl+Q";
        QTest::newRow("settings") << "action_Settings" << "&Settings..." << "";
        QTest::newRow("about") << "action_About" << "&About..." << "";
        QTest::newRow("version") << "action_Version" << "&Version Information..." << "";
    }
    void actions()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, shortcut);
        Velunor window;
        auto *action = window.findChild<QAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->text(), text);
        QCOMPARE(action->shortcut(), QKeySequence(shortcut));
        // A missing or unregistered image gives a null pixmap, not an error.
        QVERIFY(!action->icon().pixmap(24, 24).isNull());
    }

    void widgets_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("limits");
        for (const char *name : {"tsID", "origTSID", "netID", "tsCAID", "emmPID"})
            QTest::newRow(name) << 0 << name << "<=64";
        QTest::newRow("netName") << 0 << "netName" << "wide";
        QTest::newRow("tsCAEnabled") << 0 << "tsCAEnabled" << "&Conditional Access System [ ]";
        QTest::newRow("featPOT") << 0 << "featPOT" << "Playout Timings [ ]";
        QTest::newRow("PATime") << 0 << "PATime" << "25..500ms +-";
        QTest::newRow("SDTime") << 0 << "SDTime" << "25..2000ms +-";
        QTest::newRow("NITime") << 0 << "NITime" << "25..10000ms +-";
        QTest::newRow("EITime") << 0 << "EITime" << "25..2000ms +-";
        QTest::newRow("TDTime") << 0 << "TDTime" << "25..30000ms +-";
        QTest::newRow("PMTime") << 0 << "PMTime" << "25..500ms";
        QTest::newRow("featRealTDT") << 0 << "featRealTDT" << "Real Time one of featRealTDT,featStaticTDT";
        QTest::newRow("featStaticTDT") << 0 << "featStaticTDT" << "Static one of featRealTDT,featStaticTDT";
        QTest::newRow("filters") << 1 << "filters" << "plain menu";
        QTest::newRow("filterDefault") << 1 << "filterDefault" << "Drop|Pass @1";
        QTest::newRow("filterUp") << 1 << "filterUp" << " icon off";
        QTest::newRow("filterDown") << 1 << "filterDown" << " icon off";
        QTest::newRow("services") << 2 << "services" << "alternating menu";
        QTest::newRow("elements") << 2 << "elements" << "alternating menu";
        QTest::newRow("serviceUp") << 2 << "serviceUp" << " icon off";
        QTest::newRow("serviceDown") << 2 << "serviceDown" << " icon off";
        QTest::newRow("serviceType") << 2 << "serviceType" << "Digital TV (0x01)|Digital Radio (0x02) @-1";
        for (const char *name : {"serviceID", "pmtPID", "pcrPID", "caID", "ecmPID", "lcNumber"})
            QTest::newRow(name) << 2 << name << "<=64";
        QTest::newRow("language") << 2 << "language" << "<=48";
        QTest::newRow("serviceName") << 2 << "serviceName" << "wide";
        QTest::newRow("caEnabled") << 2 << "caEnabled" << "&Conditional Access [ ]";
        QTest::newRow("lcEnabled") << 2 << "lcEnabled" << "&Logical Channel [ ]";
    }
    void widgets()
    {
        QFETCH(int, page);
        QFETCH(QString, name);
        QFETCH(QString, limits);
        Velunor window;
        QWidget *w = child(&window, name);
        QVERIFY(child<QTabWidget>(&window, QStringLiteral("tabWidget"))->widget(page)->isAncestorOf(w));
        QCOMPARE(describe(w), limits);
    }

    // Tab walks the fields of each page in reading order.
    void focusOrder()
    {
        const QStringList expected = QStringLiteral(
            "patEnabled sdtEnabled nitEnabled eitEnabled tdtEnabled tsID origTSID netID netName tsCAEnabled tsCAID "
            "emmPID filters filterDefault addRemap addFilter removeFilter filterUp filterDown services addService "
            "removeService serviceUp serviceDown serviceID serviceType providerName serviceName eventName eventText "
            "language pmtPID pcrPID caEnabled caID ecmPID lcEnabled lcVisible lcNumber elements addES removeES")
                                         .split(QLatin1Char(' '));
        Velunor window;
        QStringList seen;
        QWidget *start = child(&window, expected.first());
        QWidget *w = start;
        do {
            if (expected.contains(w->objectName()) && !seen.contains(w->objectName()))
                seen << w->objectName();
            w = w->nextInFocusChain();
        } while (w && w != start);
        QCOMPARE(seen, expected);
    }

    void settingsCommand_data()
    {
        QTest::addColumn<bool>("startHex");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("blocked"); // a directory where velunor.ini should be
        QTest::addColumn<bool>("expectHex");
        QTest::addColumn<QString>("message");
        QTest::newRow("decimal to hex, OK") << false << "notation=1" << true << false << true << "";
        QTest::newRow("hex to decimal, OK") << true << "notation=0" << true << false << false << "";
        QTest::newRow("unchanged, OK still saves") << false << "notation=0" << true << false << false << "";
        QTest::newRow("decimal to hex, Cancel") << false << "notation=1" << false << false << false << "";
        // Whoever runs the test, root included, cannot write a file over a directory.
        QTest::newRow("cannot save: warned, kept for the session") << false << "notation=1" << true << true << true
            << "Write Error: Your settings could not be saved.";
    }
    void settingsCommand()
    {
        QFETCH(bool, startHex);
        QFETCH(QString, choice);
        QFETCH(bool, ok);
        QFETCH(bool, blocked);
        QFETCH(bool, expectHex);
        QFETCH(QString, message);
        if (startHex)
            QSettings(iniPath(), QSettings::IniFormat).setValue(QStringLiteral("notation/hex"), true);
        ScriptedPrompter prompter;
        Velunor window;
        QCOMPARE(window.currentSettings().hex, startHex);
        QFile::remove(iniPath());
        if (blocked)
            QVERIFY(QDir().mkpath(iniPath() + QStringLiteral("/blocked")));

        ModalDriver driver([&](QDialog *d) {
            perform(d, {choice});
            clickBox(d, ok);
        });
        window.findChild<QAction *>(QStringLiteral("action_Settings"))->trigger();
        QCOMPARE(driver.className, QStringLiteral("SettingsDialog"));
        QCOMPARE(driver.parent.data(), static_cast<QWidget *>(&window));
        QStringList messages;
        for (const Prompter::Message &m : prompter.messages)
            messages << m.title + QStringLiteral(": ") + m.text;
        QCOMPARE(messages.join(QLatin1Char('\n')), message);
        QCOMPARE(window.currentSettings().hex, expectHex);
        QVERIFY(!window.isChanged());
        // Numbers are shown again in the notation now in force.
        QCOMPARE(child<QLineEdit>(&window, QStringLiteral("tsID"))->text(),
                 expectHex ? QStringLiteral("0x0000") : QStringLiteral("0"));
        // The choice is kept for the next start when OK could save it.
        QCOMPARE(QFileInfo(iniPath()).isFile(), ok && !blocked);
        if (ok && !blocked)
            QCOMPARE(Velunor().currentSettings().hex, expectHex);
    }

    void helpCommands_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("dialogClass");
        QTest::newRow("about") << "action_About" << "AboutDlg";
        QTest::newRow("version") << "action_Version" << "BuildIDDlg";
    }
    void helpCommands()
    {
        QFETCH(QString, action);
        QFETCH(QString, dialogClass);
        Velunor window;
        ModalDriver driver([](QDialog *d) { d->reject(); });
        window.findChild<QAction *>(action)->trigger();
        QCOMPARE(driver.className, dialogClass);
        QCOMPARE(driver.parent.data(), static_cast<QWidget *>(&window));
    }
};

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
