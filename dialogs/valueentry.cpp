#include "dialogs/valueentry.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

#include "config/number.h"
#include "dialogs/prompter.h"

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("ValueEntry", text);
}
} // namespace

bool parseNumber(const QString &text, qint32 least, qint32 greatest)
{
    qint32 value = 0;
    return convertInteger(QStringView(text).trimmed(), &value) && value >= least
        && value <= greatest;
}

bool fieldShows(const QLineEdit *field, qint32 number)
{
    qint32 value = 0;
    return convertInteger(QStringView(field->text()).trimmed(), &value) && value == number;
}

qint32 numberOr(const QString &text, qint32 least, qint32 greatest, qint32 stored)
{
    return parseNumber(text, least, greatest) ? integerValue(QStringView(text).trimmed()) : stored;
}

void bringIntoView(QWidget *field)
{
    QWidget *w = field;
    for (; w && !w->isWindow(); w = w->parentWidget()) {
        QWidget *parent = w->parentWidget();
        if (auto *stack = qobject_cast<QStackedWidget *>(parent)) {
            // A tab widget's stack: its tab bar must follow.
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                tabs->setCurrentWidget(w);
            else
                stack->setCurrentWidget(w);
        } else if (auto *splitter = qobject_cast<QSplitter *>(parent)) {
            QList<int> sizes = splitter->sizes();
            const int i = splitter->indexOf(w);
            if (i >= 0 && sizes.value(i) == 0) {
                const QSize hint = w->sizeHint();
                sizes[i] = splitter->orientation() == Qt::Horizontal ? hint.width() : hint.height();
                splitter->setSizes(sizes);
            }
        }
    }
    // A page just made current has not been laid out yet: the field's place
    // in its scroll area is known only afterwards.
    for (w = field ? field->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(w)) {
            if (area->widget() && area->widget()->layout())
                area->widget()->layout()->activate();
            area->ensureWidgetVisible(field);
        }
    }
}

void warnInvalidField(const QString &name, QWidget *field, QWidget *parent, const QString &allowed)
{
    bringIntoView(field);
    Prompter::warning(parent, tr("Invalid Value"),
                      tr("Please correct the contents of the field \"%1\"").arg(name), allowed);
    if (field) {
        field->raise();
        field->setFocus(Qt::OtherFocusReason);
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->selectAll();
    }
}

namespace {

const char *const ReadAsProperty = "velunorReadAs";

// "0256" or "-017": a leading 0 with digits after it selects octal.
bool readAsOctal(QStringView number)
{
    if (number.startsWith(u'+') || number.startsWith(u'-'))
        number = number.mid(1);
    return number.size() > 1 && number.startsWith(u'0') && number.at(1) != u'x' && number.at(1) != u'X';
}

} // namespace

void showAsRead(QLineEdit *field, qint32 least, qint32 greatest, bool hex)
{
    const QString typed = field->text();
    const QStringView number = QStringView(typed).trimmed();
    qint32 value = 0;
    if (!convertInteger(number, &value) || value < least || value > greatest)
        return;
    const QString shown = formatNumber(value, 4, hex);
    const QString note = readAsOctal(number) ? tr("Read as octal: %1 = %2").arg(number.toString(), shown) : QString();
    if (shown != typed) {
        // Replacing the selection, unlike setText(), keeps the field's undo.
        field->selectAll();
        field->insert(shown);
    }
    field->setProperty(ReadAsProperty, note.isEmpty() ? QVariant() : QVariant(shown));
    field->setToolTip(note);
}

void forgetReadAs(QLineEdit *field)
{
    const QVariant noted = field->property(ReadAsProperty);
    if (noted.isValid() && noted.toString() != field->text()) {
        field->setProperty(ReadAsProperty, QVariant());
        field->setToolTip(QString());
    }
}

QString numberRangeText(qint32 least, qint32 greatest, bool hex)
{
    return tr("Allowed: %1 to %2.").arg(formatNumber(least, 4, hex), formatNumber(greatest, 4, hex));
}

QString esTypeName(int type)
{
    const EsTypeInfo *info = esTypeInfo(type);
    return info ? tr(info->name) : tr("unknown");
}

QString esTypeShortName(int type)
{
    const EsTypeInfo *info = esTypeInfo(type);
    return info ? tr(info->shortName) : tr("?");
}

void fillServiceTypeCombo(QComboBox *combo)
{
    combo->clear();
    for (const ServiceTypeInfo *info : serviceTypes())
        combo->addItem(tr(info->name), info->type);
}

void fillLcnProfileCombo(QComboBox *combo)
{
    combo->clear();
    combo->addItem(tr("Plain (no specifier)"), LcnPlain);
    combo->addItem(tr("E-Book / EACEM"), LcnEacem);
    combo->addItem(tr("NorDig"), LcnNordig);
    combo->addItem(tr("D-Book"), LcnDbook);
}

namespace {
void fillCodingCombo(QComboBox *combo, EsCategory category)
{
    combo->clear();
    for (const EsTypeInfo *info : esTypes()) {
        if (info->category == category && info->codec)
            combo->addItem(tr("%1 (%2)").arg(QLatin1String(info->codec),
                                             hexNumber(info->streamType, 2, HexCase::Upper)),
                           info->type);
    }
}
} // namespace

void fillVideoTypeCombo(QComboBox *combo)
{
    fillCodingCombo(combo, EsCategory::Video);
}

void fillAudioTypeCombo(QComboBox *combo)
{
    fillCodingCombo(combo, EsCategory::Audio);
}

void fillESTypeCombo(QComboBox *combo)
{
    combo->clear();
    for (const EsTypeInfo *info : esTypes())
        combo->addItem(tr(info->listName), info->type);
}

void selectCode(QComboBox *combo, int code, bool hex)
{
    constexpr int UnknownRole = Qt::UserRole + 1;
    for (int i = combo->count() - 1; i >= 0; --i) {
        if (combo->itemData(i, UnknownRole).toBool())
            combo->removeItem(i);
    }
    int index = combo->findData(code);
    if (index < 0) {
        combo->addItem(tr("Unknown (%1)").arg(formatNumber(code, 4, hex)), code);
        index = combo->count() - 1;
        combo->setItemData(index, true, UnknownRole);
    }
    combo->setCurrentIndex(index);
}

void fillInputCombo(QComboBox *combo)
{
    combo->clear();
    for (int input = 0; input <= 4; ++input) {
        FilterCfg f;
        f.input = input;
        combo->addItem(filterInputText(f));
    }
}
