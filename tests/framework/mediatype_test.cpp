#include "bitmap.h"
#include "mediatype.h"

#include "lib/counting_unknown.h"

#include <gtest/gtest.h>

#include <cguid.h>
#include <uuids.h>

#include <cstring>

namespace {

// Larger than any block a 32-bit process can obtain.
constexpr ULONG kHugeFormat = 0x7FFFFFF0;

bool HugeAllocationFails() {
    void* block = CoTaskMemAlloc(kHugeFormat);
    CoTaskMemFree(block);
    return block == nullptr;
}

// A video type with an n-byte format block holding 0, 1, 2, ...
COwnedMediaType VideoType(ULONG formatLength, const GUID& subtype = MEDIASUBTYPE_RGB32) {
    COwnedMediaType type;
    type.SetMajorType(&MEDIATYPE_Video);
    type.SetSubType(&subtype);
    type.SetFormatTypeGuid(&FORMAT_VideoInfo);
    BYTE* block = type.ReserveFormat(formatLength);
    for (ULONG i = 0; i < formatLength; ++i) {
        block[i] = static_cast<BYTE>(i);
    }
    return type;
}

TEST(MediaType, CopiesOwnTheirFormatBlockAndReference) {
    CountingUnknown unknown;
    {
        COwnedMediaType original = VideoType(88);
        original.pUnk = &unknown;
        unknown.AddRef(); // the record's own reference

        const COwnedMediaType constructed(original);
        COwnedMediaType assigned;
        assigned = original;
        AM_MEDIA_TYPE* duplicate = DuplicateMediaType(&original);
        ASSERT_NE(duplicate, nullptr);
        EXPECT_EQ(unknown.Extra(), 4);

        for (const AM_MEDIA_TYPE* copy : {static_cast<const AM_MEDIA_TYPE*>(&constructed),
                                          static_cast<const AM_MEDIA_TYPE*>(&assigned),
                                          static_cast<const AM_MEDIA_TYPE*>(duplicate)}) {
            EXPECT_NE(copy->pbFormat, original.pbFormat);
            EXPECT_TRUE(*AsOwned(copy) == original);
            EXPECT_EQ(copy->pUnk, &unknown);
        }

        // Freeing the original's block leaves every copy intact.
        ClearMediaType(original);
        EXPECT_EQ(original.pbFormat, nullptr);
        EXPECT_EQ(unknown.Extra(), 3);
        const COwnedMediaType reference = VideoType(88);
        EXPECT_TRUE(constructed == reference);
        EXPECT_TRUE(assigned == reference);
        EXPECT_TRUE(*AsOwned(duplicate) == reference);

        DestroyMediaType(duplicate);
        EXPECT_EQ(unknown.Extra(), 2);
    }
    EXPECT_EQ(unknown.Extra(), 0);
}

TEST(MediaType, AssignmentReplacesOldContentsAndSurvivesSelfAssignment) {
    CountingUnknown old;
    COwnedMediaType target = VideoType(16);
    target.pUnk = &old;
    old.AddRef();

    const COwnedMediaType source = VideoType(40, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(target.AssignFrom(&source), S_OK);
    EXPECT_EQ(old.Extra(), 0);
    EXPECT_TRUE(target == source);

    BYTE* block = target.pbFormat;
    const COwnedMediaType& alias = target;
    target = alias;
    EXPECT_EQ(target.pbFormat, block);
    EXPECT_EQ(target.AssignFrom(&target), S_OK);
    EXPECT_EQ(target.pbFormat, block);
    EXPECT_TRUE(target == source);
}

TEST(MediaType, EqualityIgnoresSampleSizeFlagsAndReference) {
    CountingUnknown unknown;
    COwnedMediaType a = VideoType(24);
    COwnedMediaType b = VideoType(24);
    b.SetFixedSampleSize(0);
    b.lSampleSize = 12345;
    b.SetTemporallyCompressed(TRUE);
    b.pUnk = &unknown;
    unknown.AddRef();
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);

    b.pbFormat[23] ^= 0xFF;
    EXPECT_TRUE(a != b);

    COwnedMediaType noFormat = VideoType(0);
    COwnedMediaType withFormat = VideoType(4);
    EXPECT_TRUE(noFormat != withFormat);
    EXPECT_TRUE(withFormat != noFormat);
    EXPECT_TRUE(noFormat == VideoType(0));

    COwnedMediaType other = VideoType(24, MEDIASUBTYPE_RGB24);
    EXPECT_TRUE(a != other);
    other = a;
    other.SetMajorType(&MEDIATYPE_Audio);
    EXPECT_TRUE(a != other);
    other = a;
    other.SetFormatTypeGuid(&FORMAT_VideoInfo2);
    EXPECT_TRUE(a != other);
}

TEST(MediaType, MatchesTemplateComparesOnlyTheGivenParts) {
    const COwnedMediaType type = VideoType(32);
    const COwnedMediaType open;
    EXPECT_TRUE(type.MatchesTemplate(&open));
    EXPECT_TRUE(VideoType(0).MatchesTemplate(&open));

    COwnedMediaType major;
    major.SetMajorType(&MEDIATYPE_Video);
    EXPECT_TRUE(type.MatchesTemplate(&major));
    major.SetMajorType(&MEDIATYPE_Audio);
    EXPECT_FALSE(type.MatchesTemplate(&major));

    COwnedMediaType sub;
    sub.SetSubType(&MEDIASUBTYPE_RGB32);
    EXPECT_TRUE(type.MatchesTemplate(&sub));
    sub.SetSubType(&MEDIASUBTYPE_RGB565);
    EXPECT_FALSE(type.MatchesTemplate(&sub));

    // With the format type open, the template's format block does not matter.
    COwnedMediaType openFormat = VideoType(8);
    openFormat.SetFormatTypeGuid(&GUID_NULL);
    EXPECT_TRUE(type.MatchesTemplate(&openFormat));

    // A given format type brings in the format block.
    COwnedMediaType format;
    format.SetFormatTypeGuid(&FORMAT_VideoInfo);
    EXPECT_FALSE(type.MatchesTemplate(&format));
    format = VideoType(32);
    EXPECT_TRUE(type.MatchesTemplate(&format));
    format.pbFormat[5] ^= 1;
    EXPECT_FALSE(type.MatchesTemplate(&format));
    format = VideoType(32);
    format.SetFormatTypeGuid(&FORMAT_VideoInfo2);
    EXPECT_FALSE(type.MatchesTemplate(&format));
}

TEST(MediaType, ReserveFormatKeepsOrReplacesTheBlock) {
    COwnedMediaType type = VideoType(16);
    BYTE* block = type.pbFormat;
    EXPECT_EQ(type.ReserveFormat(16), block);
    EXPECT_TRUE(type == VideoType(16));

    BYTE* larger = type.ReserveFormat(64);
    ASSERT_NE(larger, nullptr);
    EXPECT_EQ(type.cbFormat, 64u);
    EXPECT_EQ(type.pbFormat, larger);

    // No length means no block at all: a record with cbFormat 0 owns none.
    EXPECT_EQ(type.ReserveFormat(0), nullptr);
    EXPECT_EQ(type.cbFormat, 0u);
    EXPECT_EQ(type.pbFormat, nullptr);

    if (!HugeAllocationFails()) {
        GTEST_SKIP() << "huge allocations succeed here";
    }
    type = VideoType(16);
    block = type.pbFormat;
    EXPECT_EQ(type.ReserveFormat(kHugeFormat), nullptr);
    EXPECT_EQ(type.pbFormat, block);
    EXPECT_EQ(type.cbFormat, 16u);
}

TEST(MediaType, SampleSizeAndCompleteness) {
    COwnedMediaType type;
    EXPECT_TRUE(type.bFixedSizeSamples);
    EXPECT_EQ(type.lSampleSize, 1u);
    type.SetFixedSampleSize(4096);
    EXPECT_TRUE(type.bFixedSizeSamples);
    EXPECT_EQ(type.lSampleSize, 4096u);
    type.SetFixedSampleSize(0);
    EXPECT_FALSE(type.bFixedSizeSamples);
    EXPECT_EQ(type.lSampleSize, 4096u);

    EXPECT_TRUE(type.IsIncomplete());
    type.SetMajorType(&MEDIATYPE_Video);
    EXPECT_TRUE(type.IsIncomplete());
    type.SetFormatTypeGuid(&FORMAT_VideoInfo);
    EXPECT_FALSE(type.IsIncomplete()); // the subtype may stay open
}

TEST(MediaType, ClearingLeavesTheGuidsAndDestroyingNullIsHarmless) {
    CountingUnknown unknown;
    const COwnedMediaType video = VideoType(8);
    AM_MEDIA_TYPE* type = DuplicateMediaType(&video);
    ASSERT_NE(type, nullptr);
    type->pUnk = &unknown;
    unknown.AddRef();
    ClearMediaType(*type);
    EXPECT_EQ(unknown.Extra(), 0);
    EXPECT_EQ(type->pUnk, nullptr);
    EXPECT_EQ(type->cbFormat, 0u);
    EXPECT_EQ(type->pbFormat, nullptr);
    EXPECT_TRUE(IsEqualGUID(type->majortype, MEDIATYPE_Video));
    EXPECT_TRUE(IsEqualGUID(type->formattype, FORMAT_VideoInfo));
    DestroyMediaType(type);
    DestroyMediaType(nullptr);
}

// A failed format copy still leaves the target holding its own pUnk reference, so the
// clear that always follows keeps the count balanced.
TEST(MediaType, FailedFormatCopyKeepsReferencesBalanced) {
    if (!HugeAllocationFails()) {
        GTEST_SKIP() << "huge allocations succeed here";
    }
    CountingUnknown unknown;
    BYTE small[4] = {};
    AM_MEDIA_TYPE source = VideoType(0);
    source.pUnk = &unknown;
    source.cbFormat = kHugeFormat;
    source.pbFormat = small;

    AM_MEDIA_TYPE target;
    EXPECT_EQ(DeepCopyMediaType(&target, &source), E_OUTOFMEMORY);
    EXPECT_EQ(target.cbFormat, 0u);
    EXPECT_EQ(target.pbFormat, nullptr);
    EXPECT_EQ(target.pUnk, &unknown);
    EXPECT_EQ(unknown.Extra(), 1);
    ClearMediaType(target);
    EXPECT_EQ(unknown.Extra(), 0);

    EXPECT_EQ(DuplicateMediaType(&source), nullptr);
    EXPECT_EQ(unknown.Extra(), 0);

    {
        COwnedMediaType owned = VideoType(8);
        EXPECT_EQ(owned.AssignFrom(&source), E_OUTOFMEMORY);
        EXPECT_EQ(owned.cbFormat, 0u);
        EXPECT_EQ(unknown.Extra(), 1);
    }
    EXPECT_EQ(unknown.Extra(), 0);
}

struct BitfieldsHeader {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

BitfieldsHeader Bitmap(LONG width, LONG height, WORD bitCount, DWORD compression = BI_RGB) {
    BitfieldsHeader bitmap = {};
    bitmap.header.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.header.biWidth = width;
    bitmap.header.biHeight = height;
    bitmap.header.biPlanes = 1;
    bitmap.header.biBitCount = bitCount;
    bitmap.header.biCompression = compression;
    return bitmap;
}

DWORD SizeOf(const BitfieldsHeader& bitmap) {
    return BitmapImageSize(&bitmap.header);
}

GUID SubtypeOf(const BitfieldsHeader& bitmap) {
    return SubtypeForBitmap(&bitmap.header);
}

TEST(Bitmap, ImageSizePadsRowsAndIgnoresOrientation) {
    EXPECT_EQ(SizeOf(Bitmap(320, 240, 32)), 307200u);
    EXPECT_EQ(SizeOf(Bitmap(320, -240, 32)), 307200u);
    EXPECT_EQ(SizeOf(Bitmap(321, 1, 24)), 964u);
    EXPECT_EQ(SizeOf(Bitmap(321, -3, 24)), 3 * 964u);
    EXPECT_EQ(SizeOf(Bitmap(33, 2, 1)), 2 * 8u);
    EXPECT_EQ(SizeOf(Bitmap(3, 5, 16)), 5 * 8u);
}

TEST(Bitmap, SubtypeFollowsBitCountForUncompressedHeaders) {
    const struct {
        WORD bitCount;
        GUID subtype;
    } cases[] = {{1, MEDIASUBTYPE_RGB1},   {4, MEDIASUBTYPE_RGB4},
                 {8, MEDIASUBTYPE_RGB8},   {16, MEDIASUBTYPE_RGB555},
                 {24, MEDIASUBTYPE_RGB24}, {32, MEDIASUBTYPE_RGB32},
                 {12, GUID_NULL},          {0, GUID_NULL}};
    for (const auto& c : cases) {
        EXPECT_TRUE(IsEqualGUID(SubtypeOf(Bitmap(8, 8, c.bitCount)), c.subtype))
            << c.bitCount << " bits";
    }
}

TEST(Bitmap, SixteenBitBitfieldsAreJudgedByTheirMasks) {
    BitfieldsHeader bitmap = Bitmap(8, 8, 16, BI_BITFIELDS);
    const DWORD rgb565[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(bitmap.masks, rgb565, sizeof(rgb565));
    EXPECT_TRUE(IsEqualGUID(SubtypeForBitmap(&bitmap.header), MEDIASUBTYPE_RGB565));

    const DWORD rgb555[3] = {0x7C00, 0x03E0, 0x001F};
    std::memcpy(bitmap.masks, rgb555, sizeof(rgb555));
    EXPECT_TRUE(IsEqualGUID(SubtypeForBitmap(&bitmap.header), MEDIASUBTYPE_RGB555));

    bitmap.masks[2] = 0x003F;
    EXPECT_TRUE(IsEqualGUID(SubtypeForBitmap(&bitmap.header), GUID_NULL));

    // 32-bit bitfields are RGB32 whatever the masks say.
    bitmap.header.biBitCount = 32;
    EXPECT_TRUE(IsEqualGUID(SubtypeForBitmap(&bitmap.header), MEDIASUBTYPE_RGB32));
}

TEST(Bitmap, CompressedHeadersGiveTheirFourccSubtype) {
    EXPECT_TRUE(IsEqualGUID(SubtypeOf(Bitmap(8, 8, 16, MAKEFOURCC('Y', 'U', 'Y', '2'))),
                            MEDIASUBTYPE_YUY2));
    EXPECT_TRUE(IsEqualGUID(SubtypeOf(Bitmap(8, 8, 24, MAKEFOURCC('M', 'J', 'P', 'G'))),
                            MEDIASUBTYPE_MJPG));
    // BI_RLE8 is neither BI_RGB nor BI_BITFIELDS, so it is treated as a code as well.
    GUID rle = MEDIASUBTYPE_YUY2;
    rle.Data1 = BI_RLE8;
    EXPECT_TRUE(IsEqualGUID(SubtypeOf(Bitmap(8, 8, 8, BI_RLE8)), rle));
}

} // namespace
