#include "shell/TVXEditorViewController.h"

#include "shell/TVXDocument.h"

#include <QPainter>
#include <QPixmap>

namespace penwick {

QIcon TVXEditorViewController::quickOpenIcon()
{
    // A page with a turned corner, drawn once.
    static const QIcon icon = [] {
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(70, 110, 200), 2));
        painter.setBrush(QColor(200, 215, 245));
        const QPointF page[] = { { 7, 3 }, { 20, 3 }, { 26, 9 }, { 26, 29 }, { 7, 29 } };
        painter.drawPolygon(page, 5);
        painter.drawLine(QPointF(20, 3), QPointF(20, 9));
        painter.drawLine(QPointF(20, 9), QPointF(26, 9));
        painter.setPen(QPen(QColor(70, 110, 200), 2, Qt::DashLine));
        painter.drawLine(QPointF(11, 17), QPointF(22, 17));
        painter.drawLine(QPointF(11, 23), QPointF(22, 23));
        return QIcon(pixmap);
    }();
    return icon;
}

TVXEditorViewController::TVXEditorViewController(TVXDocument* document, QObject* parent)
    : QObject(parent)
    , m_document(document)
{
}

TVXEditorViewController::~TVXEditorViewController()
{
    if (m_view)
        delete m_view.data();
}

TVXDocument* TVXEditorViewController::document() const { return static_cast<TVXDocument*>(m_document.data()); }

void TVXEditorViewController::setupDocument()
{
    m_hasCloseButton = true;
    updateDocument();
}

void TVXEditorViewController::updateDocument()
{
    TVXDocument* doc = document();
    if (!doc)
        return;
    m_isEdited = doc->isDocumentEdited();
    m_title = doc->displayName();
    refreshIcon();
    emit tabChanged();
}

void TVXEditorViewController::refreshIcon()
{
    TVXDocument* doc = document();
    if (!doc)
        return;
    m_icon = doc->isQuickOpen() ? quickOpenIcon() : doc->icon();
    emit tabChanged();
}

void TVXEditorViewController::setTitle(const QString& title)
{
    m_title = title;
    emit tabChanged();
}

} // namespace penwick
