#pragma once
// The stream's three per-user settings, read from the configuration store with their
// defaults (missing values are written back).
struct Cqvl_Settings {
    long width;
    long height;
    long fps;
};

Cqvl_Settings ReadStreamSettings();
