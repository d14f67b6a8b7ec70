#pragma once

namespace penwick {

// The editor font size of the setting "editorFontSizePreference" and the zoom commands.
class EditorFontSize {
public:
    // No zoom goes below this, and a smaller stored size reads as this.
    static constexpr double Minimum = 6.0;
    static constexpr double ActualSize = 16.0;

    // The stored size as it is used: 0, absent, negative or not a number stay "none" (0: the
    // application font's size); a size above 0 and below the minimum reads as the minimum.
    static double effective(double stored);
    // The stored size after one zoom step (+1 or -1), never below the minimum.
    static double zoomed(double stored, double step);

    // Read and write the setting.
    static double stored();
    static void store(double size);
};

} // namespace penwick
