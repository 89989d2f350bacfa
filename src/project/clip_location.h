#pragma once
// Where a clip's WAVE file is once its project folder was moved or copied. A project file
// names each clip by the full path it had when the project was saved; a folder moved or
// copied elsewhere keeps the files at the same places relative to the project file.
#include <optional>
#include <string>

namespace tqx {

// The file a stored clip path means for the project file `projectFile`: nothing when the
// stored path exists (it is used as it is). Otherwise the first file that exists of: the
// stored path's tail at the same place under the project file's folder, longest tail first
// (".../old/song/takes/1.wav" is looked for as "takes/1.wav" beside the project file, so
// sub-folders of a moved project folder are found), ending with its name alone in that
// folder. A candidate whose path the project file could not store (over 259 bytes) is
// passed over. Nothing when none exists.
std::optional<std::string> relocatedClipPath(const std::string& stored, const std::string& projectFile);

}  // namespace tqx
