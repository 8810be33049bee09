#pragma once
// The rules by which a paced stream's worker times its deliveries, as plain functions of
// stream times (100 ns units), so that they can be checked without a graph.
#include <windows.h>

#include <strmif.h>

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
