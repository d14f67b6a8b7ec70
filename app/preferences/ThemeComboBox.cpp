#include "preferences/ThemeComboBox.h"

#include <QPointer>

namespace penwick {

ThemeComboBox::ThemeComboBox(QWidget* parent)
    : QComboBox(parent)
{
}

void ThemeComboBox::showPopup()
{
    if (!m_refresher) {
        QComboBox::showPopup();
        return;
    }
    if (m_refreshing)
        return;
    m_refreshing = true;
    QPointer<ThemeComboBox> self(this);
    m_refresher([self] {
        if (!self)
            return;
        self->m_refreshing = false;
        // The list was asked for while it was shown: it opens only if the box still can.
        if (self->isVisible() && self->isEnabled())
            self->QComboBox::showPopup();
    });
}

} // namespace penwick
