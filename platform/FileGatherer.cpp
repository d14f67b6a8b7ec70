#include "platform/FileGatherer.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace penwick::platform {

namespace {

struct Found {
    std::string path;
    std::size_t nameStart; // where the file name begins in `path`
};

void walkFolder(const std::string& folder, std::vector<Found>& out)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return; // unreadable or gone: passed over
    std::vector<std::string> folders;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue; // hidden, and "." and ".."
        std::string path = folder;
        if (path.back() != '/')
            path += '/';
        const std::size_t nameStart = path.size();
        path += entry->d_name;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::lstat(path.c_str(), &st) != 0)
                continue;
            type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_LNK;
        }
        if (type == DT_REG)
            out.push_back({ std::move(path), nameStart });
        else if (type == DT_DIR)
            folders.push_back(std::move(path));
        // Links, devices, sockets and pipes are not files to open.
    }
    ::closedir(dir);
    for (const std::string& sub : folders)
        walkFolder(sub, out);
}

} // namespace

FileGatherer::FileGatherer(QObject* parent)
    : QObject(parent)
{
}

FileGatherer::~FileGatherer() { *m_alive = false; }

void FileGatherer::setRoots(const QStringList& roots)
{
    if (roots == m_roots)
        return;
    m_roots = roots;
    markStale();
}

void FileGatherer::markStale()
{
    m_stale = true;
    ++m_generation;
}

QStringList FileGatherer::walk(const QStringList& roots)
{
    std::vector<Found> found;
    for (const QString& root : roots) {
        const std::string native = QFile::encodeName(root).toStdString();
        struct stat st {};
        if (native.empty() || ::lstat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue; // missing, or not a folder
        walkFolder(native, found);
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.path.compare(a.nameStart, std::string::npos, b.path, b.nameStart, std::string::npos) < 0;
    });
    QStringList paths;
    paths.reserve(qsizetype(found.size()));
    for (const Found& f : found)
        paths.append(QFile::decodeName(QByteArray::fromStdString(f.path)));
    return paths;
}

void FileGatherer::request()
{
    m_requested = true;
    if (m_walking || m_deliveryQueued)
        return;
    if (m_stale) {
        startWalk();
        return;
    }
    m_deliveryQueued = true;
    QMetaObject::invokeMethod(this, &FileGatherer::deliver, Qt::QueuedConnection);
}

void FileGatherer::startWalk()
{
    m_walking = true;
    m_stale = false;
    ++m_walkCount;
    const quint64 generation = m_generation;
    const QStringList roots = m_roots;
    const std::shared_ptr<bool> alive = m_alive;
    QPointer<FileGatherer> self(this);
    QThread* worker = QThread::create([roots, generation, self, alive] {
        QStringList paths = walk(roots);
        QMetaObject::invokeMethod(
            qApp,
            [self, alive, generation, paths = std::move(paths)] {
                if (*alive && self)
                    self->walkFinished(generation, paths);
            },
            Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void FileGatherer::walkFinished(quint64 generation, const QStringList& paths)
{
    m_walking = false;
    m_list = paths;
    // Roots changed or something changed under them during the walk: use this list now,
    // but walk again next time.
    if (generation != m_generation)
        m_stale = true;
    deliver();
}

void FileGatherer::deliver()
{
    m_deliveryQueued = false;
    if (!std::exchange(m_requested, false))
        return;
    emit gathered(m_list);
}

} // namespace penwick::platform
