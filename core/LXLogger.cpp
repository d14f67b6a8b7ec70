#include "LXLogger.h"

#include "platform/SystemLog.h"

#include <cerrno>
#include <cstdio>

namespace penwick {

namespace {

// One call per line, so that lines from several threads never interleave; flushed, so that
// a terminal, a pipe or a file sees the line when it happens.
void writeLine(std::FILE* stream, const char* prefix, const QString& message)
{
    const QByteArray line = prefix + message.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stream);
    std::fflush(stream);
}

} // namespace

LXLogger::LXLogger(QString tag)
    : m_tag(tag.isEmpty() ? QString::fromLocal8Bit(program_invocation_short_name) : std::move(tag))
{
}

void LXLogger::error(const QString& message)
{
    writeLine(stdout, "Error: ", message);
    platform::SystemLog::write(platform::SystemLog::Severity::Error, m_tag, message);
}

void LXLogger::warning(const QString& message)
{
    writeLine(stderr, "Warning: ", message);
}

void LXLogger::debug(const QString&) {}
void LXLogger::critical(const QString&) {}
void LXLogger::info(const QString&) {}

LXLogger& log()
{
    static LXLogger logger;
    return logger;
}

} // namespace penwick
