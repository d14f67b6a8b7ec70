#pragma once

#include "Models/RecordSupport.h"

#include <QLineEdit>
#include <QPointer>
#include <QToolButton>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QLabel;

namespace penwick {

class MarkdownHighlighter;
class NoteWriter;
class TextEditorView;

// The base of PenwickMini's note pages: a highlighted Markdown text view, a title field and
// the preview button (enabled only while there is visible text), in PenwickMini's light or
// dark theme. The pages fill in the save hooks; the popover talks to a page only through them.
// The page's appearance events are its own show and hide.
class EditViewController : public QWidget {
    Q_OBJECT
public:
    explicit EditViewController(QWidget* parent = nullptr);
    ~EditViewController() override;

    TextEditorView* textEditor() const { return m_textEditor; }
    QLineEdit* titleField() const { return m_titleField; }
    QToolButton* togglePreviewBtn() const { return m_togglePreviewBtn; }
    MarkdownHighlighter* highlighter() const { return m_highlighter; }
    // The line above the text that says when notes cannot be stored; hidden while they can.
    QLabel* storeNotice() const { return m_storeNotice; }

    // --- Hooks of the pages ---
    // Writes the note; the error when that failed. The base writes nothing and succeeds.
    virtual std::optional<StoreError> saveDocument();
    // The loaded note is no longer transient, so that a later save writes it.
    virtual void becomeInTransient() {}
    // Whether the save-note command is enabled.
    virtual bool canSaveNote() const { return false; }
    // Called when the page is about to be shown and hidden.
    virtual void viewWillAppear();
    virtual void viewWillDisappear() {}

    void setupEditor();
    void setPreviewState();
    // Loads PenwickMini's theme `name` ("LightTheme", "DarkTheme"); false when it is missing
    // or unreadable (the highlighter then keeps its styles).
    bool applyStyle(const QString& name);
    // The theme the editor shows now.
    QString appliedStyle() const { return m_appliedStyle; }
    void saveDocumentWithoutThrowing();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Puts a note's text into the view as a load: it does not count as typing.
    void setEditorText(const QString& text);
    // The row above the editor; pages add their controls to it.
    QHBoxLayout* headerLayout() const { return m_header; }
    QHBoxLayout* footerLayout() const { return m_footer; }

private:
    void textDidChange();
    // Shows the note writer's trouble, if any, and follows it.
    void followNoteWriter();

    TextEditorView* m_textEditor = nullptr;
    QPointer<QLineEdit> m_titleField;
    QPointer<QToolButton> m_togglePreviewBtn;
    MarkdownHighlighter* m_highlighter = nullptr;
    QHBoxLayout* m_header = nullptr;
    QHBoxLayout* m_footer = nullptr;
    QString m_appliedStyle;
    QLabel* m_storeNotice = nullptr;
    QPointer<NoteWriter> m_followedWriter;
    QMetaObject::Connection m_writerConnection;
    bool m_loading = false;
};

} // namespace penwick
