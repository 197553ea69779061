#include "resources/ReadableText.h"

#include <cmath>

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// sRGB channel to linear light.
double Linear(uint8_t channel) {
    const double value = channel / 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(Rgb colour) {
    return 0.2126 * Linear(colour.red) + 0.7152 * Linear(colour.green) +
           0.0722 * Linear(colour.blue);
}

}  // namespace

double ContrastRatio(Rgb first, Rgb second) {
    const double a = RelativeLuminance(first);
    const double b = RelativeLuminance(second);
    const double lighter = a > b ? a : b;
    const double darker = a > b ? b : a;
    return (lighter + 0.05) / (darker + 0.05);
}

Rgb TextColourOn(Rgb background) {
    return ContrastRatio(background, kBlack) >= ContrastRatio(background, kWhite) ? kBlack : kWhite;
}
