// The values the toolkit keeps, recovered from what it reports: for many
// values as the toolkit would read them, keep them as it does (divided by
// the factor), report them (multiplied back) and recover: the answer is
// always the kept value, for random doubles as for plain decimal sizes.
#include <gtest/gtest.h>

#include <random>

#include "network/project.h"
#include "transport/internal_units.h"

namespace {

TEST(KeptValue, AlwaysTheKeptValue) {
    std::mt19937_64 random(20261208);
    for (const int units : {EN_GPM, EN_LPS}) {
        const transport::ReportFactors f = transport::ReportFactorsFor(units);
        for (const double factor : {f.length, f.diameter, f.volume}) {
            SCOPED_TRACE(factor);
            long recovered = 0, wrong = 0, tried = 0;
            std::uniform_real_distribution<double> any(0.01, 1e5);
            for (int i = 0; i < 200000; ++i, ++tried) {
                const double read = any(random);
                const double kept = read / factor;
                const std::optional<double> back = transport::KeptValue(kept * factor, factor);
                if (back) ++recovered;
                if (back && *back != kept) ++wrong;
            }
            EXPECT_EQ(wrong, 0);
            // About one in ten of these reports differs from the value read, and still each comes back.
            EXPECT_EQ(recovered, tried);
            long plain = 0, plainBack = 0;
            for (int size = 1; size <= 3000; ++size) {
                for (const double read : {static_cast<double>(size), size / 10.0, size / 100.0}) {
                    const double kept = read / factor;
                    const std::optional<double> back = transport::KeptValue(kept * factor, factor);
                    ++plain;
                    if (!back) continue;
                    ++plainBack;
                    EXPECT_EQ(*back, kept) << read;
                }
            }
            EXPECT_EQ(plainBack, plain);
        }
    }
}

}  // namespace
