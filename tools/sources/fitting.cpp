#include "fitting.h"

namespace {

void FitInside(unsigned pictureWidth, unsigned pictureHeight, int width, int height,
               unsigned* fittedWidth, unsigned* fittedHeight) {
    const unsigned long long w = static_cast<unsigned>(width);
    const unsigned long long h = static_cast<unsigned>(height);
    // Compare the two aspect ratios without division: the wider one is bound by the width.
    if (pictureWidth * h >= pictureHeight * w) {
        *fittedWidth = static_cast<unsigned>(w);
        *fittedHeight =
            static_cast<unsigned>((pictureHeight * w + pictureWidth / 2) / pictureWidth);
    } else {
        *fittedHeight = static_cast<unsigned>(h);
        *fittedWidth =
            static_cast<unsigned>((pictureWidth * h + pictureHeight / 2) / pictureHeight);
    }
    *fittedWidth = *fittedWidth == 0 ? 1 : *fittedWidth;
    *fittedHeight = *fittedHeight == 0 ? 1 : *fittedHeight;
}

} // namespace

Placement FitCentred(unsigned pictureWidth, unsigned pictureHeight, int width, int height) {
    unsigned fittedWidth = 0;
    unsigned fittedHeight = 0;
    FitInside(pictureWidth, pictureHeight, width, height, &fittedWidth, &fittedHeight);
    Placement placement;
    placement.width = static_cast<int>(fittedWidth);
    placement.height = static_cast<int>(fittedHeight);
    placement.x = (width - placement.width) / 2;
    placement.y = (height - placement.height) / 2;
    return placement;
}
