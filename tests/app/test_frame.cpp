// The main window frame: the form as built (pages, widgets and their limits,
// actions, menus, tool bar, focus order), the title, and the commands of the
// Options and Help menus.
//
// The window reads velunor.ini beside the executable; this test runs from a
// directory of its own, so the file it writes there is private to it.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

#include "app/velunor.h"
#include "dialogs/settings.h"
#include "tests/common/scriptedprompter.h"

namespace {

template<typename T>
T *child(QWidget *parent, const QString &name)
{
    return parent->findChild<T *>(name);
}

// Runs `act` on the next modal dialog once its own loop runs; a dialog still
// open after a failed check is rejected so the test never hangs.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QDialog *)> act)
        : timer(std::make_unique<QTimer>())
    {
        timer->setInterval(1);
        QObject::connect(timer.get(), &QTimer::timeout, [this, act]() {
            QPointer<QDialog> dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            timer->stop();
            className = QString::fromLatin1(dialog->metaObject()->className());
            parentIsWindow = dialog->parentWidget() == expectedParent;
            act(dialog);
            if (dialog && dialog->isVisible())
                dialog->reject();
        });
        timer->start();
    }

    QWidget *expectedParent = nullptr;
    QString className;
    bool parentIsWindow = false;

private:
    std::unique_ptr<QTimer> timer;
};

void chooseNotation(QDialog *dialog, int index, QDialogButtonBox::StandardButton button)
{
    auto *notation = dialog->findChild<QComboBox *>(QStringLiteral("notation"));
    auto *box = dialog->findChild<QDialogButtonBox *>();
    if (!notation || !box || !box->button(button)) {
        QTest::qFail("settings dialog without notation or buttons", __FILE__, __LINE__);
        return;
    }
    notation->setCurrentIndex(index);
    box->button(button)->click();
}

// The action names of a menu or tool bar in order; a separator reads "-".
QStringList actionNames(const QList<QAction *> &actions)
{
    QStringList names;
    for (const QAction *action : actions)
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
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

    void startsWithUntitledWindow();
    void pages_data();
    void pages();
    void menus_data();
    void menus();
    void toolBar();
    void actions_data();
    void actions();
    void quitClosesWindow();
    void focusOrder();
    void labelBuddies_data();
    void labelBuddies();
    void lineEditWidths_data();
    void lineEditWidths();
    void spinBoxes_data();
    void spinBoxes();
    void checkableGroups_data();
    void checkableGroups();
    void arrowButtons_data();
    void arrowButtons();
    void lists_data();
    void lists();
    void tooltips_data();
    void tooltips();
    void tdtModesExclusive();
    void comboBoxes();
    void settingsCommand_data();
    void settingsCommand();
    void settingsWriteError();
    void infoDialogs_data();
    void infoDialogs();
};

void TestFrame::startsWithUntitledWindow()
{
    Velunor window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Velunor V0.5"));
    QCOMPARE(Velunor::versionText(), QStringLiteral("V0.5"));
    QCOMPARE(window.size(), QSize(780, 597));
    QCOMPARE(window.minimumSize(), QSize(780, 0));
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(!window.windowIcon().availableSizes().isEmpty());
    // The form's status bar is deleted: asking QMainWindow for one now
    // would make a new one, so look for any child instead.
    QVERIFY(!window.findChild<QStatusBar *>());
    QVERIFY(!window.isChanged());
    QVERIFY(!window.hasUnsavedChanges());
    QVERIFY(window.documentFileName().isEmpty());
    QCOMPARE(window.document(), TransportStreamCfg());
}

void TestFrame::pages_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");
    QTest::newRow("stream page first") << 0 << "StreamConfig" << "Stream Configuration";
    QTest::newRow("filter page second") << 1 << "PIDFilter" << "PID Filter";
    QTest::newRow("services page third") << 2 << "PSIGenerator" << "PSI Generator";
}

void TestFrame::pages()
{
    QFETCH(int, index);
    QFETCH(QString, page);
    QFETCH(QString, title);
    Velunor window;
    auto *tabs = child<QTabWidget>(&window, QStringLiteral("tabWidget"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->widget(index)->objectName(), page);
    QCOMPARE(tabs->tabText(index), title);
    // The tab widget fills the window edge to edge.
    QCOMPARE(window.centralWidget()->layout()->contentsMargins(), QMargins());
    QCOMPARE(window.centralWidget()->layout()->spacing(), 0);
}

void TestFrame::menus_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("file") << 0 << "&File"
                          << QStringList{"action_New", "action_Load", "-", "action_Save",
                                         "action_SaveAs", "-", "action_ExportToMUX", "-",
                                         "action_Quit"};
    QTest::newRow("options") << 1 << "&Options" << QStringList{"action_Settings"};
    QTest::newRow("help") << 2 << "&Help" << QStringList{"action_About", "action_Version"};
}

void TestFrame::menus()
{
    QFETCH(int, position);
    QFETCH(QString, title);
    QFETCH(QStringList, entries);
    Velunor window;
    const QList<QAction *> bar = window.menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QMenu *menu = bar.at(position)->menu();
    QVERIFY(menu);
    QCOMPARE(menu->title(), title);
    QCOMPARE(actionNames(menu->actions()), entries);
}

void TestFrame::toolBar()
{
    Velunor window;
    const QList<QToolBar *> bars = window.findChildren<QToolBar *>();
    QCOMPARE(bars.size(), 1);
    QCOMPARE(bars.first()->windowTitle(), QStringLiteral("Velunor"));
    QCOMPARE(window.toolBarArea(bars.first()), Qt::TopToolBarArea);
    const QStringList expected{"action_New", "action_Load", "action_Save", "action_SaveAs", "-",
                               "action_ExportToMUX", "-", "action_Settings", "action_About"};
    QCOMPARE(actionNames(bars.first()->actions()), expected);
}

void TestFrame::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::newRow("new") << "action_New" << "&New" << "Ctrl+N";
    QTest::newRow("load") << "action_Load" << "&Load..." << "Ctrl+L";
    QTest::newRow("save") << "action_Save" << "&Save" << "Ctrl+S";
    QTest::newRow("save as, no shortcut") << "action_SaveAs" << "Save &As..." << "";
    QTest::newRow("export, no shortcut") << "action_ExportToMUX" << "&Export to MUX..." << "";
    QTest::newRow("quit") << "action_Quit" << "&Quit" << "Ctrl+Q";
    QTest::newRow("settings") << "action_Settings" << "&Settings..." << "";
    QTest::newRow("about") << "action_About" << "&About..." << "";
    QTest::newRow("version") << "action_Version" << "&Version Information..." << "";
}

void TestFrame::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    Velunor window;
    auto *action = window.findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut(), QKeySequence(shortcut));
    // A missing or unregistered image gives a null icon, not an error.
    QVERIFY(!action->icon().isNull());
    QVERIFY(!action->icon().pixmap(24, 24).isNull());
}

void TestFrame::quitClosesWindow()
{
    ScriptedPrompter prompter;
    Velunor window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QAction *>(QStringLiteral("action_Quit"))->trigger();
    QVERIFY(!window.isVisible());
    // An untouched document closes without asking.
    QVERIFY(prompter.messages.isEmpty());
}

void TestFrame::focusOrder()
{
    const QStringList expected{
        "patEnabled", "sdtEnabled", "nitEnabled", "eitEnabled", "tdtEnabled", "tsID", "origTSID",
        "netID", "netName", "tsCAEnabled", "tsCAID", "emmPID",
        "filters", "filterDefault", "addRemap", "addFilter", "removeFilter", "filterUp",
        "filterDown",
        "services", "addService", "removeService", "serviceUp", "serviceDown", "serviceID",
        "serviceType", "providerName", "serviceName", "eventName", "eventText", "language",
        "pmtPID", "pcrPID", "caEnabled", "caID", "ecmPID", "lcEnabled", "lcVisible", "lcNumber",
        "elements", "addES", "removeES"};
    Velunor window;
    // Walk the focus chain once round and keep the widgets named above.
    QStringList seen;
    QWidget *start = child<QWidget>(&window, expected.first());
    QVERIFY(start);
    QWidget *w = start;
    do {
        if (expected.contains(w->objectName()) && !seen.contains(w->objectName()))
            seen << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w != start);
    QCOMPARE(seen, expected);
}

void TestFrame::labelBuddies_data()
{
    QTest::addColumn<QString>("buddy");
    QTest::addColumn<QString>("label");
    QTest::newRow("ts id") << "tsID" << "&Transport Stream ID";
    QTest::newRow("original id") << "origTSID" << "&Original Stream ID";
    QTest::newRow("network id") << "netID" << "&Network ID";
    QTest::newRow("network name") << "netName" << "Network N&ame";
    QTest::newRow("stream CA id") << "tsCAID" << "CA-System I&D";
    QTest::newRow("EMM PID") << "emmPID" << "E&MM PID";
    QTest::newRow("PAT interval") << "PATime" << "PAT";
    QTest::newRow("SDT interval") << "SDTime" << "SDT";
    QTest::newRow("NIT interval") << "NITime" << "NIT";
    QTest::newRow("EIT interval") << "EITime" << "EIT";
    QTest::newRow("TDT interval") << "TDTime" << "TDT";
    QTest::newRow("PMT interval") << "PMTime" << "PMT";
    QTest::newRow("filter list") << "filters" << "PID &Filter Rules:";
    QTest::newRow("default action") << "filterDefault" << "&Default action";
    QTest::newRow("services list") << "services" << "&Services";
    QTest::newRow("service id") << "serviceID" << "Service &ID";
    QTest::newRow("service type") << "serviceType" << "Service &Type";
    QTest::newRow("provider") << "providerName" << "Pr&ovider Name";
    QTest::newRow("service name") << "serviceName" << "Service &Name";
    QTest::newRow("event name") << "eventName" << "&Event Name";
    QTest::newRow("event text") << "eventText" << "Event Te&xt";
    QTest::newRow("language") << "language" << "&Language";
    QTest::newRow("PMT PID") << "pmtPID" << "&PMT PID";
    QTest::newRow("PCR PID") << "pcrPID" << "PC&R PID";
    QTest::newRow("service CA id") << "caID" << "CA-System I&D";
    QTest::newRow("ECM PID") << "ecmPID" << "E&CM PID";
    QTest::newRow("channel number") << "lcNumber" << "Channel Number";
}

void TestFrame::labelBuddies()
{
    QFETCH(QString, buddy);
    QFETCH(QString, label);
    Velunor window;
    QWidget *field = child<QWidget>(&window, buddy);
    QVERIFY(field);
    QStringList labels;
    for (const QLabel *l : window.findChildren<QLabel *>()) {
        if (l->buddy() == field)
            labels << l->text();
    }
    QCOMPARE(labels, QStringList{label});
}

void TestFrame::lineEditWidths_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxWidth");
    for (const char *name : {"tsID", "origTSID", "netID", "tsCAID", "emmPID", "serviceID",
                             "pmtPID", "pcrPID", "caID", "ecmPID", "lcNumber"})
        QTest::newRow(name) << name << 64;
    QTest::newRow("language") << "language" << 48;
    QTest::newRow("netName unbounded") << "netName" << QWIDGETSIZE_MAX;
    QTest::newRow("serviceName unbounded") << "serviceName" << QWIDGETSIZE_MAX;
}

void TestFrame::lineEditWidths()
{
    QFETCH(QString, name);
    QFETCH(int, maxWidth);
    Velunor window;
    auto *edit = child<QLineEdit>(&window, name);
    QVERIFY(edit);
    QCOMPARE(edit->maximumWidth(), maxWidth);
}

void TestFrame::spinBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("symbols");
    const int plusMinus = QAbstractSpinBox::PlusMinus;
    QTest::newRow("PAT") << "PATime" << 500 << plusMinus;
    QTest::newRow("SDT") << "SDTime" << 2000 << plusMinus;
    QTest::newRow("NIT") << "NITime" << 10000 << plusMinus;
    QTest::newRow("EIT") << "EITime" << 2000 << plusMinus;
    QTest::newRow("TDT") << "TDTime" << 30000 << plusMinus;
    QTest::newRow("PMT with arrows") << "PMTime" << 500 << int(QAbstractSpinBox::UpDownArrows);
}

void TestFrame::spinBoxes()
{
    QFETCH(QString, name);
    QFETCH(int, maximum);
    QFETCH(int, symbols);
    Velunor window;
    auto *spin = child<QSpinBox>(&window, name);
    QVERIFY(spin);
    QCOMPARE(spin->minimum(), 25);
    QCOMPARE(spin->maximum(), maximum);
    QCOMPARE(spin->suffix(), QStringLiteral("ms"));
    QCOMPARE(int(spin->buttonSymbols()), symbols);
    // All six in one row, inside the playout timings group.
    QCOMPARE(spin->parentWidget()->objectName(), QStringLiteral("featPOT"));
}

void TestFrame::checkableGroups_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("checkable");
    QTest::newRow("stream CA") << "tsCAEnabled" << "&Conditional Access System" << true;
    QTest::newRow("playout timings") << "featPOT" << "Playout Timings" << true;
    QTest::newRow("service CA") << "caEnabled" << "&Conditional Access" << true;
    QTest::newRow("logical channel") << "lcEnabled" << "&Logical Channel" << true;
    QTest::newRow("tables") << "groupBox_6" << "Tables to Generate" << false;
    QTest::newRow("ts description") << "groupBox_3" << "Transport Stream Description" << false;
    QTest::newRow("tdt") << "TDTBox" << "TDT" << false;
    QTest::newRow("table generator") << "groupBox_4" << "Table Generator" << false;
    QTest::newRow("service description") << "groupBox" << "Service Description" << false;
    QTest::newRow("pid allocation") << "groupBox_2" << "PID Allocation" << false;
    QTest::newRow("elementary pids") << "groupBox_5" << "Elementary PIDs" << false;
}

void TestFrame::checkableGroups()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(bool, checkable);
    Velunor window;
    auto *group = child<QGroupBox>(&window, name);
    QVERIFY(group);
    QCOMPARE(group->title(), title);
    QCOMPARE(group->isCheckable(), checkable);
    // Unchecked in the form, and the default document enables none of them.
    if (checkable)
        QVERIFY(!group->isChecked());
}

void TestFrame::arrowButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("image");
    QTest::newRow("filter up") << "filterUp" << ":/images/resources/go-up.png";
    QTest::newRow("filter down") << "filterDown" << ":/images/resources/go-down.png";
    QTest::newRow("service up") << "serviceUp" << ":/images/resources/go-up.png";
    QTest::newRow("service down") << "serviceDown" << ":/images/resources/go-down.png";
}

void TestFrame::arrowButtons()
{
    QFETCH(QString, name);
    QFETCH(QString, image);
    Velunor window;
    auto *button = child<QToolButton>(&window, name);
    QVERIFY(button);
    // Empty lists: nothing to move.
    QVERIFY(!button->isEnabled());
    QVERIFY(!button->icon().isNull());
    QVERIFY(!QImage(image).isNull());
    // The right arrow, not just some image: up and down differ.
    QCOMPARE(button->icon().pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32),
             QImage(image).convertToFormat(QImage::Format_ARGB32));
}

void TestFrame::lists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("alternating");
    QTest::newRow("filters") << "filters" << false;
    QTest::newRow("services") << "services" << true;
    QTest::newRow("elements") << "elements" << true;
}

void TestFrame::lists()
{
    QFETCH(QString, name);
    QFETCH(bool, alternating);
    Velunor window;
    auto *list = child<QListWidget>(&window, name);
    QVERIFY(list);
    QCOMPARE(list->alternatingRowColors(), alternating);
    QCOMPARE(list->contextMenuPolicy(), Qt::CustomContextMenu);
    if (name == QLatin1String("services")) {
        auto *splitter = child<QSplitter>(&window, QStringLiteral("splitter"));
        QVERIFY(splitter);
        QCOMPARE(splitter->orientation(), Qt::Horizontal);
        QCOMPARE(splitter->count(), 2);
        QVERIFY(splitter->widget(0)->isAncestorOf(list));
        QVERIFY(splitter->widget(1)->isAncestorOf(child<QWidget>(&window, "elements")));
    }
}

void TestFrame::tooltips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("PAT") << "patEnabled" << QStringList{"Program Association Table"};
    QTest::newRow("SDT") << "sdtEnabled" << QStringList{"Service Description Table"};
    QTest::newRow("NIT") << "nitEnabled" << QStringList{"Network Information Table"};
    QTest::newRow("EIT") << "eitEnabled" << QStringList{"Event Information Table"};
    QTest::newRow("TDT") << "tdtEnabled" << QStringList{"Time and Date Table"};
    QTest::newRow("PMT") << "pmtEnabled" << QStringList{"Program Map Table"};
    QTest::newRow("playout timings rich")
        << "featPOT" << QStringList{"<b>Playout Timings Support</b>", "Available on:", "<li>"};
    QTest::newRow("real TDT rich")
        << "featRealTDT" << QStringList{"<b>Real TDT support</b>", "Available on:", "<li>"};
    QTest::newRow("static TDT rich")
        << "featStaticTDT"
        << QStringList{"Generate static TDT (time zero)", "Available on:", "<li>always</li>"};
}

void TestFrame::tooltips()
{
    QFETCH(QString, name);
    QFETCH(QStringList, parts);
    Velunor window;
    QWidget *w = child<QWidget>(&window, name);
    QVERIFY(w);
    const QString tip = w->toolTip();
    for (const QString &part : parts)
        QVERIFY2(tip.contains(part), qPrintable(tip));
    // The three device tool tips must render as rich text, the others plain.
    QCOMPARE(Qt::mightBeRichText(tip), parts.size() > 1);
}

void TestFrame::tdtModesExclusive()
{
    Velunor window;
    auto *real = child<QAbstractButton>(&window, QStringLiteral("featRealTDT"));
    auto *fixed = child<QAbstractButton>(&window, QStringLiteral("featStaticTDT"));
    QVERIFY(real && fixed);
    QCOMPARE(real->text(), QStringLiteral("Real Time"));
    QCOMPARE(fixed->text(), QStringLiteral("Static"));
    QVERIFY(real->group());
    QCOMPARE(real->group(), fixed->group());
    QVERIFY(real->group()->exclusive());
    real->setChecked(true);
    QVERIFY(!fixed->isChecked());
    fixed->setChecked(true);
    QVERIFY(!real->isChecked());
}

void TestFrame::comboBoxes()
{
    Velunor window;
    auto *filterDefault = child<QComboBox>(&window, QStringLiteral("filterDefault"));
    QVERIFY(filterDefault);
    QCOMPARE(filterDefault->count(), 2);
    QCOMPARE(filterDefault->itemText(0), QStringLiteral("Drop"));
    QCOMPARE(filterDefault->itemText(1), QStringLiteral("Pass"));
    QCOMPARE(filterDefault->currentIndex(), 1);

    auto *serviceType = child<QComboBox>(&window, QStringLiteral("serviceType"));
    QVERIFY(serviceType);
    QCOMPARE(serviceType->count(), 2);
    QCOMPARE(serviceType->itemData(0).toInt(), 0);
    QCOMPARE(serviceType->itemData(1).toInt(), 1);
    QCOMPARE(serviceType->itemText(0), QStringLiteral("Digital TV (0x01)"));
}

void TestFrame::settingsCommand_data()
{
    QTest::addColumn<bool>("startHex");
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("expectHex");
    QTest::addColumn<bool>("written");
    QTest::newRow("decimal to hex, OK") << false << 1 << true << true << true;
    QTest::newRow("hex to decimal, OK") << true << 0 << true << false << true;
    QTest::newRow("unchanged, OK still saves") << false << 0 << true << false << true;
    QTest::newRow("decimal to hex, Cancel") << false << 1 << false << false << false;
}

void TestFrame::settingsCommand()
{
    QFETCH(bool, startHex);
    QFETCH(int, choice);
    QFETCH(bool, accept);
    QFETCH(bool, expectHex);
    QFETCH(bool, written);
    if (startHex) {
        QSettings store(iniPath(), QSettings::IniFormat);
        store.setValue(QStringLiteral("notation/hex"), true);
    }
    ScriptedPrompter prompter;
    Velunor window;
    QCOMPARE(window.currentSettings().hex, startHex);
    QCOMPARE(window.currentSettings().iniFile, iniPath());
    QFile::remove(iniPath());

    ModalDriver driver([&](QDialog *dialog) {
        chooseNotation(dialog, choice, accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
    });
    driver.expectedParent = &window;
    window.findChild<QAction *>(QStringLiteral("action_Settings"))->trigger();
    QCOMPARE(driver.className, QStringLiteral("SettingsDialog"));
    QVERIFY(driver.parentIsWindow);

    QCOMPARE(window.currentSettings().hex, expectHex);
    QCOMPARE(QFile::exists(iniPath()), written);
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(!window.isChanged());

    // Numbers are shown again in the notation now in force.
    const QString tsId = child<QLineEdit>(&window, QStringLiteral("tsID"))->text();
    QCOMPARE(tsId, expectHex ? QStringLiteral("0x0000") : QStringLiteral("0"));

    // The choice survives a restart.
    if (written) {
        Velunor again;
        QCOMPARE(again.currentSettings().hex, expectHex);
    }
}

void TestFrame::settingsWriteError()
{
    // A directory where the settings file should be: reading finds nothing,
    // writing fails whoever runs the test (root included).
    QVERIFY(QDir().mkpath(iniPath() + QStringLiteral("/blocked")));
    ScriptedPrompter prompter;
    Velunor window;
    QVERIFY(!window.currentSettings().hex);

    ModalDriver driver([](QDialog *dialog) { chooseNotation(dialog, 1, QDialogButtonBox::Ok); });
    window.findChild<QAction *>(QStringLiteral("action_Settings"))->trigger();
    QCOMPARE(driver.className, QStringLiteral("SettingsDialog"));

    QCOMPARE(prompter.messages.size(), 1);
    const Prompter::Message &m = prompter.messages.first();
    QCOMPARE(m.icon, QMessageBox::Warning);
    QCOMPARE(m.title, QStringLiteral("Write Error"));
    QCOMPARE(m.text, QStringLiteral("Your settings could not be saved."));
    QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // The choice holds for this session all the same.
    QVERIFY(window.currentSettings().hex);
    QCOMPARE(child<QLineEdit>(&window, QStringLiteral("tsID"))->text(), QStringLiteral("0x0000"));
    QVERIFY(QFileInfo(iniPath()).isDir());
}

void TestFrame::infoDialogs_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("dialogClass");
    QTest::newRow("about") << "action_About" << "AboutDlg";
    QTest::newRow("version") << "action_Version" << "BuildIDDlg";
}

void TestFrame::infoDialogs()
{
    QFETCH(QString, action);
    QFETCH(QString, dialogClass);
    Velunor window;
    ModalDriver driver([](QDialog *dialog) { dialog->reject(); });
    driver.expectedParent = &window;
    window.findChild<QAction *>(action)->trigger();
    QCOMPARE(driver.className, dialogClass);
    QVERIFY(driver.parentIsWindow);
    QVERIFY(!window.isChanged());
}

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
