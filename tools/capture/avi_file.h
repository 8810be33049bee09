#pragma once
// A minimal AVI writer: one uncompressed 32-bit RGB video stream with an index. Wine's AVI
// mux cannot run into Wine's file writer (the writer offers the mux no IStream), so the
// capture client writes the file from the frames it receives.
#include "sample_recorder.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class AviFile : public FrameSink {
public:
    AviFile() = default;
    ~AviFile();
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    // Writes the headers; frames of exactly width * height * 4 bytes follow.
    bool Open(const std::wstring& path, long width, long height, REFERENCE_TIME frameTime);
    void OnFrame(const BYTE* data, long length) override;
    // Writes the index and the final sizes; true when every write succeeded.
    bool Close();
    unsigned long Frames() const { return static_cast<unsigned long>(index.size()); }

private:
    void Put32(uint32_t value);
    void Put16(uint16_t value);
    void PutFourCC(const char* code);
    void Patch32(long offset, uint32_t value);

    FILE* file = nullptr;
    bool failed = false;
    uint32_t frameBytes = 0;
    long moviStart = 0; // offset of the 'movi' list's type code
    long totalFramesAt = 0;
    long lengthAt = 0;
    std::vector<uint32_t> index; // chunk offsets relative to moviStart
};
