#include "preferences/TVXNavigatorPreferencesViewController.h"

#include "Extensions/StringAdditions.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace penwick {

TVXNavigatorPreferencesViewController::TVXNavigatorPreferencesViewController(QWidget* parent)
    : PreferencePane(parent)
    , m_ignoreTextField(new QLineEdit(this))
    , m_ignoreHiddenFilesCheckbox(new QCheckBox(QStringLiteral("Hide hidden files and folders"), this))
{
    m_ignoreTextField->setPlaceholderText(QStringLiteral("*.o, build, node_modules"));
    auto* hint = new QLabel(QStringLiteral("Names to leave out of the folder tree, separated by commas; * stands for any text."), this);
    hint->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Ignore:"), m_ignoreTextField);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(m_ignoreHiddenFilesCheckbox);
    layout->addStretch();

    m_ignoreTextField->setText(TVXNavigatorPreferencesFactory::ignoredFilesAndFoldersString().value_or(QString()));
    m_ignoreHiddenFilesCheckbox->setChecked(TVXNavigatorPreferencesFactory::shouldIgnoreHiddenFilesAndFolders());

    connect(m_ignoreTextField, &QLineEdit::editingFinished, this, [this] { controlTextDidEndEditing(m_ignoreTextField); });
    connect(m_ignoreHiddenFilesCheckbox, &QCheckBox::clicked, this, &TVXNavigatorPreferencesViewController::applyIgnoreFilesAndFolders);
}

void TVXNavigatorPreferencesViewController::controlTextDidEndEditing(QObject* field)
{
    if (field == m_ignoreTextField)
        applyIgnoreFilesAndFolders();
}

void TVXNavigatorPreferencesViewController::applyIgnoreFilesAndFolders()
{
    TVXNavigatorPreferencesFactory::setIgnoredFilesAndFoldersString(trim(m_ignoreTextField->text()));
    TVXNavigatorPreferencesFactory::setShouldIgnoreHiddenFilesAndFolders(m_ignoreHiddenFilesCheckbox->isChecked());
}

} // namespace penwick
