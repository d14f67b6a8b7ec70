// Database timings: storing and querying 10,000 notes, and how long a commit made by another
// process takes to reach this one as a change notification.
//   bench_database [benchmark options]
// The program starts a copy of itself with "--writer <folder>" as the other process.
#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "Models/Snippet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

using namespace penwick;

namespace {

constexpr int kNotes = 10000;

qint64 steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

ScratchDocument makeNote(int i)
{
    ScratchDocument note;
    note.setId(makeRecordId());
    note.setTitle(QStringLiteral("Note %1").arg(i));
    note.setContent(QStringLiteral("# Heading %1\n\nSome *Markdown* text for note %1, long enough to look like a real note.\n").arg(i));
    note.setCreatedDate(QDateTime::currentDateTimeUtc());
    note.setUpdatedDate(note.createdDate());
    return note;
}

// A fresh database in its own folder for each benchmark run.
struct FreshDatabase {
    QTemporaryDir dir;
    FreshDatabase() { RealmSetup::setupInFolder(dir.path()); }
    ~FreshDatabase() { RealmSetup::close(); }
};

void fill(int count)
{
    const auto error = Realm::write([&](RealmTransaction& tx) {
        for (int i = 0; i < count; ++i)
            tx.add(makeNote(i));
    });
    if (error)
        std::cerr << error->message.toStdString() << '\n';
}

void BM_InsertNotesInOneTransaction(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        FreshDatabase db;
        QList<ScratchDocument> notes;
        for (int i = 0; i < kNotes; ++i)
            notes << makeNote(i);
        state.ResumeTiming();
        const auto error = Realm::write([&](RealmTransaction& tx) {
            for (const auto& n : notes)
                tx.add(n);
        });
        benchmark::DoNotOptimize(error);
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_InsertNotesInOneTransaction)->Unit(benchmark::kMillisecond);

void BM_InsertNotesOneTransactionEach(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        FreshDatabase db;
        state.ResumeTiming();
        for (int i = 0; i < kNotes; ++i) {
            const ScratchDocument note = makeNote(i);
            const auto error = Realm::write([&](RealmTransaction& tx) { tx.add(note); });
            benchmark::DoNotOptimize(error);
        }
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_InsertNotesOneTransactionEach)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FetchAllOf10000Notes(benchmark::State& state)
{
    FreshDatabase db;
    fill(kNotes);
    for (auto _ : state) {
        const auto notes = ScratchDocument::fetchAllItems();
        if (notes.size() != kNotes)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(notes);
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_FetchAllOf10000Notes)->Unit(benchmark::kMillisecond);

void BM_NoteByIdAmong10000(benchmark::State& state)
{
    FreshDatabase db;
    fill(kNotes);
    const auto ids = [] {
        QStringList list;
        for (const auto& n : ScratchDocument::fetchAllItems())
            list << n.id().toUpper();
        return list;
    }();
    int i = 0;
    for (auto _ : state) {
        auto note = Realm::objectForPrimaryKey<ScratchDocument>(ids[i++ % ids.size()]);
        benchmark::DoNotOptimize(note);
    }
}
BENCHMARK(BM_NoteByIdAmong10000);

void BM_FindByShortcutAmong10000Snippets(benchmark::State& state)
{
    FreshDatabase db;
    const auto error = Realm::write([](RealmTransaction& tx) {
        for (int i = 0; i < kNotes; ++i) {
            Snippet s;
            s.setId(makeRecordId());
            s.setShortcut(QStringLiteral("snip%1").arg(i));
            s.setContent(QStringLiteral("text %1").arg(i));
            tx.add(s);
        }
    });
    benchmark::DoNotOptimize(error);
    int i = 0;
    for (auto _ : state) {
        auto found = Snippet::findByShortcut(QStringLiteral("snip%1.h").arg(i++ % kNotes));
        if (!found || !found->snippet)
            state.SkipWithError("not found");
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_FindByShortcutAmong10000Snippets);

// From the end of the other process's commit to the notification here.
void BM_NotificationLatencyFromAnotherProcess(benchmark::State& state)
{
    FreshDatabase db;
    QProcess writer;
    writer.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--writer"), db.dir.path() });
    if (!writer.waitForStarted(10000)) {
        state.SkipWithError("the writer did not start");
        return;
    }
    qint64 notifiedAt = 0;
    auto token = Realm::observe<ScratchDocument>(nullptr, [&](const platform::store::StoreChange& change) {
        if (change.external)
            notifiedAt = steadyNanoseconds();
    });
    for (auto _ : state) {
        // Start each commit at a random point of the poll period, not right after a poll.
        QElapsedTimer pause;
        pause.start();
        const int pauseMs = QRandomGenerator::global()->bounded(150);
        while (pause.elapsed() < pauseMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        notifiedAt = 0;
        writer.write("go\n");
        writer.waitForBytesWritten(1000);
        QElapsedTimer timeout;
        timeout.start();
        while (notifiedAt == 0 && timeout.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        while (!writer.canReadLine() && writer.waitForReadyRead(5000)) { }
        const qint64 committedAt = writer.readLine().trimmed().toLongLong();
        if (notifiedAt == 0 || committedAt == 0) {
            state.SkipWithError("no notification");
            break;
        }
        state.SetIterationTime(double(notifiedAt - committedAt) / 1e9);
    }
    writer.closeWriteChannel();
    writer.waitForFinished(5000);
}
BENCHMARK(BM_NotificationLatencyFromAnotherProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

int runWriter(const QString& folder)
{
    if (!RealmSetup::setupInFolder(folder))
        return 1;
    std::string line;
    int i = 0;
    while (std::getline(std::cin, line)) {
        const ScratchDocument note = makeNote(i++);
        if (Realm::write([&](RealmTransaction& tx) { tx.add(note); }))
            return 1;
        std::printf("%lld\n", static_cast<long long>(steadyNanoseconds()));
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == "--writer")
        return runWriter(QString::fromLocal8Bit(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
