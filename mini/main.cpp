#include "CoreSetup.h"
#include "platform/ApplicationStartup.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (!penwick::platform::hasDisplay()) {
        std::fputs(qPrintable(penwick::platform::noDisplayMessage(QStringLiteral("PenwickMini"), QString::fromLocal8Bit(argv[0]))), stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenwickMini"));
    QApplication::setQuitOnLastWindowClosed(false);
    penwick::registerBundledDefaults();
    return app.exec();
}
