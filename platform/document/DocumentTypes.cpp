#include "platform/document/DocumentTypes.h"
#include "platform/FileNames.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <vector>

#include <sys/stat.h>

namespace penwick::platform {

namespace {

// One row: a type is of the kind when it is, or descends from, one of `roots`, or its name
// or an ancestor's starts with one of `prefixes`; unless it descends from one of `unless`.
// A kind may take several rows.
struct KindRule {
    QString identifier;
    QStringList roots;
    QStringList prefixes;
    QStringList unless;
};

const std::vector<KindRule>& kindTable()
{
    static const std::vector<KindRule> table = {
        { DocumentTypes::PlainText, { QStringLiteral("text/plain") }, {}, {} },
        { DocumentTypes::Text, { QStringLiteral("text/plain") }, { QStringLiteral("text/") }, {} },
        { DocumentTypes::HTML, { QStringLiteral("text/html"), QStringLiteral("application/xhtml+xml") }, {}, {} },
        { DocumentTypes::XML, { QStringLiteral("application/xml"), QStringLiteral("text/xml") }, {}, {} },
        // Every file is data; a folder is not.
        { DocumentTypes::Data, { QStringLiteral("application/octet-stream") }, { QStringLiteral("text/") }, {} },
        { DocumentTypes::Image, {}, { QStringLiteral("image/") }, {} },
        { DocumentTypes::AudiovisualContent, {}, { QStringLiteral("audio/"), QStringLiteral("video/") }, {} },
        { DocumentTypes::Directory, { QStringLiteral("inode/directory") }, {}, {} },
        // Programs and launchers. Scripts and JSON descend from the executable type too, but
        // they are text and open as documents.
        { DocumentTypes::Application, { QStringLiteral("application/x-executable") }, {}, { QStringLiteral("text/plain") } },
        { DocumentTypes::Application, { QStringLiteral("application/x-desktop") }, {}, {} },
    };
    return table;
}

QMimeDatabase& database()
{
    thread_local QMimeDatabase db;
    return db;
}

bool matches(const QMimeType& mime, const KindRule& rule)
{
    QStringList lineage = mime.allAncestors();
    lineage.prepend(mime.name());
    for (const QString& name : rule.unless) {
        if (lineage.contains(name))
            return false;
    }
    for (const QString& name : lineage) {
        if (rule.roots.contains(name))
            return true;
        for (const QString& prefix : rule.prefixes) {
            if (name.startsWith(prefix))
                return true;
        }
    }
    return false;
}

} // namespace

QString DocumentTypes::typeOfFile(const QString& path)
{
    // The content is looked at only for a regular file: a pipe or a device would never end.
    struct stat info {};
    if (::stat(encodeFileName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        if (S_ISFIFO(info.st_mode))
            return QStringLiteral("inode/fifo");
        if (S_ISCHR(info.st_mode))
            return QStringLiteral("inode/chardevice");
        if (S_ISBLK(info.st_mode))
            return QStringLiteral("inode/blockdevice");
        return QStringLiteral("inode/socket");
    }
    return database().mimeTypeForFile(path).name();
}

QString DocumentTypes::typeForFileName(const QString& fileName)
{
    return database().mimeTypeForFile(QFileInfo(fileName).fileName(), QMimeDatabase::MatchExtension).name();
}

bool DocumentTypes::conformsTo(const QString& type, const QString& identifier)
{
    QMimeType mime = database().mimeTypeForName(type);
    if (!mime.isValid())
        mime = database().mimeTypeForName(QStringLiteral("application/octet-stream"));
    for (const KindRule& rule : kindTable()) {
        if (rule.identifier == identifier && matches(mime, rule))
            return true;
    }
    return false;
}

QStringList DocumentTypes::kindsOf(const QString& type)
{
    QStringList kinds;
    for (const KindRule& rule : kindTable()) {
        if (!kinds.contains(rule.identifier) && conformsTo(type, rule.identifier))
            kinds.append(rule.identifier);
    }
    return kinds;
}

} // namespace penwick::platform
