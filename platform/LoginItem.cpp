#include "platform/LoginItem.h"

#include "platform/AtomicFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace penwick::platform {

LoginItem::LoginItem(QString fileName, QString entry)
    : m_fileName(std::move(fileName))
    , m_entry(std::move(entry))
{
}

QString LoginItem::path() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/") + m_fileName;
}

bool LoginItem::isEnabled() const
{
    return QFileInfo(path()).isFile();
}

bool LoginItem::setEnabled(bool enabled, QString* error) const
{
    const QString file = path();
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    if (!enabled) {
        // With no autostart folder there is no entry; something else in its place means the
        // entries cannot be told apart from what is there.
        const QFileInfo folder(QFileInfo(file).absolutePath());
        if (folder.exists() && !folder.isDir())
            return fail(QStringLiteral("\"%1\" is not a folder").arg(folder.absoluteFilePath()));
        const QFileInfo info(file);
        if (!info.exists() && !info.isSymLink())
            return true;
        QFile entry(file);
        return entry.remove() || fail(QStringLiteral("Cannot remove \"%1\": %2").arg(file, entry.errorString()));
    }
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("Cannot create the folder \"%1\"").arg(folder));
    if (const auto failure = writeFileAtomically(file, m_entry.toUtf8()))
        return fail(QStringLiteral("Cannot write \"%1\": %2").arg(file, failure->reason));
    return true;
}

} // namespace penwick::platform
