#include <QtTest>

#include <QLabel>

#include "pagedriver.h"

// The services page driven as an operator does: typing into fields, space on
// check boxes and groups, clicks on list rows, right clicks, and the real add
// and elementary PID dialogs answered from inside their own modal loops.

namespace {

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
    return service("News", 16, 256, {element(EsMpeg2Video, 257), element(EsMpeg2Audio, 258, "deu")});
}

// Services S0, S1, ... with one video PID each; or News and Other.
TransportStreamCfg document(int services = 0)
{
    TransportStreamCfg cfg;
    for (int i = 0; i < services; ++i)
        cfg.services << service(QStringLiteral("S%1").arg(i), 100 + i, 1000 + 10 * i,
                                {element(EsMpeg2Video, 1001 + 10 * i)});
    if (!services)
        cfg.services << news() << service("Other", 2, 50);
    return cfg;
}

// Elements as "type/pid/language" joined by commas.
QString describe(const QList<ESCfg> &elements)
{
    QStringList parts;
    for (const ESCfg &e : elements)
        parts << QStringLiteral("%1/%2/%3").arg(e.type).arg(e.pid).arg(e.language);
    return parts.join(QLatin1Char(','));
}

QStringList names(const TransportStreamCfg &cfg)
{
    QStringList n;
    for (const ServiceCfg &s : cfg.services)
        n << s.serviceName;
    return n;
}

struct Page : Window {
    explicit Page(const TransportStreamCfg &cfg = TransportStreamCfg(), bool hex = false)
        : Window(cfg, hex, 2), services(list("services")), elements(list("elements"))
    {
    }
    QListWidget *services, *elements;
};

} // namespace

class TestServicesPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listTexts_data();
    void listTexts();
    void leavingInvalidServiceStays_data();
    void leavingInvalidServiceStays();
    void valuesFromTheFileAreNoEdits();
    void emptyEditorIsDisabled();
    void addService_data();
    void addService();
    void serviceLimitAndDuplicate();
    void moveService_data();
    void moveService();
    void removeService_data();
    void removeService();
    void elementaryPids_data();
    void elementaryPids();
    void cancelledDialogsChangeNothing_data();
    void cancelledDialogsChangeNothing();
};

void TestServicesPage::listTexts_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<ServiceCfg>("svc");
    QTest::addColumn<QStringList>("entries"); // the service's entry, then its elements

    QTest::newRow("hexadecimal")
        << true << news()
        << QStringList{"News (Service 0x0010)\nPMT:0x0100 (Vid:0x0101, Aud:0x0102)", "MPEG2 Video (PID:0x0101)",
                       "MPEG2 Audio (PID:0x0102, Language:deu)"};
    QTest::newRow("decimal")
        << false << news()
        << QStringList{"News (Service 16)\nPMT:256 (Vid:257, Aud:258)", "MPEG2 Video (PID:257)",
                       "MPEG2 Audio (PID:258, Language:deu)"};
    QTest::newRow("no elements, no parentheses") << true << service("Empty", 1, 32)
                                                 << QStringList{"Empty (Service 0x0001)\nPMT:0x0020"};
    QTest::newRow("h264, teletext and an unknown type")
        << false << service("Mix", 5, 40, {element(EsH264Video, 41), element(EsTeletext, 43), element(9, 44)})
        << QStringList{"Mix (Service 5)\nPMT:40 (Vid:41, Txt:43, ?:44)", "H264 Video (PID:41)", "Teletext (PID:43)",
                       "unknown (PID:44)"};
    QTest::newRow("name with a place marker shown as typed")
        << false << service("50%2 off %1", 7, 70) << QStringList{"50%2 off %1 (Service 7)\nPMT:70"};
    QTest::newRow("hex wider than four digits") << true << service("Wide", 65535, 8189)
                                                << QStringList{"Wide (Service 0xffff)\nPMT:0x1ffd"};
}

void TestServicesPage::listTexts()
{
    QFETCH(bool, hex);
    QFETCH(ServiceCfg, svc);
    QFETCH(QStringList, entries);

    TransportStreamCfg cfg;
    cfg.services << svc << service("Other", 2, 50);
    Page win(cfg, hex);
    QCOMPARE(QStringList{texts(win.services).value(0)} + texts(win.elements), entries);

    // Reopening from another row shows the same texts: a commit without an
    // edit stores nothing and rewrites nothing.
    clickRow(win.services, 1);
    clickRow(win.services, 0);
    QVERIFY(win.prompter.messages.isEmpty());
    QCOMPARE(QStringList{texts(win.services).value(0)} + texts(win.elements), entries);
    QVERIFY(!win.w->isChanged());
}

void TestServicesPage::leavingInvalidServiceStays_data()
{
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("warning");

    QTest::newRow("service id 0") << QByteArray() << QByteArray("serviceID") << "0" << "Service ID";
    QTest::newRow("PMT PID 8191") << QByteArray() << QByteArray("pmtPID") << "0x1fff" << "PMT PID";
    QTest::newRow("PCR PID not a number") << QByteArray() << QByteArray("pcrPID") << "x" << "PCR PID";
    QTest::newRow("CA system id beyond 16 bits")
        << QByteArray("caEnabled") << QByteArray("caID") << "0x10000" << "CA-System ID";
    QTest::newRow("ECM PID empty") << QByteArray("caEnabled") << QByteArray("ecmPID") << "" << "ECM PID";
    QTest::newRow("channel number 1000")
        << QByteArray("lcEnabled") << QByteArray("lcNumber") << "1000" << "Logical Channel Number";
}

void TestServicesPage::leavingInvalidServiceStays()
{
    QFETCH(QByteArray, group);
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    QFETCH(QString, warning);

    const TransportStreamCfg cfg = document(3);
    Page win(cfg);
    if (!group.isEmpty())
        setChecked(win.get(group.constData()), true);
    typeText(win.edit("serviceName"), "Edited");
    QLineEdit *bad = win.edit(field.constData());
    typeText(bad, text);

    clickRow(win.services, 2);
    QCOMPARE(win.prompter.titles(), QStringList{"Invalid Value"});
    QCOMPARE(win.prompter.messages.at(0).text,
             QStringLiteral("Please correct the contents of the field \"%1\"").arg(warning));
    QCOMPARE(bad->text(), text);
    QCOMPARE(win.edit("serviceName")->text(), QStringLiteral("Edited"));
    QTRY_VERIFY(win.services->selectedItems().isEmpty());
    QCOMPARE(win.services->currentRow(), 0);
    QCOMPARE(QApplication::focusWidget(), bad);
    QCOMPARE(win.doc(), cfg);

    // Corrected, the same click leaves the service and stores it.
    typeText(bad, field == "lcNumber" ? "999" : "0x22");
    clickRow(win.services, 2);
    QCOMPARE(win.prompter.messages.size(), 1);
    QCOMPARE(win.services->currentRow(), 2);
    QCOMPARE(win.edit("serviceName")->text(), QStringLiteral("S2"));
    QCOMPARE(win.doc().services.at(0).serviceName, QStringLiteral("Edited"));
    QVERIFY(win.services->item(0)->text().startsWith("Edited (Service "));
    QVERIFY(win.w->isChanged());
}

// A file may hold values the editor would not take (service id 0, PMT PID
// 8191, a service type no item offers): shown untouched they are no edit,
// and a commit of other fields keeps them.
void TestServicesPage::valuesFromTheFileAreNoEdits()
{
    TransportStreamCfg cfg = document(3);
    cfg.services[0].id = 0;
    cfg.services[0].pmtPid = 8191;
    cfg.services[0].type = 9;
    Page win(cfg);
    QVERIFY(!win.w->hasUnsavedChanges());
    QCOMPARE(win.get<QComboBox>("serviceType")->currentText(), QStringLiteral("Unknown (9)"));
    typeText(win.edit("serviceName"), "Edited");
    clickRow(win.services, 1);
    QVERIFY(win.prompter.messages.isEmpty());
    cfg.services[0].serviceName = QStringLiteral("Edited");
    QCOMPARE(win.doc(), cfg);
}

void TestServicesPage::emptyEditorIsDisabled()
{
    Page win;
    for (const char *name : {"serviceID", "providerName", "serviceName", "eventName", "eventText", "language",
                             "pmtPID", "pcrPID"}) {
        QVERIFY2(!win.edit(name)->isEnabled(), name);
        for (const QLabel *label : win.w->findChildren<QLabel *>()) {
            if (label->buddy() == win.edit(name))
                QVERIFY2(!label->isEnabled(), name);
        }
    }
    QVERIFY(!win.get("caEnabled")->isEnabled());
    QVERIFY(!win.get("serviceUp")->isEnabled());

    // Adding the first service opens it; the CA and LC fields follow their groups.
    ModalDriver dialog([](QDialog *d) { clickBox(d, true); });
    win.click("addService");
    QVERIFY(win.edit("serviceID")->isEnabled());
    QVERIFY(win.get("serviceUp")->isEnabled());
    QVERIFY(!win.edit("caID")->isEnabled());
    setChecked(win.get("caEnabled"), true);
    QVERIFY(win.edit("caID")->isEnabled() && win.edit("ecmPID")->isEnabled());
    QVERIFY(!win.edit("lcNumber")->isEnabled() && !win.get("lcVisible")->isEnabled());
    setChecked(win.get("lcEnabled"), true);
    QVERIFY(win.edit("lcNumber")->isEnabled() && win.get("lcVisible")->isEnabled());

    // Switched off, their fields are not checked: a number in range is kept
    // for when the group comes back on, anything else leaves the stored value,
    // shown again after the commit.
    typeText(win.edit("caID"), "0x0B00");
    typeText(win.edit("ecmPID"), "8191");
    typeText(win.edit("lcNumber"), "1000");
    setChecked(win.get("caEnabled"), false);
    setChecked(win.get("lcEnabled"), false);
    QVERIFY(win.w->commitPages());
    QVERIFY(win.prompter.messages.isEmpty());
    const ServiceCfg &s = win.doc().services.at(0);
    const ServiceCfg fresh;
    QCOMPARE(QList<int>({s.caId, s.ecmPid, s.lcNumber}), QList<int>({0x0B00, fresh.ecmPid, fresh.lcNumber}));
    QCOMPARE(win.edit("ecmPID")->text(), QString::number(fresh.ecmPid));
    QCOMPARE(win.edit("lcNumber")->text(), QString::number(fresh.lcNumber));
}

void TestServicesPage::addService_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("radio");
    // v, a, t: video, audio, teletext checked; h: H.264 video; =TEXT: typed into the video PID field
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QString>("streams");
    QTest::addColumn<int>("pcrPid");

    QTest::newRow("tv, all boxes") << false << false << "vat" << "0/1025/,1/1026/,2/1027/" << 1025;
    QTest::newRow("tv, all boxes, hexadecimal") << true << false << "vat" << "0/1025/,1/1026/,2/1027/" << 1025;
    QTest::newRow("tv, H.264 video") << false << false << "vah" << "3/1025/,1/1026/" << 1025;
    QTest::newRow("tv, video only") << false << false << "v" << "0/1025/" << 1025;
    QTest::newRow("tv, audio only: PCR on the audio") << false << false << "a" << "1/1026/" << 1026;
    QTest::newRow("tv, teletext only: PCR from the video field") << false << false << "t" << "2/1027/" << 1025;
    QTest::newRow("tv, video and teletext") << false << false << "vt" << "0/1025/,2/1027/" << 1025;
    QTest::newRow("tv, audio and teletext") << false << false << "at" << "1/1026/,2/1027/" << 1026;
    QTest::newRow("tv, no boxes") << false << false << "" << "" << 1025;
    QTest::newRow("tv, no boxes, video field 0x0200") << false << false << "=0x0200" << "" << 512;
    QTest::newRow("tv, no boxes, video field not a number") << false << false << "=x" << "" << 1025;
    QTest::newRow("tv, no boxes, video field beyond 8190") << false << false << "=99999" << "" << 1025;
    QTest::newRow("radio, audio") << false << true << "a" << "1/1026/" << 1026;
    QTest::newRow("radio, no audio") << false << true << "" << "" << 1026;
    QTest::newRow("radio, hexadecimal") << true << true << "a" << "1/1026/" << 1026;
}

void TestServicesPage::addService()
{
    QFETCH(bool, hex);
    QFETCH(bool, radio);
    QFETCH(QString, boxes);
    QFETCH(QString, streams);
    QFETCH(int, pcrPid);

    Page win(document(2), hex);
    typeText(win.edit("serviceName"), "Left behind");
    ModalDriver dialog([&](QDialog *d) {
        if (radio)
            chooseIndex(child<QComboBox>(d, "type"), 1);
        if (boxes.contains('h'))
            chooseIndex(child<QComboBox>(d, "streamType"), 1);
        if (boxes.startsWith('='))
            typeText(child<QLineEdit>(d, "videoPID"), boxes.mid(1));
        if (!radio) {
            setChecked(child(d, "videoEnabled"), boxes.contains('v'));
            setChecked(child(d, "teletextEnabled"), boxes.contains('t'));
        }
        setChecked(child(d, "audioEnabled"), boxes.contains('a'));
        clickBox(d, true);
    });
    win.click("addService");
    QVERIFY(dialog.ran);
    QVERIFY(win.prompter.messages.isEmpty());

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
    QCOMPARE(texts(win.elements).size(), s.elements.size());
    QCOMPARE(win.doc().services.at(0).serviceName, QStringLiteral("Left behind"));
    QCOMPARE(texts(win.services).size(), 3);
    QVERIFY(win.w->isChanged());
}

void TestServicesPage::serviceLimitAndDuplicate()
{
    Page win(document(15), true);
    ModalDriver first([](QDialog *d) { clickBox(d, true); });
    win.click("addService");
    QVERIFY(first.ran);
    QCOMPARE(win.doc().services.size(), 16);
    QVERIFY(win.prompter.messages.isEmpty());

    // The sixteenth is the last: the button and the menu's Add refuse.
    ModalDriver refused([](QDialog *d) { clickBox(d, true); });
    win.click("addService");
    contextMenu(win.services, 0, "&Add service...");
    QVERIFY(!refused.ran);
    QCOMPARE(win.prompter.titles(), (QStringList{"Max services reached", "Max services reached"}));
    QCOMPARE(win.prompter.messages.at(0).text, QStringLiteral("You can not add more services!"));
    QCOMPARE(win.doc().services.size(), 16);

    // Duplicating knows no limit, and copies what the editor shows: the open
    // service is committed first, and an invalid field stops the copy.
    clickRow(win.services, 3);
    typeText(win.edit("serviceName"), "Newer");
    typeText(win.edit("pmtPID"), "99999");
    contextMenu(win.services, 3, "&Duplicate");
    QCOMPARE(win.prompter.titles().mid(2), QStringList{"Invalid Value"});
    QCOMPARE(win.doc().services.size(), 16);
    typeText(win.edit("pmtPID"), "0x0500");
    QCOMPARE(contextMenu(win.services, 3, "&Duplicate"),
             (QStringList{"&Edit", "&Duplicate", "", "&Add service...", "&Remove service"}));
    QCOMPARE(win.doc().services.size(), 17);
    ServiceCfg expected = document(15).services.at(3);
    expected.pmtPid = 0x0500;
    expected.serviceName = QStringLiteral("Newer");
    QCOMPARE(win.doc().services.at(3), expected);
    expected.serviceName = QStringLiteral("(Copy of) Newer");
    QCOMPARE(win.doc().services.at(16), expected);
    QCOMPARE(win.services->currentRow(), 16);
    QCOMPARE(win.edit("serviceName")->text(), expected.serviceName);
    QCOMPARE(texts(win.services).value(16), QStringLiteral("(Copy of) Newer (Service 0x0067)\nPMT:0x0500 (Vid:0x0407)"));
    QVERIFY(win.w->isChanged());
}

void TestServicesPage::moveService_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("from");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("openRow");

    QTest::newRow("down from the first") << "down" << 0 << QStringList{"S1", "S0", "S2"} << 1;
    QTest::newRow("up from the last") << "up" << 2 << QStringList{"S0", "S2", "S1"} << 1;
    QTest::newRow("up from the first does nothing") << "up" << 0 << QStringList{"S0", "S1", "S2"} << 0;
    QTest::newRow("down from the last does nothing") << "down" << 2 << QStringList{"S0", "S1", "S2"} << 2;
    // Service 1 is opened through the menu while entry 0 stays current; moving
    // entry 0 down lands it on the row that was open.
    QTest::newRow("onto the row opened by Edit") << "edit 1, down" << 0 << QStringList{"S1", "S0", "S2"} << 1;
}

void TestServicesPage::moveService()
{
    QFETCH(QString, how);
    QFETCH(int, from);
    QFETCH(QStringList, order);
    QFETCH(int, openRow);

    Page win(document(3));
    clickRow(win.services, from);
    if (how.startsWith("edit")) {
        contextMenu(win.services, 1, "&Edit");
        QCOMPARE(win.services->currentRow(), 0); // Edit opens without moving the current entry
    }
    const QString typedInto = win.edit("serviceName")->text();
    typeText(win.edit("eventName"), "Tonight");
    win.click(how.endsWith("up") ? "serviceUp" : "serviceDown");

    QCOMPARE(names(win.doc()), order);
    QVERIFY(win.prompter.messages.isEmpty());
    QCOMPARE(win.services->currentRow(), openRow);
    QVERIFY(texts(win.services).value(openRow).startsWith(order.at(openRow) + " (Service "));
    QCOMPARE(win.edit("serviceName")->text(), order.at(openRow));

    // The open service is the one shown: an edit now lands on it.
    typeText(win.edit("providerName"), "Provider");
    QVERIFY(win.w->commitPages());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(win.doc().services.at(i).providerName.isEmpty(), i != openRow);
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
    Page win(cfg);
    // The open service and the current entry may differ: Edit opens a service
    // without moving the current entry.
    clickRow(win.services, removed);
    if (open != removed)
        contextMenu(win.services, open, "&Edit");
    win.prompter.answers << answer;
    win.click("removeService");

    QCOMPARE(win.prompter.titles(), QStringList{"Remove Service"});
    QCOMPARE(win.prompter.messages.at(0).text,
             QStringLiteral("You are about to remove service \"S%1\".\nDo you want to continue?").arg(removed));
    QCOMPARE(win.prompter.messages.at(0).defaultButton, QMessageBox::No);
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
        QVERIFY(!win.get("addES")->isEnabled());
        QCOMPARE(win.elements->count(), 0);
        // A change of notation lists no elements of the removed service.
        ModalDriver settings([](QDialog *d) {
            chooseIndex(child<QComboBox>(d, "notation"), 1);
            clickBox(d, true);
        });
        win.trigger("action_Settings");
        QVERIFY(settings.ran);
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
    QTest::addColumn<QString>("question");

    QTest::newRow("add H.264 with a language typed with blanks") << "add" << false << "0/257/,1/258/deu,3/256/eng" << "";
    QTest::newRow("edit by double click") << "double click" << false << "2/600/fra,1/258/deu" << "";
    QTest::newRow("edit from the menu") << "menu edit" << true << "0/257/,2/600/fra" << "";
    QTest::newRow("remove, hexadecimal") << "remove" << true << "1/258/deu"
                                         << "You are about to remove elementary PID 0x0101.\nDo you want to continue?";
    QTest::newRow("remove the last, decimal") << "remove last" << false << "0/257/"
                                              << "You are about to remove elementary PID 258.\nDo you want to continue?";
}

void TestServicesPage::elementaryPids()
{
    QFETCH(QString, action);
    QFETCH(bool, hex);
    QFETCH(QString, streams);
    QFETCH(QString, question);

    const TransportStreamCfg cfg = document();
    Page win(cfg, hex);
    ModalDriver dialog([&](QDialog *d) {
        if (action == "add")
            perform(d, {"type=1", "language= eng ", "pid=0x100", "OK"}); // H.264
        else
            perform(d, {"type=3", "language=fra", "pid=600", "OK"}); // Teletext
    });
    if (action == "add") {
        win.click("addES");
    } else if (action == "double click") {
        doubleClickRow(win.elements, 0);
    } else if (action == "menu edit") {
        QCOMPARE(contextMenu(win.elements, 1, "&Edit..."),
                 (QStringList{"&Edit...", "", "&Add Elementary PID...", "&Remove Elementary PID"}));
    } else {
        clickRow(win.elements, action == "remove last" ? 1 : 0);
        win.prompter.answers << QMessageBox::Yes;
        win.click("removeES");
    }
    QCOMPARE(dialog.ran, question.isEmpty());
    QCOMPARE(win.prompter.titles(), question.isEmpty() ? QStringList() : QStringList{"Remove Elementary PID"});
    if (!question.isEmpty()) {
        QCOMPARE(win.prompter.messages.at(0).text, question);
        QCOMPARE(win.prompter.messages.at(0).defaultButton, QMessageBox::No);
    }

    // Marked changed at once; the document itself waits for the commit.
    QVERIFY(win.w->isChanged());
    QCOMPARE(win.doc(), cfg);
    QCOMPARE(texts(win.elements).size(), streams.count(',') + 1);
    if (action.contains("edit") || action.contains("click"))
        QCOMPARE(win.elements->currentRow(), action == "menu edit" ? -1 : 0);

    clickRow(win.services, 1);
    QCOMPARE(describe(win.doc().services.at(0).elements), streams);
    QVERIFY(win.services->item(0)->text().contains(hex ? "0x" : "PMT:256"));
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

    const TransportStreamCfg cfg = document();
    Page win(cfg);
    const QStringList elementsBefore = texts(win.elements);
    ModalDriver cancel([&](QDialog *d) {
        if (command == "refused es")
            perform(d, {"pid=8191", "OK"}); // refused: the dialog stays open and is rejected
        else
            clickBox(d, false);
    });
    if (command == "add service")
        win.click("addService");
    else if (command == "menu add service")
        QCOMPARE(contextMenu(win.services, -1, "&Add service..."), QStringList{"&Add service..."});
    else if (command == "add es" || command == "refused es")
        win.click("addES");
    else if (command == "edit es")
        doubleClickRow(win.elements, 1);
    else if (command == "remove service")
        win.click("removeService");
    else if (command == "remove es") {
        clickRow(win.elements, 1);
        win.click("removeES");
    }

    QCOMPARE(cancel.ran, dialog);
    QCOMPARE(cancel.stayedOpen, command == "refused es");
    if (command == "refused es")
        QCOMPARE(win.prompter.titles(), QStringList{"Invalid Value"});
    QCOMPARE(win.doc(), cfg);
    QVERIFY(!win.w->isChanged());
    QVERIFY(!win.w->hasUnsavedChanges());
    QCOMPARE(texts(win.elements), elementsBefore);
    QCOMPARE(win.services->count(), 2);
}

QTEST_MAIN(TestServicesPage)
#include "test_servicespage.moc"
