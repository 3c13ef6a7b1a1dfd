#include "tesmar/cluster_launch.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "base/host_name.h"
#include "network/program_folder.h"

namespace tesmar {

namespace {

int EnvironmentNumber(const char* name, int otherwise) {
    const char* text = std::getenv(name);
    if (!text || !*text) return otherwise;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' ? static_cast<int>(value) : otherwise;
}

}  // namespace

bool StartedAsClusterProcess() {
    if (std::getenv("OMPI_COMM_WORLD_SIZE")) return EnvironmentNumber("OMPI_COMM_WORLD_SIZE", 1) > 1;
    return std::getenv("PMIX_RANK") != nullptr;
}

int LauncherRank() {
    return EnvironmentNumber("OMPI_COMM_WORLD_RANK", EnvironmentNumber("PMIX_RANK", 0));
}

std::unique_ptr<cluster::Process> JoinCluster() {
    const std::string path = network::ProgramFolder() + "/" + cluster::kLibraryFile;
    // Global, so that the MPI library it brings can open its own plug-ins.
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!library) {
        const char* why = ::dlerror();
        throw ClusterLoadError("cannot load the MPI support " + path + " on host " + base::HostName() + ": " +
                               (why ? why : "unknown error") +
                               " (it needs Open MPI: apt-get install openmpi-bin libopenmpi-dev, then rebuild)");
    }
    auto join = reinterpret_cast<cluster::JoinFunction>(::dlsym(library, cluster::kJoinSymbol));
    if (!join) throw ClusterLoadError(path + " is not the MPI support of this program: it has no " + cluster::kJoinSymbol);
    std::string error;
    cluster::Process* process = join(&error);
    if (!process) throw ClusterLoadError("cannot start MPI on host " + base::HostName() + ": " + error);
    return std::unique_ptr<cluster::Process>(process);
}

}  // namespace tesmar
