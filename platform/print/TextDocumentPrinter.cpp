#include "platform/print/TextDocumentPrinter.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace penwick::platform {

bool printTextDocument(const QTextDocument& document, QPrinter* printer)
{
    if (!printer)
        return false;
    std::unique_ptr<QTextDocument> copy(document.clone());
    // Measured in the printer's units, so point sizes come out right at its resolution.
    copy->documentLayout()->setPaintDevice(printer);
    copy->setDocumentMargin(0);
    QTextOption option = copy->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Tab stops are kept in screen pixels.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal screenDpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    option.setTabStopDistance(option.tabStopDistance() * printer->logicalDpiX() / screenDpi);
    copy->setDefaultTextOption(option);

    // The painter's origin is the top left of the paintable area, inside the margins.
    const QRectF page = printer->pageLayout().paintRectPixels(printer->resolution());
    copy->setPageSize(page.size());

    // Each line on the page its top falls on (the layout keeps lines off the page breaks), so a
    // line is printed once and never beyond the margins.
    (void)copy->documentLayout()->documentSize(); // lays the copy out
    const int pages = std::max(1, copy->pageCount());
    std::vector<std::vector<std::pair<QTextLayout*, int>>> linesByPage(static_cast<size_t>(pages));
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        QTextLayout* layout = block.layout();
        for (int index = 0; index < layout->lineCount(); ++index) {
            const qreal top = layout->position().y() + layout->lineAt(index).y();
            const int onPage = std::clamp(int((top + 0.5) / page.height()), 0, pages - 1);
            linesByPage[size_t(onPage)].emplace_back(layout, index);
        }
    }

    QPainter painter;
    if (!painter.begin(printer))
        return false;
    painter.setPen(Qt::black);
    for (int index = 0; index < pages; ++index) {
        if (index > 0 && !printer->newPage())
            return false;
        painter.save();
        painter.translate(0, -index * page.height());
        for (const auto& [layout, line] : linesByPage[size_t(index)])
            layout->lineAt(line).draw(&painter, layout->position());
        painter.restore();
    }
    return painter.end();
}

} // namespace penwick::platform
