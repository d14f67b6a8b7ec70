// On a real X server: a click inside the preview outline's page (a link, say) must not cost the
// popover its way out; a press elsewhere or Escape still closes it.
#include "preview/PreviewOutlinePopover.h"
#include "platform/web/WebView.h"
#include "TestSupport.h"
#include "X11TestClient.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QToolButton>

#include <gtest/gtest.h>

#include <X11/keysym.h>

using namespace penwick;
using penwick::test::waitUntil;

TEST(OutlinePopoverGrab, AfterAClickInItsPageAPressElsewhereOrEscapeStillClosesIt)
{
    PENWICK_REQUIRE_XVFB();
    test::X11TestClient x11;
    ASSERT_TRUE(x11.isConnected());

    QWidget host;
    auto* layout = new QHBoxLayout(&host);
    auto* anchor = new QToolButton(&host);
    anchor->setText(QStringLiteral("Outline"));
    layout->addWidget(anchor, 0, Qt::AlignBottom | Qt::AlignRight);
    host.setGeometry(0, 0, 900, 700);
    host.show();
    host.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &host; }));

    for (const bool escape : { false, true }) {
        SCOPED_TRACE(escape ? "Escape" : "a press elsewhere");
        PreviewOutlinePopover popover(&host);
        auto* page = popover.findChild<platform::WebView*>();
        ASSERT_TRUE(page);
        QSignalSpy loaded(page, &platform::WebView::pageLoadFinished);
        page->loadHtml(QStringLiteral("<html><body style='margin:0'><p style='height:600px;font-size:40px'>"
                                      "<a href='#one'>One</a> and words</p><h1 id='one'>One</h1></body></html>"));
        popover.showRelativeTo(anchor, platform::Popover::Edge::Top);
        ASSERT_TRUE(waitUntil([&] { return popover.isVisible() && !loaded.isEmpty(); }, 20000));

        // Into the page, on the link: the page takes the press and the release.
        const QPoint inside = page->mapToGlobal(QPoint(20, 25));
        x11.movePointer(inside);
        x11.clickButton(1);
        x11.sync();
        QApplication::processEvents();
        ASSERT_TRUE(popover.isVisible()) << "a click inside keeps it open";

        if (escape) {
            x11.pressKeys({ XK_Escape });
        } else {
            x11.movePointer(host.mapToGlobal(QPoint(40, 40)));
            x11.clickButton(1);
        }
        x11.sync();
        EXPECT_TRUE(waitUntil([&] { return !popover.isVisible(); }, 5000)) << "the popover stays open";
    }
}
