// A program that writes an untitled document's temporary copy over and over, for the tests
// that kill a writer mid-write. Each text is self-describing ("copy <n> <length>\n" and that
// many characters) so that a reader can tell a whole copy from a torn one.
//   penwick_copy_writer <count>
// Prints "writing <n>" before and "wrote <n>" after each write (the copy's folder comes from
// XDG_DATA_HOME as in the program).
#include "shell/EditorViewControllerInterface.h"
#include "shell/TVXDocument.h"

#include <QApplication>

#include <cstdio>

using namespace penwick;

namespace {

void say(const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

// An editor that is only its text: the copy writer is what is under test, not the text view.
class TextOnlyEditor : public QObject, public EditorViewControllerInterface {
public:
    QObject* asQObject() override { return this; }
    void updateDocument() override {}
    void refreshIcon() override {}
    void loadDocument() override {}
    void setTitle(const QString&) override {}
    std::optional<QString> getTextStorage(bool) override { return text; }
    platform::TextView* getEditorTextView() override { return nullptr; }
    QWidget* view() const override { return nullptr; }
    bool changedSinceLastTempAutoSave() const override { return changed; }
    void setChangedSinceLastTempAutoSave(bool value) override { changed = value; }
    void removeDelegates() override {}

    QString text;
    bool changed = false;
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 64;
    const int count = QByteArray(argv[1]).toInt();
    TextOnlyEditor* editor = nullptr;
    TVXDocument::setEditorViewControllerFactory([&editor](TVXDocument*) { return editor = new TextOnlyEditor; });
    TVXDocument document;
    document.editorViewController();
    for (int n = 1; n <= count; ++n) {
        const int length = 200000 + (n * 7919) % 300000;
        editor->text = QStringLiteral("copy %1 %2\n").arg(n).arg(length) + QString(length, QChar(u'a' + n % 26));
        editor->changed = true;
        say("writing " + QByteArray::number(n));
        if (!document.autoSaveToTempFile())
            return 1;
        say("wrote " + QByteArray::number(n));
    }
    return 0;
}
