#include "preview/RenderMessages.h"

#include "CorePrefs.h"
#include "platform/UserDefaults.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace penwick::RenderMessages {

namespace {

constexpr quint32 kRequestTag = 0x50575251; // "PWRQ"
constexpr quint32 kReplyTag = 0x50575250; // "PWRP"

QByteArray withLength(const QByteArray& payload)
{
    QByteArray out(4, '\0');
    qToBigEndian(quint32(payload.size()), out.data());
    return out + payload;
}

void write(QDataStream& out, const RenderingResult& r)
{
    out << r.markdown << r.frontMatterTable.has_value() << r.frontMatterTable.value_or(QString()) << r.rawfrontMatter.has_value()
        << r.rawfrontMatter.value_or(QVariantMap());
}

RenderingResult read(QDataStream& in)
{
    RenderingResult r;
    bool hasTable = false, hasFront = false;
    QString table;
    QVariantMap front;
    in >> r.markdown >> hasTable >> table >> hasFront >> front;
    if (hasTable)
        r.frontMatterTable = table;
    if (hasFront)
        r.rawfrontMatter = front;
    return r;
}

} // namespace

QVariantMap currentSettings()
{
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    QVariantMap settings;
    for (const QString& key : { CorePrefs::PREVIEW_ENABLE_GFM, CorePrefs::PREVIEW_ENABLE_OUTLINE, CorePrefs::PREVIEW_RENDER_NEWLINE,
             CorePrefs::PREVIEW_ENABLE_MATHJAX })
        settings.insert(key, defaults.boolForKey(key));
    return settings;
}

QByteArray frame(const RenderRequest& request)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << kRequestTag << request.id << request.text << request.parseJekyll << request.alsoRealPreview << request.settings;
    return withLength(payload);
}

QByteArray frame(const RenderReply& reply)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << kReplyTag << reply.id;
    write(out, reply.page);
    out << reply.realPreview.has_value();
    if (reply.realPreview)
        write(out, *reply.realPreview);
    return withLength(payload);
}

std::optional<QByteArray> take(QByteArray& buffer)
{
    if (buffer.size() < 4)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (quint64(buffer.size()) < 4 + quint64(length))
        return std::nullopt;
    QByteArray payload = buffer.mid(4, length);
    buffer.remove(0, 4 + qsizetype(length));
    return payload;
}

std::optional<RenderRequest> readRequest(const QByteArray& payload)
{
    QDataStream in(payload);
    quint32 tag = 0;
    RenderRequest request;
    in >> tag >> request.id >> request.text >> request.parseJekyll >> request.alsoRealPreview >> request.settings;
    if (tag != kRequestTag || in.status() != QDataStream::Ok)
        return std::nullopt;
    return request;
}

std::optional<RenderReply> readReply(const QByteArray& payload)
{
    QDataStream in(payload);
    quint32 tag = 0;
    RenderReply reply;
    in >> tag >> reply.id;
    reply.page = read(in);
    bool hasReal = false;
    in >> hasReal;
    if (hasReal)
        reply.realPreview = read(in);
    if (tag != kReplyTag || in.status() != QDataStream::Ok)
        return std::nullopt;
    return reply;
}

RenderReply answer(const RenderRequest& request)
{
    platform::UserDefaults::standard().registerDefaults(request.settings);
    RenderReply reply;
    reply.id = request.id;
    reply.page = MarkdownFormatter::formatRawContent(request.text, request.parseJekyll);
    if (request.alsoRealPreview)
        reply.realPreview = request.parseJekyll ? reply.page : MarkdownFormatter::formatRawContent(request.text, true);
    return reply;
}

} // namespace penwick::RenderMessages
