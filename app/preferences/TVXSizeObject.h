#pragma once

#include <QObject>
#include <QString>

namespace penwick {

// One margin in percent and its text with a percent sign ("20%"). Setting the size sets
// the text; setting the text is never parsed back.
class TVXSizeObject : public QObject {
    Q_OBJECT
public:
    explicit TVXSizeObject(QObject* parent = nullptr) : QObject(parent) {}

    qint64 size() const { return m_size; }
    void setSize(qint64 size);
    QString sizeWithPercentSign() const { return m_sizeWithPercentSign; }
    void setSizeWithPercentSign(const QString& text);

signals:
    void sizeChanged(qint64 size);
    void sizeWithPercentSignChanged(const QString& text);

private:
    qint64 m_size = 0;
    QString m_sizeWithPercentSign = QStringLiteral("0%");
};

} // namespace penwick
