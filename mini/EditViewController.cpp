#include "EditViewController.h"

#include "Extensions/StringAdditions.h"
#include "MiniLog.h"
#include "MiniResources.h"
#include "Services/NoteWriter.h"
#include "Support/DarkModeTracker.h"
#include "TextEditor/TextEditorView.h"
#include "highlighter/EditorThemes.h"
#include "highlighter/MarkdownHighlighter.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace penwick {

EditViewController::EditViewController(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_header = new QHBoxLayout;
    m_header->setContentsMargins(8, 6, 8, 0);
    m_titleField = new QLineEdit(this);
    m_titleField->setObjectName(QStringLiteral("titleField"));
    m_titleField->setFrame(false);
    m_titleField->setPlaceholderText(tr("Title"));
    m_header->addWidget(m_titleField, 1);
    layout->addLayout(m_header);

    m_storeNotice = new QLabel(this);
    m_storeNotice->setObjectName(QStringLiteral("storeNotice"));
    m_storeNotice->setWordWrap(true);
    m_storeNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_storeNotice->setContentsMargins(8, 0, 8, 0);
    m_storeNotice->hide();
    layout->addWidget(m_storeNotice);

    m_textEditor = new TextEditorView(this);
    m_textEditor->setObjectName(QStringLiteral("textEditor"));
    m_textEditor->setFrameShape(QFrame::NoFrame);
    layout->addWidget(m_textEditor, 1);

    m_footer = new QHBoxLayout;
    m_footer->setContentsMargins(8, 0, 8, 6);
    m_footer->addStretch(1);
    m_togglePreviewBtn = new QToolButton(this);
    m_togglePreviewBtn->setObjectName(QStringLiteral("togglePreviewBtn"));
    m_togglePreviewBtn->setText(tr("Preview"));
    m_togglePreviewBtn->setToolTip(tr("Preview the note"));
    m_togglePreviewBtn->setCheckable(true);
    m_footer->addWidget(m_togglePreviewBtn);
    layout->addLayout(m_footer);

    m_highlighter = new MarkdownHighlighter(m_textEditor, 0.0, this);
    m_highlighter->setParseAndHighlightAutomatically(true);
    m_highlighter->setResetTypingAttributes(true);
    setupEditor();
    m_highlighter->readClearTextStylesFromTextView();
    connect(m_textEditor, &platform::TextView::textDidChange, this, &EditViewController::textDidChange);
    setPreviewState();
    followNoteWriter();
}

void EditViewController::followNoteWriter()
{
    NoteWriter* writer = NoteWriter::shared();
    if (writer != m_followedWriter) {
        disconnect(m_writerConnection);
        m_followedWriter = writer;
        if (writer)
            m_writerConnection = connect(writer, &NoteWriter::stateChanged, this, &EditViewController::followNoteWriter);
    }
    // While notes cannot be stored the page says so, and where they are kept instead.
    const QString notice = writer ? writer->problemDescription() : QString();
    m_storeNotice->setText(notice);
    m_storeNotice->setVisible(!notice.isEmpty());
}

EditViewController::~EditViewController()
{
    m_highlighter->deactivate();
    miniLog().debug(QStringLiteral("Deinit Mini Editor Controller"));
}

std::optional<StoreError> EditViewController::saveDocument()
{
    return std::nullopt;
}

void EditViewController::viewWillAppear()
{
    setPreviewState();
    setupEditor();
    const bool dark = DarkModeTracker::applicationReadyForTheDarkSide() && DarkModeTracker::applicationIsOnTheDarkSide();
    applyStyle(dark ? QStringLiteral("DarkTheme") : QStringLiteral("LightTheme"));
}

void EditViewController::setupEditor()
{
    m_textEditor->setMarginSize(QSizeF(10, 10));
    // Transparent, so that the popover shows through.
    QPalette palette = m_textEditor->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_textEditor->setPalette(palette);
    m_textEditor->viewport()->setAutoFillBackground(false);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(15);
    m_textEditor->setFont(font);
    m_textEditor->setAutomaticLinkDetectionEnabled(true);
}

void EditViewController::setPreviewState()
{
    m_togglePreviewBtn->setEnabled(!trim(m_textEditor->string()).isEmpty());
}

bool EditViewController::applyStyle(const QString& name)
{
    const QString path = miniResourcePath(name, QStringLiteral("txt"));
    if (path.isEmpty()) {
        miniLog().warning(QStringLiteral("Couldn't read mini theme. It doesn't exist"));
        return false;
    }
    m_highlighter->deactivate();
    QString error;
    const auto sheet = readEditorTheme(path, &error);
    if (!sheet) {
        miniLog().error(QStringLiteral("Exception loading theme style for mini: ") + error);
        return false;
    }
    m_highlighter->applyStylesFromStylesheet(*sheet, [name](const QStringList& errors) {
        for (const QString& e : errors)
            miniLog().error(QStringLiteral("Theme ") + name + QStringLiteral(" ") + e);
    });
    // The theme's editor colours must not paint over the popover.
    setupEditor();
    m_highlighter->activate();
    m_appliedStyle = name;
    return true;
}

void EditViewController::saveDocumentWithoutThrowing()
{
    if (const auto error = saveDocument())
        miniLog().error(error->message);
}

void EditViewController::showEvent(QShowEvent* event)
{
    followNoteWriter();
    if (!event->spontaneous())
        viewWillAppear();
    QWidget::showEvent(event);
}

void EditViewController::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        viewWillDisappear();
    QWidget::hideEvent(event);
}

void EditViewController::setEditorText(const QString& text)
{
    m_loading = true;
    m_textEditor->setString(text);
    m_loading = false;
    setPreviewState();
}

void EditViewController::textDidChange()
{
    if (m_loading)
        return;
    setPreviewState();
    becomeInTransient();
}

} // namespace penwick
