#pragma once
// Takes are written beside the project file and named by the record counter; the project file
// must be able to store every such path.
#include <string>

namespace tqx {

// The longest name a take can get (the counter in decimal, then ".wav").
inline constexpr const char* kLongestTakeName = "2147483647.wav";

// Whether every take recorded into `folder` has a path the project file can store, and the
// reason given when not.
bool takePathsFit(const std::string& folder);
std::string takeFolderTooLongMessage(const std::string& folder);

}  // namespace tqx
