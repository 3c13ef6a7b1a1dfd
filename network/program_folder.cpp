#include "network/program_folder.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>
#include <system_error>

namespace network {

namespace fs = std::filesystem;

std::string ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path().string();
    return exe.parent_path().string();
}

std::string CodeFolder() {
    Dl_info info{};
    link_map* object = nullptr;
    // The main program's entry has an empty name; a shared library's is its path.
    if (::dladdr1(reinterpret_cast<void*>(&CodeFolder), &info, reinterpret_cast<void**>(&object), RTLD_DL_LINKMAP) &&
        object && object->l_name && object->l_name[0] == '/')
        return fs::path(object->l_name).parent_path().string();
    return ProgramFolder();
}

std::int64_t FileSize(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return -1;
    auto size = fs::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

}  // namespace network
