#include "TextEditor/DragAndDrop.h"

#include "Extensions/StringAdditions.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace penwick::dragdrop {

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kPlainText = QStringLiteral("text/plain");

// The entries of a URI list; lines starting with "#" are comments, not links.
QList<QUrl> uriList(const QMimeData* data)
{
    QList<QUrl> urls;
    const QList<QByteArray> lines = data->data(kUriList).split('\n');
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        urls << QUrl(QString::fromUtf8(line));
    }
    return urls;
}

} // namespace

QStringList acceptableDragTypes()
{
    return { kUriList, QStringLiteral("text/rtf"), QStringLiteral("text/html"), kPlainText };
}

bool offersAcceptableType(const QMimeData* data)
{
    if (!data)
        return false;
    const QStringList types = acceptableDragTypes();
    return std::any_of(types.begin(), types.end(), [data](const QString& type) { return data->hasFormat(type); });
}

bool allowsCopy(Qt::DropActions possibleActions)
{
    return possibleActions.testFlag(Qt::CopyAction);
}

DropContent classify(const QMimeData* data)
{
    DropContent content;
    if (!data)
        return content;
    if (data->hasUrls()) {
        QStringList files;
        QStringList links;
        for (const QUrl& url : uriList(data)) {
            if (url.isLocalFile())
                files << url.toLocalFile();
            else
                links << url.toString(QUrl::FullyEncoded);
        }
        if (!files.isEmpty()) {
            content.kind = DropKind::Files;
            content.items = files;
        } else {
            content.kind = DropKind::Links;
            content.items = links;
        }
        return content;
    }
    if (data->hasText()) {
        content.kind = DropKind::String;
        content.string = data->text();
    }
    return content;
}

bool isImageFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    QImageReader reader(path);
    return reader.canRead();
}

SortedFiles sortDroppedFiles(const QStringList& paths)
{
    SortedFiles sorted;
    for (const QString& path : paths)
        (isImageFile(path) ? sorted.images : sorted.others) << path;
    return sorted;
}

QString relativePath(const QString& path, const QString& base)
{
    return stringWithPathRelativeTo(path, base);
}

bool isReadableRange(const QString& text, Range range)
{
    if (range.location < 0 || range.length < 0 || range.end() > text.size())
        return false;
    return isOnCharacterBoundaries(text, { range.location, range.length });
}

std::optional<ImageDropPlan> planImageDrop(const QString& text, Range selection,
                                           const QStringList& relativePaths)
{
    if (relativePaths.isEmpty() || !isReadableRange(text, selection))
        return std::nullopt;
    const QString alt = text.mid(selection.location, selection.length);
    ImageDropPlan plan;
    plan.replaced = selection;
    for (const QString& path : relativePaths)
        plan.text += QStringLiteral("![") + alt + QStringLiteral("](") + path + QLatin1Char(')');
    plan.selection = { selection.location + 2, alt.size() };
    plan.jump = { plan.selection.location, alt.size() + 3 + relativePaths.first().size() };
    return plan;
}

std::optional<QString> linkURL(const QStringList& entries)
{
    for (const QString& entry : entries) {
        if (!entry.isEmpty())
            return entry;
    }
    return std::nullopt;
}

std::vector<Range> inTextOrder(std::vector<Range> selections)
{
    std::stable_sort(selections.begin(), selections.end(),
                     [](const Range& a, const Range& b) { return a.location < b.location; });
    return selections;
}

std::vector<LinkEdit> planLinkEdits(const QString& text, const std::vector<Range>& selections,
                                    const QString& url)
{
    std::vector<LinkEdit> edits;
    qsizetype previousEnd = -1;
    std::vector<bool> usable(selections.size(), false);
    for (size_t i = 0; i < selections.size(); ++i) {
        const Range& range = selections[i];
        // A range that overlaps the one before it has no text of its own left.
        usable[i] = range.location >= previousEnd && isReadableRange(text, range);
        if (usable[i])
            previousEnd = range.end();
    }
    for (size_t i = selections.size(); i-- > 0;) {
        if (!usable[i])
            continue;
        const Range& range = selections[i];
        edits.push_back({ static_cast<qsizetype>(i), range,
                          QLatin1Char('[') + text.mid(range.location, range.length) + QStringLiteral("](") + url
                              + QLatin1Char(')') });
    }
    return edits;
}

LinkDropOutcome linkDropOutcome(const std::vector<Range>& selections, const QString& url,
                                const std::vector<bool>& linked)
{
    LinkDropOutcome outcome;
    const qsizetype growth = url.size() + 4; // "[", "](", the URL and ")"
    qsizetype shift = 0;
    for (size_t i = 0; i < selections.size(); ++i) {
        const Range& range = selections[i];
        const bool made = i < linked.size() && linked[i];
        const Range moved { range.location + shift + (made ? 1 : 0), range.length };
        outcome.selections.push_back(moved);
        if (made) {
            if (!outcome.jump)
                outcome.jump = PendingJump { moved.location, moved.length + url.size() + 3 };
            shift += growth;
        }
    }
    return outcome;
}

} // namespace penwick::dragdrop
