#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>

#include "../common/scriptedprompter.h"
#include "app/velunor.h"
#include "pagedriver.h"

// The services page driven as an operator does: typing into fields, space on
// check boxes and groups, clicks on list rows, right clicks, and the real add
// and elementary PID dialogs answered from inside their own modal loops.

namespace {

void setChecked(QWidget *box, bool checked)
{
    const auto *group = qobject_cast<QGroupBox *>(box);
    if ((group ? group->isChecked() : static_cast<QCheckBox *>(box)->isChecked()) != checked)
        pressSpace(box);
}

void clickOk(QDialog *dialog)
{
    clickButton(dialog, QDialogButtonBox::Ok);
}

// Right click at a list row (or below the entries when row is -1); returns
// the menu's action texts and chooses the one named `choose`, if any.
QStringList contextMenu(QListWidget *list, int row, const QString &choose = QString())
{
    QStringList texts;
    PopupHandler popup([&](QMenu *menu) {
        const QList<QAction *> actions = menu->actions();
        for (QAction *a : actions) {
            texts << a->text();
            if (!choose.isEmpty() && a->text() == choose) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
            }
        }
    });
    const QPoint pos = row >= 0 ? list->visualItemRect(list->item(row)).center()
                                : QPoint(5, list->viewport()->height() - 3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(list->viewport(), &event);
    return texts;
}

ESCfg element(int type, int pid, const QString &language = QString())
{
    ESCfg e;
    e.type = type;
    e.pid = quint16(pid);
    e.language = language;
    return e;
}

ServiceCfg service(const QString &name, int id, int pmtPid, const QList<ESCfg> &elements = {})
{
    ServiceCfg s;
    s.serviceName = name;
    s.id = quint16(id);
    s.pmtPid = quint16(pmtPid);
    s.pcrPid = quint16(pmtPid + 1);
    s.elements = elements;
    return s;
}

ServiceCfg news()
{
    return service(QStringLiteral("News"), 16, 256,
                   {element(EsMpeg2Video, 257), element(EsMpeg2Audio, 258, QStringLiteral("deu"))});
}

TransportStreamCfg document(int services)
{
    TransportStreamCfg cfg;
    for (int i = 0; i < services; ++i)
        cfg.services << service(QStringLiteral("S%1").arg(i), 100 + i, 1000 + 10 * i,
                                {element(EsMpeg2Video, 1001 + 10 * i)});
    return cfg;
}

// Elements as "type/pid/language" joined by commas: a failed comparison
// prints both lists readably.
QString describe(const QList<ESCfg> &elements)
{
    QStringList parts;
    for (const ESCfg &e : elements)
        parts << QStringLiteral("%1/%2/%3").arg(e.type).arg(e.pid).arg(e.language);
    return parts.join(QLatin1Char(','));
}

QStringList texts(const QListWidget *list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i) {
        t << list->item(i)->text();
        if (list->item(i)->data(Qt::UserRole).toInt() != i)
            t << QStringLiteral("<entry %1 carries the wrong position>").arg(i);
    }
    return t;
}

// The window with the services page in front. The notation comes from the
// settings file beside the test executable, which lives in a directory of
// its own so that parallel tests do not share it.
struct Window {
    explicit Window(const TransportStreamCfg &cfg = TransportStreamCfg(), bool hex = false)
    {
        setNotation(hex);
        w = std::make_unique<Velunor>();
        widget<QTabWidget>(w.get(), "tabWidget")->setCurrentIndex(2);
        w->show();
        if (!QTest::qWaitForWindowActive(w.get()))
            qFatal("window not active");
        w->setDocument(cfg);
        services = widget<QListWidget>(w.get(), "services");
        elements = widget<QListWidget>(w.get(), "elements");
    }
    template<typename T>
    T *get(const char *name) const { return widget<T>(w.get(), name); }
    QLineEdit *edit(const char *name) const { return get<QLineEdit>(name); }
    const TransportStreamCfg &doc() const { return w->document(); }

    // Installed before the window exists, so no real message box can block.
    ScriptedPrompter prompter;
    std::unique_ptr<Velunor> w;
    QListWidget *services = nullptr;
    QListWidget *elements = nullptr;
};

} // namespace

class TestServicesPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listTexts_data();
    void listTexts();
    void leavingInvalidServiceStays_data();
    void leavingInvalidServiceStays();
    void switchedOffGroupsAreNotChecked_data();
    void switchedOffGroupsAreNotChecked();
    void addService_data();
    void addService();
    void serviceLimit();
    void duplicate();
    void contextMenus_data();
    void contextMenus();
    void moveService_data();
    void moveService();
    void removeService_data();
    void removeService();
    void elementaryPids_data();
    void elementaryPids();
    void unknownServiceType();
    void cancelledDialogsChangeNothing_data();
    void cancelledDialogsChangeNothing();
    void emptyEditorIsDisabled();
    void settingsRerenderPage();
};

void TestServicesPage::listTexts_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<ServiceCfg>("svc");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("elementTexts");

    QTest::newRow("hexadecimal")
        << true << news() << "News (Service 0x0010)\nPMT:0x0100 (Vid:0x0101, Aud:0x0102)"
        << QStringList{"MPEG2 Video (PID:0x0101)", "MPEG2 Audio (PID:0x0102, Language:deu)"};
    QTest::newRow("decimal")
        << false << news() << "News (Service 16)\nPMT:256 (Vid:257, Aud:258)"
        << QStringList{"MPEG2 Video (PID:257)", "MPEG2 Audio (PID:258, Language:deu)"};
    QTest::newRow("no elements, no parentheses")
        << true << service("Empty", 1, 32) << "Empty (Service 0x0001)\nPMT:0x0020" << QStringList{};
    QTest::newRow("h264, teletext and an unknown type")
        << false
        << service("Mix", 5, 40, {element(EsH264Video, 41), element(EsTeletext, 43), element(9, 44)})
        << "Mix (Service 5)\nPMT:40 (Vid:41, Txt:43, ?:44)"
        << QStringList{"H264 Video (PID:41)", "Teletext (PID:43)", "unknown (PID:44)"};
    QTest::newRow("name with a place marker shown as typed")
        << false << service("50%2 off %1", 7, 70) << "50%2 off %1 (Service 7)\nPMT:70"
        << QStringList{};
    QTest::newRow("hex wider than four digits")
        << true << service("Wide", 65535, 8189) << "Wide (Service 0xffff)\nPMT:0x1ffd"
        << QStringList{};
}

void TestServicesPage::listTexts()
{
    QFETCH(bool, hex);
    QFETCH(ServiceCfg, svc);
    QFETCH(QString, entry);
    QFETCH(QStringList, elementTexts);

    TransportStreamCfg cfg;
    cfg.services << svc << service("Other", 2, 50);
    Window win(cfg, hex);
    QCOMPARE(texts(win.services).value(0), entry);
    QCOMPARE(texts(win.elements), elementTexts);

    // Reopening from another row shows the same texts: a commit without an
    // edit stores nothing and rewrites nothing.
    clickRow(win.services, 1);
    clickRow(win.services, 0);
    QVERIFY(win.prompter.messages.isEmpty());
    QCOMPARE(texts(win.services).value(0), entry);
    QCOMPARE(texts(win.elements), elementTexts);
    QVERIFY(!win.w->isChanged());
    QCOMPARE(win.services->currentRow(), 0);
}

void TestServicesPage::leavingInvalidServiceStays_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("warning");

    QTest::newRow("service id 0") << QByteArray() << QByteArray("serviceID") << "0" << "Service ID";
    QTest::newRow("service id 65536") << QByteArray() << QByteArray("serviceID") << "65536"
                                      << "Service ID";
    QTest::newRow("PMT PID 8191") << QByteArray() << QByteArray("pmtPID") << "0x1fff" << "PMT PID";
    QTest::newRow("PCR PID not a number") << QByteArray() << QByteArray("pcrPID") << "x"
                                          << "PCR PID";
    QTest::newRow("CA system id beyond 16 bits") << QByteArray("caEnabled") << QByteArray("caID")
                                                  << "0x10000" << "CA-System ID";
    QTest::newRow("ECM PID empty") << QByteArray("caEnabled") << QByteArray("ecmPID") << ""
                                   << "ECM PID";
    QTest::newRow("channel number 1000") << QByteArray("lcEnabled") << QByteArray("lcNumber")
                                         << "1000" << "Logical Channel Number";
}

void TestServicesPage::leavingInvalidServiceStays()
{
    QFETCH(QByteArray, group);
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    QFETCH(QString, warning);

    const TransportStreamCfg cfg = document(3);
    Window win(cfg);
    ScriptedPrompter &prompter = win.prompter;
    if (!group.isEmpty())
        setChecked(win.get<QGroupBox>(group.constData()), true);
    typeText(win.edit("serviceName"), "Edited");
    QLineEdit *bad = win.edit(field.constData());
    typeText(bad, text);

    clickRow(win.services, 2);
    QCOMPARE(prompter.titles(), QStringList{"Invalid Value"});
    QCOMPARE(prompter.messages.at(0).text,
             QStringLiteral("Please correct the contents of the field \"%1\"").arg(warning));
    QCOMPARE(QApplication::focusWidget(), bad);
    QCOMPARE(bad->text(), text);
    QCOMPARE(win.edit("serviceName")->text(), QStringLiteral("Edited"));
    QCOMPARE(win.services->currentRow(), 0);
    QTRY_VERIFY(win.services->selectedItems().isEmpty());
    QCOMPARE(win.services->currentRow(), 0);
    QCOMPARE(QApplication::focusWidget(), bad);
    QCOMPARE(win.doc(), cfg);

    // Corrected, the same click leaves the service and stores it.
    typeText(bad, field == "lcNumber" ? "999" : "0x22");
    clickRow(win.services, 2);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(win.services->currentRow(), 2);
    QCOMPARE(win.edit("serviceName")->text(), QStringLiteral("S2"));
    QCOMPARE(win.doc().services.at(0).serviceName, QStringLiteral("Edited"));
    QVERIFY(win.services->item(0)->text().startsWith("Edited (Service "));
    QVERIFY(win.w->isChanged());
}

void TestServicesPage::switchedOffGroupsAreNotChecked_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("stored");

    QTest::newRow("channel number 1000") << QByteArray("lcEnabled") << QByteArray("lcNumber")
                                         << "1000" << 1000;
    QTest::newRow("CA system id not a number stores 0")
        << QByteArray("caEnabled") << QByteArray("caID") << "none" << 0;
    QTest::newRow("ECM PID 8191") << QByteArray("caEnabled") << QByteArray("ecmPID") << "8191"
                                  << 8191;
}

void TestServicesPage::switchedOffGroupsAreNotChecked()
{
    QFETCH(QByteArray, group);
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    QFETCH(int, stored);

    TransportStreamCfg cfg = document(2);
    cfg.services[0].caId = 5;
    Window win(cfg);
    ScriptedPrompter &prompter = win.prompter;
    auto *box = win.get<QGroupBox>(group.constData());
    setChecked(box, true);
    QVERIFY(win.edit(field.constData())->isEnabled());
    typeText(win.edit(field.constData()), text);
    setChecked(box, false);
    QVERIFY(!win.edit(field.constData())->isEnabled());

    // Committed in place, the field shows what was stored, so an unreadable
    // text does not keep the service edited for ever.
    QVERIFY(win.w->commitPages());
    QVERIFY(prompter.messages.isEmpty());
    const ServiceCfg &s = win.doc().services.at(0);
    const int value = field == "lcNumber" ? s.lcNumber : field == "caID" ? s.caId : s.ecmPid;
    QCOMPARE(value, stored);
    QCOMPARE(win.edit(field.constData())->text(), QString::number(stored));

    clickRow(win.services, 1);
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(win.services->currentRow(), 1);
}

void TestServicesPage::addService_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("radio");
    QTest::addColumn<bool>("video");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<bool>("teletext");
    QTest::addColumn<bool>("h264");
    QTest::addColumn<QString>("streams");
    QTest::addColumn<int>("pcrPid");

    QTest::newRow("tv, all boxes") << false << false << true << true << true << false
                                   << "0/1025/,1/1026/,2/1027/" << 1025;
    QTest::newRow("tv, all boxes, hexadecimal") << true << false << true << true << true << false
                                                << "0/1025/,1/1026/,2/1027/" << 1025;
    QTest::newRow("tv, H.264 video") << false << false << true << true << false << true
                                     << "3/1025/,1/1026/" << 1025;
    QTest::newRow("tv, video only") << false << false << true << false << false << false
                                    << "0/1025/" << 1025;
    QTest::newRow("tv, audio only keeps the video PCR")
        << false << false << false << true << false << false << "1/1026/" << 1025;
    QTest::newRow("tv, teletext only") << false << false << false << false << true << false
                                       << "2/1027/" << 1025;
    QTest::newRow("tv, video and teletext") << false << false << true << false << true << false
                                            << "0/1025/,2/1027/" << 1025;
    QTest::newRow("tv, audio and teletext") << false << false << false << true << true << false
                                            << "1/1026/,2/1027/" << 1025;
    QTest::newRow("tv, no boxes") << false << false << false << false << false << false << ""
                                  << 1025;
    QTest::newRow("radio, audio") << false << true << false << true << false << false
                                  << "1/1026/" << 1026;
    QTest::newRow("radio, no audio") << false << true << false << false << false << false << ""
                                     << 1026;
    QTest::newRow("radio, hexadecimal") << true << true << false << true << false << false
                                        << "1/1026/" << 1026;
}

void TestServicesPage::addService()
{
    QFETCH(bool, hex);
    QFETCH(bool, radio);
    QFETCH(bool, video);
    QFETCH(bool, audio);
    QFETCH(bool, teletext);
    QFETCH(bool, h264);
    QFETCH(QString, streams);
    QFETCH(int, pcrPid);

    Window win(document(2), hex);
    ScriptedPrompter &prompter = win.prompter;
    typeText(win.edit("serviceName"), "Left behind");
    ModalHandler dialog([&](QDialog *d) {
        if (radio)
            chooseIndex(widget<QComboBox>(d, "type"), 1);
        if (h264)
            chooseIndex(widget<QComboBox>(d, "streamType"), 1);
        if (!radio) {
            setChecked(widget<QCheckBox>(d, "videoEnabled"), video);
            setChecked(widget<QCheckBox>(d, "teletextEnabled"), teletext);
        }
        setChecked(widget<QCheckBox>(d, "audioEnabled"), audio);
        clickOk(d);
    });
    QTest::mouseClick(win.get<QPushButton>("addService"), Qt::LeftButton);
    QVERIFY(dialog.ran);
    QVERIFY(prompter.messages.isEmpty());

    QCOMPARE(win.doc().services.size(), 3);
    const ServiceCfg &s = win.doc().services.at(2);
    QCOMPARE(s.id, quint16(256));
    QCOMPARE(s.type, radio ? 1 : 0);
    QCOMPARE(s.serviceName, QStringLiteral("My TV Channel"));
    QCOMPARE(s.pmtPid, quint16(1024));
    QCOMPARE(int(s.pcrPid), pcrPid);
    QVERIFY(s.pmtEnabled);
    QVERIFY(s.providerName.isEmpty() && s.eventName.isEmpty() && s.language.isEmpty());
    QCOMPARE(describe(s.elements), streams);
    for (const ESCfg &e : s.elements)
        QCOMPARE(e.teletextPage, 100);

    // The new service is open and current; the one left was committed.
    QCOMPARE(win.services->currentRow(), 2);
    QCOMPARE(win.edit("serviceID")->text(), hex ? QStringLiteral("0x0100") : QStringLiteral("256"));
    QCOMPARE(win.elements->count(), int(s.elements.size()));
    QCOMPARE(win.doc().services.at(0).serviceName, QStringLiteral("Left behind"));
    QCOMPARE(texts(win.services).size(), 3);
    QVERIFY(win.w->isChanged());
}

void TestServicesPage::serviceLimit()
{
    Window win(document(15));
    ScriptedPrompter &prompter = win.prompter;

    ModalHandler first([](QDialog *d) { clickOk(d); });
    QTest::mouseClick(win.get<QPushButton>("addService"), Qt::LeftButton);
    QVERIFY(first.ran);
    QCOMPARE(win.doc().services.size(), 16);
    QVERIFY(prompter.messages.isEmpty());

    ModalHandler refused([](QDialog *d) { clickOk(d); });
    QTest::mouseClick(win.get<QPushButton>("addService"), Qt::LeftButton);
    QVERIFY(!refused.ran);
    QCOMPARE(prompter.titles(), QStringList{"Max services reached"});
    QCOMPARE(prompter.messages.at(0).text, QStringLiteral("You can not add more services!"));
    QCOMPARE(win.doc().services.size(), 16);

    // The context menu's Add is the same command.
    contextMenu(win.services, 0, "&Add service...");
    QCOMPARE(prompter.messages.size(), 2);
    QCOMPARE(win.doc().services.size(), 16);

    // Duplicating knows no limit.
    contextMenu(win.services, 3, "&Duplicate");
    QCOMPARE(win.doc().services.size(), 17);
    QCOMPARE(win.doc().services.at(16).serviceName, QStringLiteral("(Copy of) S3"));
}

void TestServicesPage::duplicate()
{
    TransportStreamCfg cfg;
    cfg.services << service("Other", 2, 50) << news();
    cfg.services[1].caEnabled = true;
    cfg.services[1].lcNumber = 7;
    Window win(cfg, true);
    // An edit of the source that was never committed is not copied, but it is
    // committed when the copy opens.
    clickRow(win.services, 1);
    typeText(win.edit("serviceName"), "Newer");
    contextMenu(win.services, 1, "&Duplicate");

    QCOMPARE(win.doc().services.size(), 3);
    ServiceCfg expected = cfg.services.at(1);
    expected.serviceName = QStringLiteral("(Copy of) News");
    QCOMPARE(win.doc().services.at(2), expected);
    QCOMPARE(win.doc().services.at(1).serviceName, QStringLiteral("Newer"));
    QCOMPARE(win.services->currentRow(), 2);
    QCOMPARE(win.edit("serviceName")->text(), QStringLiteral("(Copy of) News"));
    QCOMPARE(win.services->item(2)->text(),
             QStringLiteral("(Copy of) News (Service 0x0010)\nPMT:0x0100 (Vid:0x0101, Aud:0x0102)"));
    QCOMPARE(texts(win.elements).size(), 2);
    QVERIFY(win.w->isChanged());
}

void TestServicesPage::contextMenus_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("actions");

    QTest::newRow("services, on an entry")
        << QByteArray("services") << 1
        << QStringList{"&Edit", "&Duplicate", "", "&Add service...", "&Remove service"};
    QTest::newRow("services, below the entries")
        << QByteArray("services") << -1 << QStringList{"&Add service..."};
    QTest::newRow("elements, on an entry")
        << QByteArray("elements") << 0
        << QStringList{"&Edit...", "", "&Add Elementary PID...", "&Remove Elementary PID"};
    QTest::newRow("elements, below the entries")
        << QByteArray("elements") << -1 << QStringList{"&Add Elementary PID..."};
}

void TestServicesPage::contextMenus()
{
    QFETCH(QByteArray, list);
    QFETCH(int, row);
    QFETCH(QStringList, actions);

    Window win(document(3));
    QCOMPARE(contextMenu(win.get<QListWidget>(list.constData()), row), actions);

    if (list == "services" && row >= 0) {
        // Edit opens the service without moving the list's current entry.
        contextMenu(win.services, 2, "&Edit");
        QCOMPARE(win.edit("serviceName")->text(), QStringLiteral("S2"));
        QCOMPARE(win.services->currentRow(), 0);
    }
}

void TestServicesPage::moveService_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("from");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("openRow");

    QTest::newRow("down from the first") << "down" << 0 << QStringList{"S1", "S0", "S2"} << 1;
    QTest::newRow("up from the last") << "up" << 2 << QStringList{"S0", "S2", "S1"} << 1;
    QTest::newRow("up from the first does nothing") << "up" << 0 << QStringList{"S0", "S1", "S2"}
                                                    << 0;
    QTest::newRow("down from the last does nothing") << "down" << 2
                                                     << QStringList{"S0", "S1", "S2"} << 2;
    // Service 1 is opened through the menu while entry 0 stays current; moving
    // entry 0 down lands it on the row that was open.
    QTest::newRow("onto the row opened by Edit") << "edit 1, down" << 0
                                                 << QStringList{"S1", "S0", "S2"} << 1;
}

void TestServicesPage::moveService()
{
    QFETCH(QString, how);
    QFETCH(int, from);
    QFETCH(QStringList, order);
    QFETCH(int, openRow);

    Window win(document(3));
    ScriptedPrompter &prompter = win.prompter;
    clickRow(win.services, from);
    if (how.startsWith("edit"))
        contextMenu(win.services, 1, "&Edit");
    const QString typedInto = win.edit("serviceName")->text();
    typeText(win.edit("eventName"), "Tonight");
    QTest::mouseClick(win.get<QToolButton>(how.endsWith("up") ? "serviceUp" : "serviceDown"),
                      Qt::LeftButton);

    QStringList names;
    for (const ServiceCfg &s : win.doc().services)
        names << s.serviceName;
    QCOMPARE(names, order);
    QVERIFY(prompter.messages.isEmpty());
    QCOMPARE(win.services->currentRow(), openRow);
    QVERIFY(texts(win.services).value(openRow).startsWith(order.at(openRow) + " (Service "));
    QCOMPARE(win.edit("serviceName")->text(), order.at(openRow));
    QVERIFY(win.get<QLineEdit>("serviceID")->isEnabled());

    // The open service is the one shown: an edit now lands on it.
    typeText(win.edit("providerName"), "Provider");
    QVERIFY(win.w->commitPages());
    QCOMPARE(win.doc().services.at(openRow).providerName, QStringLiteral("Provider"));
    for (int i = 0; i < 3; ++i) {
        if (i != openRow)
            QVERIFY(win.doc().services.at(i).providerName.isEmpty());
    }
    // The event typed before the move was committed with its own service.
    QCOMPARE(win.doc().services.at(order.indexOf(typedInto)).eventName, QStringLiteral("Tonight"));
}

void TestServicesPage::removeService_data()
{
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QMessageBox::StandardButton>("answer");

    QTest::newRow("the open service") << 1 << 1 << QMessageBox::Yes;
    QTest::newRow("one before the open service") << 2 << 0 << QMessageBox::Yes;
    QTest::newRow("one after the open service") << 0 << 2 << QMessageBox::Yes;
    QTest::newRow("answered No") << 1 << 1 << QMessageBox::No;
}

void TestServicesPage::removeService()
{
    QFETCH(int, open);
    QFETCH(int, removed);
    QFETCH(QMessageBox::StandardButton, answer);

    const TransportStreamCfg cfg = document(3);
    Window win(cfg);
    ScriptedPrompter &prompter = win.prompter;
    clickRow(win.services, open);
    if (open != removed) {
        // The open service and the current entry differ: Edit opens without
        // moving the current entry.
        clickRow(win.services, removed);
        contextMenu(win.services, open, "&Edit");
    }
    prompter.answers << answer;
    QTest::mouseClick(win.get<QPushButton>("removeService"), Qt::LeftButton);

    QCOMPARE(prompter.titles(), QStringList{"Remove Service"});
    QCOMPARE(prompter.messages.at(0).text,
             QStringLiteral("You are about to remove service \"S%1\".\nDo you want to continue?")
                 .arg(removed));
    QCOMPARE(prompter.messages.at(0).defaultButton, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        QCOMPARE(win.doc(), cfg);
        QVERIFY(!win.w->isChanged());
        return;
    }
    QCOMPARE(win.doc().services.size(), 2);
    QCOMPARE(texts(win.services).size(), 2);
    QCOMPARE(win.services->currentRow(), -1);
    QVERIFY(win.w->isChanged());
    if (open == removed) {
        QVERIFY(win.edit("serviceID")->text().isEmpty());
        QVERIFY(!win.edit("serviceID")->isEnabled());
        QVERIFY(!win.get<QPushButton>("addES")->isEnabled());
        QCOMPARE(win.elements->count(), 0);
        return;
    }
    // The editor still holds the service it showed, wherever it now stands.
    typeText(win.edit("providerName"), "Still me");
    QVERIFY(win.w->commitPages());
    for (const ServiceCfg &s : win.doc().services)
        QCOMPARE(s.providerName.isEmpty(), s.serviceName != QStringLiteral("S%1").arg(open));
}

void TestServicesPage::elementaryPids_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("streams");
    QTest::addColumn<QStringList>("question");

    QTest::newRow("add H.264 with a language typed with blanks")
        << "add" << false << "0/257/,1/258/deu,3/256/eng" << QStringList{};
    QTest::newRow("edit by double click") << "double click" << false << "2/600/fra,1/258/deu"
                                          << QStringList{};
    QTest::newRow("edit from the menu") << "menu edit" << true << "0/257/,2/600/fra"
                                        << QStringList{};
    QTest::newRow("remove, hexadecimal")
        << "remove" << true << "1/258/deu"
        << QStringList{"Remove Elementary PID",
                       "You are about to remove elementary PID 0x0101.\nDo you want to continue?"};
    QTest::newRow("remove the last, decimal")
        << "remove last" << false << "0/257/"
        << QStringList{"Remove Elementary PID",
                       "You are about to remove elementary PID 258.\nDo you want to continue?"};
}

void TestServicesPage::elementaryPids()
{
    QFETCH(QString, action);
    QFETCH(bool, hex);
    QFETCH(QString, streams);
    QFETCH(QStringList, question);

    TransportStreamCfg cfg;
    cfg.services << news() << service("Other", 2, 50);
    Window win(cfg, hex);
    ScriptedPrompter &prompter = win.prompter;
    const auto editDialog = [](QDialog *d) {
        chooseIndex(widget<QComboBox>(d, "type"), 3); // Teletext
        typeText(widget<QLineEdit>(d, "language"), "fra");
        typeText(widget<QLineEdit>(d, "pid"), "600");
        clickOk(d);
    };
    std::unique_ptr<ModalHandler> dialog;
    if (action == "add") {
        dialog = std::make_unique<ModalHandler>([](QDialog *d) {
            chooseIndex(widget<QComboBox>(d, "type"), 1); // H.264
            typeText(widget<QLineEdit>(d, "language"), " eng ");
            typeText(widget<QLineEdit>(d, "pid"), "0x100");
            clickOk(d);
        });
        QTest::mouseClick(win.get<QPushButton>("addES"), Qt::LeftButton);
    } else if (action == "double click") {
        dialog = std::make_unique<ModalHandler>(editDialog);
        doubleClickRow(win.elements, 0);
    } else if (action == "menu edit") {
        dialog = std::make_unique<ModalHandler>(editDialog);
        contextMenu(win.elements, 1, "&Edit...");
    } else {
        clickRow(win.elements, action == "remove last" ? 1 : 0);
        prompter.answers << QMessageBox::Yes;
        QTest::mouseClick(win.get<QPushButton>("removeES"), Qt::LeftButton);
    }
    if (dialog)
        QVERIFY(dialog->ran);
    if (!question.isEmpty()) {
        QCOMPARE(prompter.messages.size(), 1);
        QCOMPARE(prompter.messages.at(0).title, question.at(0));
        QCOMPARE(prompter.messages.at(0).text, question.at(1));
        QCOMPARE(prompter.messages.at(0).defaultButton, QMessageBox::No);
    } else {
        QVERIFY(prompter.messages.isEmpty());
    }

    // Marked changed at once; the document itself waits for the commit.
    QVERIFY(win.w->isChanged());
    QCOMPARE(win.doc(), cfg);
    QCOMPARE(win.elements->count(), int(streams.count(',') + 1));
    QCOMPARE(texts(win.elements).size(), win.elements->count());
    if (action.contains("edit") || action.contains("click"))
        QCOMPARE(win.elements->currentRow(), action == "menu edit" ? -1 : 0);

    clickRow(win.services, 1);
    QCOMPARE(describe(win.doc().services.at(0).elements), streams);
    QVERIFY(win.services->item(0)->text().contains(hex ? "0x" : "PMT:256"));
}

void TestServicesPage::unknownServiceType()
{
    TransportStreamCfg cfg;
    cfg.services << news() << service("Other", 2, 50);
    cfg.services[0].type = 7;
    Window win(cfg);
    QCOMPARE(win.get<QComboBox>("serviceType")->currentIndex(), -1);
    QVERIFY(!win.w->isChanged());
    QVERIFY(win.w->hasUnsavedChanges());

    QVERIFY(win.w->commitPages());
    QCOMPARE(win.doc().services.at(0).type, 0);
    QVERIFY(win.w->isChanged());
    // Stored, the service no longer reads as edited.
    QCOMPARE(win.get<QComboBox>("serviceType")->currentData().toInt(), 0);
    const TransportStreamCfg stored = win.doc();
    QVERIFY(win.w->commitPages());
    QCOMPARE(win.doc(), stored);
}

void TestServicesPage::cancelledDialogsChangeNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("dialog");
    QTest::newRow("add service") << "add service" << true;
    QTest::newRow("add service from the menu") << "menu add service" << true;
    QTest::newRow("add elementary PID") << "add es" << true;
    QTest::newRow("edit elementary PID") << "edit es" << true;
    QTest::newRow("remove service, No") << "remove service" << false;
    QTest::newRow("remove elementary PID, No") << "remove es" << false;
    QTest::newRow("refused elementary PID") << "refused es" << true;
}

void TestServicesPage::cancelledDialogsChangeNothing()
{
    QFETCH(QString, command);
    QFETCH(bool, dialog);

    TransportStreamCfg cfg;
    cfg.services << news() << service("Other", 2, 50);
    Window win(cfg);
    ScriptedPrompter &prompter = win.prompter;
    const QStringList elementsBefore = texts(win.elements);
    ModalHandler cancel([&](QDialog *d) {
        if (command == "refused es") {
            typeText(widget<QLineEdit>(d, "pid"), "8191");
            clickOk(d); // refused: the dialog stays open
            d->reject();
        } else {
            clickButton(d, QDialogButtonBox::Cancel);
        }
    });
    if (command == "add service")
        QTest::mouseClick(win.get<QPushButton>("addService"), Qt::LeftButton);
    else if (command == "menu add service")
        contextMenu(win.services, -1, "&Add service...");
    else if (command == "add es" || command == "refused es")
        QTest::mouseClick(win.get<QPushButton>("addES"), Qt::LeftButton);
    else if (command == "edit es")
        doubleClickRow(win.elements, 1);
    else if (command == "remove service")
        QTest::mouseClick(win.get<QPushButton>("removeService"), Qt::LeftButton);
    else if (command == "remove es") {
        clickRow(win.elements, 1);
        QTest::mouseClick(win.get<QPushButton>("removeES"), Qt::LeftButton);
    }

    QCOMPARE(cancel.ran, dialog);
    if (command == "refused es")
        QCOMPARE(prompter.titles(), QStringList{"Invalid Value"});
    QCOMPARE(win.doc(), cfg);
    QVERIFY(!win.w->isChanged());
    QVERIFY(!win.w->hasUnsavedChanges());
    QCOMPARE(texts(win.elements), elementsBefore);
    QCOMPARE(win.services->count(), 2);
}

void TestServicesPage::emptyEditorIsDisabled()
{
    Window win;
    const char *fields[] = {"serviceID", "providerName", "serviceName", "eventName",
                            "eventText", "language",     "pmtPID",      "pcrPID"};
    for (const char *name : fields) {
        QVERIFY2(!win.edit(name)->isEnabled(), name);
        const QList<QLabel *> labels = win.w->findChildren<QLabel *>();
        for (const QLabel *label : labels) {
            if (label->buddy() == win.edit(name))
                QVERIFY2(!label->isEnabled(), name);
        }
    }
    QVERIFY(!win.get<QGroupBox>("caEnabled")->isEnabled());
    QVERIFY(!win.get<QToolButton>("serviceUp")->isEnabled());

    // Adding the first service opens it; the CA fields follow their group.
    ModalHandler dialog([](QDialog *d) { clickOk(d); });
    QTest::mouseClick(win.get<QPushButton>("addService"), Qt::LeftButton);
    QVERIFY(win.edit("serviceID")->isEnabled());
    QVERIFY(win.get<QToolButton>("serviceUp")->isEnabled());
    QVERIFY(!win.edit("caID")->isEnabled());
    setChecked(win.get<QGroupBox>("caEnabled"), true);
    QVERIFY(win.edit("caID")->isEnabled() && win.edit("ecmPID")->isEnabled());
    QVERIFY(!win.edit("lcNumber")->isEnabled() && !win.get<QCheckBox>("lcVisible")->isEnabled());
}

void TestServicesPage::settingsRerenderPage()
{
    TransportStreamCfg cfg;
    cfg.services << news();
    Window win(cfg, false);
    clickRow(win.services, 0);
    ModalHandler dialog([](QDialog *d) {
        chooseIndex(widget<QComboBox>(d, "notation"), 1);
        clickOk(d);
    });
    const auto actions = win.w->findChildren<QAction *>(QStringLiteral("action_Settings"));
    QVERIFY(!actions.isEmpty());
    actions.first()->trigger();
    if (!dialog.ran)
        QSKIP("the settings command shows no dialog yet");
    QCOMPARE(texts(win.services).value(0),
             QStringLiteral("News (Service 0x0010)\nPMT:0x0100 (Vid:0x0101, Aud:0x0102)"));
    QCOMPARE(win.edit("serviceID")->text(), QStringLiteral("0x0010"));
    QCOMPARE(win.edit("lcNumber")->text(), QStringLiteral("0"));
    QCOMPARE(texts(win.elements).value(1), QStringLiteral("MPEG2 Audio (PID:0x0102, Language:deu)"));
}

QTEST_MAIN(TestServicesPage)
#include "test_servicespage.moc"
