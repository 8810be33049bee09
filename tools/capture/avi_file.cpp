#include "avi_file.h"

namespace {
const uint32_t kHasIndex = 0x10; // AVIF_HASINDEX
const uint32_t kKeyFrame = 0x10; // AVIIF_KEYFRAME
const uint32_t kMainHeaderSize = 56;
const uint32_t kStreamHeaderSize = 56;
const uint32_t kFormatSize = 40;
} // namespace

AviFile::~AviFile() {
    Close();
}

void AviFile::Put32(uint32_t value) {
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    failed |= std::fwrite(bytes, 1, 4, file) != 4;
}

void AviFile::Put16(uint16_t value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                    static_cast<unsigned char>(value >> 8)};
    failed |= std::fwrite(bytes, 1, 2, file) != 2;
}

void AviFile::PutFourCC(const char* code) {
    failed |= std::fwrite(code, 1, 4, file) != 4;
}

void AviFile::Patch32(long offset, uint32_t value) {
    failed |= std::fseek(file, offset, SEEK_SET) != 0;
    Put32(value);
}

bool AviFile::Open(const std::wstring& path, long width, long height, REFERENCE_TIME frameTime) {
    if (file != nullptr || width <= 0 || height <= 0 || frameTime <= 0) {
        return false;
    }
    file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr) {
        return false;
    }
    frameBytes = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4;
    const uint32_t strlSize = 4 + 8 + kStreamHeaderSize + 8 + kFormatSize;
    const uint32_t hdrlSize = 4 + 8 + kMainHeaderSize + 8 + strlSize;
    PutFourCC("RIFF");
    Put32(0); // patched by Close
    PutFourCC("AVI ");
    PutFourCC("LIST");
    Put32(hdrlSize);
    PutFourCC("hdrl");
    PutFourCC("avih");
    Put32(kMainHeaderSize);
    Put32(static_cast<uint32_t>(frameTime / 10));                      // microseconds per frame
    Put32(static_cast<uint32_t>(frameBytes * (10000000 / frameTime))); // max bytes per second
    Put32(0);
    Put32(kHasIndex);
    totalFramesAt = std::ftell(file);
    Put32(0); // total frames, patched by Close
    Put32(0);
    Put32(1); // streams
    Put32(frameBytes);
    Put32(static_cast<uint32_t>(width));
    Put32(static_cast<uint32_t>(height));
    for (int i = 0; i < 4; ++i) {
        Put32(0);
    }
    PutFourCC("LIST");
    Put32(strlSize);
    PutFourCC("strl");
    PutFourCC("strh");
    Put32(kStreamHeaderSize);
    PutFourCC("vids");
    PutFourCC("DIB ");
    Put32(0); // flags
    Put16(0); // priority
    Put16(0); // language
    Put32(0); // initial frames
    // Rate and scale in the stream's own unit: frames per 10,000,000 ticks of 100 ns.
    Put32(static_cast<uint32_t>(frameTime));
    Put32(10000000);
    Put32(0); // start
    lengthAt = std::ftell(file);
    Put32(0); // length in frames, patched by Close
    Put32(frameBytes);
    Put32(0xFFFFFFFFu); // quality: default
    Put32(0);           // sample size: varies per chunk
    Put16(0);
    Put16(0);
    Put16(static_cast<uint16_t>(width));
    Put16(static_cast<uint16_t>(height));
    PutFourCC("strf");
    Put32(kFormatSize);
    Put32(kFormatSize);
    Put32(static_cast<uint32_t>(width));
    Put32(static_cast<uint32_t>(height)); // positive: bottom-up, as the camera delivers
    Put16(1);
    Put16(32);
    Put32(0); // BI_RGB
    Put32(frameBytes);
    Put32(0);
    Put32(0);
    Put32(0);
    Put32(0);
    PutFourCC("LIST");
    Put32(0); // patched by Close
    moviStart = std::ftell(file);
    PutFourCC("movi");
    return !failed;
}

void AviFile::OnFrame(const BYTE* data, long length) {
    if (file == nullptr || failed || length <= 0 || static_cast<uint32_t>(length) != frameBytes) {
        return;
    }
    index.push_back(static_cast<uint32_t>(std::ftell(file) - moviStart));
    PutFourCC("00db");
    Put32(frameBytes);
    failed |= std::fwrite(data, 1, frameBytes, file) != frameBytes;
}

bool AviFile::Close() {
    if (file == nullptr) {
        return false;
    }
    const long moviEnd = std::ftell(file);
    PutFourCC("idx1");
    Put32(static_cast<uint32_t>(index.size() * 16));
    for (uint32_t offset : index) {
        PutFourCC("00db");
        Put32(kKeyFrame);
        Put32(offset);
        Put32(frameBytes);
    }
    const long end = std::ftell(file);
    Patch32(4, static_cast<uint32_t>(end - 8));
    Patch32(moviStart - 4, static_cast<uint32_t>(moviEnd - moviStart));
    Patch32(totalFramesAt, Frames());
    Patch32(lengthAt, Frames());
    failed |= std::fclose(file) != 0;
    file = nullptr;
    return !failed;
}
