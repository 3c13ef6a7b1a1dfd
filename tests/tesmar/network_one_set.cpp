#include "network_one_set.h"

#include "tool_process.h"

namespace tesmar_testing {

testing_support::ScratchFolder* NetworkOneSet::folder_ = nullptr;
std::string NetworkOneSet::network_;

void NetworkOneSet::SetUpTestSuite() {
    folder_ = new testing_support::ScratchFolder;
    network_ = folder_->File("Network_1.inp");
    testing_support::WriteText(network_, testing_support::ReadText(testing_support::ExampleNetwork(1)));
    const ToolRun build = RunTool({"build", network_, "--seed", "20261207"});
    ASSERT_EQ(build.exitCode, 0) << build.err;
}

void NetworkOneSet::TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
}

nlohmann::json NetworkOneSet::Place(const std::vector<std::string>& options) {
    std::vector<std::string> args{"place", network_, "--json"};
    args.insert(args.end(), options.begin(), options.end());
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return nlohmann::json::parse(run.out);
}

}  // namespace tesmar_testing
