#pragma once

#include "AppTracker.h"
#include "EditViewController.h"
#include "Models/ShadowDocument.h"
#include "ShadowItem.h"
#include "platform/text/TextRange.h"

#include <QMap>

#include <memory>
#include <optional>
#include <utility>

class QComboBox;
class QLabel;

namespace penwick {

class ShadowScriptRun;

// The shadow page: one note per document open in the program the user was working in, and one
// for the program itself. The documents come from the program's shadow script; notes are
// ShadowDocument records found by (path, source identifier). A note stays transient, and is
// never written, until the user types into it. The program's script runs beside the event loop:
// the program's own entry comes at once, its documents when the script answers.
//
// Without a program to attach a note to, the page says so and takes no typing.
class ShadowViewController : public EditViewController, public AppTrackerDelegate {
    Q_OBJECT
public:
    explicit ShadowViewController(QWidget* parent = nullptr);
    ~ShadowViewController() override;

    QLabel* appIconImageView() const { return m_iconView; }
    QComboBox* shadowListPopUpBtn() const { return m_popup; }
    QLabel* pathLbl() const { return m_pathLabel; }
    const QList<ShadowItem>& shadowList() const { return m_shadowList; }
    const std::optional<ShadowDocument>& shadowDocument() const { return m_document; }
    const std::optional<RunningApplication>& shadowApp() const { return m_shadowApp; }

    std::optional<StoreError> saveDocument() override;
    void becomeInTransient() override;
    bool canSaveNote() const override;
    void viewWillAppear() override;
    void viewWillDisappear() override;
    void didSetCurrentApplication(const std::optional<RunningApplication>& application) override;

    void changeShadowListPopUpSelection(int index);
    // Whether the program's script is still to answer.
    bool isListing() const;
    // The text the page shows when no program can take a note.
    static QString noProgramText();

private:
    void chooseShadowApp();
    void refreshList();
    void showNoProgram();
    static bool sameProgram(const std::optional<RunningApplication>& a, const std::optional<RunningApplication>& b);
    void startScript(bool updating);
    void addScriptEntries(const QList<ShadowItem>& items);
    void updateScriptEntries(const QList<ShadowItem>& items);
    bool differsFromStored(const ShadowDocument& note) const;
    void rememberStored(const ShadowDocument& note);
    void restoreSelection();
    void showIconAndPath(const ShadowItem& item);
    void loadNote(const QString& path, const QString& identifier);
    std::optional<StoreError> saveNote(int index);
    void saveNoteLogged(int index);

    QLabel* m_iconView = nullptr;
    QComboBox* m_popup = nullptr;
    QLabel* m_pathLabel = nullptr;
    std::optional<ShadowDocument> m_document;
    bool m_stored = false;
    // The text the database holds of the loaded note, as far as this page knows.
    QString m_storedContent;
    QList<ShadowItem> m_shadowList;
    std::optional<ShadowItem> m_selectedItemBeforeDisappearance;
    std::optional<platform::TextRanges> m_selectedRangesBeforeDisappearance;
    std::optional<RunningApplication> m_shadowApp;
    QMap<QString, QString> m_scripts;
    int m_previousSelectedIndex = 0;
    std::optional<RunningApplication> m_listedApp; // the program the list was built for
    bool m_edited = false; // typed into since the note was loaded
    std::unique_ptr<ShadowScriptRun> m_scriptRun;
    bool m_awaitingScript = false;
    std::optional<std::pair<QString, platform::TextRanges>> m_keptSelection; // note id, its selection
};

} // namespace penwick
