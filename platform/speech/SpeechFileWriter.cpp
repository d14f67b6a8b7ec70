#include "platform/speech/SpeechFileWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QSaveFile>
#include <QThreadPool>

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>
#include <sndfile.h>

#include <mutex>

namespace penwick::platform {

namespace {

// The synthesiser keeps its state in globals: one synthesis at a time.
std::mutex& synthesiserMutex()
{
    static std::mutex mutex;
    return mutex;
}

QString statusMessage(espeak_ng_STATUS status)
{
    char buffer[512] = {};
    espeak_ng_GetStatusCodeMessage(status, buffer, sizeof buffer);
    return QString::fromLocal8Bit(buffer);
}

// libsndfile writes through these onto a QSaveFile, so the file appears complete or not at all.
struct Target {
    explicit Target(const QString& path) : file(path) {}
    QSaveFile file;
    bool writeFailed = false; // a write was refused or cut short
};

sf_count_t fileLength(void* data)
{
    return static_cast<Target*>(data)->file.size();
}

sf_count_t fileSeek(sf_count_t offset, int whence, void* data)
{
    QSaveFile* file = &static_cast<Target*>(data)->file;
    qint64 target = offset;
    if (whence == SEEK_CUR)
        target += file->pos();
    else if (whence == SEEK_END)
        target += file->size();
    if (target < 0 || !file->seek(target))
        return -1;
    return file->pos();
}

sf_count_t fileRead(void*, sf_count_t, void*)
{
    return 0; // written only
}

sf_count_t fileWrite(const void* bytes, sf_count_t count, void* data)
{
    auto* target = static_cast<Target*>(data);
    const qint64 written = target->file.write(static_cast<const char*>(bytes), count);
    if (written != count)
        target->writeFailed = true;
    return written < 0 ? 0 : written;
}

sf_count_t fileTell(void* data)
{
    return static_cast<Target*>(data)->file.pos();
}

struct Synthesis {
    SNDFILE* sound = nullptr;
    bool writeFailed = false;
};

int receiveSamples(short* samples, int count, espeak_EVENT* events)
{
    auto* synthesis = events ? static_cast<Synthesis*>(events->user_data) : nullptr;
    if (!synthesis || synthesis->writeFailed)
        return 1;
    if (samples && count > 0 && sf_write_short(synthesis->sound, samples, count) != count) {
        synthesis->writeFailed = true;
        return 1; // stops the synthesis
    }
    return 0;
}

// Set from any thread without waiting for a synthesis under way.
std::mutex voiceDataPathMutex;
QString voiceDataPathSetting;

QString voiceDataPath()
{
    std::lock_guard lock(voiceDataPathMutex);
    return voiceDataPathSetting;
}

// Loads the voice data once per process: again after a failure or when its folder changed.
std::optional<QString> ensureSynthesiser()
{
    static bool ready = false;
    static QString loadedFrom;
    const QString path = voiceDataPath();
    if (ready && loadedFrom == path)
        return std::nullopt;
    // Initialised again over the old state: ending the synthesiser first waits on its own
    // thread forever.
    ready = false;
    // The synthesiser would quietly fall back to its own data when the folder is missing.
    if (!path.isEmpty() && !QFileInfo(path).isDir())
        return QStringLiteral("No voice data for speech was found in \"%1\".").arg(path);
    const QByteArray encoded = QFile::encodeName(path);
    espeak_ng_InitializePath(path.isEmpty() ? nullptr : encoded.constData());
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (status == ENS_OK)
        status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
    if (status != ENS_OK)
        return QStringLiteral("No voice data for speech could be loaded (%1).").arg(statusMessage(status));
    // Without any voice the synthesiser still "speaks", with a built-in stand-in and no sounds.
    const espeak_VOICE** voices = espeak_ListVoices(nullptr);
    if (!voices || !voices[0])
        return QStringLiteral("No voice data for speech is installed.");
    status = espeak_ng_SetVoiceByName(ESPEAKNG_DEFAULT_VOICE);
    if (status != ENS_OK)
        return QStringLiteral("No voice data for speech could be loaded (%1).").arg(statusMessage(status));
    espeak_SetSynthCallback(&receiveSamples);
    ready = true;
    loadedFrom = path;
    return std::nullopt;
}

} // namespace

std::optional<SpeechFileWriter::Error> SpeechFileWriter::speakToFileNow(const QString& text, const QString& path)
{
    std::lock_guard lock(synthesiserMutex());
    if (auto error = ensureSynthesiser())
        return error;

    Target target(path);
    QSaveFile& file = target.file;
    // Unbuffered: a write cut short shows at once rather than vanishing in the final flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());

    SF_VIRTUAL_IO io { &fileLength, &fileSeek, &fileRead, &fileWrite, &fileTell };
    SF_INFO info {};
    info.samplerate = espeak_ng_GetSampleRate();
    info.channels = 1;
    info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    Synthesis synthesis;
    synthesis.sound = sf_open_virtual(&io, SFM_WRITE, &info, &target);
    if (!synthesis.sound) {
        file.cancelWriting();
        return QStringLiteral("Cannot write \"%1\": %2").arg(path, QString::fromLocal8Bit(sf_strerror(nullptr)));
    }

    // A NUL would end the text early.
    QByteArray bytes = QString(text).replace(QChar(0), QLatin1Char(' ')).toUtf8();
    const espeak_ng_STATUS status = espeak_ng_Synthesize(bytes.constData(), size_t(bytes.size()) + 1, 0, POS_CHARACTER, 0,
        espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, &synthesis);
    espeak_ng_Synchronize();
    const bool closed = sf_close(synthesis.sound) == 0;

    if (synthesis.writeFailed || target.writeFailed || !closed || file.error() != QFileDevice::NoError) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("the disk refused part of the file");
        file.cancelWriting();
        return QStringLiteral("Cannot write \"%1\": %2").arg(path, reason);
    }
    if (status != ENS_OK) {
        file.cancelWriting();
        return QStringLiteral("The text could not be spoken (%1).").arg(statusMessage(status));
    }
    if (!file.commit())
        return QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());
    return std::nullopt;
}

void SpeechFileWriter::setVoiceDataPath(const QString& path)
{
    std::lock_guard lock(voiceDataPathMutex);
    voiceDataPathSetting = path;
}

void SpeechFileWriter::speakToFile(const QString& text, const QString& path, QObject* context, Completion done)
{
    QPointer<QObject> target(context);
    QThreadPool::globalInstance()->start([text, path, target, done = std::move(done)]() mutable {
        const std::optional<Error> error = speakToFileNow(text, path);
        // Handed to the GUI thread, which alone may tell whether the context still exists.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target, error, done = std::move(done)] {
                if (target && done)
                    done(error);
            },
            Qt::QueuedConnection);
    });
}

} // namespace penwick::platform
