#include "app/documentstep.h"

#include <type_traits>

DocumentStep::DocumentStep(const QString &text, TransportStreamCfg *doc, Page page)
    : QUndoCommand(text), doc(doc), shownOn(page)
{
}

int DocumentStep::position(bool) const
{
    return -1;
}

namespace {

// The stream's own fields of cfg, with the lists left behind.
TransportStreamCfg streamFields(const TransportStreamCfg &cfg)
{
    TransportStreamCfg fields = cfg;
    fields.filters = {};
    fields.services = {};
    return fields;
}

void setStreamFields(TransportStreamCfg *doc, const TransportStreamCfg &fields)
{
    TransportStreamCfg next = fields;
    next.filters = std::move(doc->filters);
    next.services = std::move(doc->services);
    *doc = std::move(next);
}

} // namespace

StreamStep::StreamStep(TransportStreamCfg *doc, const TransportStreamCfg &changed)
    : DocumentStep(QString(), doc, StreamPage), before(streamFields(*doc)), after(streamFields(changed))
{
    // The default filter action is shown on the PID filter page: a step that
    // changes nothing else belongs there.
    TransportStreamCfg others = before;
    others.filterDefault = after.filterDefault;
    if (others == after) {
        shownOn = FilterPage;
        setText(tr("Change Default Filter Action"));
    } else {
        setText(tr("Edit Stream Configuration"));
    }
}

void StreamStep::undo()
{
    setStreamFields(doc, before);
}

void StreamStep::redo()
{
    setStreamFields(doc, after);
}

template<>
QList<ServiceCfg> &ListStep<ServiceCfg>::list(TransportStreamCfg *doc)
{
    return doc->services;
}

template<>
QList<FilterCfg> &ListStep<FilterCfg>::list(TransportStreamCfg *doc)
{
    return doc->filters;
}

template<typename T>
ListStep<T>::ListStep(const QString &text, TransportStreamCfg *doc, int from, int to)
    : DocumentStep(text, doc, std::is_same_v<T, ServiceCfg> ? ServicesPage : FilterPage), from(from), to(to)
{
}

template<typename T>
ListStep<T> *ListStep<T>::inserted(const QString &text, TransportStreamCfg *doc, int at, const T &record)
{
    auto *step = new ListStep(text, doc, -1, at);
    step->after = record;
    return step;
}

template<typename T>
ListStep<T> *ListStep<T>::replaced(const QString &text, TransportStreamCfg *doc, int at, const T &record)
{
    auto *step = new ListStep(text, doc, at, at);
    step->before = list(doc).at(at);
    step->after = record;
    return step;
}

template<typename T>
ListStep<T> *ListStep<T>::removed(const QString &text, TransportStreamCfg *doc, int at)
{
    auto *step = new ListStep(text, doc, at, -1);
    step->before = list(doc).at(at);
    return step;
}

template<typename T>
ListStep<T> *ListStep<T>::moved(const QString &text, TransportStreamCfg *doc, int from, int to)
{
    return new ListStep(text, doc, from, to);
}

// Takes the record out at `out` and puts `record` (or, for a move, the record
// taken) in at `in`; redo goes from `from` to `to`, undo the way back.
template<typename T>
void ListStep<T>::shift(int out, int in, const std::optional<T> &record)
{
    QList<T> &records = list(doc);
    std::optional<T> moving;
    if (out >= 0)
        moving = records.takeAt(out);
    if (in >= 0)
        records.insert(in, record ? *record : *moving);
}

template<typename T>
void ListStep<T>::redo()
{
    shift(from, to, after);
}

template<typename T>
void ListStep<T>::undo()
{
    shift(to, from, before);
}

template class ListStep<ServiceCfg>;
template class ListStep<FilterCfg>;

TypedEditsStep::TypedEditsStep(TransportStreamCfg *doc, const QList<DocumentStep *> &steps)
    : DocumentStep(steps.size() == 1 ? steps.first()->text() : tr("Edit Stream Configuration and Service"), doc,
                   steps.last()->page())
{
    for (DocumentStep *step : steps)
        parts.emplace_back(step);
}

TypedEditsStep::~TypedEditsStep() = default;

int TypedEditsStep::position(bool undone) const
{
    return parts.back()->position(undone);
}

void TypedEditsStep::undo()
{
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        (*it)->undo();
}

void TypedEditsStep::redo()
{
    if (applied) {
        applied = false;
        return;
    }
    for (const auto &part : parts)
        part->redo();
}
