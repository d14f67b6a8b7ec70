#include "shell/LaunchArguments.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace penwick {

LaunchArguments LaunchArguments::parse(const QStringList& arguments, const QDir& workingDirectory)
{
    LaunchArguments result;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument == QLatin1String("clean")) {
            result.clean = true;
            continue;
        }
        if (argument.isEmpty() || (!optionsEnded && argument.startsWith(QLatin1Char('-'))))
            continue;
        result.paths.append(QDir::cleanPath(workingDirectory.absoluteFilePath(argument)));
    }
    return result;
}

QByteArray LaunchArguments::toMessage() const
{
    QJsonObject message;
    message.insert(QStringLiteral("open"), QJsonArray::fromStringList(paths));
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

std::optional<QStringList> LaunchArguments::pathsFromMessage(const QByteArray& message)
{
    const QJsonDocument document = QJsonDocument::fromJson(message);
    const QJsonValue open = document.object().value(QStringLiteral("open"));
    if (!document.isObject() || !open.isArray())
        return std::nullopt;
    QStringList paths;
    for (const QJsonValue& value : open.toArray()) {
        if (value.isString() && QDir::isAbsolutePath(value.toString()))
            paths.append(value.toString());
    }
    return paths;
}

} // namespace penwick
