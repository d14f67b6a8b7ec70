#include "platform/UserDefaults.h"

#include "platform/AtomicFileWriter.h"
#include "platform/PropertyList.h"
#include "platform/StandardLocations.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace penwick::platform {

UserDefaults& UserDefaults::standard()
{
    static UserDefaults defaults(QDir(configDirectory(QStringLiteral("Penwick"))).filePath(QStringLiteral("Penwick.plist")));
    return defaults;
}

UserDefaults::UserDefaults(QString settingsFilePath)
    : m_path(std::move(settingsFilePath))
{
    load();
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::load()
{
    if (!QFileInfo::exists(m_path))
        return;
    const PropertyListResult result = readPropertyListFile(m_path);
    if (result.ok() && result.value.typeId() == QMetaType::QVariantMap) {
        m_values = result.value.toMap();
        return;
    }
    // Keep an unreadable settings file aside rather than overwriting it with our next write.
    const QString aside = m_path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
    if (QFile::rename(m_path, aside))
        m_keptUnreadableFile = aside;
    m_error = QStringLiteral("The settings file %1 could not be read (%2); it was kept as %3.")
                  .arg(m_path, result.ok() ? QStringLiteral("not a dictionary") : result.error, aside);
}

QString UserDefaults::lastError() const
{
    QReadLocker lock(&m_lock);
    return m_error;
}

QString UserDefaults::keptUnreadableFile() const
{
    QReadLocker lock(&m_lock);
    return m_keptUnreadableFile;
}

QVariant UserDefaults::effectiveLocked(const QString& key) const
{
    auto it = m_values.constFind(key);
    if (it != m_values.cend())
        return it.value();
    return m_registered.value(key);
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    QVariantMap before;
    {
        QWriteLocker lock(&m_lock);
        for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
            before.insert(it.key(), effectiveLocked(it.key()));
            m_registered.insert(it.key(), it.value());
        }
    }
    notify(defaults.keys(), before);
}

bool UserDefaults::registerDefaultsFromFile(const QString& path, QString* error)
{
    const PropertyListResult result = readPropertyListFile(path);
    if (!result.ok() || result.value.typeId() != QMetaType::QVariantMap) {
        if (error)
            *error = result.ok() ? path + QStringLiteral(": not a dictionary") : result.error;
        return false;
    }
    registerDefaults(result.value.toMap());
    return true;
}

QVariant UserDefaults::object(const QString& key) const
{
    QReadLocker lock(&m_lock);
    return effectiveLocked(key);
}

bool UserDefaults::hasValue(const QString& key) const
{
    QReadLocker lock(&m_lock);
    return m_values.contains(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == u"yes" || s == u"true" || s.toLongLong() != 0;
    }
    return v.toBool();
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant v = object(key);
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        // A number written by hand may lie beyond any integer: it saturates.
        const bool text = v.typeId() == QMetaType::QString;
        const double d = text ? v.toString().trimmed().toDouble() : v.toDouble();
        if (std::isnan(d))
            return 0;
        if (d >= 9223372036854775808.0)
            return std::numeric_limits<qint64>::max();
        if (d < -9223372036854775808.0)
            return std::numeric_limits<qint64>::min();
        return text ? static_cast<qint64>(d) : v.toLongLong();
    }
    return v.toLongLong();
}

double UserDefaults::doubleForKey(const QString& key) const
{
    return object(key).toDouble();
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant v = object(key);
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return v.toString();
    default:
        return {};
    }
}

QStringList UserDefaults::stringArrayForKey(const QString& key) const
{
    const QVariant v = object(key);
    if (v.typeId() != QMetaType::QVariantList && v.typeId() != QMetaType::QStringList)
        return {};
    QStringList out;
    for (const QVariant& item : v.toList()) {
        if (item.typeId() != QMetaType::QString)
            return {};
        out.append(item.toString());
    }
    return out;
}

QVariantList UserDefaults::arrayForKey(const QString& key) const
{
    const QVariant v = object(key);
    if (v.typeId() != QMetaType::QVariantList && v.typeId() != QMetaType::QStringList)
        return {};
    return v.toList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const
{
    const QVariant v = object(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

bool UserDefaults::setValue(const QString& key, const QVariant& value)
{
    QVariantMap before;
    {
        QWriteLocker lock(&m_lock);
        before.insert(key, effectiveLocked(key));
        if (value.isValid())
            m_values.insert(key, value);
        else
            m_values.remove(key);
    }
    const bool saved = persist(key, value, false);
    notify({ key }, before);
    return saved;
}

bool UserDefaults::removePersistentDomain()
{
    QVariantMap before;
    QStringList keys;
    {
        QWriteLocker lock(&m_lock);
        keys = m_values.keys();
        for (const QString& key : keys)
            before.insert(key, effectiveLocked(key));
        m_values.clear();
    }
    const bool saved = persist({}, {}, true);
    notify(keys, before);
    return saved;
}

bool UserDefaults::persist(const QString& key, const QVariant& value, bool clearAll)
{
    // Merge into what is on disk now, so that a key the other program wrote meanwhile survives.
    QVariantMap onDisk;
    if (!clearAll && QFileInfo::exists(m_path)) {
        const PropertyListResult current = readPropertyListFile(m_path);
        if (current.ok())
            onDisk = current.value.toMap();
    }
    if (!clearAll) {
        if (value.isValid())
            onDisk.insert(key, value);
        else
            onDisk.remove(key);
    }

    QString error;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (const auto failure = writeFileAtomically(m_path, writePropertyList(onDisk)))
        error = failure->reason;
    QWriteLocker lock(&m_lock);
    if (!error.isEmpty())
        m_error = QStringLiteral("The settings file %1 could not be written: %2").arg(m_path, error);
    return error.isEmpty();
}

Observation UserDefaults::observe(const QString& key, QObject* context, Observer observer)
{
    auto entry = std::make_shared<Entry>();
    entry->key = key;
    entry->context = context;
    entry->hasContext = context != nullptr;
    entry->observer = std::move(observer);
    return m_observers.add(entry);
}

void UserDefaults::notify(const QStringList& keys, const QVariantMap& before)
{
    QStringList changed;
    {
        QReadLocker lock(&m_lock);
        for (const QString& key : keys) {
            if (effectiveLocked(key) != before.value(key))
                changed.append(key);
        }
    }
    if (changed.isEmpty())
        return;

    m_observers.removeIf([](const Entry& e) { return e.hasContext && e.context.isNull(); });
    const auto targets = m_observers.select([&](const Entry& e) { return changed.contains(e.key); });
    for (const auto& e : targets) {
        if (!e->active || (e->hasContext && e->context.isNull()))
            continue;
        e->observer(e->key);
    }
}

} // namespace penwick::platform
