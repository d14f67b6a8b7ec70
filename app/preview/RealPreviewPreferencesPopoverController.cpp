#include "preview/RealPreviewPreferencesPopoverController.h"

#include "Extensions/Realm.h"
#include "Extensions/StringAdditions.h"
#include "Models/RealPreviewItem.h"
#include "preview/HttpGet.h"
#include "preview/RealPreviewOutput.h"
#include "preview/RealPreviewPreferencesPopoverDelegate.h"

#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QUuid>
#include <QVBoxLayout>

namespace penwick {

namespace {

// A present string, also when the field is empty: an empty class is stored, not left out.
QString present(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

RealPreviewPreferencesPopoverController::RealPreviewPreferencesPopoverController(QWidget* parent)
    : platform::Popover(parent)
    , m_urlTextField(new QLineEdit(this))
    , m_nameTextField(new QLineEdit(this))
    , m_blogTypePopUpBtn(new QComboBox(this))
    , m_postClassTextField(new QLineEdit(this))
    , m_headerClassTextField(new QLineEdit(this))
    , m_addBtn(new QPushButton(QStringLiteral("Add Site"), this))
    , m_errorLbl(new QLabel(this))
    , m_progressIndicator(new QProgressBar(this))
{
    m_urlTextField->setPlaceholderText(QStringLiteral("https://example.com/a-post"));
    m_urlTextField->setMinimumWidth(320);
    m_nameTextField->setPlaceholderText(QStringLiteral("My Blog"));
    m_blogTypePopUpBtn->addItem(QStringLiteral("Other"), qint64(BlogType::Other));
    m_blogTypePopUpBtn->addItem(QStringLiteral("Medium"), qint64(BlogType::Medium));
    m_blogTypePopUpBtn->addItem(QStringLiteral("GitHub"), qint64(BlogType::GitHub));
    m_postClassTextField->setPlaceholderText(QStringLiteral("class or id of the post's element"));
    m_headerClassTextField->setPlaceholderText(QStringLiteral("class of the title's element (optional)"));
    m_errorLbl->setStyleSheet(QStringLiteral("color: rgb(204, 0, 0);"));
    m_progressIndicator->setRange(0, 0);
    m_progressIndicator->setTextVisible(false);
    m_progressIndicator->setMaximumWidth(80);
    m_addBtn->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("URL:"), m_urlTextField);
    form->addRow(QStringLiteral("Name:"), m_nameTextField);
    form->addRow(QStringLiteral("Kind:"), m_blogTypePopUpBtn);
    form->addRow(QStringLiteral("Post class:"), m_postClassTextField);
    form->addRow(QStringLiteral("Header class:"), m_headerClassTextField);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_errorLbl, 1);
    buttons->addWidget(m_progressIndicator);
    buttons->addWidget(m_addBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_addBtn, &QPushButton::clicked, this, &RealPreviewPreferencesPopoverController::add);
    connect(m_blogTypePopUpBtn, &QComboBox::activated, this, &RealPreviewPreferencesPopoverController::blogTypeChanged);
    m_errorLbl->hide();
    m_progressIndicator->hide();
}

void RealPreviewPreferencesPopoverController::viewWillAppear()
{
    m_urlTextField->clear();
    m_nameTextField->clear();
    m_blogTypePopUpBtn->setCurrentIndex(m_blogTypePopUpBtn->findData(qint64(BlogType::Other)));
    m_headerClassTextField->clear();
    m_postClassTextField->clear();
    m_headerClassTextField->setEnabled(true);
    m_postClassTextField->setEnabled(true);
    m_urlTextField->setFocus();
}

qint64 RealPreviewPreferencesPopoverController::selectedKind() const
{
    return m_blogTypePopUpBtn->currentData().toLongLong();
}

bool RealPreviewPreferencesPopoverController::isBusy() const
{
    return !m_progressIndicator->isHidden();
}

void RealPreviewPreferencesPopoverController::blogTypeChanged()
{
    const bool other = m_blogTypePopUpBtn->currentIndex() >= 0 && selectedKind() == qint64(BlogType::Other);
    m_headerClassTextField->setEnabled(other);
    m_postClassTextField->setEnabled(other);
    if (other)
        m_headerClassTextField->setFocus();
}

void RealPreviewPreferencesPopoverController::showError()
{
    m_errorLbl->setText(kFetchError);
    m_errorLbl->show();
}

void RealPreviewPreferencesPopoverController::startSpinner()
{
    ++m_running;
    m_progressIndicator->show();
}

void RealPreviewPreferencesPopoverController::stopSpinner()
{
    m_running = std::max(0, m_running - 1);
    if (m_running == 0)
        m_progressIndicator->hide();
}

void RealPreviewPreferencesPopoverController::add()
{
    m_errorLbl->setText(QString());
    m_errorLbl->show();
    if (m_urlTextField->text().isEmpty()) {
        m_errorLbl->setText(QStringLiteral("URL is required"));
        return;
    }
    if (m_nameTextField->text().isEmpty()) {
        m_errorLbl->setText(QStringLiteral("Name is required"));
        return;
    }
    if (selectedKind() == qint64(BlogType::Other) && m_postClassTextField->text().isEmpty()) {
        m_errorLbl->setText(QStringLiteral("Content class/id is required"));
        return;
    }
    m_errorLbl->hide();
    m_errorLbl->setText(kFetchError);
    startSpinner();

    QPointer<RealPreviewPreferencesPopoverController> self(this);
    const auto failed = [self] {
        if (!self)
            return;
        self->showError();
        self->stopSpinner();
    };
    const auto fetched = [self](const QString& body) {
        if (self)
            self->pageFetched(body);
    };
    if (httpGet(m_urlTextField->text(), failed, fetched))
        failed();
}

void RealPreviewPreferencesPopoverController::pageFetched(const QString& body)
{
    const std::optional<BlogType> kind = blogTypeFromRawValue(selectedKind());
    const QString page = RealPreviewOutput::preparePageHTML(body, kind.value_or(BlogType::Other));
    const std::optional<QString> id = cacheRealPreviewItemFile(page, m_nameTextField->text());
    if (!id) {
        showError();
        stopSpinner();
        return;
    }
    store(*id);
}

void RealPreviewPreferencesPopoverController::store(const QString& id)
{
    const BlogType kind = blogTypeFromRawValue(selectedKind()).value_or(BlogType::Other);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    RealPreviewItem item;
    item.setName(m_nameTextField->text());
    item.setUrl(m_urlTextField->text());
    item.setId(id);
    item.setUpdatedDate(now);
    item.setCreatedDate(now);
    item.setType(qint64(kind));
    if (kind == BlogType::Other) {
        item.setHeaderClassName(present(m_headerClassTextField->text()));
        item.setPostClassName(present(m_postClassTextField->text()));
    } else {
        item.setHeaderClassName(defaultHeaderClassName(kind));
        item.setPostClassName(defaultPostClassName(kind));
    }
    const auto error = Realm::write([&](RealmTransaction& tx) { tx.add(item); });
    stopSpinner();
    if (error) {
        showError();
        return;
    }
    // Told only once the site is really stored, so a failed commit keeps the popover open.
    if (m_popoverDelegate)
        m_popoverDelegate->didAddSite(item);
}

QString RealPreviewPreferencesPopoverController::makeSiteId(const QString& siteName)
{
    QString base = siteName;
    base.remove(QLatin1Char(' '));
    base.remove(QLatin1Char('/'));
    return base + QLatin1Char('_') + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QString> RealPreviewPreferencesPopoverController::cacheRealPreviewItemFile(const QString& page,
    const QString& siteName, FileError* error)
{
    const QString id = makeSiteId(siteName);
    if (std::optional<FileError> failure = writeCachedPage(id, page)) {
        if (error)
            *error = *failure;
        return std::nullopt;
    }
    return id;
}

} // namespace penwick
