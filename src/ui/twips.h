// Twips (1/1440 inch) to pixels and back at the screen's logical DPI:
// 15 twips a pixel at 96 DPI.
#pragma once

#include <QtMath>

namespace morvane {

class Twips {
public:
    explicit Twips(double dpi) : dpi_(dpi > 0 ? dpi : 96.0) {}
    int To_Px(int twips) const { return qRound(twips * dpi_ / 1440.0); }
    int From_Px(int px) const { return qRound(px * 1440.0 / dpi_); }

private:
    double dpi_;
};

}  // namespace morvane
