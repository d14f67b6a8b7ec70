#pragma once

#include "Services/MarkdownFormatter.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace penwick {

// What the preview asks of its render process, and the answer: the Markdown of a document
// rendered as MarkdownFormatter::formatRawContent() renders it, with the settings that decide
// the rendering carried along (the process reads no settings of its own).
struct RenderRequest {
    quint64 id = 0;
    QString text;
    bool parseJekyll = false;
    bool alsoRealPreview = false; // also the rendering with the front matter always split off
    QVariantMap settings;
};

struct RenderReply {
    quint64 id = 0;
    RenderingResult page;
    std::optional<RenderingResult> realPreview;
};

namespace RenderMessages {

// The settings keys a rendering depends on, with their values now.
QVariantMap currentSettings();

// Length-prefixed frames; `take` removes one whole frame from the front of `buffer`, or
// gives nothing while the frame is incomplete.
QByteArray frame(const RenderRequest& request);
QByteArray frame(const RenderReply& reply);
std::optional<QByteArray> take(QByteArray& buffer);
std::optional<RenderRequest> readRequest(const QByteArray& payload);
std::optional<RenderReply> readReply(const QByteArray& payload);

// The rendering the process does for a request.
RenderReply answer(const RenderRequest& request);

} // namespace RenderMessages

} // namespace penwick
