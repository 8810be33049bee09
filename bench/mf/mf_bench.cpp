// mf_bench: the Windows 11 camera's figures. The age of the picture a program gets through the
// platform's source reader from a signalling producer; the stream's fill (RGB32 and NV12, from
// the Global region into a picture buffer of Media Foundation's) against the floor, a bare copy
// made while holding the producer's mutex, and its rows alone (the conversion) against a bare
// copy; and what the sender pays for a frame written to both cameras against one. Prints
// figures only.
#include "arch.h"
#include "com_owners.h"
#include "frame_fill.h"
#include "global_channel.h"
#include "host_path.h"
#include "media_source_host.h"
#include "numbered_producer.h"
#include "qvl_protocol.h"
#include "qvl_sender.h"
#include "settings_scope.h"
#include "timing.h"

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned width = 1280;
constexpr unsigned height = 720;
constexpr unsigned fps = 30;
constexpr size_t frameBytes = size_t{width} * height * 4;

// What the sender pays for one frame written to the user's camera alone and to both cameras,
// medians of interleaved sends: `one` opened before the Windows 11 camera's channel existed
// and does not look for it again within a second, `both` found it at its first send.
bool RunDual() {
    std::vector<BYTE> pixels(frameBytes, 0x40);
    const qvl_frame frame = {pixels.data(),        pixels.size(), int(width), int(height),
                             ptrdiff_t(width) * 4, QVL_TOP_DOWN,  QVL_BGRX,   0};
    qvl_sender* one = nullptr;
    qvl_sender* both = nullptr;
    GlobalChannel channel; // the Windows 11 camera's end, as its source makes it
    if (qvl_sender_open(1000, &one) != QVL_OK || qvl_sender_send(one, &frame) != QVL_OK ||
        !channel.Open(CameraFormat{long(width), long(height), long(fps)}) ||
        qvl_sender_open(1000, &both) != QVL_OK || qvl_sender_send(both, &frame) != QVL_OK) {
        qvl_sender_close(one);
        return false;
    }
    std::vector<double> ones, boths;
    const double deadline = Now() + 0.8; // before `one` looks again
    for (int i = 0; i < 300 && Now() < deadline; ++i) {
        double start = Now();
        qvl_sender_send(one, &frame);
        ones.push_back((Now() - start) * 1e9);
        start = Now();
        qvl_sender_send(both, &frame);
        boths.push_back((Now() - start) * 1e9);
    }
    qvl_sender_close(one);
    qvl_sender_close(both);
    const double oneNs = Percentile(ones, 0.5);
    const double dualNs = Percentile(boths, 0.5);
    std::printf("mf dual   %ux%u: a frame to both cameras %.0f ns, to one %.0f ns (x%.2f), %zu "
                "sends each\n",
                width, height, dualNs, oneNs, dualNs / oneNs, ones.size());
    std::printf("bench: arch=%s case=mf kind=dual size=%ux%u dual_ns=%.0f one_ns=%.0f "
                "ratio=%.3f\n",
                BenchArch(), width, height, dualNs, oneNs, dualNs / oneNs);
    return true;
}

bool RunFill(bool nv12) {
    GlobalChannel channel;
    ComPtr<IMFMediaBuffer> buffer;
    ComPtr<IMF2DBuffer> picture;
    const DWORD fourcc = nv12 ? MAKEFOURCC('N', 'V', '1', '2') : 22; // D3DFMT_X8R8G8B8
    if (!channel.Open(CameraFormat{long(width), long(height), long(fps)}) ||
        FAILED(MFCreate2DMediaBuffer(width, height, fourcc, FALSE, &buffer)) ||
        FAILED(buffer.As(&picture))) {
        return false;
    }
    const HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool interrupted = false;
    // Where the producer writes: each measurement starts, as the stream's fill does, from a
    // frame just written.
    std::uint8_t* const written = const_cast<std::uint8_t*>(channel.Lock(never, &interrupted));
    channel.Unlock();
    std::vector<BYTE> copy(frameBytes);
    BYTE* first = nullptr;
    LONG pitch = 0;
    std::vector<double> fills, floors, copies, converts;
    for (int i = 0; written != nullptr && i < 400; ++i) {
        // The stream's fill: the producer's mutex, the buffer locked, the rows in, both given
        // back.
        std::memset(written, i, frameBytes);
        double start = Now();
        const std::uint8_t* frame = channel.Lock(never, &interrupted);
        picture->Lock2D(&first, &pitch);
        if (frame != nullptr) {
            nv12 ? FillNv12(frame, width, height, first, pitch)
                 : FillRgb32(frame, width, height, first, pitch);
        }
        picture->Unlock2D();
        channel.Unlock();
        fills.push_back((Now() - start) * 1e9);
        // The floor: the same bytes copied while holding the mutex.
        std::memset(written, i, frameBytes);
        start = Now();
        frame = channel.Lock(never, &interrupted);
        if (frame != nullptr) {
            std::memcpy(copy.data(), frame, frameBytes);
        }
        channel.Unlock();
        floors.push_back((Now() - start) * 1e9);
        std::memset(written, i, frameBytes);
        start = Now();
        std::memcpy(copy.data(), written, frameBytes);
        copies.push_back((Now() - start) * 1e9);
        // The conversion alone, into the locked buffer.
        std::memset(written, i, frameBytes);
        picture->Lock2D(&first, &pitch);
        start = Now();
        nv12 ? FillNv12(written, width, height, first, pitch)
             : FillRgb32(written, width, height, first, pitch);
        converts.push_back((Now() - start) * 1e9);
        picture->Unlock2D();
    }
    CloseHandle(never);
    const double fill = Percentile(fills, 0.5);
    const double floor = Percentile(floors, 0.5);
    const double bare = Percentile(copies, 0.5);
    const double convert = Percentile(converts, 0.5);
    const char* format = nv12 ? "nv12" : "rgb32";
    std::printf("mf fill   %ux%u %-5s: %.0f ns, floor %.0f ns (x%.3f); the rows alone %.0f ns, "
                "a bare copy %.0f ns (x%.3f)\n",
                width, height, format, fill, floor, fill / floor, convert, bare, convert / bare);
    std::printf("bench: arch=%s case=mf kind=fill format=%s size=%ux%u fill_ns=%.0f floor_ns=%.0f "
                "floor_ratio=%.3f convert_ns=%.0f copy_ns=%.0f copy_ratio=%.3f\n",
                BenchArch(), format, width, height, fill, floor, fill / floor, convert, bare,
                convert / bare);
    return true;
}

bool RunAge() {
    const DWORD seconds = 6;
    std::vector<double> written(fps * (seconds + 4), 0);
    ComPtr<IMFMediaSource> source = LoadMediaSource(WindowsPathOfHost(MF_SOURCE_DLL).c_str());
    ComPtr<IMFSourceReader> reader;
    if (!source || FAILED(MFCreateSourceReaderFromMediaSource(source.Get(), nullptr, &reader))) {
        return false;
    }
    bench::NumberedProducer producer(width, height, fps, seconds, true, QVL_TOP_DOWN, written);
    if (!producer.Start()) {
        return false;
    }
    std::vector<double> ages;
    const double end = Now() + seconds;
    while (Now() < end) {
        ComPtr<IMFSample> sample;
        ComPtr<IMFMediaBuffer> buffer;
        DWORD stream = 0, flags = 0;
        LONGLONG time = 0;
        if (FAILED(reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM), 0,
                                      &stream, &flags, &time, &sample)) ||
            !sample || FAILED(sample->GetBufferByIndex(0, &buffer))) {
            break;
        }
        const double arrived = Now();
        BYTE* data = nullptr;
        if (SUCCEEDED(buffer->Lock(&data, nullptr, nullptr))) {
            const DWORD n = data[0] | data[1] << 8 | data[2] << 16;
            if (n > fps / 2 && n < written.size() && written[n] > 0) {
                ages.push_back((arrived - written[n]) * 1000);
            }
            buffer->Unlock();
        }
    }
    producer.Stop();
    reader.Reset();
    source->Shutdown();
    if (ages.size() < fps) {
        std::fprintf(stderr, "mf_bench: only %zu numbered frames arrived\n", ages.size());
        return false;
    }
    const double p50 = Percentile(ages, 0.5);
    const double p99 = Percentile(ages, 0.99);
    std::printf("mf age    %ux%u at %u fps, signal producer, %zu samples: median %.2f ms, 99th "
                "percentile %.2f ms\n",
                width, height, fps, ages.size(), p50, p99);
    std::printf("bench: arch=%s case=mf kind=age producer=signal size=%ux%u fps=%u p50_ms=%.2f "
                "p99_ms=%.2f\n",
                BenchArch(), width, height, fps, p50, p99);
    return true;
}

} // namespace

int main() {
    const CComScope com;
    if (FAILED(MFStartup(MF_VERSION, MFSTARTUP_FULL))) {
        std::fprintf(stderr, "mf_bench: Media Foundation does not start\n");
        return 1;
    }
    bool ok = true;
    {
        CSettingsScope settings;
        CSettingsScope::StoreAll(width, height, fps);
        MachineFormatScope machine(width, height, fps);
        ok = RunDual() && ok;
        ok = RunFill(false) && ok;
        ok = RunFill(true) && ok;
        ok = RunAge() && ok;
    }
    MFShutdown();
    if (!ok) {
        std::fprintf(stderr, "mf_bench: a case could not run\n");
    }
    return ok ? 0 : 1;
}
