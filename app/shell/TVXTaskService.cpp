#include "shell/TVXTaskService.h"

#include <QProcess>
#include <QStringDecoder>

namespace penwick {

std::optional<QString> TVXTaskService::runCommand(const QString& commandLine)
{
    QProcess task;
    task.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    task.setInputChannelMode(QProcess::ForwardedInputChannel);
    task.start(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), commandLine });
    QByteArray output;
    if (task.waitForStarted(-1)) {
        while (task.state() != QProcess::NotRunning) {
            task.waitForReadyRead(-1);
            output += task.readAllStandardOutput();
        }
        output += task.readAllStandardOutput();
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(output);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace penwick
