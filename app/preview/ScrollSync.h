#pragma once

#include <QString>

class QAbstractScrollArea;

namespace penwick {

namespace platform {
class WebView;
}

// Keeps a preview page at the same relative position as the editor: the editor's
// scrollable range maps linearly onto the page's, unrounded and unclamped.
namespace ScrollSync {

// value / maximum of the editor's vertical scroll bar; 0 when it cannot scroll.
double ratio(int value, int maximum);
// The application-world script that scrolls the page to `ratio` of its scrollable height.
QString scrollScript(double ratio);
void syncScrollerWithTextView(platform::WebView& view, const QAbstractScrollArea& textView);

} // namespace ScrollSync

} // namespace penwick
