#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace storetool {

// Text gathered for many folders at once, in any order of folders, and
// given back one folder at a time in the order it was added. Each folder
// has a chunk of memory (about 32 MiB in all, between 4 and 64 KiB a
// folder); a full chunk goes out to an unnamed temporary file (below
// $TMPDIR, else /tmp), naming the place of the folder's next one there, so
// memory stays the same however much text comes.
class FolderSpool {
 public:
  explicit FolderSpool(std::size_t folders);
  ~FolderSpool();
  FolderSpool(const FolderSpool&) = delete;
  FolderSpool& operator=(const FolderSpool&) = delete;

  // Adds `text` after the folder's text so far. Throws std::runtime_error
  // naming the temporary file when it cannot be made or written.
  void Add(std::size_t folder, std::string_view text);

  // Hands `write` the folder's whole text, in pieces, in the order it was
  // added. Throws std::runtime_error when the temporary file cannot be read.
  void Replay(std::size_t folder, const std::function<void(std::string_view)>& write);

 private:
  struct Folder {
    std::size_t pending = 0;  // bytes of its chunk in memory not yet written out
    std::int64_t first = -1;  // the slot of its first chunk in the file
    std::int64_t next = -1;   // the slot its next chunk goes to
    std::int64_t chunks = 0;
  };

  char* Chunk(std::size_t folder) const { return memory_ + folder * chunk_; }
  void OpenFile();
  void WriteChunk(std::size_t folder);
  std::int64_t Offset(std::int64_t slot) const;

  std::size_t chunk_;
  std::vector<Folder> folders_;
  void* mapping_ = nullptr;
  std::size_t mapped_ = 0;
  char* memory_ = nullptr;  // each folder's chunk, side by side
  int fd_ = -1;
  std::string path_;        // for messages; the file itself is unlinked at once
  std::int64_t slots_ = 0;  // slots handed out so far
  std::vector<char> buffer_;
};

}  // namespace storetool
