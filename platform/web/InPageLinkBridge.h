#pragma once

#include <QObject>

namespace penwick::platform {

// The object the application-world script of a page talks to over the web channel: while
// enabled, clicks on "#…" links are cancelled in the page and reported here.
class InPageLinkBridge : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ isEnabled NOTIFY enabledChanged)
public:
    using QObject::QObject;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled)
    {
        if (enabled != m_enabled) {
            m_enabled = enabled;
            emit enabledChanged();
        }
    }

    // Called by the page with the href attribute's text after "#".
    Q_INVOKABLE void linkClicked(const QString& target) { emit clicked(target); }

signals:
    void enabledChanged();
    void clicked(const QString& target);

private:
    bool m_enabled = false;
};

} // namespace penwick::platform
