#include "common/EditorFontSize.h"

#include "platform/UserDefaults.h"
#include "common/Prefs.h"

#include <QApplication>
#include <QFont>

#include <algorithm>
#include <cmath>

namespace penwick {

double EditorFontSize::effective(double stored)
{
    if (!std::isfinite(stored) || stored <= 0)
        return 0;
    return std::max(stored, Minimum);
}

double EditorFontSize::zoomed(double stored, double step)
{
    // Zooming from "none" starts at the size the editor shows.
    double current = effective(stored);
    if (current == 0)
        current = QApplication::font().pointSizeF() > 0 ? QApplication::font().pointSizeF() : ActualSize;
    return std::max(current + step, Minimum);
}

double EditorFontSize::stored()
{
    return platform::UserDefaults::standard().doubleForKey(Prefs::EDITOR_FONTSIZE);
}

void EditorFontSize::store(double size)
{
    platform::UserDefaults::standard().setValue(Prefs::EDITOR_FONTSIZE, size);
}

} // namespace penwick
