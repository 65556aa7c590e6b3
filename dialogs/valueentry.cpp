#include "dialogs/valueentry.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
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

void warnInvalidField(const QString &name, QWidget *field, QWidget *parent)
{
    Prompter::warning(parent, tr("Invalid Value"),
                      tr("Please correct the contents of the field \"%1\"").arg(name));
    if (field) {
        field->raise();
        field->setFocus();
    }
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
    combo->addItem(tr("Digital TV (0x01)"), ServiceDigitalTv);
    combo->addItem(tr("Digital Radio (0x02)"), ServiceDigitalRadio);
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
