#include "platform/GlobalShortcutBinder.h"

#include "LXLogger.h"
#include "platform/UserDefaults.h"

#include <QKeySequence>

namespace penwick::platform {

namespace {

// A key sequence from portable text, or none when the text is not one.
std::optional<QKeySequence> parseShortcut(const QString& text)
{
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.isEmpty() || sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
        return std::nullopt;
    return sequence;
}

} // namespace

GlobalShortcutBinder::GlobalShortcutBinder(UserDefaults& defaults)
    : m_defaults(defaults)
{
}

GlobalShortcutBinder::~GlobalShortcutBinder() = default;

bool GlobalShortcutBinder::bindKey(const QString& key, std::function<void()> action)
{
    m_key = key;
    m_action = std::move(action);
    m_observation = m_defaults.observe(key, nullptr, [this](const QString&) { apply(); });
    return apply();
}

void GlobalShortcutBinder::unbind()
{
    m_observation.reset();
    m_grab.release();
    m_bound.clear();
    m_key.clear();
    m_action = nullptr;
}

void GlobalShortcutBinder::setSuspended(bool suspended)
{
    if (m_suspended == suspended)
        return;
    m_suspended = suspended;
    if (suspended) {
        m_grab.release();
        m_bound.clear();
    } else if (!m_key.isEmpty()) {
        apply();
    }
}

bool GlobalShortcutBinder::apply()
{
    m_grab.release();
    m_bound.clear();
    m_error.clear();
    if (m_suspended)
        return true;
    const QString text = m_defaults.stringForKey(m_key).trimmed();
    if (text.isEmpty())
        return true;
    QString reason;
    if (const auto sequence = parseShortcut(text)) {
        auto action = m_action;
        if (m_grab.grab(*sequence, [action] { if (action) action(); }, &reason)) {
            m_bound = sequence->toString(QKeySequence::PortableText);
            return true;
        }
    } else {
        reason = QStringLiteral("it is not a key combination");
    }
    m_error = QStringLiteral("The shortcut \"%1\" could not be bound: %2").arg(text, reason);
    log().error(m_error);
    if (m_errorHandler)
        m_errorHandler(m_error);
    return false;
}

} // namespace penwick::platform
