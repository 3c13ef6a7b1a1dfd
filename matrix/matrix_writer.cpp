#include "matrix/matrix_writer.h"

#include "base/folder_probe.h"
#include "base/write_all.h"
#include "matrix/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "matrix/file_names.h"

namespace matrix {

namespace fs = std::filesystem;

namespace {

std::string SystemError() { return std::strerror(errno); }

void Remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw MatrixFileError("Cannot remove the old matrix file " + path + ": " + SystemError());
}

NpyType BinaryType(int k) { return k == 4 ? NpyType::UInt8 : NpyType::Float32; }

std::vector<std::string> SetFileNames(const std::string& networkPath) {
    std::vector<std::string> names;
    for (int k = 1; k <= 4; ++k) {
        names.push_back(MatrixFileName(networkPath, k));
        names.push_back(BinaryFileName(networkPath, k));
    }
    names.push_back(EventSummaryFileName(networkPath));
    return names;
}

}  // namespace

void CheckReplaceable(const std::string& networkPath) {
    const std::string folder = fs::path(networkPath).parent_path().string();
    if (!base::FolderTakesFiles(folder))
        throw MatrixFileError("The folder " + folder + " cannot take the matrix files: " + SystemError());
    struct stat dir {};
    const bool sticky = ::stat(folder.c_str(), &dir) == 0 && (dir.st_mode & S_ISVTX) != 0;
    for (const std::string& name : SetFileNames(networkPath)) {
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) throw MatrixFileError("The old matrix file " + name + " is a folder and cannot be replaced");
        if (sticky && ::geteuid() != 0 && st.st_uid != ::geteuid() && dir.st_uid != ::geteuid())
            throw MatrixFileError("The old matrix file " + name + " belongs to another user and cannot be replaced");
    }
}

MatrixWriter::MatrixWriter(const std::string& networkPath, std::span<const std::string> nodeIds, bool withZ2)
    : networkPath_(networkPath), nNodes_(static_cast<std::int32_t>(nodeIds.size())), withZ2_(withZ2) {
    for (int k : {4, 1, 2, 3}) {
        Remove(MatrixFileName(networkPath_, k));
        Remove(BinaryFileName(networkPath_, k));
    }
    Remove(EventSummaryFileName(networkPath_));
    try {
        for (int k = 1; k <= 4; ++k) {
            if (k == 2 && !withZ2_) continue;
            text_[k] = CreateText(MatrixFileName(networkPath_, k));
            names_.push_back(text_[k].path);
        }
        for (int k = 1; k <= 4; ++k)
            if (text_[k].fd >= 0)
                binary_[k] = std::make_unique<NpyWriter>(BinaryFileName(networkPath_, k), BinaryType(k), nNodes_);
        summary_ = CreateText(EventSummaryFileName(networkPath_));
        const std::string header = HeaderRecord(nodeIds);
        for (int k = 1; k <= 4; ++k)
            if (text_[k].fd >= 0) Write(text_[k], header);
        Write(summary_, SummaryHeader());
    } catch (const NpyError& e) {
        throw MatrixFileError(e.what());
    }
}

MatrixWriter::~MatrixWriter() {
    for (TextFile* file : TextFiles())
        if (file->fd >= 0) ::close(file->fd);
}

std::vector<MatrixWriter::TextFile*> MatrixWriter::TextFiles() {
    return {&text_[1], &text_[2], &text_[3], &text_[4], &summary_};
}

// A new file only: never one that reappeared since the removal, and never
// through a symbolic link.
MatrixWriter::TextFile MatrixWriter::CreateText(const std::string& path) {
    TextFile file;
    file.path = path;
    file.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file.fd < 0) throw MatrixFileError("Cannot create the matrix file " + path + ": " + SystemError());
    return file;
}

void MatrixWriter::Write(TextFile& file, const std::string& record) {
    if (!base::WriteAll(file.fd, record.data(), record.size())) {
        const std::string why = SystemError();
        // Cut off what part of the record reached the file, so it ends with a whole record.
        if (::ftruncate(file.fd, file.size) == 0) ::lseek(file.fd, file.size, SEEK_SET);
        throw MatrixFileError("Cannot write the matrix file " + file.path + ": " + why);
    }
    file.size += static_cast<off_t>(record.size());
}

void MatrixWriter::RollBack(const std::vector<off_t>& textSizes) {
    const std::vector<TextFile*> files = TextFiles();
    for (std::size_t i = 0; i < files.size(); ++i) {
        TextFile& file = *files[i];
        if (file.fd < 0 || file.size == textSizes[i]) continue;
        if (::ftruncate(file.fd, textSizes[i]) == 0) ::lseek(file.fd, textSizes[i], SEEK_SET);
        file.size = textSizes[i];
    }
    for (auto& binary : binary_)
        if (binary) binary->Truncate(events_);
}

void MatrixWriter::Append(const EncodedEvent& event) {
    std::vector<off_t> sizes;
    for (TextFile* file : TextFiles()) sizes.push_back(file->size);
    try {
        for (int k : {4, 1, 2, 3})
            if (text_[k].fd >= 0) Write(text_[k], event.text[static_cast<std::size_t>(k)]);
        if (binary_[4]) binary_[4]->AppendRow(event.detected.data());
        for (int k = 1; k <= 3; ++k)
            if (binary_[k]) binary_[k]->AppendRow(event.values[static_cast<std::size_t>(k)].data());
        Write(summary_, event.summary);
    } catch (const std::exception& e) {
        try {
            RollBack(sizes);
        } catch (const std::exception&) {
            // The failure below is what the user must know; the binary files
            // never claim rows they do not hold either way.
        }
        throw MatrixFileError(e.what());
    }
    ++events_;
}

bool MatrixWriter::FilesInPlace() const {
    for (const TextFile* file : {&text_[1], &text_[2], &text_[3], &text_[4], &summary_}) {
        if (file->path.empty()) continue;  // a matrix not written
        // The open descriptor keeps the file's inode from being reused, so
        // equal identities mean the same file.
        const auto own = file->fd >= 0 ? IdentityOf(file->fd) : std::nullopt;
        if (!own || EntryIdentityOf(file->path) != own) return false;
    }
    return true;
}

void MatrixWriter::Close() {
    for (TextFile* file : TextFiles()) {
        if (file->fd < 0) continue;
        const int result = ::close(file->fd);
        file->fd = -1;
        if (result != 0) throw MatrixFileError("Cannot close the matrix file " + file->path + ": " + SystemError());
    }
    try {
        for (auto& binary : binary_)
            if (binary) binary->Close();
    } catch (const NpyError& e) {
        throw MatrixFileError(e.what());
    }
}

}  // namespace matrix
