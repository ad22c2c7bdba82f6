#include "tools/folder_spool.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace storetool {
namespace {

constexpr std::size_t kMemory = std::size_t{32} << 20;
constexpr std::size_t kLeastChunk = 4096;
constexpr std::size_t kMostChunk = 65536;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

[[noreturn]] void FailFile(const std::string& path, const char* what) {
  throw std::runtime_error("temporary file " + path + ": cannot " + what + ": " + std::strerror(errno));
}

}  // namespace

// The chunks lie in one mapping on huge-page bounds where the system allows
// them: every folder touches its chunk, and a fault per 4 KiB page would
// cost a small export more than its reading.
FolderSpool::FolderSpool(std::size_t folders)
    : chunk_(std::clamp(kMemory / std::max<std::size_t>(folders, 1) / kLeastChunk * kLeastChunk, kLeastChunk,
                        kMostChunk)),
      folders_(folders) {
  mapped_ = folders * chunk_ + kHugePage;
  mapping_ = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapping_);
  memory_ = reinterpret_cast<char*>((start + kHugePage - 1) / kHugePage * kHugePage);
  madvise(memory_, folders * chunk_, MADV_HUGEPAGE);
}

FolderSpool::~FolderSpool() {
  munmap(mapping_, mapped_);
  if (fd_ >= 0) close(fd_);
}

// A chunk's slot holds the slot of the folder's next chunk, then the text.
std::int64_t FolderSpool::Offset(std::int64_t slot) const {
  return slot * static_cast<std::int64_t>(sizeof(std::int64_t) + chunk_);
}

void FolderSpool::OpenFile() {
  const char* tmp = std::getenv("TMPDIR");
  path_ = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/quorvia-export-XXXXXX";
  fd_ = mkostemp(path_.data(), O_CLOEXEC);
  if (fd_ < 0) FailFile(path_, "make it");
  unlink(path_.c_str());
}

void FolderSpool::Add(std::size_t folder, std::string_view text) {
  Folder& spooled = folders_[folder];
  while (!text.empty()) {
    const std::size_t taken = std::min(chunk_ - spooled.pending, text.size());
    std::memcpy(Chunk(folder) + spooled.pending, text.data(), taken);
    spooled.pending += taken;
    text.remove_prefix(taken);
    if (spooled.pending == chunk_) WriteChunk(folder);
  }
}

void FolderSpool::WriteChunk(std::size_t folder) {
  Folder& spooled = folders_[folder];
  if (fd_ < 0) OpenFile();
  if (spooled.first < 0) spooled.first = spooled.next = slots_++;
  // The next chunk's slot is handed out now, so that this one can name it.
  std::int64_t following = slots_++;
  iovec parts[] = {{&following, sizeof following}, {Chunk(folder), chunk_}};
  if (pwritev(fd_, parts, 2, Offset(spooled.next)) != static_cast<ssize_t>(sizeof following + chunk_)) {
    FailFile(path_, "write it");
  }
  spooled.next = following;
  ++spooled.chunks;
  spooled.pending = 0;
}

void FolderSpool::Replay(std::size_t folder, const std::function<void(std::string_view)>& write) {
  const Folder& spooled = folders_[folder];
  buffer_.resize(sizeof(std::int64_t) + chunk_);
  std::int64_t slot = spooled.first;
  for (std::int64_t i = 0; i < spooled.chunks; ++i) {
    if (pread(fd_, buffer_.data(), buffer_.size(), Offset(slot)) != static_cast<ssize_t>(buffer_.size())) {
      FailFile(path_, "read it");
    }
    std::memcpy(&slot, buffer_.data(), sizeof slot);
    write(std::string_view(buffer_.data() + sizeof slot, chunk_));
  }
  write(std::string_view(Chunk(folder), spooled.pending));
}

}  // namespace storetool
