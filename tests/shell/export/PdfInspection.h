#pragma once

// What poppler's tools read from a PDF file: page size and count, the words with their boxes.
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>

namespace penwick::test {

struct PdfInfo {
    bool ok = false;
    int pages = 0;
    QSizeF pageSize; // points
};

struct PdfWord {
    int page = 0; // from 0
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0; // points from the page's top left
};

inline QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline PdfInfo pdfInfo(const QString& path)
{
    PdfInfo info;
    const QString out = runTool(QStringLiteral("pdfinfo"), { path });
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(out);
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    if (!size.hasMatch() || !pages.hasMatch())
        return info;
    info.ok = true;
    info.pageSize = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    info.pages = pages.captured(1).toInt();
    return info;
}

inline QList<PdfWord> pdfWords(const QString& path)
{
    QList<PdfWord> words;
    const QString out = runTool(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), path, QStringLiteral("-") });
    static const QRegularExpression pageOrWord(QStringLiteral(
        "<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    int page = -1;
    for (auto it = pageOrWord.globalMatch(out); it.hasNext();) {
        const auto match = it.next();
        if (match.captured(0) == QLatin1String("<page ")) {
            ++page;
            continue;
        }
        words.append({ page, match.captured(5), match.captured(1).toDouble(), match.captured(2).toDouble(),
            match.captured(3).toDouble(), match.captured(4).toDouble() });
    }
    return words;
}

inline QString pdfText(const QString& path)
{
    return runTool(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), path, QStringLiteral("-") });
}

// The box around every word of every page.
struct WordBounds {
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
};

inline WordBounds wordBounds(const QList<PdfWord>& words)
{
    WordBounds bounds;
    for (const PdfWord& word : words) {
        bounds.left = std::min(bounds.left, word.xMin);
        bounds.top = std::min(bounds.top, word.yMin);
        bounds.right = std::max(bounds.right, word.xMax);
        bounds.bottom = std::max(bounds.bottom, word.yMax);
    }
    return bounds;
}

} // namespace penwick::test
