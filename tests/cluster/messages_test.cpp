// The byte forms of the messages between the processes of a build: what
// one process encodes, another decodes to the same values; a message that
// ends early or runs long is refused.
#include <gtest/gtest.h>

#include "cluster/messages.h"
#include "network/netload.h"
#include "support/test_support.h"

using namespace cluster;

namespace {

matrix::EncodedEvent Records(std::int64_t event, bool withZ2) {
    const std::vector<std::uint8_t> flags{1, 0, 1};
    const std::vector<float> z1{5, 11520, 1.5f}, z2{0.25f, -1, 3}, z3{50, -1, 1e-7f};
    const std::vector<matrix::InjectionColumns> injections{{"J1", 4, 479167.0f}, {"J3", 9, 12.5f}};
    matrix::EventValues values;
    values.detected = flags;
    values.z1 = z1;
    values.z2 = z2;
    values.z3 = z3;
    values.withZ2 = withZ2;
    values.eventNumber = event;
    if (withZ2) values.undetectedPeople = 17.25f;
    values.undetectedVolume = 300;
    matrix::EncodedEvent encoded;
    matrix::EncodeEvent(injections, values, encoded);
    return encoded;
}

void ExpectSameRecords(const matrix::EncodedEvent& a, const matrix::EncodedEvent& b) {
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(a.text[k], b.text[k]) << k;
    EXPECT_EQ(a.detected, b.detected);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(a.values[k], b.values[k]) << k;
    EXPECT_EQ(a.summary, b.summary);
}

}  // namespace

TEST(ClusterMessages, RecordsComeBackByteForByte) {
    const std::vector<matrix::EncodedEvent> sent{Records(7, true), Records(8, false), Records(12, true)};
    std::vector<char> bytes{'o', 'l', 'd'};
    RecordsEncoder encoder(bytes);
    encoder.Add(7, sent[0]);
    encoder.Add(8, sent[1]);
    encoder.Add(12, sent[2]);
    EXPECT_EQ(encoder.Count(), 3);
    std::vector<std::int32_t> indexes;
    matrix::EncodedEvent scratch = Records(99, true);  // stale content must not survive
    DecodeRecords(bytes, scratch, [&](std::int32_t index, const matrix::EncodedEvent& records) {
        ExpectSameRecords(records, sent[indexes.size()]);
        indexes.push_back(index);
    });
    EXPECT_EQ(indexes, (std::vector<std::int32_t>{7, 8, 12}));

    std::vector<char> cut(bytes.begin(), bytes.end() - 1), longer = bytes;
    longer.push_back('x');
    const auto ignore = [](std::int32_t, const matrix::EncodedEvent&) {};
    EXPECT_THROW(DecodeRecords(cut, scratch, ignore), WireError);
    EXPECT_THROW(DecodeRecords(longer, scratch, ignore), WireError);
}
