#include <QtTest>

#include "pagedriver.h"
#include "tests/common/filehelpers.h"
#include "tests/common/linecompare.h"

// The services page driven as an operator does: typing, clicks and right clicks
// on list rows, the real dialogs answered from inside their own modal loops.

namespace {

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

// Services S0, S1, ... with one video PID each; or News and Other.
TransportStreamCfg document(int services = 0)
{
    TransportStreamCfg cfg;
    for (int i = 0; i < services; ++i)
        cfg.services << service(QStringLiteral("S%1").arg(i), 100 + i, 1000 + 10 * i, {{EsMpeg2Video, quint16(1001 + 10 * i), {}}});
    if (!services)
        cfg.services << service("News", 16, 256, {{EsMpeg2Video, 257, {}}, {EsMpeg2Audio, 258, "deu"}}) << service("Other", 2, 50);
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

struct Page : Window {
    explicit Page(const TransportStreamCfg &cfg = TransportStreamCfg(), bool hex = false)
        : Window(cfg, hex, 2), services(list("services")), elements(list("elements")) {}
    RecordList *services, *elements;
};

} // namespace

class TestServicesPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listTexts_data() { rowsFrom("services-page/list-texts.txt", {"notation", "golden"}); }
    // Each service opened in turn: its elements, then the service list. Opening
    // another row commits without an edit, which must store and rewrite nothing,
    // not even values the editor would not take (service id 0, PMT PID 8191, a
    // service type no item offers); a commit of another field keeps them too.
    void listTexts()
    {
        QFETCH(QString, notation);
        QFETCH(QString, golden);
        TransportStreamCfg cfg = document();
        cfg.services << service("Empty", 1, 32) << service("50%2 off %1", 7, 70) << service("Wide", 65535, 8189)
                     << service("Mix", 5, 40, {{EsH264Video, 41, {}}, {EsTeletext, 43, {}}, {9, 44, {}}})
                     << service("From a file", 0, 8191);
        cfg.services.last().type = 9;
        cfg.services << service("Today", 6, 60, {{EsHevcVideo, 61, {}}, {EsAacAudio, 62, "fra"}, {EsAc3Audio, 63, {}},
                                                 {EsEac3Audio, 64, "eng"}, {EsDvbSubtitles, 65, "fra"}});
        Page win(cfg, notation == "hex");
        QStringList dump;
        for (int row = 0; row < cfg.services.size(); ++row) {
            clickRow(win.services, row);
            dump << QStringLiteral("service %1:").arg(row) << texts(win.elements);
        }
        dump << "services:" << texts(win.services);
        COMPARE_LINES(dump.join('\n').toUtf8() + '\n', testData("services-page/" + golden));
        QVERIFY(win.prompter.messages.isEmpty());
        QVERIFY(!win.w->hasUnsavedChanges());
        QCOMPARE(win.doc(), cfg);
        typeText(win.edit("serviceName"), "Edited");
        clickRow(win.services, 0);
        cfg.services.last().serviceName = QStringLiteral("Edited");
        QCOMPARE(win.doc(), cfg);
    }

    void leavingInvalidServiceStays_data() { rowsFrom("services-page/invalid-fields.txt", {"field", "text", "warning"}); }
    void leavingInvalidServiceStays()
    {
        const QString field = cell("field"), text = cell("text"), warning = cell("warning");
        const TransportStreamCfg cfg = document(3);
        Page win(cfg);
        if (field.contains('/'))
            setChecked(win.get(qPrintable(field.section('/', 0, 0))), true);
        typeText(win.edit("serviceName"), "Edited");
        QLineEdit *bad = win.edit(qPrintable(field.section('/', -1)));
        typeText(bad, text);
        clickRow(win.services, 2);
        QVERIFY(win.prompter.messages.value(0).text.contains('"' + warning + '"'));
        QCOMPARE(win.services->currentRow(), 0);
        QCOMPARE(QApplication::focusWidget(), bad);
        QCOMPARE(win.doc(), cfg);

        // Corrected, the same click leaves the service and stores it.
        typeText(bad, field.endsWith("lcNumber") ? "999" : "0x22");
        clickRow(win.services, 2);
        QCOMPARE(win.prompter.messages.size(), 1);
        QCOMPARE(win.doc().services.at(0).serviceName, QStringLiteral("Edited"));
    }

    // Sixteen services fill the PMT slots: the button and the menu's Add
    // refuse a seventeenth.
    void serviceLimit()
    {
        Page win(document(15), true);
        ModalDriver accept([](QDialog *d) { clickBox(d, true); });
        win.click("addService");
        ModalDriver refused([](QDialog *d) { clickBox(d, true); });
        win.click("addService");
        contextMenu(win.services, 0, "&Add service...");
        QVERIFY(accept.ran && !refused.ran);
        QCOMPARE(win.prompter.titles(), (QStringList{"Max services reached", "Max services reached"}));
        QCOMPARE(win.doc().services.size(), 16);
    }

    // Moving, duplicating and removing services: the editor keeps the service
    // it shows, an edit typed before the command stays with its own service
    // (and its copy), and one typed after lands on the open service wherever
    // it now stands.
    void listCommands_data() { rowsFrom("services-page/list-commands.txt", {"how", "from", "order", "current", "open"}); }
    void listCommands()
    {
        const QString how = cell("how"), from = cell("from"),
                      order = cell("order"), current = cell("current"), open = cell("open");
        Page win(document(3));
        clickRow(win.services, from.toInt());
        if (how.startsWith("edit"))
            contextMenu(win.services, how.mid(5, 1).toInt(), "&Edit");
        const QString typedInto = win.edit("serviceName")->text();
        typeText(win.edit("eventName"), "Tonight");
        win.prompter.answers << QMessageBox::Yes;
        if (how == "duplicate")
            contextMenu(win.services, from.toInt(), "&Duplicate");
        else
            win.click(how.endsWith("up") ? "serviceUp" : how.endsWith("down") ? "serviceDown" : "removeService");
        QCOMPARE(win.prompter.messages.size(), int(how.endsWith("remove")));
        QVERIFY(win.prompter.messages.value(0).text.contains(how.endsWith("remove") ? "\"S" + from + '"' : ""));
        QCOMPARE(win.services->currentRow(), current.toInt());
        QCOMPARE(win.edit("serviceName")->text(), open);
        QCOMPARE(win.elements->count(), int(!open.isEmpty()));

        typeText(win.edit("providerName"), "Provider");
        QVERIFY(win.w->commitPages());
        QStringList names;
        for (const ServiceCfg &s : win.doc().services) {
            names << s.serviceName;
            QCOMPARE(s.providerName.isEmpty(), s.serviceName != open);
            QCOMPARE(s.eventName.isEmpty(), !s.serviceName.endsWith(typedInto));
        }
        QCOMPARE(names.join(','), order);
    }

    void elementsAndCancels_data() { rowsFrom("services-page/element-commands.txt", {"command", "answer", "steps", "notation", "streams", "asked"}); }
    void elementsAndCancels()
    {
        const QString command = cell("command"), answer = cell("answer"), steps = cell("steps"),
                      notation = cell("notation"), streams = cell("streams"), asked = cell("asked");
        const TransportStreamCfg cfg = document();
        Page win(cfg, notation == "hex");
        ModalDriver dialog([&](QDialog *d) { steps == "Cancel" ? clickBox(d, false) : perform(d, steps.split(';')); });
        const int row = command.right(1).toInt();
        if (command.startsWith("remove"))
            win.prompter.answers << (answer == "ok" ? QMessageBox::Yes : QMessageBox::No);
        if (command.startsWith("remove es"))
            clickRow(win.elements, row), win.click("removeES");
        else if (command.startsWith("double click"))
            doubleClickRow(win.elements, row);
        else if (command.startsWith("menu edit"))
            contextMenu(win.elements, row, "&Edit...");
        else if (command == "menu add service")
            contextMenu(win.services, -1, "&Add service...");
        else
            win.click(command == "add service" ? "addService" : command == "remove service" ? "removeService" : "addES");

        QCOMPARE(dialog.ran, asked.isEmpty());
        QCOMPARE(dialog.stayedOpen, answer == "refused");
        QVERIFY2(win.prompter.messages.value(0).text.contains(asked), qPrintable(win.prompter.messages.value(0).text));
        QVERIFY(asked.isEmpty() || win.prompter.messages.at(0).defaultButton == QMessageBox::No);
        // Each change reaches the document at once (an added service, last).
        const int added = int(command.endsWith("add service") && answer == "ok");
        QCOMPARE(describe(win.doc().services.at(2 * added).elements), streams);
        QCOMPARE(win.w->isChanged(), streams != describe(cfg.services.at(0).elements));
        clickRow(win.services, 1);
        QCOMPARE(describe(win.doc().services.at(2 * added).elements), streams);
        QCOMPARE(win.doc().services.size(), 2 + added);
    }
};

QTEST_MAIN(TestServicesPage)
#include "test_servicespage.moc"
