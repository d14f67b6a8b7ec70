#include "preferences/CustomCSSPreferencesViewController.h"

#include "Services/CustomCSSManager.h"
#include "platform/text/TextView.h"
#include "common/AppLogger.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace penwick {

CustomCSSPreferencesViewController::CustomCSSPreferencesViewController(QWidget* parent)
    : PreferencePane(parent)
    , m_textEditor(new platform::TextView(this))
    , m_errorLbl(new QLabel(QStringLiteral("Could not save the custom CSS."), this))
    , m_saveButton(new QPushButton(QStringLiteral("Save"), this))
{
    auto* intro = new QLabel(QStringLiteral("Style rules added to every preview page, after the preview style:"), this);
    m_textEditor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_errorLbl->setStyleSheet(QStringLiteral("color: rgb(204, 0, 0);"));
    m_errorLbl->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_errorLbl);
    buttons->addStretch();
    buttons->addWidget(m_saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_textEditor, 1);
    layout->addLayout(buttons);

    connect(m_saveButton, &QPushButton::clicked, this, &CustomCSSPreferencesViewController::save);
    connect(m_textEditor, &platform::TextView::textDidChange, this, [this] { m_edited = true; });
}

CustomCSSPreferencesViewController::~CustomCSSPreferencesViewController()
{
    appLog().debug(QStringLiteral("Deallocated"));
}

void CustomCSSPreferencesViewController::viewWillAppear()
{
    StoreFileError error;
    const std::optional<QString> css = CustomCSSManager::sharedInstance().readCustomCSS(&error);
    if (css) {
        m_textEditor->setString(*css);
        m_fileMissing = false;
    } else {
        m_fileMissing = error.code == StoreFileError::FileNotFound;
        appLog().error(QStringLiteral("Error loading custom CSS: ") + error.message);
    }
    m_edited = false;
}

void CustomCSSPreferencesViewController::viewDidDisappear()
{
    if (m_fileMissing || m_edited)
        save();
}

void CustomCSSPreferencesViewController::save()
{
    m_errorLbl->hide();
    StoreFileError error;
    if (!CustomCSSManager::sharedInstance().saveCustomCSS(m_textEditor ? m_textEditor->string() : QString(), &error)) {
        m_errorLbl->show();
        appLog().error(QStringLiteral("Error saving custom CSS: ") + error.message);
        return;
    }
    m_fileMissing = false;
    m_edited = false;
}

} // namespace penwick
