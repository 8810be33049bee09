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
