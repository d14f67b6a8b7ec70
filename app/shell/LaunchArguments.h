#pragma once

#include <QByteArray>
#include <QDir>
#include <QStringList>

#include <optional>

namespace penwick {

// What Penwick's command line asks for: "clean" (forget the stored settings) and the files and
// folders to open, made absolute against the folder Penwick was started in.
struct LaunchArguments {
    bool clean = false;
    QStringList paths;

    // `arguments` without the program itself; options (starting with "-") are not paths.
    static LaunchArguments parse(const QStringList& arguments, const QDir& workingDirectory = QDir::current());

    // The message a second start hands to the running Penwick, and back.
    QByteArray toMessage() const;
    static std::optional<QStringList> pathsFromMessage(const QByteArray& message);
};

} // namespace penwick
