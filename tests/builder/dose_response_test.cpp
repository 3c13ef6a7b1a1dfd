#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>
#include <stdexcept>

#include "builder/dose_response.h"

using namespace builder;

// Published values of the standard normal distribution. The polynomial
// (Abramowitz and Stegun 26.2.17) promises an absolute error below 7.5e-8;
// beyond |x| = 7 the tail form is within 1/x^2 of the value relatively.
TEST(DoseResponse, NormalDistributionMatchesPublishedValues) {
    const struct {
        double x, cdf;
    } published[] = {{0.0, 0.5},
                     {1.0, 0.8413447460685429},
                     {-1.0, 0.15865525393145707},
                     {1.96, 0.9750021048517795},
                     {-1.96, 0.024997895148220435},
                     {-3.0, 0.0013498980316300946},
                     {2.5, 0.9937903346742238},
                     {-5.0, 2.866515718791939e-07}};
    for (const auto& value : published) EXPECT_NEAR(NormalCdf(value.x), value.cdf, 7.5e-8) << value.x;
    const struct {
        double x, cdf;
    } tail[] = {{-8.0, 6.220960574271784e-16}, {-10.0, 7.619853024160527e-24}};
    for (const auto& value : tail)
        EXPECT_NEAR(NormalCdf(value.x), value.cdf, value.cdf / (value.x * value.x)) << value.x;
    for (double x : {0.3, 1.7, 4.0, 7.0, 8.0}) EXPECT_NEAR(NormalCdf(-x), 1 - NormalCdf(x), 1e-15) << x;
    EXPECT_NEAR(NormalPdf(0), 0.3989422804014327, 1e-15);
    EXPECT_NEAR(NormalPdf(2), 0.05399096651318806, 1e-15);
}

// Every 4096th single of [-7, 7] with both signs, the ends and the tails;
// bench/normal_cdf_exhaustive compares all of them.
TEST(DoseResponse, SingleNormalDistributionIsTheDoubleOneRounded) {
    std::vector<float> zs{0.0f, -0.0f, 7.0f, -7.0f, 7.0000005f, -7.0000005f, 12.5f, -12.5f, -40.0f,
                          std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
    for (std::uint32_t bits = 1; bits < std::bit_cast<std::uint32_t>(7.0f); bits += 4096) {
        zs.push_back(std::bit_cast<float>(bits));
        zs.push_back(-std::bit_cast<float>(bits));
    }
    std::size_t differing = 0;
    for (float z : zs) differing += NormalCdfSingle(z) != static_cast<float>(NormalCdf(z));
    EXPECT_EQ(differing, 0u) << "of " << zs.size();
}

TEST(DoseResponse, WorkedExampleReproducesItsDigits) {
    DoseResponse model{2.0f, 70.0f, 41.0f, 0.34f, 300};
    float response = ResponseProbability(model, 10.0f);
    EXPECT_NEAR(response, 0.0582631f, 5e-8f);

    // A node serving 1000 people adds 58.26; nodes without demand or exposure add nothing.
    std::vector<float> exposure{0, 10.0f, 10.0f, 0.0f};
    std::vector<float> perMinute{0, 1.0f, 0.0f, 1.0f};
    std::vector<float> population{0, 1000.0f, 500.0f, 700.0f};
    float sum = AffectedPopulation(model, 1, exposure, perMinute, population);
    EXPECT_NEAR(sum, 58.2631f, 1e-3f);
    EXPECT_EQ(sum, static_cast<float>(static_cast<double>(response) * 1000.0f));

    // At or before the first injection step nobody counts as affected.
    EXPECT_EQ(AffectedPopulation(model, 0, exposure, perMinute, population), 0.0f);
}

TEST(DoseResponse, DoseEqualToD50GivesHalfAndUndefinedDosesAreRefused) {
    // Exposure chosen so that dose / body weight equals D50: x = 1, z = 0.
    DoseResponse model{86400.0f / 300, 1.0f, 1.0f, 0.34f, 300};
    EXPECT_NEAR(ResponseProbability(model, 1.0f), 0.5f, 1e-7f);
    DoseResponse noIngestion{0.0f, 70.0f, 41.0f, 0.34f, 300};
    EXPECT_THROW(ResponseProbability(noIngestion, 10.0f), std::domain_error);
    DoseResponse negativeD50{2.0f, 70.0f, -41.0f, 0.34f, 300};
    EXPECT_THROW(ResponseProbability(negativeD50, 10.0f), std::domain_error);
    // A trace exposure whose dose underflows a single counts as no response.
    EXPECT_EQ(ResponseProbability(DoseResponse{2.0f, 70.0f, 41.0f, 0.34f, 300}, 1e-44f), 0.0f);
    DoseResponse noWeight{2.0f, 0.0f, 41.0f, 0.34f, 300};
    EXPECT_THROW(ResponseProbability(noWeight, 10.0f), std::domain_error);
}

TEST(DoseResponse, ExposureAccumulatesRelativeDemandTimesConcentration) {
    EXPECT_EQ(UpdatedExposure(20.0f, 10.0f, 3.0f, 0.0f, false), 6.0f);
    EXPECT_EQ(UpdatedExposure(20.0f, 10.0f, 3.0f, 4.0f, true), 10.0f);
    EXPECT_EQ(UpdatedExposure(20.0f, 0.0f, 3.0f, 4.0f, true), 0.0f);
}

TEST(DoseResponse, CachedResponsesGiveTheSameSums) {
    DoseResponse model{2.0f, 70.0f, 41.0f, 0.34f, 300};
    std::vector<float> perMinute{0, 1.0f, 2.0f, 0.5f, 3.0f};
    std::vector<float> population{0, 1000.0f, 250.5f, 73.25f, 12.0f};
    std::vector<float> exposure(5, 0.0f);
    ResponseCache cache;
    cache.Reset(5);
    for (int step = 1; step <= 40; ++step) {
        // Some exposures grow, some stand still, some grow by less than a single can hold.
        exposure[1] += step < 10 ? 0.37f * step : 0.0f;
        exposure[2] += 1e-9f;
        exposure[3] = step % 3 == 0 ? exposure[3] + 5.0f : exposure[3];
        exposure[4] = 1e-44f;
        float plain = AffectedPopulation(model, step, exposure, perMinute, population);
        EXPECT_EQ(AffectedPopulation(model, step, exposure, perMinute, population, &cache), plain) << step;
    }
}

// The population sum forms each response without the divisions of
// ResponseProbability; it must give the same single for every exposure, and
// refuse the same ones. Exposures step through every magnitude of a single.
TEST(DoseResponse, AffectedPopulationGivesEveryNodeItsResponseProbability) {
    const DoseResponse models[] = {{2.0f, 70.0f, 41.0f, 0.34f, 300},
                                   {1.5f, 12.0f, 0.02f, -2.75f, 60},
                                   {3.0f, 95.0f, 7.0e4f, 11.0f, 3600},
                                   {2.0f, 70.0f, 41.0f, 0.0f, 300}};
    const std::vector<float> perMinute{0, 1.0f}, population{0, 1.0f};
    std::vector<float> exposure(2, 0.0f);
    for (const DoseResponse& model : models) {
        std::size_t differing = 0, compared = 0;
        for (std::uint32_t bits = 1; bits < std::bit_cast<std::uint32_t>(std::numeric_limits<float>::max());
             bits += 4099) {
            exposure[1] = std::bit_cast<float>(bits);
            bool refused = false;
            float expected = 0.0f;
            try {
                expected = ResponseProbability(model, exposure[1]);
            } catch (const std::domain_error&) {
                refused = true;
            }
            if (refused) {
                EXPECT_THROW(AffectedPopulation(model, 1, exposure, perMinute, population), std::domain_error);
                continue;
            }
            ++compared;
            differing += std::bit_cast<std::uint32_t>(AffectedPopulation(model, 1, exposure, perMinute, population)) !=
                         std::bit_cast<std::uint32_t>(expected);
        }
        EXPECT_EQ(differing, 0u) << "beta " << model.Beta << ", of " << compared;
        EXPECT_GT(compared, 400000u);
    }
}

// The sum formed term by term in node order from ResponseProbability, the
// way the measure is defined.
float SumOverEveryNode(const DoseResponse& model, const std::vector<float>& exposure,
                       const std::vector<float>& perMinute, const std::vector<float>& population) {
    float sum = 0.0f;
    for (std::size_t m = 1; m < exposure.size(); ++m) {
        const float r = perMinute[m] > 0 && exposure[m] > 0 ? ResponseProbability(model, exposure[m]) : 0.0f;
        sum = static_cast<float>(static_cast<double>(r) * population[m] + sum);
    }
    return sum;
}

// Nodes without exposure add nothing, and nor do nodes whose response is
// too far in the tail to move the sum, so a sum over the exposed nodes
// alone, or one that passes over them, is the same single as the sum over
// every node; a node with an infinite population still spoils the sum.
TEST(DoseResponse, AffectedPopulationOverTheExposedNodesIsTheSumOverEveryNode) {
    const DoseResponse model{2.0f, 70.0f, 41.0f, 0.34f, 300};
    constexpr std::size_t nodes = 3000;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> any(0.0f, 1.0f);
    std::vector<float> exposure(nodes + 1, 0.0f), perMinute(nodes + 1, 0.0f), population(nodes + 1, 0.0f);
    base::IndexBits exposed;
    exposed.Reset(nodes + 1);
    for (std::size_t m = 1; m <= nodes; ++m) {
        perMinute[m] = any(random) < 0.8f ? any(random) * 5 : 0.0f;
        population[m] = any(random) * 900 - (m % 50 == 0 ? 1000 : 0);
        const float kind = any(random);
        if (kind < 0.3f) {
            exposure[m] = any(random) * 40;
            exposed.Insert(m);
        } else if (kind < 0.5f) {
            // So small a dose that the response lies far in the tail (z < -8).
            exposure[m] = any(random) * 1e-20f;
            exposed.Insert(m);
        } else if (kind < 0.6f) {
            // Doses whose z lies between about -7.7 and -7.
            exposure[m] = 1e-17f * std::pow(10.0f, 2 * any(random));
            exposed.Insert(m);
        } else if (kind < 0.7f) {
            // Doses whose z lies between about -6.5 and -5.
            exposure[m] = 1e-13f * std::pow(10.0f, 4 * any(random));
            exposed.Insert(m);
        } else if (kind < 0.75f) {
            exposed.Insert(m);  // a member may have no exposure
        }
    }
    // A population so large that even a response far in the tail moves the sum.
    exposure[nodes - 1] = 1e-20f;
    perMinute[nodes - 1] = 1.0f;
    population[nodes - 1] = -1e17f;
    exposed.Insert(nodes - 1);
    const float expected = SumOverEveryNode(model, exposure, perMinute, population);
    ResponseCache cache;
    cache.Reset(nodes + 1);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(AffectedPopulation(model, 3, exposure, perMinute, population)),
              std::bit_cast<std::uint32_t>(expected));
    for (int pass = 0; pass < 2; ++pass)
        EXPECT_EQ(std::bit_cast<std::uint32_t>(
                      AffectedPopulation(model, 3, exposure, perMinute, population, &cache, &exposed)),
                  std::bit_cast<std::uint32_t>(expected));
    population[17] = std::numeric_limits<float>::infinity();
    exposure[17] = 0.0f;
    EXPECT_TRUE(std::isnan(SumOverEveryNode(model, exposure, perMinute, population)));
    EXPECT_TRUE(std::isnan(AffectedPopulation(model, 3, exposure, perMinute, population)));
}
