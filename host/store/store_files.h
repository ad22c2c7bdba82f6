#pragma once

#include <string>

namespace store {

// A CRM store holds personal data, so what the store makes is private: its
// folders 0700, its files 0600 (SQLite gives the -wal and -shm files the
// mode of the store file). What exists already keeps its mode.

// Creates `folder` and each missing folder above it with mode 0700. Throws
// host::Error (kStoreError) naming the folder and the system's reason.
void CreatePrivateFolders(const std::string& folder);

// Creates `path` as an empty file with mode 0600. Throws host::Error
// (kStoreError) when anything exists there already or it cannot be made.
void CreatePrivateFile(const std::string& path);

// The system's reason for a failing file operation (an errno), in the words
// a user knows: "no such file", "permission denied", ...
std::string SystemReason(int error);

// Whether nothing can be written at `path` or beside it: the file or its
// folder is read-only by its mode or to this process, or lies on a
// read-only file system.
bool IsReadOnlyPlace(const std::string& path);

}  // namespace store
