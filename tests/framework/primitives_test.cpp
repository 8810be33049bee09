// Critical sections, scoped locks, events, the pointer list and the wide-string helpers.
#include "pointerlist.h"
#include "sync.h"
#include "widestring.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Bounds a wait that should end at once; reached only when the code under test is broken.
constexpr DWORD longWaitMs = 10000;
// A thread that is blocked must still be blocked after this; a shorter wait can only make the
// check weaker, never wrong.
constexpr DWORD blockedProbeMs = 100;

// Another thread that takes the lock, reports that it got it, and leaves.
class CContender {
public:
    explicit CContender(CCritSec& lock)
        : entered(TRUE), thread([this, &lock] {
              CScopedLock hold(&lock);
              SetEvent(entered.Handle());
          }) {}
    ~CContender() { thread.join(); }
    bool Entered(DWORD waitMs) const {
        return WaitForSingleObject(entered.Handle(), waitMs) == WAIT_OBJECT_0;
    }

private:
    CEventHandle entered;
    std::thread thread;
};

TEST(CritSec, OwnerMayReEnterAndOthersWaitUntilEveryEntryIsLeft) {
    CCritSec lock;
    lock.Enter();
    lock.Enter();
    CContender other(lock);
    EXPECT_FALSE(other.Entered(blockedProbeMs));
    lock.Leave();
    EXPECT_FALSE(other.Entered(blockedProbeMs));
    lock.Leave();
    EXPECT_TRUE(other.Entered(longWaitMs));
}

int ReturnEarlyUnderLock(CCritSec& lock, bool early) {
    CScopedLock hold(&lock);
    if (early) {
        return 1;
    }
    return 2;
}

TEST(ScopedLock, HoldsForItsScopeAndGivesBackOnEveryWayOut) {
    CCritSec lock;
    std::unique_ptr<CContender> other;
    {
        CScopedLock hold(&lock);
        other = std::make_unique<CContender>(lock);
        EXPECT_FALSE(other->Entered(blockedProbeMs));
    }
    EXPECT_TRUE(other->Entered(longWaitMs));
    other.reset();

    EXPECT_EQ(1, ReturnEarlyUnderLock(lock, true));
    try {
        CScopedLock hold(&lock);
        throw std::runtime_error("leaving by exception");
    } catch (const std::runtime_error&) {
    }
    CContender afterwards(lock);
    EXPECT_TRUE(afterwards.Entered(longWaitMs));
}

TEST(EventHandle, StartsUnsignalledAndResetsAsAsked) {
    CEventHandle manual(TRUE);
    CEventHandle automatic(FALSE);
    ASSERT_NE(nullptr, manual.Handle());
    ASSERT_NE(nullptr, automatic.Handle());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual.Handle(), 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(automatic.Handle(), 0));

    SetEvent(manual.Handle());
    SetEvent(automatic.Handle());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual.Handle(), 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual.Handle(), 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(automatic.Handle(), 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(automatic.Handle(), 0));

    ResetEvent(manual.Handle());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual.Handle(), 0));
}

std::vector<void*> Forwards(const CPointerList& list) {
    std::vector<void*> objects;
    for (CPointerList::Node* node = list.First(); node != nullptr; node = node->next) {
        objects.push_back(node->object);
    }
    return objects;
}

std::vector<void*> Backwards(const CPointerList& list) {
    std::vector<void*> objects;
    for (CPointerList::Node* node = list.Last(); node != nullptr; node = node->previous) {
        objects.insert(objects.begin(), node->object);
    }
    return objects;
}

class PointerList : public ::testing::Test {
protected:
    int a = 1;
    int b = 1; // equal value, different object
    int c = 3;
    CPointerList list;
};

TEST_F(PointerList, AppendLinksBothWaysInOrderAndKeepsDuplicatesAndNull) {
    CPointerList::Node* first = list.Append(&a);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(&a, first->object);
    list.Append(&b);
    list.Append(&a);
    CPointerList::Node* last = list.Append(nullptr);
    ASSERT_NE(nullptr, last);

    const std::vector<void*> expected = {&a, &b, &a, nullptr};
    EXPECT_EQ(expected, Forwards(list));
    EXPECT_EQ(expected, Backwards(list));
    EXPECT_EQ(4, list.Count());
    EXPECT_EQ(first, list.First());
    EXPECT_EQ(last, list.Last());
    EXPECT_EQ(nullptr, first->previous);
    EXPECT_EQ(nullptr, last->next);
}

TEST_F(PointerList, FindNodeGivesTheFirstNodeHoldingThatVeryPointer) {
    EXPECT_EQ(nullptr, list.FindNode(&a));
    EXPECT_EQ(nullptr, list.FindNode(nullptr));

    CPointerList::Node* firstA = list.Append(&a);
    CPointerList::Node* nullNode = list.Append(nullptr);
    list.Append(&a);
    EXPECT_EQ(firstA, list.FindNode(&a));
    EXPECT_EQ(nullNode, list.FindNode(nullptr));
    EXPECT_EQ(nullptr, list.FindNode(&b));
}

TEST_F(PointerList, ClearEmptiesTheListWhichThenTakesNewEntries) {
    list.Append(&a);
    list.Append(&b);
    list.Clear();
    EXPECT_EQ(nullptr, list.First());
    EXPECT_EQ(nullptr, list.Last());
    EXPECT_EQ(0, list.Count());
    EXPECT_EQ(nullptr, list.FindNode(&a));

    CPointerList::Node* node = list.Append(&c);
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(node, list.First());
    EXPECT_EQ(node, list.Last());
    EXPECT_EQ(nullptr, node->previous);
    EXPECT_EQ(nullptr, node->next);
    EXPECT_EQ(1, list.Count());
}

TEST_F(PointerList, AppendAllAddsTheOtherListInOrderAndLeavesItAlone) {
    CPointerList other;
    other.Append(&a);
    other.Append(&b);
    CPointerList::Node* otherFirst = other.First();
    list.Append(&c);

    EXPECT_TRUE(list.AppendAll(other));
    EXPECT_EQ((std::vector<void*>{&c, &a, &b}), Forwards(list));
    EXPECT_EQ((std::vector<void*>{&c, &a, &b}), Backwards(list));
    EXPECT_EQ(3, list.Count());
    EXPECT_EQ((std::vector<void*>{&a, &b}), Forwards(other));
    EXPECT_EQ(otherFirst, other.First());
    EXPECT_EQ(2, other.Count());

    CPointerList empty;
    EXPECT_TRUE(list.AppendAll(empty));
    EXPECT_EQ(3, list.Count());
}

TEST_F(PointerList, AppendAllOfItselfDoublesOnce) {
    list.Append(&a);
    list.Append(&b);
    EXPECT_TRUE(list.AppendAll(list));
    EXPECT_EQ((std::vector<void*>{&a, &b, &a, &b}), Forwards(list));
    EXPECT_EQ(4, list.Count());
}

// Destination buffers start filled with a marker so that every unit written shows.
class WideCopy : public ::testing::Test {
protected:
    static constexpr WCHAR marker = 0xAAAA;
    WCHAR buffer[8];
    void SetUp() override {
        for (WCHAR& unit : buffer) {
            unit = marker;
        }
    }
    int UntouchedFrom(int index) const {
        int untouched = 0;
        for (int i = index; i < 8; ++i) {
            untouched += buffer[i] == marker ? 1 : 0;
        }
        return untouched;
    }
};

TEST_F(WideCopy, CapacityZeroWritesNothingAndOneWritesOnlyATerminator) {
    EXPECT_EQ(buffer, WideCopyBounded(buffer, L"abc", 0));
    EXPECT_EQ(8, UntouchedFrom(0));

    EXPECT_EQ(buffer, WideCopyBounded(buffer, L"abc", 1));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(7, UntouchedFrom(1));
}

TEST_F(WideCopy, ShortSourceIsCopiedOnceWithItsTerminatorAndNothingAfter) {
    WideCopyBounded(buffer, L"abc", 8);
    EXPECT_STREQ(L"abc", buffer);
    EXPECT_EQ(4, UntouchedFrom(4));

    SetUp();
    WideCopyBounded(buffer, L"", 8);
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ(7, UntouchedFrom(1));
}

TEST_F(WideCopy, LongSourceIsCutToCapacityLessOneAndTerminated) {
    WideCopyBounded(buffer, L"abcdefghij", 4);
    EXPECT_STREQ(L"abc", buffer);
    EXPECT_EQ(4, UntouchedFrom(4));

    SetUp();
    // Exactly fitting: the source's own terminator lands in the last unit.
    WideCopyBounded(buffer, L"abc", 4);
    EXPECT_STREQ(L"abc", buffer);
    EXPECT_EQ(4, UntouchedFrom(4));
}

TEST(WideLength, CountsUnitsBeforeTheTerminator) {
    EXPECT_EQ(0, WideLength(L""));
    EXPECT_EQ(5, WideLength(L"Pin 1"));
}

TEST(IntToWstr, FormatsSignedDecimal) {
    WCHAR text[32];
    for (WCHAR& unit : text) {
        unit = 0xAAAA;
    }
    IntToWstr(-5, text);
    EXPECT_EQ(L'-', text[0]);
    EXPECT_EQ(L'5', text[1]);
    EXPECT_EQ(0, text[2]);

    IntToWstr(INT_MIN, text);
    EXPECT_STREQ(L"-2147483648", text);
    IntToWstr(0, text);
    EXPECT_STREQ(L"0", text);
}

SIZE_T TaskBlockSize(void* block) {
    IMalloc* allocator = nullptr;
    if (FAILED(CoGetMalloc(1, &allocator))) {
        return 0;
    }
    const SIZE_T size = allocator->GetSize(block);
    allocator->Release();
    return size;
}

TEST(DuplicateWideString, CopiesIntoTaskMemoryOfExactlyTheStringsSize) {
    WCHAR* copy = nullptr;
    ASSERT_EQ(S_OK, DuplicateWideString(L"", &copy));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(2u, TaskBlockSize(copy));
    EXPECT_EQ(0, copy[0]);
    CoTaskMemFree(copy);

    const WCHAR* source = L"Output";
    ASSERT_EQ(S_OK, DuplicateWideString(source, &copy));
    EXPECT_NE(source, copy);
    EXPECT_STREQ(source, copy);
    EXPECT_EQ(14u, TaskBlockSize(copy));
    CoTaskMemFree(copy);

    EXPECT_EQ(E_POINTER, DuplicateWideString(source, nullptr));
}

} // namespace
