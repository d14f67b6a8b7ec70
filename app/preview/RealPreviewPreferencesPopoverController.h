#pragma once

#include "Extensions/FileManagerAdditions.h"
#include "platform/Popover.h"

#include <QString>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace penwick {

class RealPreviewPreferencesPopoverDelegate;

// The add-site popover of the Real Preview pane: address, name and kind of a site (with the
// post and header classes for kind Other). Add checks the form, fetches the page, caches it
// prepared for its kind, stores a new RealPreviewItem and, once that is committed, tells the
// delegate. Failures show one line in the error label and store nothing.
class RealPreviewPreferencesPopoverController : public platform::Popover {
    Q_OBJECT
public:
    static inline const QString kFetchError = QStringLiteral("Error accessing the URL. Please try again");

    explicit RealPreviewPreferencesPopoverController(QWidget* parent = nullptr);

    void setPopoverDelegate(RealPreviewPreferencesPopoverDelegate* delegate) { m_popoverDelegate = delegate; }

    // Clears the form: empty fields, kind Other, class fields enabled.
    void viewWillAppear() override;
    void blogTypeChanged();
    void add();

    // Writes the prepared page to the cache file of a new id made from the name, and answers
    // that id; nothing when the write fails (`error` then says why).
    static std::optional<QString> cacheRealPreviewItemFile(const QString& page, const QString& siteName, FileError* error = nullptr);
    // The name without spaces and "/" (so the file stays in the cache folder), "_" and a new
    // upper-case UUID.
    static QString makeSiteId(const QString& siteName);

    QLineEdit* urlTextField() const { return m_urlTextField; }
    QLineEdit* nameTextField() const { return m_nameTextField; }
    QComboBox* blogTypePopUpBtn() const { return m_blogTypePopUpBtn; }
    QLineEdit* postClassTextField() const { return m_postClassTextField; }
    QLineEdit* headerClassTextField() const { return m_headerClassTextField; }
    QPushButton* addBtn() const { return m_addBtn; }
    QLabel* errorLbl() const { return m_errorLbl; }
    QProgressBar* progressIndicator() const { return m_progressIndicator; }
    bool isBusy() const;

private:
    qint64 selectedKind() const;
    void showError();
    void startSpinner();
    void stopSpinner();
    void pageFetched(const QString& body);
    void store(const QString& id);

    QLineEdit* m_urlTextField = nullptr;
    QLineEdit* m_nameTextField = nullptr;
    QComboBox* m_blogTypePopUpBtn = nullptr;
    QLineEdit* m_postClassTextField = nullptr;
    QLineEdit* m_headerClassTextField = nullptr;
    QPushButton* m_addBtn = nullptr;
    QLabel* m_errorLbl = nullptr;
    QProgressBar* m_progressIndicator = nullptr;
    RealPreviewPreferencesPopoverDelegate* m_popoverDelegate = nullptr;
    // Adds under way; the spinner runs while there is one.
    int m_running = 0;
};

} // namespace penwick
