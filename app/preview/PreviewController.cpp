#include "preview/PreviewController.h"

#include "Extensions/Realm.h"
#include "Extensions/StringAdditions.h"
#include "Services/MarkdownFormatter.h"
#include "Services/ScriptAssetsManager.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/text/TextView.h"
#include "platform/web/PageScheme.h"
#include "platform/web/WebView.h"
#include "preferences/PreviewPreferencesSynchronizer.h"
#include "preview/ExternalPreviewWindowController.h"
#include "preview/ScrollSync.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "preview/UserStyleSheetLink.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>

namespace penwick {

PreviewController::PreviewController(QObject* parent)
    : BasePreviewController(parent)
{
    m_pauseTimer.setSingleShot(true);
    connect(&m_pauseTimer, &QTimer::timeout, this, &PreviewController::renderPending);
}

PreviewController::~PreviewController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void PreviewController::setExternalPreviewWindowController(ExternalPreviewWindowController* window)
{
    m_external = window;
    if (window)
        window->setWindowWillClose([this] { windowWillClose(); });
}

void PreviewController::setSplitView(const void* poster, std::function<int()> paneState)
{
    m_splitPoster = poster;
    m_paneState = std::move(paneState);
}

bool PreviewController::externalWindowVisible() const
{
    return m_external && m_external->isVisible();
}

void PreviewController::setBaseURL(const QUrl& url)
{
    BasePreviewController::setBaseURL(url);
    if (externalWindowVisible()) {
        m_external->previewController()->setBaseURL(url);
        if (m_realPreviewOutput)
            m_realPreviewOutput->setBaseURL(url);
    }
}

void PreviewController::setForceLoadInsteadOfInject(bool force)
{
    BasePreviewController::setForceLoadInsteadOfInject(force);
    if (externalWindowVisible())
        m_external->previewController()->setForceLoadInsteadOfInject(force);
}

void PreviewController::setOverriddenStylePath(const std::optional<QString>& path)
{
    m_overriddenStylePath = path;
    styleSheetRefresh();
}

void PreviewController::awakeFromNib()
{
    BasePreviewController::awakeFromNib();
    ScriptAssetsManager::sharedInstance().load();
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, Notifications::SPLIT_VIEW_STATE_CHANGED, nullptr,
        [this](const platform::Notification& n) { splitViewStateChanged(n); });
    center.addObserver(this, Notifications::PREVIEW_THEME_LOADED, nullptr, [this](const platform::Notification&) {
        styleSheetRefresh();
        render({});
    });
    center.addObserver(this, Notifications::CUSTOM_CSS_UPDATED, nullptr, [this](const platform::Notification&) { render({}); });
    for (const QString& name : { Notifications::SCRIPT_ASSETS_UPDATED, Notifications::ONUPDATE_CALLBACK_JS_UPDATED }) {
        center.addObserver(this, name, nullptr, [this](const platform::Notification&) {
            setForceLoadInsteadOfInject(true);
            render({});
        });
    }
    auto& defaults = platform::UserDefaults::standard();
    m_autoSync = defaults.boolForKey(Prefs::ENABLE_AUTO_SYNC);
    m_observations.clear();
    for (const QString& key : { Prefs::PREVIEW_PARSE_JEKYLL, Prefs::PREVIEW_STYLE_NAME, Prefs::REAL_PREVIEW_SELECTION,
             Prefs::PREVIEW_ENABLE_OUTLINE, Prefs::PREVIEW_RENDER_NEWLINE }) {
        m_observations.push_back(defaults.observe(key, this, [this](const QString& changed) { observeValueForKeyPath(changed); }));
    }
    realPreviewRefresh();
    styleSheetRefresh();
}

void PreviewController::observeValueForKeyPath(const QString& keyPath)
{
    if (m_stopped)
        return;
    if (keyPath == Prefs::PREVIEW_PARSE_JEKYLL) {
        platform::UserDefaults::standard().setValue(Prefs::PREVIEW_HIDE_JEKYLL_TABLES, false);
        render({});
    } else if (keyPath == Prefs::PREVIEW_STYLE_NAME) {
        styleSheetRefresh();
        render({});
    } else if (keyPath == Prefs::REAL_PREVIEW_SELECTION) {
        if (realPreviewRefresh())
            render({});
    } else if (keyPath == Prefs::PREVIEW_RENDER_NEWLINE) {
        render({});
    } else {
        BasePreviewController::observeValueForKeyPath(keyPath);
    }
}

QString PreviewController::paneHTML(const RenderingResult& page)
{
    const QString table = page.frontMatterTable.value_or(QString());
    if (!table.isEmpty()) {
        // The table opens the body: before the doctype it would put the page in quirks mode and
        // the head's elements into the body, where the next body update would drop them.
        static const QRegularExpression bodyTag(QStringLiteral("</head>\\s*<body(?:\\s[^>]*)?>"), QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch body = bodyTag.match(page.markdown);
        if (body.hasMatch())
            return page.markdown.left(body.capturedEnd()) + table + QLatin1Char('\n')
                + page.markdown.mid(body.capturedEnd());
    }
    return table + QLatin1Char('\n') + page.markdown;
}

std::optional<QString> PreviewController::pageTitle(const QUrl& base)
{
    if (base.isEmpty())
        return std::nullopt;
    const QString last = lastPathComponent(base.isLocalFile() ? base.toLocalFile() : base.path());
    if (last.isEmpty() || last == QLatin1String("/"))
        return std::nullopt;
    return stringByDeletingPathExtension(last);
}

int PreviewController::pauseMilliseconds(qsizetype textLength)
{
    return static_cast<int>(std::min<qsizetype>(30 + textLength / 4096, 500));
}

void PreviewController::renderUsingTextView(platform::TextView* textView, const QUrl& base, const QUrl& document)
{
    if (m_stopped)
        return;
    const bool repeating = m_hasRendered && textView && textView == m_textView && base == baseURL()
        && document == m_lastRenderedDocument && !forceLoadInsteadOfInject() && (m_isCollapsed || !documentURL().isEmpty());
    setBaseURL(base);
    if (textView != m_textView || !m_scrollConnection) {
        stopScrollSync();
        startScrollSync(textView);
    }
    m_textView = textView;
    if (repeating) {
        // Typing: render once the text has rested, with the text as it is then.
        m_pendingDocument = document;
        m_pauseTimer.start(pauseMilliseconds(textView->string().size()));
        return;
    }
    render(document);
}

void PreviewController::rerenderWithNewBaseUrl(const QUrl& base, const QUrl& document)
{
    if (m_stopped)
        return;
    setBaseURL(base);
    render(document);
}

void PreviewController::renderPending()
{
    render(m_pendingDocument);
}

void PreviewController::cancelPendingRender()
{
    m_pauseTimer.stop();
}

void PreviewController::render(const QUrl& document)
{
    cancelPendingRender();
    // Unless a rendering is sent below, none is under way once this returns.
    const auto settle = qScopeGuard([this] { settleRenderWaiters(); });
    if (m_stopped)
        return;
    const bool external = externalWindowVisible();
    if (m_isCollapsed && !external)
        return;
    if (!m_textView)
        return;
    m_hasRendered = true;
    m_lastRenderedDocument = document;
    setBusy(true);
    QString text = m_textView->string();
    // The engines stop at a NUL; like CommonMark, the preview shows U+FFFD in its place.
    text.replace(QChar(0), QChar::ReplacementCharacter);
    const bool parseJekyll = platform::UserDefaults::standard().boolForKey(Prefs::PREVIEW_PARSE_JEKYLL);
    // Off the GUI thread, in the render process: the editor answers while a long text renders.
    QPointer<PreviewController> self(this);
    m_renderer.render(text, parseJekyll, external && m_realPreviewOutput, [self, document](const PreviewRenderer::Result& result) {
        if (self)
            self->show(document, result);
    });
}

void PreviewController::whenRendered(std::function<void()> then)
{
    if (!then)
        return;
    if (m_stopped || !hasPendingRender()) {
        then();
        return;
    }
    m_renderWaiters.push_back(std::move(then));
}

void PreviewController::settleRenderWaiters()
{
    if (!m_stopped && hasPendingRender())
        return;
    for (auto& waiter : std::exchange(m_renderWaiters, {}))
        waiter();
}

void PreviewController::show(const QUrl& document, const PreviewRenderer::Result& rendered)
{
    // Whatever this shows has been handed to the view once it returns.
    const auto settle = qScopeGuard([this] { settleRenderWaiters(); });
    if (m_stopped)
        return;
    const bool external = externalWindowVisible();
    if (m_isCollapsed && !external) {
        setBusy(false);
        return;
    }
    const QUrl base = baseURL();
    const std::optional<QUrl> style = m_styleURL.isEmpty() ? std::nullopt : std::optional<QUrl>(m_styleURL);
    if (rendered.tooComplex) {
        // Shown as a page of its own: the next rendering is a full load again.
        RenderingResult notice;
        notice.markdown = QStringLiteral("<p class=\"penwick-too-complex\">") + tooComplexMessage() + QStringLiteral("</p>");
        const QString html = paneHTML(MarkdownFormatter::formatPreviewPage(notice, style, pageTitle(base), userStyleSheetLink()));
        if (external)
            m_external->previewController()->loadHTML(html, QUrl(), base);
        if (!m_isCollapsed)
            loadHTML(html, QUrl(), base);
        setForceLoadInsteadOfInject(false);
        return;
    }
    if (external && m_realPreviewOutput && rendered.realPreview) {
        m_realPreviewOutput->setHtmlContent(rendered.realPreview->markdown);
        m_realPreviewOutput->setFrontMatterDict(rendered.realPreview->rawfrontMatter);
    }
    // The user's style sheet is linked: the page reads it, however large, without this thread.
    const QString html = paneHTML(MarkdownFormatter::formatPreviewPage(rendered.page, style, pageTitle(base), userStyleSheetLink()));

    if (external) {
        if (m_realPreviewOutput)
            m_external->previewController()->loadRealPreview(m_realPreviewOutput);
        else
            m_external->previewController()->loadHTML(html, document, base);
    }
    if (!m_isCollapsed)
        loadHTML(html, document, base);
    setForceLoadInsteadOfInject(false);
}

QString PreviewController::tooComplexMessage()
{
    return QStringLiteral("This document is too complex to preview.");
}

void PreviewController::styleSheetRefresh()
{
    setDocumentURL({});
    std::optional<QString> path = m_overriddenStylePath;
    if (!path)
        path = PreviewPreferencesSynchronizer::sharedInstance().getPreferredStylePath();
    m_styleURL = path ? QUrl::fromLocalFile(*path) : QUrl();
    if (path) // the pages of every folder may load the style
        platform::PageScheme::instance()->addSharedFile(*path);
}

bool PreviewController::realPreviewRefresh()
{
    const QString site = platform::UserDefaults::standard().stringForKey(Prefs::REAL_PREVIEW_SELECTION);
    if (site.isEmpty()) {
        if (m_realPreviewBtn)
            m_realPreviewBtn->setEnabled(false);
        return false;
    }
    if (m_realPreviewBtn)
        m_realPreviewBtn->setEnabled(true);
    m_realPreviewOutput.reset();
    if (m_realPreviewBtn && m_realPreviewBtn->isChecked()) {
        if (const auto item = Realm::objectForPrimaryKey<RealPreviewItem>(site)) {
            m_realPreviewOutput = std::make_shared<RealPreviewOutput>(*item);
            m_realPreviewOutput->setBaseURL(baseURL());
            return true;
        }
    }
    return false;
}

void PreviewController::showRealPreview()
{
    if (m_stopped || !m_external)
        return;
    realPreviewRefresh();
    m_external->previewController()->setForceLoadInsteadOfInject(true);
    if (externalWindowVisible())
        render({});
    else
        showExternalPreviewWindow();
}

void PreviewController::showExternalPreviewWindow()
{
    if (m_stopped || !m_external)
        return;
    if (externalWindowVisible()) {
        if (m_externalPreviewToggleBtn)
            m_externalPreviewToggleBtn->setChecked(false);
        m_external->close();
        return;
    }
    if (m_externalPreviewToggleBtn)
        m_externalPreviewToggleBtn->setChecked(true);
    m_external->previewController()->setExternalPreviewControllerDelegate(this);
    m_external->showWindow();
    m_external->previewController()->setBaseURL(baseURL());
    if (m_realPreviewOutput)
        m_realPreviewOutput->setBaseURL(baseURL());
    render(documentURL());
}

void PreviewController::windowWillClose()
{
    if (m_isCollapsed && m_countLabel)
        m_countLabel->clear();
    if (m_external)
        m_external->previewController()->setExternalPreviewControllerDelegate(nullptr);
    if (m_externalPreviewToggleBtn)
        m_externalPreviewToggleBtn->setChecked(false);
}

void PreviewController::externalPreviewFinishedLoadingFrame()
{
    updateWordCount(true);
}

void PreviewController::externalPreviewFinishedSettingInnerHTML()
{
    updateWordCount(true);
}

void PreviewController::splitViewStateChanged(const platform::Notification& notification)
{
    if (m_stopped || !m_splitPoster || notification.object != m_splitPoster || !m_paneState)
        return;
    const bool was = m_isCollapsed;
    m_isCollapsed = m_paneState() == 0;
    if (was && !m_isCollapsed)
        render({});
    if (was != m_isCollapsed)
        updateWordCount(false);
}

QString PreviewController::wordCountText(uint64_t words)
{
    if (words == 0)
        return QString();
    if (words == 1)
        return QStringLiteral("1 word");
    return QString::number(words) + QStringLiteral(" words");
}

void PreviewController::updateWordCount(bool force)
{
    const quint64 generation = ++m_countGeneration;
    if (m_countLabel)
        m_countLabel->clear();
    const bool external = externalWindowVisible();
    if (!force && m_isCollapsed && !external)
        return;
    QPointer<PreviewController> self(this);
    auto show = [self, generation](const DOMNodeTextCount& count) {
        if (self && generation == self->m_countGeneration && self->m_countLabel)
            self->m_countLabel->setText(wordCountText(count.words));
    };
    if (m_isCollapsed) {
        if (!external || m_realPreviewOutput)
            return; // no count for a Real Preview page
        m_external->previewController()->textCount(show);
        return;
    }
    textCount(show);
}

void PreviewController::startScrollSync(platform::TextView* textView)
{
    if (!m_autoSync || !textView || !textView->verticalScrollBar())
        return;
    stopScrollSync();
    m_scrollConnection = connect(textView->verticalScrollBar(), &QScrollBar::valueChanged, this,
        &PreviewController::synchronizedViewContentBoundsDidChange);
    // Keyboard jumps (Ctrl+End, Page Down, arrows past the edge) move the bar with its signals
    // blocked; the viewport still reports every move.
    m_viewportConnection = connect(textView, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        const QScrollBar* bar = m_textView ? m_textView->verticalScrollBar() : nullptr;
        if (bar && (dy != 0 || std::make_pair(bar->value(), bar->maximum()) != m_syncedPosition))
            synchronizedViewContentBoundsDidChange();
    });
}

void PreviewController::stopScrollSync()
{
    QObject::disconnect(m_scrollConnection);
    QObject::disconnect(m_viewportConnection);
    m_scrollConnection = {};
    m_viewportConnection = {};
}

void PreviewController::synchronizedViewContentBoundsDidChange()
{
    if (m_skipBoundsChange)
        return;
    m_skipBoundsChange = true;
    syncPage();
    m_skipBoundsChange = false;
}

void PreviewController::syncPage()
{
    if (m_autoSync && !m_ignoreAutoSync && m_textView && previewView()) {
        const QScrollBar* bar = m_textView->verticalScrollBar();
        m_syncedPosition = bar ? std::make_pair(bar->value(), bar->maximum()) : std::make_pair(0, 0);
        ScrollSync::syncScrollerWithTextView(*previewView(), *m_textView);
    }
}

void PreviewController::autoSyncToggle(bool on)
{
    m_autoSync = on;
    if (on)
        startScrollSync(m_textView);
    else
        stopScrollSync();
}

void PreviewController::setBusy(bool busy)
{
    m_busy = busy;
    if (m_progressIndicator)
        m_progressIndicator->setVisible(busy);
}

void PreviewController::didSetInnerHTML()
{
    BasePreviewController::didSetInnerHTML();
    syncPage();
    updateWordCount(false);
    setBusy(false);
}

void PreviewController::webViewDidFinishLoad(bool ok)
{
    syncPage();
    updateWordCount(false);
    setBusy(false);
    BasePreviewController::webViewDidFinishLoad(ok);
}

void PreviewController::closeTextView(platform::TextView* textView)
{
    if (!textView || textView != m_textView)
        return;
    stopScrollSync();
    m_textView = nullptr;
    cancelPendingRender();
}

void PreviewController::forceClean()
{
    if (m_stopped)
        return;
    cancelPendingRender();
    m_textView = nullptr;
    BasePreviewController::forceClean();
}

void PreviewController::navigateToAnchor(const QString& anchor)
{
    if (m_stopped)
        return;
    BasePreviewController::navigateToAnchor(anchor);
    if (externalWindowVisible())
        m_external->previewController()->navigateToAnchor(anchor);
}

void PreviewController::previewData(DataCallback callback)
{
    if (!callback)
        return;
    if (m_isCollapsed || !previewView()) {
        callback(QString());
        return;
    }
    QPointer<PreviewController> self(this);
    previewView()->runScript(QStringLiteral("document.body ? document.body.innerHTML : ''"), platform::WebView::World::Application,
        [self, callback = std::move(callback)](const QVariant& v) {
            if (self)
                callback(v.toString());
        });
}

void PreviewController::stop()
{
    BasePreviewController::stop();
    m_stopped = true;
    cancelPendingRender();
    m_renderer.stop();
    stopScrollSync();
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    m_observations.clear();
    if (m_external) {
        m_external->setWindowWillClose(nullptr);
        m_external->close();
        m_external->previewController()->setExternalPreviewControllerDelegate(nullptr);
    }
    m_external = nullptr;
    m_textView = nullptr;
    settleRenderWaiters();
}

} // namespace penwick
