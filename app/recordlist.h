#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include <functional>

class QKeyEvent;

// A list of the document's records (filter rules, services, elementary PIDs)
// as the view asks for them: the model holds no copy of a record, only how
// to count them and how to word one, so a list always shows what the
// document (or a page's working copy) holds once it has been told to look
// again. Qt::UserRole gives a row's position in its record list.
class RecordListModel final : public QAbstractListModel {
public:
    RecordListModel(std::function<int()> count, std::function<QString(int)> text, QObject *parent);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // The records changed in number or order: every row is read again.
    void reset();
    // One record changed in place.
    void rowChanged(int row);

private:
    std::function<int()> m_count;
    std::function<QString(int)> m_text;
};

// Draws an entry a line at a time: each line as tall as its own glyphs need
// (a CJK or emoji fallback font stands taller than the list's font, and the
// second line must not be pushed out of the row), a line too wide elided with
// "…", and the whole entry as the tooltip of an entry cut so.
class EntryDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    // The lines of text as shown in width pixels, each whole or elided.
    static QStringList shownLines(const QString &text, const QFont &font, int width);
    // The height one line of text takes, fallback fonts included.
    static int lineHeight(const QString &line, const QFont &font);

private:
    QRect textRect(const QStyleOptionViewItem &option, const QModelIndex &index) const;
};

// The view of a RecordListModel, with the row-based calls and signals that
// the pages' slots are connected to by name.
class RecordList final : public QListView {
    Q_OBJECT

public:
    explicit RecordList(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    int count() const;
    int currentRow() const; // -1 when none
    void setCurrentRow(int row); // selects it too; -1 clears
    QRect rowRect(int row) const;
    QString rowText(int row) const;
    int rowAt(const QPoint &pos) const; // -1 below the entries

    // The list's keys, for a page's event filter: Enter or F2 edits the
    // current row, Delete removes it, Ctrl+Up and Ctrl+Down move it (where
    // `move` is given), and the Menu key or Shift+F10 opens the context menu
    // at it. True when the key was one of these.
    bool commandKey(const QKeyEvent *key, const std::function<void(int row)> &edit,
                    const std::function<void()> &remove, const std::function<void(int delta)> &move = {});

Q_SIGNALS:
    void currentRowChanged(int row);
    void itemDoubleClicked(int row);
};
