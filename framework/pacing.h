#pragma once
// The rules by which a paced stream's worker times its deliveries, as plain functions of
// stream times (100 ns units) and one value class that keeps a run's pacing state, so that
// they can be checked without a graph. The DirectShow camera's stream and the Windows 11
// camera's media source pace by the same rules.
#include <windows.h>

// 100 ns units, as both platforms count them (DirectShow's REFERENCE_TIME, MF's MFTIME).
using REFERENCE_TIME = LONGLONG;

// The catch-up rule: the stream time at which a sample due at `due` goes. On time, or late by
// up to a frame: `due`. Later than that (a stall upstream or downstream): now, but a frame
// after the last delivery at the earliest (`last`, null when none since the stream ran), so
// that the samples missed come at the frame rate instead of in a burst. A clock that jumped
// back (now before the last delivery, due more than a frame ahead): a frame from now, so that
// the stream does not wait for the old time to come round again.
REFERENCE_TIME CatchUp(REFERENCE_TIME due, REFERENCE_TIME now, REFERENCE_TIME frame,
                       const REFERENCE_TIME* last);

// Lining the schedule up with a writer's frames: `phase` moved by `offset` (a fresh frame
// delivered that far from its due time), kept within a frame either side of the stream's own
// schedule. Past that edge it moves a whole frame back in, to the middle of the band, where
// the jitter of later frames cannot push it out again: a writer faster than the stream has
// one frame skipped, a slower one has one repeated, and the rate stays the stream's.
REFERENCE_TIME Realign(REFERENCE_TIME phase, REFERENCE_TIME offset, REFERENCE_TIME frame);

// One run's pacing: when each sample goes, given the times it is due and the writes a source
// says it has made (a count that changes with each complete frame; 0 throughout when the
// source never says). While the source writes, a sample goes at the first write within half a
// frame of its time, else when that half frame is over; otherwise it goes at its time. Late
// samples follow CatchUp, and the schedule follows the writer (Realign).
class FramePacer {
public:
    // A run starts: the writes counted so far (`writes`) belong to no sample of it.
    void Start(LONG writes);
    // Decides on the sample due at `due` at stream time `now` (a frame lasts `frame`), having
    // seen `writes`. True: it goes now (and the decision is kept for Delivered). False: look
    // again after `*wait` at most, or as soon as a write comes.
    bool Decide(REFERENCE_TIME due, REFERENCE_TIME now, REFERENCE_TIME frame, LONG writes,
                REFERENCE_TIME* wait);
    // A sample goes without a decision (no clock to pace by): it counts, but sets no pace.
    void GoUnpaced() { decidedRunning = false; }
    // The sample let go last was delivered.
    void Delivered();

    LONGLONG DeliveredCount() const { return delivered; }
    // How far stalls have moved delivery behind the samples' due times.
    REFERENCE_TIME Lag() const { return lag; }

private:
    LONGLONG delivered = 0;       // samples delivered since the run started
    REFERENCE_TIME lag = 0;       // how far stalls have moved delivery behind the stamps
    REFERENCE_TIME phase = 0;     // delivery lined up with the source's writes (Realign)
    REFERENCE_TIME decidedAt = 0; // stream time at which the sample in hand was let go
    bool decidedRunning = false;  // ... by a decision
    REFERENCE_TIME lastDelivery = 0;
    bool lastDeliveryKnown = false;
    LONG seenCount = 0;           // the source's write count when last looked at
    LONG staleCount = 0;          // writes that do not make the next sample fresh
    REFERENCE_TIME lastWrite = 0; // stream time at which a write was last seen
    bool writing = false;         // the source has said it writes, since the run started
};
