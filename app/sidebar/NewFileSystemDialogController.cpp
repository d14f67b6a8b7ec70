#include "sidebar/NewFileSystemDialogController.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace penwick {

NewFileSystemDialogController::NewFileSystemDialogController(const QString& type, const QString& baseFolder, QWidget* parent)
    : QDialog(parent)
    , m_type(type.toLower())
    , m_baseFolder(baseFolder)
    , m_titleLbl(new QLabel(this))
    , m_nameTextField(new QLineEdit(this))
    , m_messageLbl(new QLabel(this))
    , m_cancelBtn(new QPushButton(tr("Cancel"), this))
    , m_createBtn(new QPushButton(tr("Create"), this))
{
    setModal(true);
    setWindowTitle(QStringLiteral("New ") + capitalizeFirst(m_type));
    m_titleLbl->setText(QStringLiteral("Name of new ") + m_type);
    m_messageLbl->clear();
    m_messageLbl->setVisible(false);
    m_messageLbl->setStyleSheet(QStringLiteral("color: palette(highlight)"));
    m_createBtn->setDefault(true);
    m_createBtn->setAutoDefault(true);
    m_cancelBtn->setAutoDefault(false);
    m_createBtn->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelBtn);
    buttons->addWidget(m_createBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_titleLbl);
    layout->addWidget(m_nameTextField);
    layout->addWidget(m_messageLbl);
    layout->addLayout(buttons);
    setMinimumWidth(320);

    connect(m_nameTextField, &QLineEdit::textChanged, this, &NewFileSystemDialogController::controlTextDidChange);
    connect(m_createBtn, &QPushButton::clicked, this, [this] { createOrCancel(CreateTag); });
    connect(m_cancelBtn, &QPushButton::clicked, this, [this] { createOrCancel(CancelTag); });
}

std::optional<QString> NewFileSystemDialogController::runForType(const QString& type, const QString& baseFolder)
{
    NewFileSystemDialogController dialog(type, baseFolder);
    if (dialog.exec() != CreateTag || !dialog.m_newItemPath)
        return std::nullopt;
    return dialog.m_newItemPath;
}

QString NewFileSystemDialogController::trimmedName() const
{
    return trim(m_nameTextField->text());
}

void NewFileSystemDialogController::controlTextDidChange()
{
    const QString name = trimmedName();
    m_messageLbl->clear();
    if (name.isEmpty()) {
        m_createBtn->setEnabled(false);
        m_messageLbl->setVisible(false);
        return;
    }
    const std::optional<QString> inside = pathInsideBaseFolder(name);
    if (!inside) {
        m_createBtn->setEnabled(false);
        m_messageLbl->setText(QStringLiteral("'%1' is not inside the folder").arg(name));
        m_messageLbl->setVisible(true);
        return;
    }
    const QString candidate = *inside;
    const bool exists = m_type == QLatin1String("folder") ? checkIfDirectoryExists(candidate) : checkIfFileExists(candidate);
    m_createBtn->setEnabled(!exists);
    if (exists)
        m_messageLbl->setText(QStringLiteral("'%1' already exists").arg(name));
    m_messageLbl->setVisible(exists);
}

std::optional<QString> NewFileSystemDialogController::pathInsideBaseFolder(const QString& name) const
{
    // "../x" or "a/../../x" would leave the folder the user chose: the cleaned path decides.
    const QString base = QDir::cleanPath(m_baseFolder);
    const QString path = QDir::cleanPath(appendPathComponent(m_baseFolder, name));
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    if (path.size() <= prefix.size() || !path.startsWith(prefix))
        return std::nullopt;
    return path;
}

bool NewFileSystemDialogController::create(const QString& path)
{
    if (m_type == QLatin1String("folder"))
        return !createDirectoryAtPath(path).has_value();
    // The parents first, then a file that must not exist yet: an item that appeared
    // since the name was checked is never replaced.
    const QString parent = parentPath(path);
    if (!parent.isEmpty() && !checkIfDirectoryExists(parent) && createDirectoryAtPath(parent))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

void NewFileSystemDialogController::createOrCancel(int tag)
{
    if (tag == CreateTag) {
        const QString name = trimmedName();
        if (name.isEmpty())
            return; // would name the base folder itself
        const std::optional<QString> inside = pathInsideBaseFolder(name);
        const QString path = inside.value_or(QString());
        if (inside && create(path)) {
            m_newItemPath = path;
        } else {
            m_newItemPath.reset();
            m_messageLbl->setText(QStringLiteral("Error creating ") + m_type);
            m_messageLbl->setVisible(true);
            return; // stays open: the user may change the name or cancel
        }
    }
    done(tag);
}

} // namespace penwick
