#pragma once

#include "preview/OutlineDelegate.h"
#include "preview/OutlineRange.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <optional>

class QAbstractButton;

namespace penwick {

namespace platform {
class WebView;
}
class PreviewOutlinePopover;

// Shows the headings of the rendered document as a small linked page in a popover: one line
// per heading that the renderer gave an id, indented by level, linking "#id?id=n" where n
// counts the rendered headings. A click hands the id and entry n of the heading list to the
// delegate; the page itself never navigates and the popover stays open.
class PreviewOutlineController : public QObject {
    Q_OBJECT
public:
    // The outline page's own style sheet.
    static const QString OUTLINE_CSS;
    // Rendered heading texts longer than this (in characters) are cut.
    static constexpr qsizetype MAX_TITLE_CHARACTERS = 28;

    explicit PreviewOutlineController(QObject* parent = nullptr);

    // The popover whose web view shows the page (not owned); its navigation is refused and
    // its "#" links come here.
    void setPreviewOutlinePopover(PreviewOutlinePopover* popover);
    PreviewOutlinePopover* previewOutlinePopover() const { return m_popover; }
    platform::WebView* outlineWebView() const;
    void setShowOutlineBtn(QAbstractButton* button) { m_showOutlineBtn = button; }
    QAbstractButton* showOutlineBtn() const { return m_showOutlineBtn; }
    // Not owned; the window sets itself before every showing.
    void setPreviewOutlineDelegate(OutlineDelegate* delegate) { m_delegate = delegate; }
    OutlineDelegate* previewOutlineDelegate() const { return m_delegate; }

    const QList<OutlineRange>& withoutCodeBlocksOutlineRanges() const { return m_withoutCodeBlocks; }

    // Opens the popover at `sender` and loads the outline page of `text` when its rendering
    // has a heading with an id; an empty text only turns the button off.
    void showOutlines(QWidget* sender, const QString& text);

    // The body of the outline page for the rendered HTML of the headings; none when no
    // heading carries an id.
    static std::optional<QString> outlineBody(const QString& renderedHeadings);
    // The whole outline page: the body with the preferred style's link and OUTLINE_CSS.
    static QString outlinePage(const QString& body);
    // A click on the outline link "#`target`": the anchor id and the heading's number, or
    // none when the target has no number.
    static std::optional<std::pair<QString, qsizetype>> parseLinkTarget(const QString& target);
    // The number of pages loaded into the web view.
    int pagesLoaded() const { return m_pagesLoaded; }

private:
    void linkClicked(const QString& target);
    void popoverDidShow();
    void popoverDidClose();

    QPointer<PreviewOutlinePopover> m_popover;
    QPointer<QAbstractButton> m_showOutlineBtn;
    OutlineDelegate* m_delegate = nullptr;
    QList<OutlineRange> m_withoutCodeBlocks;
    int m_pagesLoaded = 0;
};

} // namespace penwick
