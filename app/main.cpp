#include "CoreSetup.h"
#include "TextEditor/TextEditorView.h"
#include "platform/ApplicationStartup.h"

#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (!penwick::platform::hasDisplay()) {
        std::fputs(qPrintable(penwick::platform::noDisplayMessage(QStringLiteral("Penwick"), QString::fromLocal8Bit(argv[0]))), stderr);
        return 2;
    }
    penwick::platform::prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Penwick"));
    QApplication::setOrganizationDomain(QStringLiteral("penwick.org"));
    penwick::registerBundledDefaults();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Penwick"));
    window.setCentralWidget([&window] { auto* editor = new penwick::TextEditorView(&window); editor->awakeFromNib(); return editor; }());
    window.resize(900, 640);
    window.show();
    return app.exec();
}
