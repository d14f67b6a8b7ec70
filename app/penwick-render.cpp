// Penwick's render process: renders the Markdown of the preview off Penwick's own process,
// so that a document that takes the engine too long can be given up by ending this process.
// Requests come on standard input and answers go to standard output, one frame each
// (RenderMessages); it ends when its input closes.
#include "preview/RenderMessages.h"

#include <QCoreApplication>

#include <unistd.h>

namespace {

bool readAll(char* data, size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(STDIN_FILENO, data, size);
        if (got <= 0)
            return false;
        data += got;
        size -= size_t(got);
    }
    return true;
}

bool writeAll(const QByteArray& bytes)
{
    const char* data = bytes.constData();
    size_t size = size_t(bytes.size());
    while (size > 0) {
        const ssize_t put = ::write(STDOUT_FILENO, data, size);
        if (put <= 0)
            return false;
        data += put;
        size -= size_t(put);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    for (;;) {
        QByteArray buffer(4, '\0');
        if (!readAll(buffer.data(), 4))
            return 0;
        const quint32 length = (quint32(uchar(buffer[0])) << 24) | (quint32(uchar(buffer[1])) << 16) | (quint32(uchar(buffer[2])) << 8)
            | quint32(uchar(buffer[3]));
        buffer.resize(4 + qsizetype(length));
        if (!readAll(buffer.data() + 4, length))
            return 0;
        const std::optional<QByteArray> payload = penwick::RenderMessages::take(buffer);
        const std::optional<penwick::RenderRequest> request = payload ? penwick::RenderMessages::readRequest(*payload) : std::nullopt;
        if (!request)
            return 1;
        if (!writeAll(penwick::RenderMessages::frame(penwick::RenderMessages::answer(*request))))
            return 0;
    }
}
