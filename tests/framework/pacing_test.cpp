// The catch-up rule and the alignment with a writer's frames, as plain functions of time.
#include "pacing.h"

#include <gtest/gtest.h>

namespace {

constexpr REFERENCE_TIME frame = 400000; // 25 fps

TEST(CatchUp, OnTimeOrLateByLessThanAFrameKeepsTheSchedule) {
    const REFERENCE_TIME last = 3 * frame;
    EXPECT_EQ(4 * frame, CatchUp(4 * frame, 3 * frame + 1, frame, &last)); // wait for it
    EXPECT_EQ(4 * frame, CatchUp(4 * frame, 5 * frame - 1, frame, &last)); // go now
    // The first sample of a run at 1 fps is waited for in full.
    EXPECT_EQ(10000000, CatchUp(10000000, 0, 10000000, nullptr));
}

TEST(CatchUp, ManyFramesLateGoesOnAtTheFrameRateWithoutABurst) {
    // Delivered frame 3 on time, then stalled for ten frames; the worker asks again as soon as
    // each sample has gone and waits until the time it is given.
    REFERENCE_TIME last = 3 * frame;
    REFERENCE_TIME now = 13 * frame;
    REFERENCE_TIME lag = 0;
    for (LONGLONG n = 4; n < 10; ++n) {
        const REFERENCE_TIME scheduled = n * frame + lag;
        const REFERENCE_TIME at = CatchUp(scheduled, now, frame, &last);
        lag += at - scheduled;
        SCOPED_TRACE(n);
        EXPECT_EQ(n == 4 ? now : last + frame, at);
        now = at > now ? at : now;
        last = at;
    }
    EXPECT_EQ(9 * frame, lag); // the stall moved delivery behind the stamps, once
}

TEST(CatchUp, AClockThatJumpsBackIsNotWaitedFor) {
    const REFERENCE_TIME last = 50 * frame;
    EXPECT_EQ(2 * frame + frame, CatchUp(51 * frame, 2 * frame, frame, &last));
}

TEST(Realign, FollowsTheWriterWithinAFrameOfTheSchedule) {
    EXPECT_EQ(-frame / 4, Realign(0, -frame / 4, frame));
    EXPECT_EQ(frame, Realign(frame / 2, frame / 2, frame));
    // A faster writer pushes the phase past a frame early: the middle of the band instead, one
    // write skipped; a slower one past a frame late: the middle, one frame repeated.
    EXPECT_EQ(-1000, Realign(-frame + 1000, -2000, frame));
    EXPECT_EQ(1000, Realign(frame - 1000, 2000, frame));
}

TEST(FramePacer, WithoutWritesEachSampleGoesAtItsTime) {
    FramePacer pacer;
    pacer.Start(0);
    REFERENCE_TIME wait = 0;
    EXPECT_FALSE(pacer.Decide(4 * frame, 3 * frame, frame, 0, &wait));
    EXPECT_EQ(frame, wait);
    EXPECT_TRUE(pacer.Decide(4 * frame, 4 * frame, frame, 0, &wait));
    pacer.Delivered();
    EXPECT_EQ(1, pacer.DeliveredCount());
    EXPECT_EQ(0, pacer.Lag());
}

TEST(FramePacer, AWriterWithinHalfAFrameSetsThePace) {
    FramePacer pacer;
    pacer.Start(7); // writes before the run belong to no sample of it
    REFERENCE_TIME wait = 0;
    EXPECT_TRUE(pacer.Decide(0, 0, frame, 7, &wait));
    pacer.Delivered();
    // A write a quarter frame before the next sample's time: it goes at once...
    EXPECT_TRUE(pacer.Decide(frame, frame * 3 / 4, frame, 8, &wait));
    pacer.Delivered();
    // ... and the schedule follows: the one after is due a quarter frame early, and without a
    // fresh write waits until half a frame after that.
    EXPECT_FALSE(pacer.Decide(2 * frame, 2 * frame - frame / 4, frame, 8, &wait));
    EXPECT_EQ(frame / 2, wait);
}

} // namespace
