#include "app/velunor.h"

#include <QAction>
#include <QFileInfo>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

#include "config/number.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/buildiddlg.h"
#include "dialogs/prompter.h"
#include "dialogs/settingsdialog.h"
#include "dialogs/valueentry.h"
#include "ui_velunor.h"
#include "velunorversion.h"

Velunor::Velunor(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::VelunorClass)
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

    changed = false;
    fillServiceTypeCombo(ui->serviceType);
    resetDocument();
    clearServiceEditor();
}

Velunor::~Velunor()
{
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
    return changed || serviceEditorChanged() || streamPageChanged();
}

void Velunor::setDocument(const TransportStreamCfg &cfg)
{
    closeCheckDialog();
    // Emptying the list first makes its current row -1, which the
    // row-changed slot ignores, so no half-replaced service gets committed.
    ui->services->clear();
    config = cfg;
    refreshServiceList();
    refreshFilterList();
    loadStreamPage();
    clearServiceEditor();
    if (!config.services.isEmpty())
        ui->services->setCurrentRow(0);
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
