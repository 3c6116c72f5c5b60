#pragma once

namespace quillet {

// Twips per inch: one twip is 1/1440 inch, so 15 twips make a pixel at 96 DPI.
constexpr double TwipsPerInch = 1440.0;

// Converts twips to pixels at the given logical DPI, rounding half to even.
int twipsToPixels(double twips, double dpi = 96.0);

// Converts pixels to twips at the given logical DPI, rounding half to even.
int pixelsToTwips(double pixels, double dpi = 96.0);

} // namespace quillet
