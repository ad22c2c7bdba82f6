#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Files written under a temporary name beside their place and moved there
// once whole. The name tells which process writes it, so that the file of a
// process that was killed can be told from one still being written.
namespace host {

// The temporary name of a file named `name` that this process writes:
// ".NAME.new-PID-" and `tag` (a few characters that keep two files of one
// process apart).
std::string TemporaryName(std::string_view name, std::string_view tag);

// Removes from `folder` the temporary files (those named ".NAME.new-PID-...",
// whatever follows) of processes that have ended, whose NAME `is_ours`
// accepts. Files that cannot be removed stay.
void RemoveLeftovers(const std::filesystem::path& folder, const std::function<bool(std::string_view name)>& is_ours);

}  // namespace host
