// CPathList: the paths that a session announced for upload since its list was
// last cleared, and the keep-or-delete test that COMMIT runs on every file it
// meets. Owned by one session and used by its thread only.
//
// Each added path protects one file in one prune: a match spends one entry.
// Paths are kept once each with a count of unspent entries, folder parts
// shared, so memory grows with the text of distinct paths and a lookup is a
// hash probe. `capacity` still grows in slots of 100 as callers expect.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CPathList {
 public:
  // Stores the path (slashes count as separators). 0 for a path of 2599 units
  // or more, or when memory runs out; the list is then unchanged.
  int Add(std::u16string_view path);
  // Forgets every entry and releases the storage.
  void Clear();
  // For a file found on disk: spends one unspent entry equal to `path` and
  // keeps the file (0), or deletes the file (1; 0 if deleting failed).
  int KeepOrDelete(std::u16string_view path);
  // Deletes every file under `folder`, at any depth, that no unspent entry
  // names, and removes the subfolders that this leaves empty; `folder` itself
  // stays. Links are never followed: a link is kept or deleted as a file.
  void Prune(std::u16string_view folder);

  int capacity() const { return capacity_; }
  int count() const { return count_; }

 private:
  struct Bucket {
    std::uint32_t folder = 0;
    std::uint32_t nameOffset = kEmpty;
    std::uint32_t nameLength = 0;
    std::uint32_t unspent = 0;
  };
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

  // The id of a normalised folder part; a new one is made only when `create`.
  bool FindFolder(std::u16string_view folder, bool create, std::uint32_t* id);
  Bucket* Probe(std::vector<Bucket>& buckets, std::uint32_t folder, std::u16string_view name) const;
  Bucket* Find(std::uint32_t folder, std::u16string_view name);
  std::u16string_view NameOf(const Bucket& bucket) const;
  void Grow();

  int capacity_ = 0;
  int count_ = 0;
  std::unordered_map<std::u16string, std::uint32_t> folders_;
  std::u16string names_;
  std::vector<Bucket> buckets_;
  std::size_t used_ = 0;
};
