#pragma once

#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace penwick {

class MarkdownHighlighter;
class TextEditorView;

// The window in which the user writes one new snippet: a shortcut (checked against the
// stored ones as the user types), a description, a group and the Markdown text. Save
// stores it in the database, filing it under its group (made when new; "None" when
// none is given); Cancel stores nothing.
class SnippetsWindowController : public QWidget {
    Q_OBJECT
public:
    explicit SnippetsWindowController(QWidget* parent = nullptr);
    ~SnippetsWindowController() override;

    // Loads and applies the editor theme of that name from the shipped themes.
    void applyStyle(const QString& themeName);
    // Stores the snippet; the window closes only once the database has it.
    void save();
    void cancel();

    QLineEdit* shortcutField() const { return m_shortcutField; }
    QLabel* shortcutErrorLbl() const { return m_shortcutErrorLbl; }
    QLineEdit* descriptionField() const { return m_descriptionField; }
    QComboBox* groupComboBox() const { return m_groupComboBox; }
    QLabel* errorLbl() const { return m_errorLbl; }
    QPushButton* cancelBtn() const { return m_cancelBtn; }
    QPushButton* saveBtn() const { return m_saveBtn; }
    TextEditorView* snippetTextView() const { return m_snippetTextView; }
    MarkdownHighlighter* highlighter() const { return m_highlighter; }
    const QStringList& existingShortcuts() const { return m_existingShortcuts; }

    static QString themeName() { return QStringLiteral("Penwick Light"); }

private:
    void windowDidLoad();
    void setupEditor();
    void controlTextDidChange();
    void textDidChange();
    void validate();
    QString content() const;

    QLineEdit* m_shortcutField;
    QLabel* m_shortcutErrorLbl;
    QLineEdit* m_descriptionField;
    QComboBox* m_groupComboBox;
    QLabel* m_errorLbl;
    QPushButton* m_cancelBtn;
    QPushButton* m_saveBtn;
    TextEditorView* m_snippetTextView;
    MarkdownHighlighter* m_highlighter = nullptr;
    QStringList m_existingShortcuts;
};

} // namespace penwick
