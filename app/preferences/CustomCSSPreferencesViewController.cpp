#include "preferences/CustomCSSPreferencesViewController.h"

#include "Services/CustomCSSManager.h"
#include "platform/text/TextView.h"
#include "common/AppLogger.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

#include <utility>

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
    const quint64 generation = ++m_loadGeneration;
    m_loading = true;
    m_leaveWhenLoaded = false;
    m_saveButton->setEnabled(false);
    m_textEditor->setReadOnly(true);
    m_textEditor->setPlaceholderText(tr("Reading the style sheet…"));
    QPointer<CustomCSSPreferencesViewController> self(this);
    QThreadPool::globalInstance()->start([self, generation] {
        StoreFileError error;
        const std::optional<QString> css = CustomCSSManager::sharedInstance().readCustomCSS(&error);
        QMetaObject::invokeMethod(qApp, [self, generation, css, error] {
            if (self)
                self->sheetRead(generation, css, error);
        }, Qt::QueuedConnection);
    });
}

void CustomCSSPreferencesViewController::sheetRead(quint64 generation, const std::optional<QString>& css, const StoreFileError& error)
{
    if (generation != m_loadGeneration)
        return;
    if (!css) {
        m_fileMissing = error.code == StoreFileError::FileNotFound;
        appLog().error(QStringLiteral("Error loading custom CSS: ") + error.message);
        sheetShown(generation);
        return;
    }
    m_fileMissing = false;
    QPointer<CustomCSSPreferencesViewController> self(this);
    m_textEditor->loadStringInSlices(*css, [self, generation] {
        if (self)
            self->sheetShown(generation);
    });
}

void CustomCSSPreferencesViewController::sheetShown(quint64 generation)
{
    if (generation != m_loadGeneration)
        return;
    m_loading = false;
    m_edited = false;
    m_saveButton->setEnabled(true);
    m_textEditor->setReadOnly(false);
    m_textEditor->setPlaceholderText(QString());
    if (std::exchange(m_leaveWhenLoaded, false))
        leave();
}

void CustomCSSPreferencesViewController::viewDidDisappear()
{
    if (m_loading) {
        m_leaveWhenLoaded = true;
        return;
    }
    leave();
}

void CustomCSSPreferencesViewController::leave()
{
    if (m_fileMissing || m_edited)
        save();
}

void CustomCSSPreferencesViewController::save()
{
    // Half a sheet is never written over the whole one.
    if (m_loading)
        return;
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
