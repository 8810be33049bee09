// Connection of the stream pin against downstream doubles: the order types are tried in,
// which failure is reported, and what a connection holds once it has succeeded or failed.
#include "lib/fake_allocator.h"
#include "lib/fake_input_pin.h"
#include "lib/stream_source.h"

#include <gtest/gtest.h>

#include <mmreg.h>
#include <uuids.h>

#include <memory>
#include <vector>

namespace {

COwnedMediaType VideoType(const GUID& subtype) {
    COwnedMediaType type = TestStreamType();
    type.SetSubType(&subtype);
    return type;
}

COwnedMediaType AudioType() {
    COwnedMediaType type;
    type.SetMajorType(&MEDIATYPE_Audio);
    type.SetSubType(&MEDIASUBTYPE_PCM);
    type.SetFormatTypeGuid(&FORMAT_WaveFormatEx);
    BYTE* format = type.ReserveFormat(sizeof(WAVEFORMATEX));
    if (format != nullptr) {
        ZeroMemory(format, sizeof(WAVEFORMATEX));
    }
    return type;
}

std::vector<GUID> Subtypes(const std::vector<COwnedMediaType>& types) {
    std::vector<GUID> subtypes;
    for (const COwnedMediaType& type : types) {
        subtypes.push_back(type.subtype);
    }
    return subtypes;
}

// A rule for the peer's ReceiveConnection: `accepted` subtype takes, others get `refusal`.
std::function<HRESULT(const COwnedMediaType&)> AcceptOnly(GUID accepted, HRESULT refusal) {
    return [accepted, refusal](const COwnedMediaType& type) {
        return IsEqualGUID(type.subtype, accepted) ? S_OK : refusal;
    };
}

// The vtable of an object: equal for two objects of one class.
const void* ClassOf(IUnknown* object) {
    return *reinterpret_cast<void* const*>(object);
}

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        allocator = std::make_unique<CFakeAllocator>();
        ASSERT_TRUE(allocator->Ready());
        filter = new CTestSource;
        filter->AddRef();
        stream = filter->Stream();
        ASSERT_NE(stream, nullptr);
        baseline = filter->References();
        peer.allocatorToOffer = allocator.get();
        peer.receiveRule = AcceptOnly(MEDIASUBTYPE_RGB32, VFW_E_TYPE_NOT_ACCEPTED);
    }
    void TearDown() override {
        if (filter != nullptr) {
            filter->Stop();
            stream->Disconnect();
            peer.Disconnect();
            EXPECT_EQ(peer.References(), 0);
            EXPECT_EQ(allocator->References(), 0);
            EXPECT_EQ(filter->Release(), 0u);
        }
        allocator.reset();
        CoUninitialize();
    }

    HRESULT Connect(const AM_MEDIA_TYPE* type = nullptr) {
        return stream->Connect(static_cast<IPin*>(&peer), type);
    }

    // After a failed Connect: no peer, no input pin, no allocator, and every reference given
    // back.
    void ExpectNothingHeld() {
        IPin* connected = reinterpret_cast<IPin*>(&peer);
        EXPECT_EQ(stream->ConnectedTo(&connected), VFW_E_NOT_CONNECTED);
        EXPECT_EQ(connected, nullptr);
        EXPECT_EQ(stream->InputPin(), nullptr);
        EXPECT_EQ(stream->Allocator(), nullptr);
        EXPECT_EQ(peer.References(), 0);
        EXPECT_EQ(allocator->References(), 0);
        EXPECT_EQ(filter->References(), baseline);
    }

    COwnedMediaType ConnectionType() {
        COwnedMediaType type;
        EXPECT_EQ(stream->ConnectionMediaType(&type), S_OK);
        return type;
    }

    CFakeInputPin peer;
    std::unique_ptr<CFakeAllocator> allocator;
    CTestSource* filter = nullptr;
    CTestStream* stream = nullptr;
    ULONG baseline = 0;
};

TEST_F(ConnectionTest, PeerTypesAreTriedBeforeThePinsOwn) {
    peer.offered = {VideoType(MEDIASUBTYPE_YUY2), VideoType(MEDIASUBTYPE_UYVY)};
    stream->alsoAccepted = {VideoType(MEDIASUBTYPE_UYVY)};

    ASSERT_EQ(Connect(), S_OK);
    // YUY2 is refused by the pin itself, so it never reaches the peer.
    EXPECT_EQ(Subtypes(peer.Attempts()),
              (std::vector<GUID>{MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB32}));
    EXPECT_TRUE(ConnectionType() == TestStreamType());
    EXPECT_EQ(peer.Peer(), filter->OutputPin());
}

TEST_F(ConnectionTest, AnAcceptablePeerTypeWinsOverThePinsOwn) {
    peer.offered = {VideoType(MEDIASUBTYPE_UYVY)};
    stream->alsoAccepted = {VideoType(MEDIASUBTYPE_UYVY)};
    peer.receiveRule = nullptr;

    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(Subtypes(peer.Attempts()), std::vector<GUID>{MEDIASUBTYPE_UYVY});
    EXPECT_TRUE(ConnectionType() == VideoType(MEDIASUBTYPE_UYVY));
}

TEST_F(ConnectionTest, AFullyGivenTypeIsTheOnlyOneTried) {
    peer.offered = {VideoType(MEDIASUBTYPE_UYVY)};
    stream->alsoAccepted = {VideoType(MEDIASUBTYPE_UYVY)};
    peer.receiveRule = nullptr;

    // Refused by the pin: nothing else is tried, though the peer's type would have done.
    const COwnedMediaType refused = VideoType(MEDIASUBTYPE_YUY2);
    EXPECT_EQ(Connect(&refused), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_TRUE(peer.Attempts().empty());
    ExpectNothingHeld();

    const COwnedMediaType own = TestStreamType();
    ASSERT_EQ(Connect(&own), S_OK);
    EXPECT_EQ(Subtypes(peer.Attempts()), std::vector<GUID>{MEDIASUBTYPE_RGB32});
}

TEST_F(ConnectionTest, APartlyGivenTypeFiltersTheCandidates) {
    peer.offered = {AudioType(), VideoType(MEDIASUBTYPE_UYVY)};
    stream->alsoAccepted = {AudioType(), VideoType(MEDIASUBTYPE_UYVY)};
    peer.receiveRule = [](const COwnedMediaType&) { return VFW_E_TYPE_NOT_ACCEPTED; };
    COwnedMediaType videoOnly;
    videoOnly.SetMajorType(&MEDIATYPE_Video);

    EXPECT_EQ(Connect(&videoOnly), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(Subtypes(peer.Attempts()),
              (std::vector<GUID>{MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB32}));
    ExpectNothingHeld();

    // The audio type comes first in the peer's list but does not fit the template.
    peer.receiveRule = nullptr;
    ASSERT_EQ(Connect(&videoOnly), S_OK);
    EXPECT_TRUE(ConnectionType() == VideoType(MEDIASUBTYPE_UYVY));
}

TEST_F(ConnectionTest, ASpecificReceiveFailureIsReportedOverNoAcceptableTypes) {
    peer.offered = {VideoType(MEDIASUBTYPE_UYVY)};
    stream->alsoAccepted = {VideoType(MEDIASUBTYPE_UYVY)};
    struct Case {
        HRESULT peerTypeRefusal;
        HRESULT ownTypeRefusal;
        HRESULT expected;
    };
    const Case cases[] = {
        {VFW_E_TYPE_NOT_ACCEPTED, VFW_E_NO_TRANSPORT, VFW_E_NO_TRANSPORT},
        {E_OUTOFMEMORY, VFW_E_NO_TRANSPORT, VFW_E_NO_TRANSPORT}, // the later pass's code wins
        // The own pass, refused only generically, ends in "no acceptable types", which must
        // not hide the peer pass's specific code.
        {VFW_E_NO_TRANSPORT, E_INVALIDARG, VFW_E_NO_TRANSPORT},
        {E_FAIL, VFW_E_TYPE_NOT_ACCEPTED, VFW_E_NO_ACCEPTABLE_TYPES},
    };
    for (const Case& c : cases) {
        peer.receiveRule = [c](const COwnedMediaType& type) {
            return IsEqualGUID(type.subtype, MEDIASUBTYPE_UYVY) ? c.peerTypeRefusal
                                                                : c.ownTypeRefusal;
        };
        EXPECT_EQ(Connect(), c.expected)
            << std::hex << c.peerTypeRefusal << " " << c.ownTypeRefusal;
        ExpectNothingHeld();
    }
}

TEST_F(ConnectionTest, AFailedReceiveConnectionLeavesNothingHeld) {
    peer.receiveRule = [](const COwnedMediaType&) { return VFW_E_NO_TRANSPORT; };
    EXPECT_EQ(Connect(), VFW_E_NO_TRANSPORT);
    ExpectNothingHeld();
}

TEST_F(ConnectionTest, AFailedAllocatorNegotiationLeavesNothingHeld) {
    peer.notifyResult = VFW_E_NO_TRANSPORT;
    EXPECT_EQ(Connect(), VFW_E_NO_TRANSPORT);
    // Both allocators were sized before the peer refused them, and the peer was let go.
    EXPECT_EQ(stream->decisions.size(), 2u);
    EXPECT_EQ(peer.Peer(), nullptr);
    EXPECT_GE(peer.Disconnects(), 1);
    ExpectNothingHeld();

    peer.notifyResult = S_OK;
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(stream->Allocator(), allocator.get());
}

TEST_F(ConnectionTest, ThePeersRequirementsReachDecideBufferSize) {
    const ALLOCATOR_PROPERTIES unaligned = {3, 0, 0, 0};
    const ALLOCATOR_PROPERTIES aligned = {2, 0, 16, 8};
    peer.requirements = unaligned;
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(stream->decisions.size(), 1u);
    EXPECT_EQ(stream->decisions[0].allocator, allocator.get());
    EXPECT_EQ(stream->decisions[0].props.cbAlign, 1);
    EXPECT_EQ(allocator->lastRequest.cBuffers, 1);
    EXPECT_EQ(allocator->lastRequest.cbBuffer, CTestStream::frameBytes);
    EXPECT_EQ(allocator->lastRequest.cbAlign, 1);
    EXPECT_EQ(stream->Allocator(), allocator.get());
    EXPECT_EQ(peer.NotifiedAllocator(), allocator.get());

    ASSERT_EQ(stream->Disconnect(), S_OK);
    peer.Disconnect();
    peer.requirements = aligned;
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(stream->decisions.size(), 2u);
    EXPECT_EQ(stream->decisions[1].props.cbAlign, 16);
    EXPECT_EQ(stream->decisions[1].props.cbPrefix, 8);
    EXPECT_EQ(allocator->lastRequest.cbAlign, 16);
    EXPECT_EQ(allocator->lastRequest.cbPrefix, 8);
}

TEST_F(ConnectionTest, WithoutAPeerAllocatorThePlatformMemoryAllocatorIsUsed) {
    peer.allocatorToOffer = nullptr;
    ASSERT_EQ(Connect(), S_OK);
    IMemAllocator* used = stream->Allocator();
    ASSERT_NE(used, nullptr);
    ASSERT_EQ(stream->decisions.size(), 1u);
    EXPECT_EQ(stream->decisions[0].allocator, used);
    EXPECT_EQ(peer.NotifiedAllocator(), used);

    IMemAllocator* reference = nullptr;
    ASSERT_EQ(CreateMemoryAllocator(&reference), S_OK);
    EXPECT_EQ(ClassOf(used), ClassOf(reference));
    reference->Release();

    ALLOCATOR_PROPERTIES props = {};
    ASSERT_EQ(used->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 1);
    EXPECT_GE(props.cbBuffer, CTestStream::frameBytes);
}

TEST_F(ConnectionTest, APeerAllocatorGrantingTooLittleIsReplacedAndReleased) {
    allocator->grantedSize = CTestStream::frameBytes / 2;
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(stream->decisions.size(), 2u);
    EXPECT_EQ(stream->decisions[0].allocator, allocator.get());
    EXPECT_NE(stream->Allocator(), allocator.get());
    EXPECT_EQ(stream->decisions[1].allocator, stream->Allocator());
    // The refused allocator got the same requirements as its replacement.
    EXPECT_EQ(stream->decisions[1].props.cbAlign, stream->decisions[0].props.cbAlign);
    EXPECT_EQ(allocator->References(), 0);
}

TEST_F(ConnectionTest, DisconnectNeedsAStoppedFilter) {
    EXPECT_EQ(stream->Disconnect(), S_FALSE);
    ASSERT_EQ(Connect(), S_OK);

    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_EQ(stream->Disconnect(), VFW_E_NOT_STOPPED);
    EXPECT_TRUE(stream->IsConnected());
    ASSERT_EQ(filter->Stop(), S_OK);

    EXPECT_EQ(stream->Disconnect(), S_OK);
    EXPECT_FALSE(stream->IsConnected());
    EXPECT_EQ(stream->InputPin(), nullptr);
    EXPECT_EQ(stream->Allocator(), nullptr);
    // Only the peer's own hold on the allocator is left; the peer is not told.
    EXPECT_EQ(allocator->References(), 1);
    EXPECT_EQ(peer.References(), 0);
    EXPECT_EQ(stream->Disconnect(), S_FALSE);
}

TEST_F(ConnectionTest, ConnectRefusesAPausedFilterAndAConnectedPin) {
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(Connect(), VFW_E_NOT_STOPPED);
    EXPECT_TRUE(peer.Attempts().empty());
    ASSERT_EQ(filter->Stop(), S_OK);
    ExpectNothingHeld();

    ASSERT_EQ(Connect(), S_OK);
    CFakeInputPin other;
    EXPECT_EQ(stream->Connect(static_cast<IPin*>(&other), nullptr), VFW_E_ALREADY_CONNECTED);
    EXPECT_TRUE(other.Attempts().empty());
    EXPECT_EQ(other.References(), 0);
    EXPECT_EQ(stream->GetConnected(), static_cast<IPin*>(&peer));
}

TEST_F(ConnectionTest, QueryAcceptTurnsARefusalIntoSFalse) {
    const COwnedMediaType own = TestStreamType();
    const COwnedMediaType other = VideoType(MEDIASUBTYPE_YUY2);
    EXPECT_EQ(stream->QueryAccept(&own), S_OK);
    EXPECT_EQ(stream->QueryAccept(&other), S_FALSE);
}

} // namespace
