#include "preview/ScrollSync.h"

#include "platform/web/WebView.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace penwick::ScrollSync {

double ratio(int value, int maximum)
{
    return maximum > 0 ? static_cast<double>(value) / maximum : 0.0;
}

QString scrollScript(double ratio)
{
    return QLatin1String("(function(r){var s=document.scrollingElement||document.documentElement;"
                         "window.scrollTo(window.scrollX,r*(s.scrollHeight-window.innerHeight));})(")
        + QString::number(ratio, 'g', 17) + QLatin1Char(')');
}

void syncScrollerWithTextView(platform::WebView& view, const QAbstractScrollArea& textView)
{
    const QScrollBar* bar = textView.verticalScrollBar();
    const double r = bar ? ratio(bar->value() - bar->minimum(), bar->maximum() - bar->minimum()) : 0.0;
    view.runScript(scrollScript(r), platform::WebView::World::Application);
}

} // namespace penwick::ScrollSync
