// Registration through the old filter mapper, the fallback when the newer one cannot be
// created and the one the base filter's IAMovieSetup uses, against a logging stand-in.
#include "fake_old_mapper.h"
#include "registration.h"
#include "test_templates.h"

#include <gtest/gtest.h>
#include <uuids.h>

#include <string>
#include <vector>

using Calls = std::vector<std::string>;

namespace {
const HRESULT kFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

TEST(OldMapperRegistration, WithoutSetupDataNothingIsAsked) {
    FakeOldMapper mapper;
    EXPECT_EQ(S_FALSE, AMovieSetupRegisterFilter(nullptr, &mapper, TRUE));
    EXPECT_TRUE(mapper.calls.empty());
}

TEST(OldMapperRegistration, RegistersFilterThenEachPinFollowedByItsTypes) {
    FakeOldMapper mapper;
    EXPECT_EQ(S_OK, AMovieSetupRegisterFilter(&kTestFilterSetup, &mapper, TRUE));
    const Calls expected = {
        "UnregisterFilter test-filter",
        "RegisterFilter test-filter srcfilter test filter " + std::to_string(kTestFilterMerit),
        "RegisterPin test-filter First 0100 GUID_NULL null",
        "RegisterPinType test-filter First video rgb32",
        "RegisterPinType test-filter First video GUID_NULL",
        "RegisterPin test-filter Second 1011 GUID_NULL Peer",
        "RegisterPinType test-filter Second audio GUID_NULL",
    };
    EXPECT_EQ(expected, mapper.calls);
}

TEST(OldMapperRegistration, TheFirstFailureEndsAllLoops) {
    // Failing calls: the filter itself, the first pin, its first type.
    for (int failing : {1, 2, 3}) {
        FakeOldMapper mapper;
        mapper.failingCall = failing;
        mapper.failure = E_OUTOFMEMORY;
        EXPECT_EQ(E_OUTOFMEMORY, AMovieSetupRegisterFilter(&kTestFilterSetup, &mapper, TRUE));
        EXPECT_EQ(static_cast<size_t>(failing + 1), mapper.calls.size()) << failing;
    }
}

TEST(OldMapperRegistration, MissingEntryCountsAsSuccessAndUnregisteringStopsAtRemoval) {
    FakeOldMapper lastNotFound;
    lastNotFound.failingCall = 6;
    lastNotFound.failure = kFileNotFound;
    EXPECT_EQ(S_OK, AMovieSetupRegisterFilter(&kTestFilterSetup, &lastNotFound, TRUE));

    FakeOldMapper removal;
    removal.failingCall = 0;
    removal.failure = kFileNotFound;
    EXPECT_EQ(S_OK, AMovieSetupRegisterFilter(&kTestFilterSetup, &removal, FALSE));
    EXPECT_EQ(Calls{"UnregisterFilter test-filter"}, removal.calls);
}
