#include "tools/SnippetsWindowController.h"

#include "Extensions/Realm.h"
#include "Extensions/StringAdditions.h"
#include "Models/Snippet.h"
#include "Models/SnippetGroup.h"
#include "TextEditor/TextEditorView.h"
#include "highlighter/EditorThemes.h"
#include "highlighter/MarkdownHighlighter.h"
#include "platform/StandardLocations.h"
#include "common/AppLogger.h"
#include "common/MagicStrings.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace penwick {

SnippetsWindowController::SnippetsWindowController(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SnippetsWindow"));
    setWindowTitle(tr("New Snippet"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_shortcutField = new QLineEdit(this);
    m_shortcutField->setObjectName(QStringLiteral("shortcutField"));
    m_shortcutErrorLbl = new QLabel(this);
    m_shortcutErrorLbl->setObjectName(QStringLiteral("shortcutErrorLbl"));
    QPalette errorPalette = m_shortcutErrorLbl->palette();
    errorPalette.setColor(QPalette::WindowText, QColor(200, 30, 30));
    m_shortcutErrorLbl->setPalette(errorPalette);
    m_descriptionField = new QLineEdit(this);
    m_descriptionField->setObjectName(QStringLiteral("descriptionField"));
    m_groupComboBox = new QComboBox(this);
    m_groupComboBox->setObjectName(QStringLiteral("groupComboBox"));
    m_groupComboBox->setEditable(true);
    m_groupComboBox->setInsertPolicy(QComboBox::NoInsert);
    m_snippetTextView = new TextEditorView(this);
    m_snippetTextView->setObjectName(QStringLiteral("snippetTextView"));
    m_snippetTextView->setMinimumSize(420, 220);
    m_errorLbl = new QLabel(this);
    m_errorLbl->setObjectName(QStringLiteral("errorLbl"));
    m_errorLbl->setPalette(errorPalette);
    m_cancelBtn = new QPushButton(tr("Cancel"), this);
    m_cancelBtn->setObjectName(QStringLiteral("cancelBtn"));
    m_saveBtn = new QPushButton(tr("Save"), this);
    m_saveBtn->setObjectName(QStringLiteral("saveBtn"));
    m_saveBtn->setDefault(true);
    m_saveBtn->setEnabled(false);

    auto* form = new QFormLayout;
    auto* shortcutColumn = new QVBoxLayout;
    shortcutColumn->setSpacing(2);
    shortcutColumn->addWidget(m_shortcutField);
    shortcutColumn->addWidget(m_shortcutErrorLbl);
    form->addRow(tr("Shortcut:"), shortcutColumn);
    form->addRow(tr("Description:"), m_descriptionField);
    form->addRow(tr("Group:"), m_groupComboBox);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_errorLbl, 1);
    buttons->addWidget(m_cancelBtn);
    buttons->addWidget(m_saveBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_snippetTextView, 1);
    layout->addLayout(buttons);

    connect(m_cancelBtn, &QPushButton::clicked, this, &SnippetsWindowController::cancel);
    connect(m_saveBtn, &QPushButton::clicked, this, &SnippetsWindowController::save);
    connect(m_shortcutField, &QLineEdit::textEdited, this, &SnippetsWindowController::controlTextDidChange);
    connect(m_descriptionField, &QLineEdit::textEdited, this, &SnippetsWindowController::controlTextDidChange);
    connect(m_groupComboBox->lineEdit(), &QLineEdit::textEdited, this, &SnippetsWindowController::controlTextDidChange);
    connect(m_snippetTextView, &platform::TextView::textDidChange, this, &SnippetsWindowController::textDidChange);

    windowDidLoad();
}

SnippetsWindowController::~SnippetsWindowController()
{
    m_highlighter->deactivate();
    m_highlighter->setTargetTextView(nullptr);
    appLog().debug(QStringLiteral("Deinit Snippet Window Controller"));
}

void SnippetsWindowController::windowDidLoad()
{
    m_shortcutErrorLbl->clear();
    m_errorLbl->clear();
    m_existingShortcuts.clear();
    for (const Snippet& snippet : Snippet::fetchAllItems())
        m_existingShortcuts.append(snippet.shortcut());
    m_highlighter = new MarkdownHighlighter(m_snippetTextView, 0.0, this);
    m_highlighter->setParseAndHighlightAutomatically(true);
    m_highlighter->setResetTypingAttributes(true);
    setupEditor();
    applyStyle(themeName());
    m_highlighter->readClearTextStylesFromTextView();
    for (const SnippetGroup& group : SnippetGroup::fetchAllItems())
        m_groupComboBox->addItem(group.title());
    m_groupComboBox->setCurrentIndex(-1);
    m_groupComboBox->clearEditText();
}

void SnippetsWindowController::setupEditor()
{
    m_snippetTextView->setMarginSize(QSizeF(10, 10));
    QPalette palette = m_snippetTextView->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_snippetTextView->setPalette(palette);
    m_snippetTextView->viewport()->setAutoFillBackground(false);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(15);
    m_snippetTextView->setFont(font);
    m_snippetTextView->setAutomaticLinkDetectionEnabled(true);
}

void SnippetsWindowController::applyStyle(const QString& themeName)
{
    const QString path = platform::resourcesDirectory() + QLatin1Char('/') + EditorStrings::THEMES_FOLDER + QLatin1Char('/')
        + themeName + QLatin1Char('.') + EditorStrings::THEME_EXT;
    if (!QFileInfo(path).isFile()) {
        appLog().warning(QStringLiteral("Couldn't read snippet theme. It doesn't exist"));
        return;
    }
    const auto sheet = readEditorTheme(path);
    if (!sheet) {
        appLog().error(QStringLiteral("Exception loading theme style for snippet editor"));
        return;
    }
    m_highlighter->deactivate();
    m_highlighter->applyStylesFromStylesheet(*sheet);
    m_highlighter->activate();
}

QString SnippetsWindowController::content() const
{
    return m_snippetTextView->string();
}

void SnippetsWindowController::validate()
{
    const QString shortcut = trim(m_shortcutField->text());
    const bool taken = m_existingShortcuts.contains(shortcut);
    m_saveBtn->setEnabled(!shortcut.isEmpty() && !content().isEmpty() && !taken);
    if (taken)
        m_shortcutErrorLbl->setText(QStringLiteral("@") + shortcut + QStringLiteral(" already exists"));
}

void SnippetsWindowController::controlTextDidChange()
{
    m_shortcutErrorLbl->clear();
    m_errorLbl->clear();
    validate();
}

void SnippetsWindowController::textDidChange()
{
    validate();
}

void SnippetsWindowController::save()
{
    m_shortcutErrorLbl->clear();
    m_errorLbl->clear();
    const QString shortcut = trim(m_shortcutField->text());
    const QString description = trim(m_descriptionField->text());
    const QString text = content();
    QString groupTitle = trim(m_groupComboBox->currentText());
    if (groupTitle.isEmpty())
        groupTitle = QStringLiteral("None");

    SnippetGroup group;
    if (auto found = SnippetGroup::findGroupByTitle(groupTitle)) {
        group = *found;
    } else {
        group.setId(makeRecordId());
        group.setTitle(groupTitle);
        group.setCreatedDate(QDateTime::currentDateTimeUtc());
        group.setUpdatedDate(QDateTime::currentDateTimeUtc());
    }
    Snippet snippet;
    snippet.setId(makeRecordId());
    snippet.setShortcut(shortcut);
    snippet.setDesc(description);
    snippet.setContent(text);
    snippet.setGroupId(group.id());
    snippet.setCreatedDate(QDateTime::currentDateTimeUtc());
    snippet.setUpdatedDate(QDateTime::currentDateTimeUtc());

    const auto error = Realm::write([&](RealmTransaction& tx) {
        tx.add(group);
        tx.add(snippet);
    });
    if (error) {
        // Nothing is stored and the window keeps what the user typed.
        m_errorLbl->setText(QStringLiteral("Error saving snippet. Please try again."));
        appLog().error(QStringLiteral("Error saving snippet"));
        return;
    }
    appLog().info(QStringLiteral("Saved snippet with shortcut: @") + shortcut);
    close();
}

void SnippetsWindowController::cancel()
{
    close();
}

} // namespace penwick
