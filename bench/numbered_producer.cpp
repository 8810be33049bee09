#include "numbered_producer.h"

#include "qvl_protocol.h"
#include "timing.h"

#include <cstring>

namespace bench {

NumberedProducer::NumberedProducer(DWORD width, DWORD height, DWORD fps, DWORD sweepSeconds,
                                   bool signals, qvl_row_order rows, std::vector<double>& written)
    : width(width), height(height), period((1.0 - 1.0 / (sweepSeconds * fps)) / fps),
      signals(signals), rows(rows), written(written),
      pixels(static_cast<size_t>(width) * height * 4, 0x40) {}

bool NumberedProducer::Start() {
    if (qvl_sender_open(1000, &sender) != QVL_OK) {
        return false;
    }
    if (!signals) {
        mapping.Reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, QVL_REGION_NAME));
        region.Map(mapping.Get());
        mutex.Reset(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, QVL_MUTEX_NAME));
        if (region.Get() == nullptr || region.Span() < pixels.size() || mutex.Get() == nullptr) {
            return false;
        }
    }
    thread = std::thread([this] { Run(); });
    return true;
}

void NumberedProducer::Stop() {
    stop = true;
    if (thread.joinable()) {
        thread.join();
    }
    qvl_sender_close(sender);
    sender = nullptr;
}

void NumberedProducer::Run() {
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    const double start = Now();
    for (DWORD n = 1; !stop && n < written.size(); ++n) {
        const double wait = start + n * period - Now();
        if (wait > 0 && timer != nullptr) {
            LARGE_INTEGER due;
            due.QuadPart = -static_cast<LONGLONG>(wait * 1e7);
            SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
            WaitForSingleObject(timer, INFINITE);
        }
        pixels[0] = static_cast<BYTE>(n);
        pixels[1] = static_cast<BYTE>(n >> 8);
        pixels[2] = static_cast<BYTE>(n >> 16);
        const qvl_frame frame = {pixels.data(),        pixels.size(), int(width), int(height),
                                 ptrdiff_t(width) * 4, rows,          QVL_BGRX,   0};
        // Stamped as the write begins: the thread may not run again until well after the
        // camera has taken the frame, and the age should err long, not short.
        const double writing = Now();
        if (Send(frame)) {
            written[n] = writing;
        } else {
            ++failures;
        }
    }
    if (timer != nullptr) {
        CloseHandle(timer);
    }
}

bool NumberedProducer::Send(const qvl_frame& frame) {
    if (signals) {
        return qvl_sender_send(sender, &frame) == QVL_OK;
    }
    // Rows go into the region as they are.
    const CMutexHold hold(mutex.Get(), 1000);
    if (hold.Held()) {
        std::memcpy(region.Get(), pixels.data(), pixels.size());
    }
    return hold.Held();
}

} // namespace bench
