#include "panel_engine.h"

#include "channel_view.h"
#include "engine_shared.h"
#include "engine_worker.h"

#include <new>
#include <system_error>
#include <thread>

struct PanelEngine::Impl {
    Impl(HWND notify, UINT message) : shared(notify, message), worker(shared, preview) {}

    EngineShared shared;
    ChannelView preview;
    EngineWorker worker;
    std::thread thread;
};

PanelEngine::PanelEngine(HWND notify, UINT message)
    : impl(std::make_unique<Impl>(notify, message)) {}

PanelEngine::~PanelEngine() {
    if (impl->thread.joinable()) {
        impl->shared.Stop();
        impl->thread.join();
    }
}

bool PanelEngine::Start(std::wstring* why) {
    if (impl->thread.joinable()) {
        return true;
    }
    if (impl->shared.Wake() == nullptr || impl->shared.Stopping() == nullptr) {
        *why = L"cannot create the engine's events";
        return false;
    }
    if (!impl->worker.Open(why)) {
        return false;
    }
    try {
        impl->thread = std::thread([this] {
            try {
                impl->worker.Run();
            } catch (const std::bad_alloc&) {
                PanelStatus stopped;
                stopped.problem = L"out of memory: the panel no longer feeds the camera";
                impl->shared.Publish(stopped);
            }
        });
    } catch (const std::system_error&) {
        *why = L"cannot start the engine's thread";
        return false;
    }
    return true;
}

void PanelEngine::SetSource(const SourceChoice& choice) {
    impl->shared.Change([&choice](EngineChoices& choices) {
        choices.source = choice;
        ++choices.sourceVersion;
    });
}

void PanelEngine::SetMirror(bool on) {
    impl->shared.Change([on](EngineChoices& choices) { choices.mirror = on; });
}

void PanelEngine::SetMode(PanelMode mode) {
    impl->shared.Change([mode](EngineChoices& choices) { choices.mode = mode; });
}

void PanelEngine::SetPaused(bool paused) {
    impl->shared.Change([paused](EngineChoices& choices) { choices.paused = paused; });
}

void PanelEngine::SetIdlePicture(const std::wstring& path) {
    impl->shared.Change([&path](EngineChoices& choices) { choices.idlePicture = path; });
}

void PanelEngine::FormatChanged() {
    impl->shared.Change([](EngineChoices& choices) { ++choices.formatChanges; });
}

PanelStatus PanelEngine::Status() const {
    return impl->shared.Status();
}

void PanelEngine::PaintPreview(HDC dc, const RECT& where) {
    impl->preview.Paint(dc, where);
}

bool PanelEngine::PreviewChanged() const {
    return impl->preview.Changed();
}
