#include "shell/ThemeErrorsBar.h"

#include "Extensions/StringAdditions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QToolButton>

namespace penwick {

namespace {

// More than this many mistakes are counted, not listed: the strip stays small.
constexpr qsizetype kListedMistakes = 6;

// "(Line 3): text" as a person reads it: "Line 3: text".
QString readable(const QString& mistake)
{
    static const QRegularExpression pattern(QStringLiteral("^\\(Line (\\d+)\\): (.*)$"), QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(mistake);
    return match.hasMatch() ? QStringLiteral("Line %1: %2").arg(match.captured(1), match.captured(2)) : mistake;
}

} // namespace

ThemeErrorsBar::ThemeErrorsBar(QWidget* parent)
    : QFrame(parent)
    , m_label(new QLabel(this))
    , m_close(new QToolButton(this))
{
    setObjectName(QStringLiteral("themeErrorsBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xD6));
    colours.setColor(QPalette::WindowText, QColor(0x40, 0x30, 0x00));
    setPalette(colours);
    m_label->setWordWrap(true);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_close->setText(QStringLiteral("×"));
    m_close->setAutoRaise(true);
    m_close->setToolTip(tr("Close"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_close, 0, Qt::AlignTop);
    connect(m_close, &QToolButton::clicked, this, &QWidget::hide);
    hide();
}

bool ThemeErrorsBar::showMistakes(const QString& path, const QStringList& mistakes)
{
    QStringList lines { tr("The editor theme “%1” has mistakes; the rest of it applies.").arg(fileName(path)) };
    for (qsizetype i = 0; i < mistakes.size() && i < kListedMistakes; ++i)
        lines << readable(mistakes[i]);
    if (mistakes.size() > kListedMistakes)
        lines << tr("… and %n more.", nullptr, int(mistakes.size() - kListedMistakes));
    return show(path, lines.join(QLatin1Char('\n')));
}

bool ThemeErrorsBar::showUnreadable(const QString& path, const QString& reason)
{
    return show(path, tr("The editor theme “%1” could not be read.").arg(fileName(path)) + QLatin1Char('\n') + reason);
}

bool ThemeErrorsBar::show(const QString& path, const QString& text)
{
    const bool news = path != m_shownPath || text != m_shownText;
    m_shownPath = path;
    m_shownText = text;
    m_label->setText(text);
    // A strip the user closed stays closed until something else is wrong.
    if (news)
        QFrame::show();
    return news;
}

void ThemeErrorsBar::clear()
{
    m_shownPath.clear();
    m_shownText.clear();
    m_label->clear();
    hide();
}

QString ThemeErrorsBar::text() const
{
    return m_label->text();
}

} // namespace penwick
