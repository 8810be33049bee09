#pragma once
// The label every machine-readable benchmark line carries: the build's target.
inline const char* BenchArch() {
#ifdef _WIN64
    return "x64";
#else
    return "x86";
#endif
}
