#pragma once

#include <QCoreApplication>
#include <QUndoCommand>

#include <memory>
#include <optional>
#include <vector>

#include "config/model.h"

// One step of the document's undo history. A step keeps only what it touched
// (one service, one filter rule, the stream's own fields, or two positions),
// never a copy of the document: the history of a document with thousands of
// services holds 200 steps.
//
// A step applies its change when it is pushed (QUndoStack::push calls redo),
// so the window never writes the document beside the history.
class DocumentStep : public QUndoCommand {
public:
    // The window's pages, in the order of its tabs.
    enum Page { StreamPage, FilterPage, ServicesPage };

    Page page() const { return shownOn; }
    // The service or filter rule to show after an undo (undone) or a redo;
    // -1 when the step leaves none.
    virtual int position(bool undone) const;

protected:
    DocumentStep(const QString &text, TransportStreamCfg *doc, Page page);

    TransportStreamCfg *const doc;
    Page shownOn;
};

// The stream's own fields: identifiers, tables, timings, CA and the default
// filter action. Both records keep empty lists.
class StreamStep final : public DocumentStep {
    Q_DECLARE_TR_FUNCTIONS(StreamStep)

public:
    StreamStep(TransportStreamCfg *doc, const TransportStreamCfg &after);
    void undo() override;
    void redo() override;

private:
    TransportStreamCfg before;
    TransportStreamCfg after;
};

// A service or a filter rule inserted, replaced, removed or moved. The moved
// record itself is not kept: it travels in the list.
template<typename T>
class ListStep final : public DocumentStep {
public:
    static ListStep *inserted(const QString &text, TransportStreamCfg *doc, int at, const T &record);
    static ListStep *replaced(const QString &text, TransportStreamCfg *doc, int at, const T &record);
    static ListStep *removed(const QString &text, TransportStreamCfg *doc, int at);
    static ListStep *moved(const QString &text, TransportStreamCfg *doc, int from, int to);

    int position(bool undone) const override { return undone ? from : to; }
    void undo() override;
    void redo() override;

private:
    ListStep(const QString &text, TransportStreamCfg *doc, int from, int to);
    static QList<T> &list(TransportStreamCfg *doc);
    void shift(int out, int in, const std::optional<T> &record);

    int from; // where the record stood before; -1 for an insertion
    int to;   // where it stands after; -1 for a removal
    std::optional<T> before;
    std::optional<T> after;
};

using ServiceStep = ListStep<ServiceCfg>;
using FilterStep = ListStep<FilterCfg>;

// The typed edits of the stream page and of the open service, taken in as one
// step when another change comes or Undo is asked for. Its parts have been
// applied as they were committed, so pushing it changes nothing more.
class TypedEditsStep final : public DocumentStep {
    Q_DECLARE_TR_FUNCTIONS(TypedEditsStep)

public:
    // parts: at least one, in the order they were applied; the step owns them.
    TypedEditsStep(TransportStreamCfg *doc, const QList<DocumentStep *> &parts);
    ~TypedEditsStep() override;

    int position(bool undone) const override;
    void undo() override;
    void redo() override;

private:
    std::vector<std::unique_ptr<DocumentStep>> parts;
    bool applied = true;
};
