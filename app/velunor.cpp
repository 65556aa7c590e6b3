#include "app/velunor.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUndoStack>

#include "config/number.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/buildiddlg.h"
#include "dialogs/prompter.h"
#include "dialogs/settingsdialog.h"
#include "dialogs/valueentry.h"
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
    // The service editor needs the room for its three groups side by side;
    // the list keeps about what its two-line entries need and gives way first.
    ui->splitter->setStretchFactor(0, 0);
    ui->splitter->setStretchFactor(1, 1);
    ui->splitter->setSizes({220, 540});
    // Quit asks the window to close, so closeEvent's unsaved-changes prompt
    // is the one and only way out.
    connect(ui->action_Quit, &QAction::triggered, this, &QWidget::close);

    updateWindowTitle();
    createToolBar();
    ui->tabWidget->setCurrentIndex(0);

    // The form carries a status bar for Designer's sake; the editor has
    // nothing to report in one.
    delete ui->statusBar;
    ui->statusBar = nullptr;

    fillServiceTypeCombo(ui->serviceType);
    resetDocument();
    clearServiceEditor();

    // Steps keep what they changed, so 200 of them stay small next to even a
    // large document.
    history->setUndoLimit(200);
    connect(history, &QUndoStack::indexChanged, this, &Velunor::updateUndoActions);
    ui->action_Redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    watchPageEdits();

    for (QListWidget *list : {ui->filters, ui->services, ui->elements})
        list->installEventFilter(this);
    setAcceptDrops(true);
    refreshRecentFiles();
    restoreWindowState();
}

Velunor::~Velunor()
{
    // The history is destroyed with the window's children, after this body,
    // and clears itself on the way out: nothing of the window may hear it.
    history->disconnect(this);
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

void Velunor::resetDocument()
{
    config.setDefaults();
    serviceOpen = false;
    editedRow = -1;
    loadStreamPage();
}

bool Velunor::hasUnsavedChanges() const
{
    return isChanged() || serviceEditorChanged() || streamPageChanged();
}

void Velunor::setDocument(const TransportStreamCfg &cfg)
{
    closeCheckDialog();
    config = cfg;
    history->clear();
    showDocument(0);
}

// Shows `config` on every page, as it stands, with the service at serviceRow
// open (none when there is no such service). Edits not committed are dropped.
void Velunor::showDocument(int serviceRow)
{
    // Releasing the editor and emptying the list first makes its current row
    // -1, which the row-changed slot ignores, so no service gets committed.
    clearServiceEditor();
    ui->services->clear();
    refreshServiceList();
    refreshFilterList();
    loadStreamPage();
    if (serviceRow >= 0 && serviceRow < config.services.size())
        ui->services->setCurrentRow(serviceRow);
}

// Enter or F2 edits the current entry, Delete removes it, Ctrl+Up and
// Ctrl+Down move it, and the Menu key or Shift+F10 opens the context menu at
// it; true when the key was one of these.
bool Velunor::listKey(QListWidget *list, const QKeyEvent *key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const int k = key->key();
    const bool plain = modifiers == Qt::NoModifier;
    const int position = list->currentItem() ? list->currentItem()->data(Qt::UserRole).toInt() : -1;
    if ((plain && k == Qt::Key_Menu) || (modifiers == Qt::ShiftModifier && k == Qt::Key_F10)) {
        const QRect entry = list->visualItemRect(list->currentItem());
        Q_EMIT list->customContextMenuRequested(entry.isValid() ? entry.center() : QPoint(4, 4));
    } else if (plain && (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_F2)) {
        if (list == ui->filters) {
            editFilterAt(position);
        } else if (list == ui->elements) {
            editESAt(position);
        } else if (position >= 0) {
            openService(position);
            if (editedRow == position)
                ui->serviceID->setFocus(Qt::TabFocusReason); // selects its text
        }
    } else if (plain && k == Qt::Key_Delete) {
        if (list == ui->filters)
            on_removeFilter_clicked();
        else if (list == ui->elements)
            on_removeES_clicked();
        else
            on_removeService_clicked();
    } else if (modifiers == Qt::ControlModifier && (k == Qt::Key_Up || k == Qt::Key_Down) && list != ui->elements) {
        const int delta = k == Qt::Key_Up ? -1 : 1;
        if (list == ui->filters)
            moveFilter(delta);
        else
            moveService(delta);
    } else {
        return false;
    }
    return true;
}

namespace {

// The configuration a drag carries: one local *.mux file, else empty.
QString draggedConfiguration(const QMimeData *mime)
{
    const QList<QUrl> urls = mime ? mime->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    return path.endsWith(QLatin1String(".mux"), Qt::CaseInsensitive) ? path : QString();
}

} // namespace

bool Velunor::eventFilter(QObject *watched, QEvent *event)
{
    auto *list = qobject_cast<QListWidget *>(watched);
    if (list && event->type() == QEvent::KeyPress && listKey(list, static_cast<QKeyEvent *>(event)))
        return true;
    // A file manager's drag also carries the path as text, which a line edit
    // would take: a configuration goes on to the window instead.
    const bool drag = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove
                      || event->type() == QEvent::Drop;
    if (drag && qobject_cast<QLineEdit *>(watched)
        && !draggedConfiguration(static_cast<QDropEvent *>(event)->mimeData()).isEmpty()) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Velunor::dragEnterEvent(QDragEnterEvent *event)
{
    if (!draggedConfiguration(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Velunor::dropEvent(QDropEvent *event)
{
    const QString name = draggedConfiguration(event->mimeData());
    if (name.isEmpty())
        return;
    event->acceptProposedAction();
    // Once the drop is over: the unsaved-changes prompt must not hold up the
    // file manager that started the drag.
    QMetaObject::invokeMethod(this, [this, name]() { openFile(name); }, Qt::QueuedConnection);
}

void Velunor::restoreWindowState()
{
    if (!settings.windowGeometry.isEmpty())
        restoreGeometry(settings.windowGeometry);
    if (!settings.splitterState.isEmpty())
        ui->splitter->restoreState(settings.splitterState);
    if (settings.page >= 0 && settings.page < ui->tabWidget->count())
        ui->tabWidget->setCurrentIndex(settings.page);

    // The form asks for 780 pixels across; a smaller screen gets the whole
    // window on it all the same, with the pages' contents squeezed.
    const QRect room = screen()->availableGeometry();
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
    for (QLineEdit *field : {ui->tsID, ui->origTSID, ui->netID, ui->tsCAID, ui->emmPID, ui->serviceID,
                             ui->pmtPID, ui->pcrPID, ui->caID, ui->ecmPID}) {
        qint32 value = 0;
        if (convertInteger(QStringView(field->text()).trimmed(), &value) && value >= 0)
            field->setText(formatNumber(value, 4, settings.hex));
    }
    if (serviceOpen)
        selectCode(ui->serviceType, ui->serviceType->currentData().toInt(), settings.hex);
    refreshFilterList();
    refreshServiceList();
    if (serviceOpen)
        ui->services->setCurrentRow(editedRow); // the rebuilt list had lost it
    refreshElementList();
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
