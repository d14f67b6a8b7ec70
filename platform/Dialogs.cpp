#include "platform/Dialogs.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

#include <memory>

namespace penwick::platform {

namespace {

Dialogs* g_current = nullptr;

QMessageBox::Icon iconFor(AlertStyle style)
{
    switch (style) {
    case AlertStyle::Critical:
        return QMessageBox::Critical;
    case AlertStyle::Informational:
        return QMessageBox::Information;
    case AlertStyle::Warning:
        break;
    }
    return QMessageBox::Warning;
}

// A message box whose buttons stand in the alert's order; the pressed one is found by
// position, never by QMessageBox's result codes (which depend on roles).
QMessageBox* makeMessageBox(QWidget* parent, const AlertSpec& alert, QList<QAbstractButton*>& buttons)
{
    auto* box = new QMessageBox(parent);
    box->setIcon(iconFor(alert.style));
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    const QStringList titles = alert.buttons.isEmpty() ? QStringList { QStringLiteral("OK") } : alert.buttons;
    for (int i = 0; i < titles.size(); ++i) {
        const bool isCancel = alert.cancelButton && *alert.cancelButton == i;
        auto* button = box->addButton(titles[i], isCancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        buttons.append(button);
    }
    box->setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    if (alert.cancelButton && *alert.cancelButton >= 0 && *alert.cancelButton < buttons.size())
        box->setEscapeButton(buttons[*alert.cancelButton]);
    return box;
}

// Qt's file modes choose files or folders, never both: in the file modes, Open on a
// selected folder goes into it. Here it chooses the folder (a double click still goes in),
// and a file is chosen by Open or a double click as usual.
class FileOrFolderDialog : public QFileDialog {
public:
    FileOrFolderDialog(QWidget* parent, const QString& title, const QString& directory, bool foldersToo)
        : QFileDialog(parent, title, directory)
        , m_foldersToo(foldersToo)
    {
    }

    void accept() override
    {
        if (m_foldersToo && choosesFolder()) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

private:
    bool choosesFolder() const
    {
        auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        // ".." and a typed path that ends in "/" are ways to go somewhere, not choices.
        const QString typed = field ? field->text().trimmed() : QString();
        if (typed == QLatin1String("..") || typed.endsWith(QLatin1Char('/')))
            return false;
        const QStringList files = selectedFiles();
        if (files.isEmpty())
            return false;
        bool folder = false;
        for (const QString& file : files) {
            const QFileInfo info(file);
            if (!info.exists())
                return false; // Qt's own message for a missing name
            folder = folder || info.isDir();
        }
        return folder;
    }

    bool m_foldersToo;
};

} // namespace

Dialogs& Dialogs::current()
{
    static QtDialogs qtDialogs;
    return g_current ? *g_current : qtDialogs;
}

void Dialogs::setCurrent(Dialogs* dialogs)
{
    g_current = dialogs;
}

std::optional<QString> QtDialogs::runSavePanel(QWidget* parent, SavePanelOptions& options)
{
    QFileDialog dialog(parent, options.title, options.directory);
    if (parent)
        dialog.setWindowModality(Qt::WindowModal);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!options.prompt.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, options.prompt);
    QCheckBox* checkBox = nullptr;
    if (!options.accessoryCheckBoxTitle.isEmpty()) {
        // Only Qt's own dialog takes extra widgets.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        checkBox = new QCheckBox(options.accessoryCheckBoxTitle, &dialog);
        checkBox->setChecked(options.accessoryCheckBoxState);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(checkBox, grid->rowCount(), 0, 1, grid->columnCount());
    }
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!options.nameFilters.isEmpty())
        dialog.setNameFilters(options.nameFilters);
    if (!options.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(options.defaultSuffix);
    if (!options.nameFieldStringValue.isEmpty())
        dialog.selectFile(options.nameFieldStringValue);
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (checkBox)
        options.accessoryCheckBoxState = checkBox->isChecked();
    if (!accepted)
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QStringList QtDialogs::runOpenPanel(QWidget* parent, OpenPanelOptions& options)
{
    const bool both = options.canChooseFiles && options.canChooseDirectories;
    FileOrFolderDialog dialog(parent, options.title, options.directory, both);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog can pick files and folders alike; the native one cannot.
    if (both || !options.accessoryCheckBoxTitle.isEmpty())
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!options.canChooseFiles && options.canChooseDirectories)
        dialog.setFileMode(QFileDialog::Directory);
    else
        dialog.setFileMode(options.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!options.nameFilters.isEmpty())
        dialog.setNameFilters(options.nameFilters);
    QCheckBox* checkBox = nullptr;
    if (!options.accessoryCheckBoxTitle.isEmpty()) {
        checkBox = new QCheckBox(options.accessoryCheckBoxTitle, &dialog);
        checkBox->setChecked(options.accessoryCheckBoxState);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(checkBox, grid->rowCount(), 0, 1, grid->columnCount());
    }
    QStringList chosen;
    if (dialog.exec() == QDialog::Accepted)
        chosen = dialog.selectedFiles();
    if (checkBox)
        options.accessoryCheckBoxState = checkBox->isChecked();
    return chosen;
}

int QtDialogs::runModalAlert(QWidget* parent, const AlertSpec& alert)
{
    QList<QAbstractButton*> buttons;
    std::unique_ptr<QMessageBox> box(makeMessageBox(parent, alert, buttons));
    box->exec();
    const int index = int(buttons.indexOf(box->clickedButton()));
    if (index >= 0)
        return index;
    return alert.cancelButton.value_or(0);
}

QWidget* QtDialogs::beginSheetAlert(QWidget* window, const AlertSpec& alert, AlertHandler onEnd)
{
    QList<QAbstractButton*> buttons;
    QMessageBox* box = makeMessageBox(window, alert, buttons);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The handler belongs to this box alone: a second alert never takes it over.
    QObject::connect(box, &QMessageBox::finished, box, [box, buttons, onEnd = std::move(onEnd), cancel = alert.cancelButton] {
        int index = int(buttons.indexOf(box->clickedButton()));
        if (index < 0)
            index = cancel.value_or(0);
        if (onEnd)
            onEnd(index);
    });
    box->open();
    return box;
}

bool QtDialogs::runPrintPanel(QWidget* parent, QPrinter* printer)
{
    QPrintDialog dialog(printer, parent);
    if (parent)
        dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace penwick::platform
