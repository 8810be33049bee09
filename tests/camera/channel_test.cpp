// The shared frame channel: naming, creation, locking and copying, in process and against a
// producer in another process (tests/support/producer).
#include "sharedmemory.h"

#include "qvl_protocol.h"

#include "lib/producer_process.h"
#include "producer/producer_protocol.h"
#include "sync.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD streamRegionSize = QVL_REGION_SIZE;
constexpr DWORD streamTimeoutMs = QVL_CAMERA_MUTEX_WAIT_MS;
// In-process tests that only need a wait to fail use a short limit.
constexpr DWORD shortTimeoutMs = 50;
// Bounds a wait that should end at once; reached only when something is broken.
constexpr DWORD longWaitMs = 20000;
constexpr BYTE marker = 0xCD;

constexpr CLSID filterClsid = QVL_CAMERA_CLSID_INIT;

// Each test uses its own names, so parallel test programs in one Wine prefix cannot meet.
std::string UniqueRegionName() {
    GUID guid = {};
    CoCreateGuid(&guid);
    char name[256] = {};
    RegionNameForClsid(guid, name);
    return name;
}

DWORD PageRoundUp(DWORD bytes) {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return (bytes + info.dwPageSize - 1) / info.dwPageSize * info.dwPageSize;
}

bool ObjectExists(const std::string& region) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, region.c_str());
    if (mapping != nullptr) {
        CloseHandle(mapping);
    }
    return mapping != nullptr;
}

bool MutexExists(const std::string& region) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, producer::MutexName(region).c_str());
    if (mutex != nullptr) {
        CloseHandle(mutex);
    }
    return mutex != nullptr;
}

// True when a thread other than the caller can take the region's mutex at once, i.e. nobody
// holds it. Gives it straight back.
bool FreeForAnotherThread(const std::string& region) {
    HANDLE mutex =
        OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, producer::MutexName(region).c_str());
    if (mutex == nullptr) {
        return false;
    }
    bool free = false;
    std::thread([&] {
        const DWORD wait = WaitForSingleObject(mutex, 0);
        free = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        if (free) {
            ReleaseMutex(mutex);
        }
    }).join();
    CloseHandle(mutex);
    return free;
}

// Another thread of this process that holds the region's mutex until Release().
class CMutexHolder {
public:
    explicit CMutexHolder(const std::string& region)
        : held(TRUE), release(TRUE), thread([this, region] {
              HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE,
                                        producer::MutexName(region).c_str());
              if (mutex != nullptr && WaitForSingleObject(mutex, longWaitMs) == WAIT_OBJECT_0) {
                  SetEvent(held.Handle());
                  WaitForSingleObject(release.Handle(), longWaitMs);
                  ReleaseMutex(mutex);
              }
              if (mutex != nullptr) {
                  CloseHandle(mutex);
              }
          }) {}
    ~CMutexHolder() { Release(); }
    bool Holding() const { return WaitForSingleObject(held.Handle(), longWaitMs) == WAIT_OBJECT_0; }
    void Release() {
        SetEvent(release.Handle());
        if (thread.joinable()) {
            thread.join();
        }
    }

private:
    CEventHandle held;
    CEventHandle release;
    std::thread thread;
};

// Number of bytes of `buffer` from `begin` to `end` that differ from the producer's frame.
size_t PatternMismatches(const std::vector<BYTE>& buffer, DWORD begin, DWORD end, BYTE fill) {
    size_t mismatches = 0;
    for (DWORD i = begin; i < end; ++i) {
        mismatches += buffer[i] != producer::PatternByte(fill, i) ? 1 : 0;
    }
    return mismatches;
}

size_t CountNot(const std::vector<BYTE>& buffer, DWORD begin, DWORD end, BYTE value) {
    size_t count = 0;
    for (DWORD i = begin; i < end; ++i) {
        count += buffer[i] != value ? 1 : 0;
    }
    return count;
}

TEST(ChannelNames, RegionNameIsTheBracedUpperCaseClassIdentifier) {
    char name[256] = {};
    ASSERT_TRUE(RegionNameForClsid(filterClsid, name));
    EXPECT_STREQ("{D7A2CE2F-8221-4B80-B086-B795D9C845F6}", name);
    EXPECT_EQ(38u, std::strlen(name));
}

TEST(ChannelNames, OpenMakesTheRegionAndTheMutexUnderTheirNamesAndCloseDropsThem) {
    const std::string region = UniqueRegionName();
    ASSERT_FALSE(ObjectExists(region));
    ASSERT_FALSE(MutexExists(region));
    {
        Cqvl_SharedMemory channel;
        ASSERT_TRUE(channel.Open(region.c_str(), streamRegionSize, streamTimeoutMs));
        EXPECT_STREQ(region.c_str(), channel.Name());
        EXPECT_TRUE(ObjectExists(region));
        EXPECT_TRUE(MutexExists(region));
        channel.Close();
        // The channel held the only handles.
        EXPECT_FALSE(ObjectExists(region));
        EXPECT_FALSE(MutexExists(region));
    }
}

TEST(ChannelInProcess, WithoutAProducerOpenCreatesAZeroFilled16MiBRegion) {
    const std::string region = UniqueRegionName();
    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(region.c_str(), streamRegionSize, streamTimeoutMs));
    EXPECT_EQ(streamRegionSize, channel.MappedSize());

    std::vector<BYTE> frame(streamRegionSize + 4096, marker);
    EXPECT_EQ(0u, channel.CopyFrame(frame.data(), streamRegionSize)) << "copied without the lock";
    EXPECT_EQ(0u, CountNot(frame, 0, streamRegionSize, marker));

    ASSERT_NE(nullptr, channel.Lock());
    EXPECT_EQ(streamRegionSize, channel.CopyFrame(frame.data(), static_cast<DWORD>(frame.size())));
    channel.Unlock();
    EXPECT_EQ(0u, CountNot(frame, 0, streamRegionSize, 0));
    EXPECT_EQ(0u, CountNot(frame, streamRegionSize, static_cast<DWORD>(frame.size()), marker));
}

TEST(ChannelInProcess, SecondOpenIsRefusedAndTheFirstRegionStaysInUse) {
    const std::string first = UniqueRegionName();
    const std::string second = UniqueRegionName();
    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(first.c_str(), streamRegionSize, shortTimeoutMs));
    EXPECT_FALSE(channel.Open(second.c_str(), 4096, shortTimeoutMs));
    EXPECT_STREQ(first.c_str(), channel.Name());
    EXPECT_FALSE(ObjectExists(second));
    EXPECT_EQ(streamRegionSize, channel.MappedSize());

    // What another writer puts into the first region is what the channel reads.
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, first.c_str());
    ASSERT_NE(nullptr, mapping);
    BYTE* writer = static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(nullptr, writer);
    std::memset(writer, 0x42, 64);
    UnmapViewOfFile(writer);
    CloseHandle(mapping);

    std::vector<BYTE> frame(64, marker);
    ASSERT_NE(nullptr, channel.Lock());
    EXPECT_EQ(64u, channel.CopyFrame(frame.data(), 64));
    channel.Unlock();
    EXPECT_EQ(0u, CountNot(frame, 0, 64, 0x42));
}

TEST(ChannelInProcess, CloseReleasesOnceAndTheChannelStaysClosed) {
    const std::string region = UniqueRegionName();
    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(region.c_str(), 4096, shortTimeoutMs));
    channel.Close();
    EXPECT_EQ(nullptr, channel.Lock());
    EXPECT_EQ(0u, channel.MappedSize());

    // New handles may reuse the closed handles' values; a second Close must not close them.
    HANDLE others[4];
    for (HANDLE& other : others) {
        other = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(nullptr, other);
    }
    channel.Close();
    for (HANDLE other : others) {
        DWORD flags = 0;
        EXPECT_TRUE(GetHandleInformation(other, &flags));
        CloseHandle(other);
    }
    EXPECT_FALSE(channel.Open(region.c_str(), 4096, shortTimeoutMs));
}

TEST(ChannelInProcess, FailedOpenLeavesLockFailingAtOnce) {
    // A new region cannot be made with no size.
    Cqvl_SharedMemory channel;
    EXPECT_FALSE(channel.Open(UniqueRegionName().c_str(), 0, streamTimeoutMs));
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(nullptr, channel.Lock());
    EXPECT_FALSE(channel.IsLocked());
}

TEST(ChannelInProcess, LockWhileSomeoneElseHoldsTheMutexFailsAndTheNextLockWaitsAfresh) {
    const std::string region = UniqueRegionName();
    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(region.c_str(), 4096, shortTimeoutMs));
    {
        CMutexHolder holder(region);
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(nullptr, channel.Lock());
        EXPECT_FALSE(channel.IsLocked());
        channel.Unlock();
        EXPECT_EQ(nullptr, channel.Lock());
    }
    BYTE* view = channel.Lock();
    EXPECT_NE(nullptr, view);
    channel.Unlock();
}

TEST(ChannelInProcess, LockTwiceDoesNotNestAndOneUnlockGivesTheMutexBack) {
    const std::string region = UniqueRegionName();
    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(region.c_str(), 4096, shortTimeoutMs));
    BYTE* view = channel.Lock();
    ASSERT_NE(nullptr, view);
    EXPECT_EQ(view, channel.Lock());
    EXPECT_FALSE(FreeForAnotherThread(region));
    channel.Unlock();
    EXPECT_TRUE(FreeForAnotherThread(region));

    // After the Unlock the channel no longer counts itself the owner.
    CMutexHolder holder(region);
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(nullptr, channel.Lock());
}

// A producer in another process writes under the mutex; the channel opens what it made.
ProducerOptions Producer(const std::string& region, DWORD size, BYTE fill) {
    return ProducerOptions{TEST_PRODUCER_EXE, region, size, fill, longWaitMs, false};
}

void ExpectCleanExit(const CProducerProcess& producer) {
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(producer.WaitExit(longWaitMs, &exitCode));
    EXPECT_EQ(static_cast<DWORD>(producer::exitOk), exitCode);
}

class ProducerRegion : public ::testing::TestWithParam<DWORD> {};

TEST_P(ProducerRegion, ChannelReadsTheProducersFrameAndNeverPastItsRegion) {
    const DWORD size = GetParam();
    const DWORD mapped = PageRoundUp(size);
    const std::string region = UniqueRegionName();
    CProducerProcess producer(Producer(region, size, 7));
    ASSERT_TRUE(producer.WaitReady(longWaitMs));

    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(region.c_str(), streamRegionSize, streamTimeoutMs));
    EXPECT_EQ(mapped, channel.MappedSize()) << "the producer's size stands, not 16 MiB";
    producer.Release();
    ASSERT_NE(nullptr, channel.Lock());

    std::vector<BYTE> frame(mapped + 8192, marker);
    EXPECT_EQ(mapped, channel.CopyFrame(frame.data(), static_cast<DWORD>(frame.size())));
    std::vector<BYTE> head(frame.size(), marker);
    EXPECT_EQ(100u, channel.CopyFrame(head.data(), 100));
    channel.Unlock();

    EXPECT_EQ(0u, PatternMismatches(frame, 0, size, 7));
    EXPECT_EQ(0u, CountNot(frame, size, mapped, 0));
    EXPECT_EQ(0u, CountNot(frame, mapped, static_cast<DWORD>(frame.size()), marker));
    EXPECT_EQ(0u, PatternMismatches(head, 0, 100, 7));
    EXPECT_EQ(0u, CountNot(head, 100, static_cast<DWORD>(head.size()), marker));
    ExpectCleanExit(producer);
}

// One page exactly, a size that is not whole pages, and a 1920 x 1080 frame.
INSTANTIATE_TEST_SUITE_P(Sizes, ProducerRegion, ::testing::Values(4096u, 10000u, 8294400u));

TEST(ChannelWithProducer, ProducerStartingLaterWritesIntoTheRegionTheChannelMade) {
    const std::string region = UniqueRegionName();
    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(region.c_str(), streamRegionSize, streamTimeoutMs));
    CProducerProcess producer(Producer(region, 8192, 99));
    ASSERT_TRUE(producer.WaitReady(longWaitMs));
    producer.Release();

    ASSERT_NE(nullptr, channel.Lock());
    std::vector<BYTE> frame(3 * 4096, marker);
    EXPECT_EQ(frame.size(), channel.CopyFrame(frame.data(), static_cast<DWORD>(frame.size())));
    channel.Unlock();
    EXPECT_EQ(streamRegionSize, channel.MappedSize());
    EXPECT_EQ(0u, PatternMismatches(frame, 0, 8192, 99));
    EXPECT_EQ(0u, CountNot(frame, 8192, 3 * 4096, 0));
    ExpectCleanExit(producer);
}

TEST(ChannelWithProducer, LockGivesUpAfterTheTimeoutAndTheNextLockWaitsForTheRelease) {
    const std::string region = UniqueRegionName();
    CProducerProcess producer(Producer(region, 4096, 1));
    ASSERT_TRUE(producer.WaitReady(longWaitMs));
    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(region.c_str(), streamRegionSize, streamTimeoutMs));

    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(nullptr, channel.Lock());
    // The tick clock may run a little coarse; what matters is that the limit was waited out.
    EXPECT_GE(GetTickCount64() - start, streamTimeoutMs - 100);
    EXPECT_FALSE(channel.IsLocked());
    channel.Unlock();

    // The next Lock waits again, behind the producer, and gets the mutex once it is released.
    CEventHandle done(TRUE);
    BYTE* view = nullptr;
    std::vector<BYTE> frame(4096, marker);
    DWORD copied = 0;
    std::thread worker([&] {
        view = channel.Lock();
        copied = channel.CopyFrame(frame.data(), static_cast<DWORD>(frame.size()));
        channel.Unlock();
        SetEvent(done.Handle());
    });
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(done.Handle(), 200));
    producer.Release();
    worker.join();
    EXPECT_NE(nullptr, view);
    EXPECT_EQ(4096u, copied);
    EXPECT_EQ(0u, PatternMismatches(frame, 0, 4096, 1));
    ExpectCleanExit(producer);
}

TEST(ChannelWithProducer, MutexAbandonedByAProducerThatDiedHoldingItIsStillGranted) {
    const std::string region = UniqueRegionName();
    ProducerOptions options = Producer(region, 4096, 200);
    options.exitHolding = true;
    CProducerProcess producer(options);
    ASSERT_TRUE(producer.WaitReady(longWaitMs));
    Cqvl_SharedMemory channel;
    ASSERT_TRUE(channel.Open(region.c_str(), streamRegionSize, streamTimeoutMs));
    producer.Release();
    ExpectCleanExit(producer);

    ASSERT_NE(nullptr, channel.Lock());
    std::vector<BYTE> frame(4096, marker);
    EXPECT_EQ(4096u, channel.CopyFrame(frame.data(), 4096));
    EXPECT_FALSE(FreeForAnotherThread(region));
    channel.Unlock();
    EXPECT_EQ(0u, PatternMismatches(frame, 0, 4096, 200));

    // Ownership was given back like any other: the mutex is free and can be taken again.
    EXPECT_TRUE(FreeForAnotherThread(region));
    EXPECT_NE(nullptr, channel.Lock());
    channel.Unlock();
}

} // namespace
