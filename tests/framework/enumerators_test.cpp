#include "enummediatypes.h"
#include "enumpins.h"

#include "lib/counting_unknown.h"
#include "lib/fake_filter.h"

#include <gtest/gtest.h>

#include <uuids.h>

#include <vector>

namespace {

class FilterFixture : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new FakeFilter;
        filter->AddRef();
        baseline = filter->References();
    }
    void TearDown() override {
        // Every reference an enumerator or a fetched pin took has been given back.
        EXPECT_EQ(filter->References(), baseline);
        EXPECT_EQ(filter->Release(), 0u);
    }

    FakeFilter* filter = nullptr;
    ULONG baseline = 0;
};

// Asks for up to `count` pins, checks the result code and releases what came back.
std::vector<IPin*> NextPins(IEnumPins* pins, ULONG count, HRESULT expected) {
    std::vector<IPin*> slots(count + 1, nullptr);
    ULONG fetched = 12345;
    EXPECT_EQ(pins->Next(count, slots.data(), &fetched), expected);
    EXPECT_LE(fetched, count);
    slots.resize(fetched <= count ? fetched : 0);
    for (IPin* pin : slots) {
        pin->Release();
    }
    return slots;
}

std::vector<IPin*> Faces(std::initializer_list<FakePin*> pins) {
    std::vector<IPin*> faces;
    for (FakePin* pin : pins) {
        faces.push_back(static_cast<IPin*>(pin));
    }
    return faces;
}

class EnumPinsTest : public FilterFixture {
protected:
    void SetUp() override {
        FilterFixture::SetUp();
        a = filter->AddPin(L"a");
        b = filter->AddPin(L"b");
        c = filter->AddPin(L"c");
        pins = new CEnumPins(filter, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(pins->Release(), 0u);
        FilterFixture::TearDown();
    }

    FakePin* a = nullptr;
    FakePin* b = nullptr;
    FakePin* c = nullptr;
    CEnumPins* pins = nullptr;
};

TEST_F(EnumPinsTest, HoldsTheFilterAndAnswersOnlyItsInterfaces) {
    EXPECT_EQ(filter->References(), baseline + 1);
    void* out = nullptr;
    EXPECT_EQ(pins->QueryInterface(IID_IEnumPins, &out), S_OK);
    EXPECT_EQ(out, static_cast<IEnumPins*>(pins));
    EXPECT_EQ(pins->Release(), 1u);
    EXPECT_EQ(pins->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IUnknown*>(pins));
    EXPECT_EQ(pins->Release(), 1u);
    out = pins;
    EXPECT_EQ(pins->QueryInterface(IID_IEnumMediaTypes, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(pins->QueryInterface(IID_IEnumPins, nullptr), E_POINTER);
}

TEST_F(EnumPinsTest, NextWalksThePinsAndStopsAtTheEnd) {
    IPin* slot = nullptr;
    EXPECT_EQ(pins->Next(1, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(pins->Next(2, &slot, nullptr), E_INVALIDARG);
    EXPECT_EQ(NextPins(pins, 0, S_FALSE), Faces({}));

    EXPECT_EQ(pins->Next(1, &slot, nullptr), S_OK);
    EXPECT_EQ(slot, static_cast<IPin*>(a));
    slot->Release();
    EXPECT_EQ(NextPins(pins, 1, S_OK), Faces({b}));
    EXPECT_EQ(NextPins(pins, 2, S_FALSE), Faces({c}));
    EXPECT_EQ(NextPins(pins, 1, S_FALSE), Faces({}));

    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(NextPins(pins, 3, S_OK), Faces({a, b, c}));
}

TEST_F(EnumPinsTest, SkipPastTheEndDoesNotMove) {
    EXPECT_EQ(pins->Skip(1), S_OK);
    EXPECT_EQ(pins->Skip(3), S_FALSE);
    EXPECT_EQ(NextPins(pins, 1, S_OK), Faces({b}));
    EXPECT_EQ(pins->Skip(1), S_OK);
    EXPECT_EQ(pins->Skip(1), S_FALSE);
    EXPECT_EQ(pins->Skip(0), S_OK);
    EXPECT_EQ(NextPins(pins, 1, S_FALSE), Faces({}));
}

TEST_F(EnumPinsTest, ChangedPinSetRestartsWithoutRepeatingPins) {
    EXPECT_EQ(NextPins(pins, 2, S_OK), Faces({a, b}));
    FakePin* d = filter->CreatePin(L"d");
    filter->SetPins({d, b, a, c});
    filter->BumpPinVersion();

    IEnumPins* clone = pins;
    EXPECT_EQ(pins->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(clone, nullptr);
    EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);

    EXPECT_EQ(NextPins(pins, 4, S_FALSE), Faces({d, c}));
    EXPECT_EQ(NextPins(pins, 1, S_FALSE), Faces({}));
    // Next put the enumerator right again.
    EXPECT_EQ(pins->Skip(0), S_OK);

    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(NextPins(pins, 4, S_OK), Faces({d, b, a, c}));
}

TEST_F(EnumPinsTest, ChangeNoticedMidRequestSkipsReturnedPins) {
    EXPECT_EQ(NextPins(pins, 1, S_OK), Faces({a}));
    filter->SetPins({a, b});
    filter->BumpPinVersion();
    EXPECT_EQ(NextPins(pins, 1, S_OK), Faces({b}));
}

TEST_F(EnumPinsTest, MissingPinFailsAndKeepsNothing) {
    filter->SetPins({a, nullptr, c});
    std::vector<IPin*> slots(3, nullptr);
    ULONG fetched = 99;
    EXPECT_EQ(pins->Next(3, slots.data(), &fetched), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(fetched, 0u);
    // The reference taken on the first pin was given back (checked by the fixture).
}

TEST_F(EnumPinsTest, CloneContinuesFromTheSamePlace) {
    EXPECT_EQ(NextPins(pins, 1, S_OK), Faces({a}));
    IEnumPins* clone = nullptr;
    ASSERT_EQ(pins->Clone(&clone), S_OK);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(pins->Clone(nullptr), E_POINTER);

    EXPECT_EQ(NextPins(clone, 1, S_OK), Faces({b}));
    // The two move independently.
    EXPECT_EQ(NextPins(pins, 3, S_FALSE), Faces({b, c}));
    EXPECT_EQ(NextPins(clone, 3, S_FALSE), Faces({c}));
    EXPECT_EQ(clone->Release(), 0u);
}

TEST_F(EnumPinsTest, CloneInheritsThePinsAlreadyReturned) {
    EXPECT_EQ(NextPins(pins, 2, S_OK), Faces({a, b}));
    IEnumPins* clone = nullptr;
    ASSERT_EQ(pins->Clone(&clone), S_OK);
    filter->BumpPinVersion();
    EXPECT_EQ(NextPins(clone, 3, S_FALSE), Faces({c}));
    EXPECT_EQ(clone->Reset(), S_OK);
    EXPECT_EQ(NextPins(clone, 3, S_OK), Faces({a, b, c}));
    EXPECT_EQ(clone->Release(), 0u);
}

COwnedMediaType Video(const GUID& subtype, ULONG formatLength) {
    COwnedMediaType type;
    type.SetMajorType(&MEDIATYPE_Video);
    type.SetSubType(&subtype);
    type.SetFormatTypeGuid(&FORMAT_VideoInfo);
    BYTE* block = type.ReserveFormat(formatLength);
    for (ULONG i = 0; i < formatLength; ++i) {
        block[i] = static_cast<BYTE>(0xA0 + i);
    }
    return type;
}

class EnumMediaTypesTest : public FilterFixture {
protected:
    void SetUp() override {
        FilterFixture::SetUp();
        pin = filter->AddPin(L"out");
        proposals.push_back(Video(MEDIASUBTYPE_RGB32, 88));
        proposals.push_back(Video(MEDIASUBTYPE_RGB24, 0));
        proposals.push_back(Video(MEDIASUBTYPE_RGB565, 100));
        proposals[0].pUnk = &unknown;
        unknown.AddRef();
        for (const COwnedMediaType& type : proposals) {
            pin->AddProposal(type);
        }
        types = new CEnumMediaTypes(pin, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(types->Release(), 0u);
        FilterFixture::TearDown();
        // Only the record in `proposals` still holds its reference.
        EXPECT_EQ(unknown.Extra(), 1);
    }

    // Takes up to `count` types, checks the result and returns the positions of the
    // proposals they equal (-1 for one that equals none); frees the records.
    std::vector<int> NextTypes(IEnumMediaTypes* source, ULONG count, HRESULT expected) {
        std::vector<AM_MEDIA_TYPE*> slots(count + 1, nullptr);
        ULONG fetched = 12345;
        const HRESULT hr = source->Next(count, slots.data(), &fetched);
        EXPECT_EQ(hr, expected);
        if (FAILED(hr)) {
            EXPECT_EQ(fetched, 12345u); // a refusal leaves the count alone
            fetched = 0;
        }
        EXPECT_LE(fetched, count);
        std::vector<int> found;
        for (ULONG i = 0; i < fetched && i < count; ++i) {
            int match = -1;
            for (size_t p = 0; p < proposals.size(); ++p) {
                if (*AsOwned(slots[i]) == proposals[p]) {
                    match = static_cast<int>(p);
                }
            }
            found.push_back(match);
            DestroyMediaType(slots[i]);
        }
        return found;
    }

    CountingUnknown unknown;
    std::vector<COwnedMediaType> proposals;
    FakePin* pin = nullptr;
    CEnumMediaTypes* types = nullptr;
};

using Positions = std::vector<int>;

TEST_F(EnumMediaTypesTest, HoldsTheFilterThroughThePinAndAnswersOnlyItsInterfaces) {
    EXPECT_EQ(filter->References(), baseline + 1);
    void* out = nullptr;
    EXPECT_EQ(types->QueryInterface(IID_IEnumMediaTypes, &out), S_OK);
    EXPECT_EQ(out, static_cast<IEnumMediaTypes*>(types));
    EXPECT_EQ(types->Release(), 1u);
    out = types;
    EXPECT_EQ(types->QueryInterface(IID_IEnumPins, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

TEST_F(EnumMediaTypesTest, NextHandsOutOwnedCopiesUntilTheEnd) {
    AM_MEDIA_TYPE* slot = nullptr;
    EXPECT_EQ(types->Next(1, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(types->Next(2, &slot, nullptr), E_INVALIDARG);
    EXPECT_EQ(NextTypes(types, 0, S_OK), Positions{});

    // The handed-out record carries the reference the proposal was given, no more.
    ASSERT_EQ(types->Next(1, &slot, nullptr), S_OK);
    EXPECT_TRUE(*AsOwned(slot) == proposals[0]);
    EXPECT_EQ(slot->pUnk, &unknown);
    EXPECT_EQ(unknown.Extra(), 3); // the test's record, the pin's and the handed-out one
    DestroyMediaType(slot);
    EXPECT_EQ(unknown.Extra(), 2);

    EXPECT_EQ(NextTypes(types, 3, S_FALSE), (Positions{1, 2}));
    EXPECT_EQ(NextTypes(types, 1, S_FALSE), Positions{});
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(NextTypes(types, 3, S_OK), (Positions{0, 1, 2}));
}

TEST_F(EnumMediaTypesTest, SkipPastTheEndHasMoved) {
    EXPECT_EQ(types->Skip(2), S_OK);
    EXPECT_EQ(NextTypes(types, 1, S_OK), Positions{2});
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(1), S_OK);
    EXPECT_EQ(types->Skip(5), S_FALSE);
    EXPECT_EQ(NextTypes(types, 1, S_FALSE), Positions{});
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(3), S_OK); // lands exactly on the end: the last type exists
    EXPECT_EQ(NextTypes(types, 1, S_FALSE), Positions{});
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(4), S_FALSE);
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(NextTypes(types, 1, S_OK), Positions{0});
}

TEST_F(EnumMediaTypesTest, ChangedTypesStayOutOfSyncUntilReset) {
    EXPECT_EQ(NextTypes(types, 1, S_OK), Positions{0});
    pin->IncrementTypeVersion();

    EXPECT_EQ(NextTypes(types, 1, VFW_E_ENUM_OUT_OF_SYNC), Positions{});
    EXPECT_EQ(NextTypes(types, 1, VFW_E_ENUM_OUT_OF_SYNC), Positions{});
    EXPECT_EQ(types->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(types->Skip(0), S_OK);
    IEnumMediaTypes* clone = types;
    EXPECT_EQ(types->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(clone, nullptr);

    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(NextTypes(types, 3, S_OK), (Positions{0, 1, 2}));
}

TEST_F(EnumMediaTypesTest, CloneContinuesFromTheSamePlace) {
    EXPECT_EQ(NextTypes(types, 1, S_OK), Positions{0});
    IEnumMediaTypes* clone = nullptr;
    ASSERT_EQ(types->Clone(&clone), S_OK);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(types->Clone(nullptr), E_POINTER);
    EXPECT_EQ(filter->References(), baseline + 2);

    EXPECT_EQ(NextTypes(clone, 1, S_OK), Positions{1});
    EXPECT_EQ(NextTypes(types, 3, S_FALSE), (Positions{1, 2}));
    EXPECT_EQ(NextTypes(clone, 3, S_FALSE), Positions{2});

    // A clone of an enumerator that has been reset to a new version is in sync too.
    pin->IncrementTypeVersion();
    EXPECT_EQ(types->Reset(), S_OK);
    IEnumMediaTypes* second = nullptr;
    ASSERT_EQ(types->Clone(&second), S_OK);
    EXPECT_EQ(NextTypes(second, 1, S_OK), Positions{0});
    EXPECT_EQ(NextTypes(clone, 1, VFW_E_ENUM_OUT_OF_SYNC), Positions{});
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(clone->Release(), 0u);
}

} // namespace
