#include "app/recordlist.h"

#include <QApplication>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>

#include <cmath>

RecordListModel::RecordListModel(std::function<int()> count, std::function<QString(int)> text, QObject *parent)
    : QAbstractListModel(parent), m_count(std::move(count)), m_text(std::move(text))
{
}

int RecordListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count();
}

QVariant RecordListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_text(index.row());
    if (role == Qt::UserRole)
        return index.row();
    return QVariant();
}

void RecordListModel::reset()
{
    beginResetModel();
    endResetModel();
}

void RecordListModel::rowChanged(int row)
{
    const QModelIndex at = index(row);
    if (at.isValid())
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
}

namespace {

// The style option carries an entry's line breaks as line separators.
QStringList entryLines(const QString &text)
{
    return QString(text).replace(QChar::LineSeparator, QLatin1Char('\n')).split(QLatin1Char('\n'));
}

} // namespace

QStringList EntryDelegate::shownLines(const QString &text, const QFont &font, int width)
{
    const QFontMetrics metrics(font);
    QStringList lines = entryLines(text);
    for (QString &line : lines)
        line = metrics.elidedText(line, Qt::ElideRight, width);
    return lines;
}

int EntryDelegate::lineHeight(const QString &line, const QFont &font)
{
    QTextLayout layout(line.isEmpty() ? QStringLiteral(" ") : line, font);
    layout.beginLayout();
    const QTextLine laid = layout.createLine();
    layout.endLayout();
    return qMax(QFontMetrics(font).height(), int(std::ceil(laid.height())));
}

QRect EntryDelegate::textRect(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    return style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
}

void EntryDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    const QRect area = textRect(option, index);
    // The style draws the row (background, selection, focus), the lines are ours.
    opt.text.clear();
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                    : QPalette::Text));
    // The lines as a block in the middle of the row, whatever the style
    // makes of the text's own height.
    const QStringList lines = shownLines(text, opt.font, area.width());
    int block = 0;
    for (const QString &line : lines)
        block += lineHeight(line, opt.font);
    int top = opt.rect.top() + qMax(0, (opt.rect.height() - block) / 2);
    for (const QString &line : lines) {
        const int height = lineHeight(line, opt.font);
        painter->drawText(QRect(area.left(), top, area.width(), height), Qt::AlignLeft | Qt::AlignVCenter, line);
        top += height;
    }
    painter->restore();
}

QSize EntryDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    int lines = 0;
    for (const QString &line : entryLines(opt.text))
        lines += lineHeight(line, opt.font);
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, opt.widget) + 1;
    size.setHeight(qMax(size.height(), lines + 2 * margin));
    // Never wider than the list: a line too wide is elided, not scrolled to.
    if (const auto *view = qobject_cast<const QAbstractItemView *>(opt.widget))
        size.setWidth(qMin(size.width(), view->viewport()->width()));
    return size;
}

bool EntryDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                              const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    if (shownLines(text, option.font, textRect(option, index).width()).join(QLatin1Char('\n')) != text)
        QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
    else
        QToolTip::hideText();
    return true;
}

RecordList::RecordList(QWidget *parent) : QListView(parent)
{
    setItemDelegate(new EntryDelegate(this));
    // Entries are as wide as the list, laid out again when it is resized.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setResizeMode(QListView::Adjust);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { Q_EMIT itemDoubleClicked(index.row()); });
}

void RecordList::setModel(QAbstractItemModel *model)
{
    QListView::setModel(model);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { Q_EMIT currentRowChanged(current.isValid() ? current.row() : -1); });
}

int RecordList::count() const
{
    return model() ? model()->rowCount() : 0;
}

int RecordList::currentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void RecordList::setCurrentRow(int row)
{
    if (!model() || !selectionModel())
        return;
    const QModelIndex at = model()->index(row, 0);
    if (at.isValid())
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    else
        selectionModel()->clear();
}

QRect RecordList::rowRect(int row) const
{
    return model() ? visualRect(model()->index(row, 0)) : QRect();
}

QString RecordList::rowText(int row) const
{
    return model() ? model()->index(row, 0).data().toString() : QString();
}

int RecordList::rowAt(const QPoint &pos) const
{
    const QModelIndex at = indexAt(pos);
    return at.isValid() ? at.row() : -1;
}

bool RecordList::commandKey(const QKeyEvent *key, const std::function<void(int)> &edit,
                            const std::function<void()> &remove, const std::function<void(int)> &move)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const int k = key->key();
    const bool plain = modifiers == Qt::NoModifier;
    if ((plain && k == Qt::Key_Menu) || (modifiers == Qt::ShiftModifier && k == Qt::Key_F10)) {
        const QRect entry = rowRect(currentRow());
        Q_EMIT customContextMenuRequested(entry.isValid() ? entry.center() : QPoint(4, 4));
    } else if (plain && (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_F2)) {
        edit(currentRow());
    } else if (plain && k == Qt::Key_Delete) {
        remove();
    } else if (move && modifiers == Qt::ControlModifier && (k == Qt::Key_Up || k == Qt::Key_Down)) {
        move(k == Qt::Key_Up ? -1 : 1);
    } else {
        return false;
    }
    return true;
}
