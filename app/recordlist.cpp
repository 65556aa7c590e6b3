#include "app/recordlist.h"

#include <QItemSelectionModel>
#include <QKeyEvent>

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

RecordList::RecordList(QWidget *parent) : QListView(parent)
{
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
