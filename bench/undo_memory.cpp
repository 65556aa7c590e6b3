// Memory of the undo history, for measuring by hand: the 5,000-service
// document of bench_pages, 200 service edits committed through the window's
// editor (one step each), and the heap the history holds against the heap of
// the document alone (glibc's mallinfo2, bytes in use).
//
//   QT_QPA_PLATFORM=offscreen build/bench/undo_memory

#include <QApplication>
#include <QLineEdit>
#include <QUndoStack>

#include <malloc.h>

#include <cstdio>

#include "../tests/common/scriptedprompter.h"
#include "app/recordlist.h"
#include "app/velunor.h"
#include "largedocument.h"

namespace {

qint64 heapInUse()
{
    return qint64(mallinfo2().uordblks);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ScriptedPrompter prompter;
    Velunor window;
    window.show();
    QCoreApplication::processEvents();

    const qint64 empty = heapInUse();
    auto *doc = new TransportStreamCfg(makeDocument(5000, 0));
    const qint64 document = heapInUse() - empty;
    window.setDocument(*doc);
    delete doc; // the window's copy is now the only one

    auto *services = window.findChild<RecordList *>(QStringLiteral("services"));
    auto *name = window.findChild<QLineEdit *>(QStringLiteral("serviceName"));
    auto *history = window.findChild<QUndoStack *>();
    for (int i = 0; i < 200; ++i) {
        services->setCurrentRow(i * 25);
        name->setText(QStringLiteral("Edited service %1").arg(i));
        if (!window.commitPages())
            return 1;
    }
    const int steps = history->count();
    const qint64 withHistory = heapInUse();
    history->clear();
    const qint64 held = withHistory - heapInUse();

    std::printf("document alone:      %lld bytes (%d services)\n", document, int(window.document().services.size()));
    std::printf("history of %d steps: %lld bytes (%.1f%% of the document, %lld bytes a step)\n", steps, held,
                100.0 * double(held) / double(document), held / qMax(steps, 1));
    return 0;
}
