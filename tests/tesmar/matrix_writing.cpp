#include "matrix_writing.h"

#include <filesystem>

#include "support/test_support.h"

namespace tesmar_testing {

namespace fs = std::filesystem;

namespace {

const std::string kOldText = "old matrix\r\n";

std::string Path(const std::string& networkPath, int k) { return networkPath + ".z" + std::to_string(k); }

}  // namespace

std::string MatrixText(const std::vector<std::string>& nodeIds, const std::vector<std::vector<std::string>>& rows) {
    std::string text;
    for (int field = 0; field < 9; ++field) text += "999,";
    for (const std::string& id : nodeIds) text += "\"" + id + "\",";
    text += "\r\n";
    for (const auto& row : rows) {
        text += "\"" + nodeIds.front() + "\",5,479167,999,999,999,999,999,999,";
        for (const std::string& value : row) text += value + ",";
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> MatrixTexts(const std::string& networkPath) {
    std::vector<std::string> texts;
    for (int k = 1; k <= 4; ++k)
        texts.push_back(fs::exists(Path(networkPath, k)) ? testing_support::ReadText(Path(networkPath, k)) : "");
    return texts;
}

void WriteOldMatrixFiles(const std::string& networkPath) {
    for (int k = 1; k <= 4; ++k) testing_support::WriteText(Path(networkPath, k), kOldText);
}

bool OldMatrixFilesUntouched(const std::string& networkPath) {
    for (const std::string& text : MatrixTexts(networkPath))
        if (text != kOldText) return false;
    return true;
}

std::vector<std::string> MatrixFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (extension.size() == 3 && extension[1] == 'z' && extension[2] >= '1' && extension[2] <= '4')
            files.push_back(entry.path().filename().string());
    }
    return files;
}

}  // namespace tesmar_testing
