// Trees deeper than the system's path limit, built and removed without ever naming a long path.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

/// Builds `levels` nested folders, each named "d", below `root`, by steps relative to the folder
/// above, and calls `atLevel` with each new folder's level (1 for root/d) and open descriptor.
void MakeDeepChain(const std::filesystem::path& root, int levels,
                   const std::function<void(int level, int folder)>& atLevel);

/// Creates `name` with exactly `bytes` in the folder open as `folder`.
void WriteFileAt(int folder, const std::string& name, const std::string& bytes);

/// Removes the chain of "d" folders below `root` and the files in them, one level at a time.
void RemoveDeepChain(const std::filesystem::path& root);
