// The link under mpirun: a process that dies while its message is on the
// way must not hold the receiving process for ever, which then could not
// say why the job ended.
#include <gtest/gtest.h>

#include <regex>

#include "mpi_run.h"
#include "support/prerequisite.h"

namespace {

TEST(MpiLink, APeerDyingInTheMiddleOfAMessageDoesNotHoldThePoll) {
    const std::optional<std::string> mpirun = cluster_testing::FindMpirun();
    if (!mpirun) TESMAR_PREREQUISITE_MISSING("mpirun is not installed (Debian: openmpi-bin); MPI builds are not tested");
    // Three seconds between mpirun's stop and kill signals (one unless
    // told), so that a loaded machine does not end process 0 before it reports.
    const cluster_testing::JobEnd end = cluster_testing::RunJob(
        *mpirun, cluster_testing::ProgramArguments(2, {"--mca", "odls_base_sigkill_timeout", "3"},
                                                   "cluster_link_loss_program"));
    ASSERT_TRUE(end.ended) << end.err;
    // The first word came; the one behind the message that never arrives is held back.
    EXPECT_TRUE(std::regex_search(end.err, std::regex("process 0 went on after process [0-9]+ ended and took 0 more")))
        << end.err;
}

}  // namespace
