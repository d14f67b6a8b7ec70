#pragma once

#include "RunningApplication.h"
#include "ShadowItem.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace penwick {

// Shadow scripts tell which documents a program has open. A script is an executable file named
// after the program's identifier (any extension ignored), shipped in the resources'
// "mini/ShadowScripts" or the user's "~/.penwick/ShadowScripts/" (the user's wins). It runs
// with no arguments and no shell, learns the program from PENWICK_APP_ID, PENWICK_APP_PID,
// PENWICK_APP_PATH, PENWICK_WINDOW_ID and PENWICK_WINDOW_TITLE, and answers on standard output
// with a JSON array of {"title": text, "path": text, "active": true or false (optional)}.
//
// A script that runs over 2 seconds is stopped; one that prints over 1 MiB, exits with an
// error, crashes or prints anything but such an array gives no entries, and the reason is
// logged once with the script's path.
class ShadowScripts {
public:
    static constexpr int kTimeoutMs = 2000;
    static constexpr qsizetype kMaxOutput = 1024 * 1024;

    // Identifier → script path, shipped first, then the user's.
    static QMap<QString, QString> collectScripts();
    // The folders searched, in order.
    static QStringList scriptFolders();

    // Runs the program's script, if any; its entries (none when it failed).
    static QList<ShadowItem> runScript(const QMap<QString, QString>& scripts, const RunningApplication& application);
    // Entries from a script's reply; none, with the reason, when it is not a JSON array.
    static QList<ShadowItem> parseReply(const QByteArray& reply, const RunningApplication& application, QString* error);
};

} // namespace penwick
