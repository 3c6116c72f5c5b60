#pragma once

#include <cstdio>
#include <string>

// One row of the benchmark report: what was measured, Quillet's figure, the reference it is compared with, the
// ratio and the goal. bench/run-all collects these rows into one table.
inline void benchRow(const char *figure, const std::string &quillet, const std::string &reference, double ratio,
                     const char *goal)
{
    std::printf("row|%s|%s|%s|%.3g|%s\n", figure, quillet.c_str(), reference.c_str(), ratio, goal);
}

// A number with a unit, for benchRow.
inline std::string figure(double value, const char *unit, int decimals = 1)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f %s", decimals, value, unit);
    return text;
}
