#include "project/take_paths.h"

#include "project/project_file.h"
#include "project/text_encoding.h"

namespace tqx {

std::string takeFolderTooLongMessage(const std::string& folder) {
    return "このフォルダに録音するファイルのパスが、プロジェクトファイルに保存できる " +
           std::to_string(kMaxStoredPathBytes) + " バイトを超えます。\n" + folder;
}

bool takePathsFit(const std::string& folder) {
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    return storedTextBytes(base + kLongestTakeName) <= static_cast<std::size_t>(kMaxStoredPathBytes);
}

}  // namespace tqx
