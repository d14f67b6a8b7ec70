// Speaking a document into an audio file: the text reaches the synthesiser as data, the work
// leaves the GUI thread free and starts no process, and failures are told.
#include "FileSizeLimit.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "TestSupport.h"
#include "platform/speech/SpeechFileWriter.h"
#include "platform/text/TextView.h"
#include "shell/EditorViewControllerInterface.h"
#include "shell/TVXDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThreadPool>
#include <QTimer>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>
#include <sys/wait.h>

using namespace penwick;

namespace {

struct AiffInfo {
    bool aiffHeader = false;
    bool readable = false;
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    sf_count_t frames = 0;
};

// The file as libsndfile reads it back.
AiffInfo readAiff(const QString& path)
{
    AiffInfo result;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray head = file.read(12);
        result.aiffHeader = head.size() == 12 && head.startsWith("FORM") && head.mid(8, 4) == "AIFF";
    }
    SF_INFO info {};
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sound)
        return result;
    result.readable = true;
    result.format = info.format & SF_FORMAT_TYPEMASK;
    result.channels = info.channels;
    result.sampleRate = info.samplerate;
    // Count what can actually be read, not only what the header claims.
    std::vector<short> buffer(4096);
    sf_count_t got = 0;
    while ((got = sf_read_short(sound, buffer.data(), sf_count_t(buffer.size()))) > 0)
        result.frames += got;
    sf_close(sound);
    return result;
}

// The children of every thread of this process, as the kernel lists them.
QStringList childProcesses()
{
    QStringList children;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task) + QStringLiteral("/children"));
        if (file.open(QIODevice::ReadOnly))
            children += QString::fromLatin1(file.readAll()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return children;
}

class SpeechExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::temporaryFolder();
        document.setFileURL(QUrl::fromLocalFile(folder + QStringLiteral("/speech notes.md")));
        QObject::connect(&document, &TVXDocument::audioExportEnded, &document, [this](const QString& path, bool ok) {
            ended.append({ path, ok });
        });
    }

    // Exports `text` into `path` and waits for the end.
    void exportText(const QString& text, const QString& path)
    {
        document.setContents(text);
        document.editorViewController()->loadDocument();
        dialogs.savePanelAnswers.push_back(path);
        const qsizetype before = ended.size();
        document.exportAudioFile();
        ASSERT_TRUE(test::waitUntil([&] { return ended.size() > before; }, 120000)) << "the export never ended";
    }

    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    TVXDocument document;
    QString folder;
    QList<QPair<QString, bool>> ended;
};

TEST_F(SpeechExport, TheTextIsSpokenVerbatimAndNothingItSpellsIsRun)
{
    // Run from the test's folder, so that a command run from the text would leave its file here.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    const QString text = QStringLiteral("He said \"hello\" to $HOME and `whoami`, then $(touch pwned); "
                                        "a back\\slash \\\" and 'single' quotes.\nA second line\n\nand a third.");
    QDir().mkpath(folder + QStringLiteral("/spoken words"));
    const QString path = folder + QStringLiteral("/spoken words/my speech.aiff");
    exportText(text, path);
    QDir::setCurrent(previous);

    ASSERT_EQ(ended.size(), 1);
    EXPECT_EQ(ended[0].first, path);
    EXPECT_TRUE(ended[0].second);
    EXPECT_TRUE(dialogs.alerts.isEmpty()) << "success shows nothing";
    const AiffInfo info = readAiff(path);
    EXPECT_TRUE(info.aiffHeader);
    ASSERT_TRUE(info.readable);
    EXPECT_EQ(info.format, SF_FORMAT_AIFF);
    EXPECT_EQ(info.channels, 1);
    EXPECT_GT(info.sampleRate, 0);
    // A few seconds of speech, not a click.
    EXPECT_GT(info.frames, info.sampleRate * 2);
    for (const QString& place : { folder, previous, QDir::homePath(), QDir::tempPath() })
        EXPECT_FALSE(QFile::exists(place + QStringLiteral("/pwned"))) << place.toStdString();
    // Only the audio file was written beside it.
    EXPECT_EQ(QDir(folder + QStringLiteral("/spoken words")).entryList(QDir::Files | QDir::Hidden), QStringList { "my speech.aiff" });
}

TEST_F(SpeechExport, ALongTextLeavesTheGuiThreadFreeAndStartsNoProcess)
{
    QString text;
    while (text.size() < 20 * 1024)
        text += QStringLiteral("The quick brown fox jumps over the lazy dog, and the dog sleeps on. ");
    const QString path = folder + QStringLiteral("/long.aiff");
    document.setContents(text);
    document.editorViewController()->loadDocument();
    dialogs.savePanelAnswers.push_back(path);

    QElapsedTimer clock;
    QList<qint64> ticks;
    QStringList childrenSeen;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        ticks.append(clock.elapsed());
        childrenSeen += childProcesses();
    });
    clock.start();
    timer.start();
    document.exportAudioFile();
    const qint64 returned = clock.elapsed();
    ASSERT_TRUE(test::waitUntil([&] { return !ended.isEmpty(); }, 300000));
    const qint64 finished = clock.elapsed();
    timer.stop();

    ASSERT_TRUE(ended[0].second);
    EXPECT_LT(returned, 1000) << "the command returns before the speech is made";
    // The timer kept firing all along: no gap near the length of the export.
    ASSERT_GE(ticks.size(), 3);
    qint64 longestGap = ticks.first();
    for (qsizetype i = 1; i < ticks.size(); ++i)
        longestGap = std::max(longestGap, ticks[i] - ticks[i - 1]);
    longestGap = std::max(longestGap, finished - ticks.last());
    EXPECT_LT(longestGap * 2, finished) << "longest pause " << longestGap << " ms of " << finished << " ms";
    EXPECT_TRUE(childrenSeen.isEmpty()) << childrenSeen.join(' ').toStdString();
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD) << "no child process was ever left to collect";
    const AiffInfo info = readAiff(path);
    ASSERT_TRUE(info.readable);
    EXPECT_GT(info.frames, sf_count_t(info.sampleRate) * 60) << "twenty kilobytes take minutes to say";
}

TEST_F(SpeechExport, AnUnwritableTargetShowsAnAlertAndLeavesNothing)
{
    QFile plain(folder + QStringLiteral("/plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("a file where a folder should be");
    plain.close();
    QDir().mkpath(folder + QStringLiteral("/limited"));
    struct Case {
        const char* name;
        QString path;
        rlim_t sizeLimit; // 0: none
    };
    const Case cases[] = {
        { "under a regular file", folder + QStringLiteral("/plain/out.aiff"), 0 },
        { "file-size limit (a full disk)", folder + QStringLiteral("/limited/out.aiff"), 4096 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype before = ended.size();
        {
            std::optional<test::FileSizeLimit> limit;
            if (c.sizeLimit) {
                ASSERT_TRUE(limit.emplace(c.sizeLimit).isActive());
            }
            exportText(QStringLiteral("Nothing will be heard of this sentence, which is long enough to pass the limit."), c.path);
        }

        ASSERT_EQ(ended.size(), before + 1);
        EXPECT_FALSE(ended.last().second);
        ASSERT_EQ(dialogs.alerts.size(), before + 1);
        EXPECT_EQ(dialogs.alerts.last().messageText, "The audio file could not be exported.");
        EXPECT_TRUE(dialogs.alerts.last().informativeText.contains(c.path)) << dialogs.alerts.last().informativeText.toStdString();
        EXPECT_FALSE(QFile::exists(c.path));
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { "plain" });
    EXPECT_TRUE(QDir(folder + QStringLiteral("/limited")).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "no temporary file left";
}

TEST_F(SpeechExport, WithoutVoiceDataTheAlertTellsSoAndNothingIsLost)
{
    // The synthesiser's data with everything but the voices.
    const QString voiceless = folder + QStringLiteral("/voiceless data");
    const QDir systemData(QStringLiteral(PENWICK_ESPEAK_DATA_DIR));
    ASSERT_TRUE(QDir().mkpath(voiceless));
    ASSERT_TRUE(systemData.exists(QStringLiteral("phontab"))) << systemData.path().toStdString();
    for (const QString& entry : systemData.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (entry == QLatin1String("voices") || entry == QLatin1String("lang"))
            continue;
        ASSERT_TRUE(QFile::link(systemData.filePath(entry), voiceless + QLatin1Char('/') + entry)) << entry.toStdString();
    }
    QDir().mkpath(folder + QStringLiteral("/empty data"));
    struct Case {
        const char* name;
        QString dataPath;
    };
    const Case cases[] = {
        { "no voice in the data", voiceless },
        { "an empty data folder", folder + QStringLiteral("/empty data") },
        { "a missing data folder", folder + QStringLiteral("/no such data") },
    };
    // A take of an earlier export stays as it was.
    const QString path = folder + QStringLiteral("/spoken words.aiff");
    QFile earlier(path);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("an earlier take");
    earlier.close();
    const QString text = QStringLiteral("Words that no voice will say.");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SpeechFileWriter::setVoiceDataPath(c.dataPath);
        const qsizetype before = ended.size();
        exportText(text, path);
        ASSERT_EQ(ended.size(), before + 1);
        EXPECT_FALSE(ended.last().second);
        ASSERT_EQ(dialogs.alerts.size(), before + 1);
        EXPECT_EQ(dialogs.alerts.last().messageText, "The audio file could not be exported.");
        EXPECT_TRUE(dialogs.alerts.last().informativeText.contains(QLatin1String("voice data")))
            << dialogs.alerts.last().informativeText.toStdString();
        QFile kept(path);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), "an earlier take");
        EXPECT_EQ(document.editorViewController()->getEditorTextView()->string(), text);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { "spoken words.aiff" });

    // With its own data again the synthesiser speaks.
    platform::SpeechFileWriter::setVoiceDataPath(QString());
    exportText(text, path);
    EXPECT_TRUE(ended.last().second);
    EXPECT_EQ(dialogs.alerts.size(), std::size(cases));
    const AiffInfo info = readAiff(path);
    ASSERT_TRUE(info.readable);
    EXPECT_GT(info.frames, 0);
}

TEST_F(SpeechExport, ThePanelAsksForAnAiffBesideTheFileAndCancellingDoesNothing)
{
    document.exportAudioFile(); // no answer: cancelled
    ASSERT_EQ(dialogs.savePanels.size(), 1);
    const platform::SavePanelOptions& panel = dialogs.savePanels[0];
    EXPECT_EQ(panel.prompt, "Export Audio");
    EXPECT_EQ(panel.defaultSuffix, "aiff");
    EXPECT_EQ(panel.nameFilters, QStringList { "AIFF audio (*.aiff)" });
    EXPECT_EQ(panel.directory, folder);
    EXPECT_EQ(panel.nameFieldStringValue, "speech notes");
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_TRUE(ended.isEmpty());
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList {});
}

} // namespace
