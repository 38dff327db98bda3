#pragma once
// Positions and sizes in twips (1/1440 inch), the unit the settings file keeps,
// and the rule that brings a saved main window back onto the screen.

struct WindowPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int windowState = 0; // 0 normal, 1 minimised, 2 maximised

    friend bool operator==(const WindowPlacement &, const WindowPlacement &) = default;

    // Twips per pixel at a logical DPI (15 at 96 DPI). A DPI of 0 or less counts as 96.
    static double twipsPerPixel(double logicalDpi);
    static int pixelsToTwips(int pixels, double logicalDpi);
    static int twipsToPixels(int twips, double logicalDpi);

    // The main window's saved placement made visible on a screen of the given
    // size in twips: left goes to 0 when left + width < 500 or left > screen
    // width - 500; top goes to 0 when negative or > screen height - 300.
    static WindowPlacement placeMainWindow(const WindowPlacement &saved, int screenWidthTwips, int screenHeightTwips);

    // The smallest size the main window may have (height 3700 twips).
    static constexpr int minimumMainHeightTwips = 3700;
};
