#include "app/velunor.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUndoStack>

#include <limits>

#include "app/filterpage.h"
#include "app/servicespage.h"
#include "app/streampage.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/buildiddlg.h"
#include "dialogs/prompter.h"
#include "dialogs/settingsdialog.h"
#include "dialogs/valueentry.h"
#include "import/importer.h"
#include "ui_velunor.h"
#include "velunorversion.h"

Velunor::Velunor(QWidget *parent)
    : Velunor(Settings(), parent)
{
}

Velunor::Velunor(const Settings &settings, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::VelunorClass)
    , settings(settings)
    , history(new QUndoStack(this))
{
    ui->setupUi(this);
    setUpScrolling();
    setUpShortcuts();
    // Quit asks the window to close, so closeEvent's unsaved-changes prompt
    // is the one and only way out.
    connect(ui->action_Quit, &QAction::triggered, this, &QWidget::close);

    updateWindowTitle();
    createToolBar();
    ui->tabWidget->setCurrentIndex(0);

    setUpPages();
    resetDocument();

    // Steps keep what they changed, so 200 of them stay small next to even a
    // large document.
    history->setUndoLimit(200);
    connect(history, &QUndoStack::indexChanged, this, &Velunor::updateUndoActions);
    ui->action_Redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    updateUndoActions();
    setAcceptDrops(true);
    refreshRecentFiles();
    restoreWindowState();
}

Velunor::~Velunor()
{
    // The history is destroyed with the window's children, after this body,
    // and clears itself on the way out: nothing of the window may hear it.
    history->disconnect(this);
    for (DocumentPage *page : std::initializer_list<DocumentPage *>{ui->StreamConfig, ui->PIDFilter, ui->PSIGenerator})
        page->detach();
    delete ui;
}

QString Velunor::versionText()
{
    // One version text for the title, the About box and the build information.
    return QStringLiteral(VELUNOR_VERSION_TEXT);
}

void Velunor::updateWindowTitle()
{
    if (fileName.isEmpty())
        setWindowTitle(tr("Velunor %1").arg(versionText()));
    else
        setWindowTitle(tr("%1 - Velunor %2").arg(QFileInfo(fileName).fileName(), versionText()));
}

namespace {

// A frameless scroll area to stand where w stood, showing w at no less than
// its minimum size: on a small or scaled screen the fields keep their height
// and are scrolled to, instead of being squashed over each other.
QScrollArea *scrollAreaFor(QWidget *w)
{
    auto *area = new QScrollArea;
    area->setObjectName(w->objectName() + QLatin1String("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->viewport()->setAutoFillBackground(false);
    return area;
}

} // namespace

void Velunor::setUpScrolling()
{
    // The stream page scrolls as a whole; its tab keeps its place and title.
    QTabWidget *tabs = ui->tabWidget;
    const int at = tabs->indexOf(ui->StreamConfig);
    const QString title = tabs->tabText(at);
    tabs->removeTab(at);
    QScrollArea *streamArea = scrollAreaFor(ui->StreamConfig);
    streamArea->setWidget(ui->StreamConfig);
    ui->StreamConfig->setAutoFillBackground(false);
    tabs->insertTab(at, streamArea, title);

    // On the services page only the editor scrolls, never sideways: it keeps
    // the width of its three groups side by side, and the services list
    // beside it takes whatever width the window has to spare.
    QScrollArea *editorArea = scrollAreaFor(ui->serviceEditorPane);
    ui->splitter->replaceWidget(ui->splitter->indexOf(ui->serviceEditorPane), editorArea);
    editorArea->setWidget(ui->serviceEditorPane);
    ui->serviceEditorPane->setAutoFillBackground(false);
    editorArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editorArea->setMinimumWidth(ui->serviceEditorPane->minimumSizeHint().width()
                                + editorArea->verticalScrollBar()->sizeHint().width());
    ui->splitter->setStretchFactor(0, 1);
    ui->splitter->setStretchFactor(1, 0);
}

void Velunor::setUpShortcuts()
{
    // Load keeps Ctrl+L and answers the Ctrl+O of every other program; a line
    // edit takes Ctrl+E for itself, so Export needs Shift as well.
    ui->action_Load->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(QKeySequence::Open)});
    ui->action_SaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    ui->action_ExportToMUX->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    ui->action_CheckConfiguration->setShortcut(QKeySequence(Qt::Key_F7));
}

// The tab that holds page, scroll area or not.
void Velunor::showPage(QWidget *page)
{
    for (int i = 0; i < ui->tabWidget->count(); ++i)
        if (ui->tabWidget->widget(i)->isAncestorOf(page) || ui->tabWidget->widget(i) == page)
            ui->tabWidget->setCurrentIndex(i);
}

void Velunor::showStatus(const QString &line)
{
    statusBar()->showMessage(line);
}

void Velunor::createToolBar()
{
    QToolBar *bar = addToolBar(tr("Velunor"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->addAction(ui->action_New);
    bar->addAction(ui->action_Load);
    bar->addAction(ui->action_Save);
    bar->addAction(ui->action_SaveAs);
    bar->addAction(ui->action_Undo);
    bar->addAction(ui->action_Redo);
    bar->addSeparator();
    bar->addAction(ui->action_ExportToMUX);
    bar->addSeparator();
    bar->addAction(ui->action_Settings);
    bar->addAction(ui->action_About);
}

// The pages share the document and the settings, and hand their changes
// to the history; their slots are connected to their own widgets by name.
void Velunor::setUpPages()
{
    const PageContext context{ui, &config, &settings};
    ui->PIDFilter->setUp(context);
    ui->StreamConfig->setUp(context, ui->PIDFilter);
    ui->PSIGenerator->setUp(context);
    for (DocumentPage *page : std::initializer_list<DocumentPage *>{ui->StreamConfig, ui->PIDFilter, ui->PSIGenerator}) {
        connect(page, &DocumentPage::changeMade, this, &Velunor::documentChanged);
        connect(page, &DocumentPage::changeComing, this, [this]() { commitTypedEdits(DocumentPage::Refusal::Silent); });
        connect(page, &DocumentPage::edited, this, &Velunor::updateUndoActions);
    }
    // A drop of a configuration on a line edit goes to the window, see
    // eventFilter. A text of any length stays whole: the line edit's own
    // limit of 32767 characters would cut a long name on load.
    for (QLineEdit *edit : ui->tabWidget->findChildren<QLineEdit *>()) {
        edit->installEventFilter(this);
        edit->setMaxLength(std::numeric_limits<int>::max());
    }
}

void Velunor::resetDocument()
{
    config.setDefaults();
    ui->PSIGenerator->clear();
    ui->StreamConfig->load();
}

bool Velunor::hasPendingEdits() const
{
    return ui->StreamConfig->hasPendingEdits() || ui->PSIGenerator->hasPendingEdits();
}

bool Velunor::hasUnsavedChanges() const
{
    return isChanged() || hasPendingEdits();
}

void Velunor::setDocument(const TransportStreamCfg &cfg)
{
    closeCheckDialog();
    config = cfg;
    // The default rule can only drop or pass: any other stored action is
    // taken as pass here, before the history starts, so that loading leaves
    // no change outside it.
    if (config.filterDefault != ActionDrop)
        config.filterDefault = ActionPass;
    history->clear();
    showDocument(0);
}

// Shows `config` on every page, as it stands, with the service at serviceRow
// open (none when there is no such service). Edits not committed are dropped.
void Velunor::showDocument(int serviceRow)
{
    ui->StreamConfig->load();
    ui->PIDFilter->refresh();
    ui->PSIGenerator->showDocument(serviceRow);
    updateUndoActions();
}

namespace {

// The file a drag carries: one local configuration (*.mux), or a capture or
// MUX binary to import (*.ts, *.m2ts, *.mbn); else empty.
QString draggedFile(const QMimeData *mime)
{
    const QList<QUrl> urls = mime ? mime->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    for (const char *suffix : {".mux", ".ts", ".m2ts", ".mbn"})
        if (path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return path;
    return QString();
}

} // namespace

bool Velunor::eventFilter(QObject *watched, QEvent *event)
{
    // A file manager's drag also carries the path as text, which a line edit
    // would take: a file the window opens goes on to the window instead.
    const bool drag = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove
                      || event->type() == QEvent::Drop;
    if (drag && qobject_cast<QLineEdit *>(watched)
        && !draggedFile(static_cast<QDropEvent *>(event)->mimeData()).isEmpty()) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Velunor::dragEnterEvent(QDragEnterEvent *event)
{
    if (!draggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Velunor::dropEvent(QDropEvent *event)
{
    const QString name = draggedFile(event->mimeData());
    if (name.isEmpty())
        return;
    event->acceptProposedAction();
    // Once the drop is over: the unsaved-changes prompt must not hold up the
    // file manager that started the drag.
    QMetaObject::invokeMethod(this, [this, name]() {
        if (name.endsWith(QLatin1String(".mux"), Qt::CaseInsensitive))
            openFile(name);
        else if (maybeSave())
            importFrom(name, InputKind::Unknown);
    }, Qt::QueuedConnection);
}

void Velunor::restoreWindowState()
{
    // The status bar's line comes on top of the pages' room, not out of it.
    if (!settings.windowGeometry.isEmpty())
        restoreGeometry(settings.windowGeometry);
    else
        resize(width(), height() + statusBar()->sizeHint().height());
    if (!settings.splitterState.isEmpty())
        ui->splitter->restoreState(settings.splitterState);
    if (settings.page >= 0 && settings.page < ui->tabWidget->count())
        ui->tabWidget->setCurrentIndex(settings.page);

    // The form asks for 780 pixels across; a smaller screen gets the whole
    // window on it all the same, title bar included, and the pages scroll.
    const QRect screenRoom = screen()->availableGeometry();
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QRect room = screenRoom.adjusted(0, titleBar, 0, 0);
    setMinimumWidth(qMin(minimumWidth(), room.width()));
    if (width() > room.width() || height() > room.height())
        resize(size().boundedTo(room.size()));
    if (!room.contains(geometry()))
        move(room.topLeft());
}

void Velunor::saveWindowState()
{
    settings.windowGeometry = saveGeometry();
    settings.splitterState = ui->splitter->saveState();
    settings.page = ui->tabWidget->currentIndex();
    settings.save(); // a settings file that cannot be written costs only the layout
}

void Velunor::on_action_Settings_triggered()
{
    SettingsDialog dialog(this);
    if (dialog.exec(&settings) != QDialog::Accepted)
        return;
    // A settings file that cannot be written only costs the choice at the
    // next start; this session shows the chosen notation all the same.
    if (!settings.save())
        Prompter::warning(this, tr("Write Error"), tr("Your settings could not be saved."));

    // Show every number again in the chosen notation, keeping what the
    // operator typed and has not committed: a number is shown anew, any
    // other text stays as it is, and the open service's elements keep their
    // working copy.
    ui->StreamConfig->showNotation();
    ui->PIDFilter->refresh();
    ui->PSIGenerator->showNotation();
    refreshCheckDialog();
}

void Velunor::on_action_About_triggered()
{
    AboutDlg dialog(this);
    dialog.exec();
}

void Velunor::on_action_Version_triggered()
{
    BuildIDDlg dialog(this);
    dialog.exec();
}

bool Velunor::commitPages()
{
    return commitTypedEdits(DocumentPage::Refusal::Warn);
}
