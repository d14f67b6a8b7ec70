#include "QuickPreviewController.h"

#include "CorePrefs.h"
#include "Extensions/MarkdownStringAdditions.h"
#include "HTML/CSSLinks.h"
#include "HTML/HTMLFormatter.h"
#include "MiniLog.h"
#include "MiniResources.h"
#include "Support/DarkModeTracker.h"
#include "platform/UserDefaults.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace penwick {

namespace {

// setHtml refuses a page whose data address (base64, a third longer) passes 2 MB; larger
// pages load from a private file.
constexpr qsizetype kMaxInlinePage = 1400 * 1000;

// Takes drops away from the web content.
class DropRefuser : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

} // namespace

class QuickPreviewController::Page : public QWebEnginePage {
public:
    explicit Page(QObject* parent)
        : QWebEnginePage(parent)
    {
    }
    UrlOpener opener;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        // The program's own loads.
        if (type == NavigationTypeTyped)
            return true;
        // Content a page embeds loads in its frame; only what the user follows leaves.
        if (!isMainFrame && type != NavigationTypeLinkClicked)
            return true;
        if (opener && url.isValid())
            opener(url);
        return false;
    }
};

QuickPreviewController::QuickPreviewController(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("QuickPreviewController"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QWebEngineView(this);
    m_page = new Page(m_view);
    m_page->opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    m_view->setPage(m_page);
    m_view->setAcceptDrops(false);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, &QuickPreviewController::showContextMenu);
    layout->addWidget(m_view);
    // The view's inner widget takes drops itself; it comes and goes with the page.
    auto* refuser = new DropRefuser(this);
    m_view->installEventFilter(refuser);
    const auto guardChildren = [this, refuser] {
        for (QWidget* child : m_view->findChildren<QWidget*>())
            child->installEventFilter(refuser);
    };
    guardChildren();
    connect(m_view, &QWebEngineView::loadStarted, this, guardChildren);
    connect(m_view, &QWebEngineView::renderProcessTerminated, this, guardChildren);
}

QuickPreviewController::~QuickPreviewController()
{
    delete m_inspector.data();
}

void QuickPreviewController::setUrlOpener(UrlOpener opener)
{
    m_page->opener = std::move(opener);
}

QString QuickPreviewController::pageForText(const QString& text, bool hardWrap, bool dark)
{
    const QString body = renderAsMarkdownByAddingHeaderIds(text, false, hardWrap);
    const QString style = miniResourcePath(dark ? QStringLiteral("DarkStyle") : QStringLiteral("LightStyle"),
                                           QStringLiteral("css"));
    const QString link = style.isEmpty() ? QString()
                                         : CSSLinks::styleSheetLinkForURL(QUrl::fromLocalFile(style).toString());
    return HTMLFormatter::formatContent(body, link, QStringLiteral("li.task-list-item{list-style:none}"), QString());
}

void QuickPreviewController::loadText(const QString& text)
{
    const bool hardWrap = platform::UserDefaults::standard().boolForKey(CorePrefs::PREVIEW_RENDER_NEWLINE);
    const bool dark = DarkModeTracker::applicationReadyForTheDarkSide() && DarkModeTracker::applicationIsOnTheDarkSide();
    loadPage(pageForText(text, hardWrap, dark));
}

void QuickPreviewController::loadPage(const QString& html)
{
    // Without a base address the page may not load the style sheet from a file.
    const QUrl base = QUrl::fromLocalFile(miniResourcesFolder());
    if (html.toUtf8().size() <= kMaxInlinePage) {
        m_largePage.reset();
        m_view->setHtml(html, base);
        return;
    }
    // A private file; the style sheet's address is absolute, so it loads from there too.
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/penwick-mini-preview-XXXXXX.html"));
    if (!file->open() || file->write(html.toUtf8()) < 0 || !file->flush()) {
        miniLog().error(QStringLiteral("The preview page could not be written: ") + file->errorString());
        return;
    }
    m_largePage = std::move(file);
    m_view->load(QUrl::fromLocalFile(m_largePage->fileName()));
}

void QuickPreviewController::showContextMenu(const QPoint& position)
{
    // The standard entries need the page's own context-menu request; a menu asked for in
    // another way (before any request came) offers the inspector alone.
    QMenu* menu = m_view->lastContextMenuRequest() ? m_view->createStandardContextMenu() : new QMenu(m_view);
    if (!menu->isEmpty())
        menu->addSeparator();
    menu->addAction(tr("Inspect Element"), this, [this] {
        if (!m_inspector) {
            m_inspector = new QWebEngineView;
            m_inspector->setAttribute(Qt::WA_DeleteOnClose);
            m_inspector->setWindowTitle(tr("Inspector - Penwick Mini"));
            m_page->setDevToolsPage(m_inspector->page());
            m_inspector->resize(800, 500);
        }
        m_page->triggerAction(QWebEnginePage::InspectElement);
        m_inspector->show();
    });
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_view->mapToGlobal(position));
}

} // namespace penwick
