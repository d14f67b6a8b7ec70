#pragma once

#include <QPointer>
#include <QTemporaryFile>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QWebEngineView;

namespace penwick {

// The preview page of the popover: the note as the same kind of HTML page Penwick's preview
// shows, in PenwickMini's light or dark style. Pages loaded by the program are shown; every
// other navigation (a clicked link, a form) is refused and its address handed to the opener
// (the default browser); nothing can be dropped onto it. The context menu opens the inspector.
class QuickPreviewController : public QWidget {
    Q_OBJECT
public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit QuickPreviewController(QWidget* parent = nullptr);
    ~QuickPreviewController() override;

    QWebEngineView* previewView() const { return m_view; }

    // The page for a note's text: pure, for the given hard-wrap setting and appearance.
    static QString pageForText(const QString& text, bool hardWrap, bool dark);
    // Renders the text with the current settings and appearance and loads it.
    void loadText(const QString& text);
    // Loads a page made by pageForText (with PenwickMini's resources as its base).
    void loadPage(const QString& html);

    void setUrlOpener(UrlOpener opener);

private:
    class Page;
    void showContextMenu(const QPoint& position);

    QWebEngineView* m_view = nullptr;
    Page* m_page = nullptr;
    std::unique_ptr<QTemporaryFile> m_largePage;
    QPointer<QWebEngineView> m_inspector;
};

} // namespace penwick
