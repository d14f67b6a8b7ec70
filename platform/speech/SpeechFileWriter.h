#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace penwick::platform {

// Speaks a text into an AIFF file (16-bit mono) with the speech synthesiser linked into the
// program. The text is handed over as data: nothing runs a shell or another program. Work runs
// on a pool thread; one synthesis at a time in the process, since the synthesiser is global.
class SpeechFileWriter {
public:
    // The reason of a failure, for an alert.
    using Error = QString;
    using Completion = std::function<void(const std::optional<Error>& error)>;

    // Starts speaking `text` into `path`; `done` runs on the GUI thread once the file is
    // complete (no error) or not written (the error; nothing is left at `path`). Nothing runs
    // when `context` is gone by then.
    static void speakToFile(const QString& text, const QString& path, QObject* context, Completion done);

    // The same work on the calling thread.
    static std::optional<Error> speakToFileNow(const QString& text, const QString& path);

    // The folder the voice data is read from; empty: the synthesiser's own. Takes effect at the
    // next synthesis.
    static void setVoiceDataPath(const QString& path);
};

} // namespace penwick::platform
