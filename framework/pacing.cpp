#include "pacing.h"

REFERENCE_TIME CatchUp(REFERENCE_TIME due, REFERENCE_TIME now, REFERENCE_TIME frame,
                       const REFERENCE_TIME* last) {
    if (now - due > frame) {
        const REFERENCE_TIME paced = last != nullptr ? *last + frame : now;
        return paced > now ? paced : now;
    }
    if (last != nullptr && now < *last && due - now > frame) {
        return now + frame;
    }
    return due;
}

REFERENCE_TIME Realign(REFERENCE_TIME phase, REFERENCE_TIME offset, REFERENCE_TIME frame) {
    phase += offset;
    if (phase < -frame) {
        phase += frame;
    } else if (phase > frame) {
        phase -= frame;
    }
    return phase;
}

void FramePacer::Start(LONG writes) {
    *this = FramePacer();
    seenCount = staleCount = writes;
}

bool FramePacer::Decide(REFERENCE_TIME due, REFERENCE_TIME now, REFERENCE_TIME frame, LONG writes,
                        REFERENCE_TIME* wait) {
    decidedRunning = false;
    if (writes != seenCount) {
        seenCount = writes;
        lastWrite = now;
        writing = true;
    }
    const REFERENCE_TIME scheduled = due + lag + phase;
    const REFERENCE_TIME at =
        CatchUp(scheduled, now, frame, lastDeliveryKnown ? &lastDelivery : nullptr);
    lag += at - scheduled;
    // A write seen within two frames counts as a source that writes.
    const bool aligned = writing && now - lastWrite <= 2 * frame;
    const REFERENCE_TIME half = aligned ? frame / 2 : 0;
    if (now < at - half) {
        staleCount = writes; // a write before the window belongs to an earlier sample
        *wait = at - half - now;
        return false;
    }
    const bool fresh = aligned && writes != staleCount;
    if (fresh || now >= at + half) {
        if (fresh) {
            phase = Realign(phase, now - at, frame);
        }
        staleCount = writes;
        decidedAt = now;
        decidedRunning = true;
        return true;
    }
    *wait = at + half - now;
    return false;
}

void FramePacer::Delivered() {
    ++delivered;
    lastDelivery = decidedAt;
    lastDeliveryKnown = decidedRunning;
}
