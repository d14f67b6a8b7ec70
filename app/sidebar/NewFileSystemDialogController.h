#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace penwick {

// The modal dialog that names a new file or folder inside a folder, checks the name as
// it is typed and creates the item. Create stays disabled until the name is usable.
class NewFileSystemDialogController : public QDialog {
    Q_OBJECT
public:
    static constexpr int CancelTag = 0;
    static constexpr int CreateTag = 1;

    // `type` is "file" or "folder" (any case).
    NewFileSystemDialogController(const QString& type, const QString& baseFolder, QWidget* parent = nullptr);

    // Runs the dialog; the path of the item created, or nothing when cancelled.
    static std::optional<QString> runForType(const QString& type, const QString& baseFolder);

    QString type() const { return m_type; }
    QString baseFolder() const { return m_baseFolder; }
    std::optional<QString> newItemPath() const { return m_newItemPath; }

    QLabel* titleLabel() const { return m_titleLbl; }
    QLineEdit* nameTextField() const { return m_nameTextField; }
    QLabel* messageLabel() const { return m_messageLbl; }
    QPushButton* cancelButton() const { return m_cancelBtn; }
    QPushButton* createButton() const { return m_createBtn; }

    // Checks the name after each edit.
    void controlTextDidChange();
    // Creates (tag 1) or cancels (tag 0).
    void createOrCancel(int tag);

private:
    QString trimmedName() const;
    // The cleaned path of `name` in the base folder; nothing when it would lie outside it.
    std::optional<QString> pathInsideBaseFolder(const QString& name) const;
    bool create(const QString& path);

    QString m_type;
    QString m_baseFolder;
    std::optional<QString> m_newItemPath;
    QLabel* m_titleLbl;
    QLineEdit* m_nameTextField;
    QLabel* m_messageLbl;
    QPushButton* m_cancelBtn;
    QPushButton* m_createBtn;
};

} // namespace penwick
