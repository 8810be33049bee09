#pragma once
// Fitting a picture of one shape into the camera's frame: as large as it goes with its aspect
// ratio kept, centred, the rest left black. The still picture and the screen sources share it.

// Where a fitted picture lies in the frame, in pixels.
struct Placement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Placement& other) const {
        return x == other.x && y == other.y && width == other.width && height == other.height;
    }
    bool operator!=(const Placement& other) const { return !(*this == other); }
};

// The largest size of a `pictureWidth` x `pictureHeight` picture's shape that fits the
// `width` x `height` frame, centred in it.
Placement FitCentred(unsigned pictureWidth, unsigned pictureHeight, int width, int height);
