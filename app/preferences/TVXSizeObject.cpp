#include "preferences/TVXSizeObject.h"

namespace penwick {

void TVXSizeObject::setSize(qint64 size)
{
    m_size = size;
    emit sizeChanged(size);
    setSizeWithPercentSign(QString::number(size) + QLatin1Char('%'));
}

void TVXSizeObject::setSizeWithPercentSign(const QString& text)
{
    m_sizeWithPercentSign = text;
    emit sizeWithPercentSignChanged(text);
}

} // namespace penwick
