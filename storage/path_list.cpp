#include "storage/path_list.h"

#include <functional>
#include <new>

#include "platform/file.h"
#include "storage/limits.h"

namespace {

constexpr int kSlotStep = 100;
constexpr std::size_t kFirstBuckets = 256;

// The form in which paths are compared: one separator, and the file system's
// letter case rule.
std::u16string Normalise(std::u16string_view path) {
  std::u16string key(path);
  for (char16_t& unit : key)
    if (unit == u'/' || unit == u'\\') unit = platform::kSeparator;
  platform::FoldPathCase(key);
  return key;
}

std::size_t SplitAt(std::u16string_view key) {
  const std::size_t last = key.rfind(platform::kSeparator);
  return last == std::u16string_view::npos ? 0 : last + 1;
}

std::size_t Hash(std::uint32_t folder, std::u16string_view name) {
  return std::hash<std::u16string_view>{}(name) ^ (folder * std::size_t{0x9E3779B97F4A7C15ull});
}

}  // namespace

int CPathList::Add(std::u16string_view path) {
  if (path.size() > static_cast<std::size_t>(kMaxReceivedPathUnits)) return 0;
  const int previousCapacity = capacity_;
  try {
    if (capacity_ == 0) {
      capacity_ = kSlotStep;
    } else if (count_ >= capacity_ - 1) {
      capacity_ += kSlotStep;
    }
    const std::u16string key = Normalise(path);
    const std::size_t split = SplitAt(key);
    std::uint32_t folder = 0;
    FindFolder(std::u16string_view(key).substr(0, split), true, &folder);
    const std::u16string_view name = std::u16string_view(key).substr(split);
    if (Bucket* found = Find(folder, name); found->nameOffset != kEmpty) {
      ++found->unspent;
    } else {
      if ((used_ + 1) * 2 > buckets_.size()) Grow();
      const auto offset = static_cast<std::uint32_t>(names_.size());
      names_.append(name);
      Bucket* slot = Find(folder, name);
      *slot = Bucket{folder, offset, static_cast<std::uint32_t>(name.size()), 1};
      ++used_;
    }
  } catch (const std::bad_alloc&) {
    capacity_ = previousCapacity;
    return 0;
  }
  ++count_;
  return 1;
}

void CPathList::Clear() {
  capacity_ = 0;
  count_ = 0;
  used_ = 0;
  // Swapping with empty containers really gives the memory back.
  std::unordered_map<std::u16string, std::uint32_t>().swap(folders_);
  std::u16string().swap(names_);
  std::vector<Bucket>().swap(buckets_);
}

int CPathList::KeepOrDelete(std::u16string_view path) {
  if (used_ > 0) {
    const std::u16string key = Normalise(path);
    const std::size_t split = SplitAt(key);
    std::uint32_t folder = 0;
    if (FindFolder(std::u16string_view(key).substr(0, split), false, &folder)) {
      Bucket* found = Find(folder, std::u16string_view(key).substr(split));
      if (found->nameOffset != kEmpty && found->unspent > 0) {
        --found->unspent;
        return 0;
      }
    }
  }
  return platform::RemoveFile(path) ? 1 : 0;
}

bool CPathList::FindFolder(std::u16string_view folder, bool create, std::uint32_t* id) {
  const std::u16string text(folder);
  if (const auto found = folders_.find(text); found != folders_.end()) {
    *id = found->second;
    return true;
  }
  if (!create) return false;
  *id = static_cast<std::uint32_t>(folders_.size());
  folders_.emplace(text, *id);
  return true;
}

// Linear probing; the table is at most half full, so a probe ends quickly at
// an empty bucket when the name is not there.
CPathList::Bucket* CPathList::Probe(std::vector<Bucket>& buckets, std::uint32_t folder,
                                    std::u16string_view name) const {
  const std::size_t mask = buckets.size() - 1;
  for (std::size_t index = Hash(folder, name) & mask;; index = (index + 1) & mask) {
    Bucket& bucket = buckets[index];
    if (bucket.nameOffset == kEmpty) return &bucket;
    if (bucket.folder == folder && NameOf(bucket) == name) return &bucket;
  }
}

CPathList::Bucket* CPathList::Find(std::uint32_t folder, std::u16string_view name) {
  if (buckets_.empty()) Grow();
  return Probe(buckets_, folder, name);
}

// Builds the bigger table before it lets go of the old one, so running out of
// memory here leaves the list as it was.
void CPathList::Grow() {
  std::vector<Bucket> bigger(buckets_.empty() ? kFirstBuckets : buckets_.size() * 2);
  for (const Bucket& bucket : buckets_)
    if (bucket.nameOffset != kEmpty) *Probe(bigger, bucket.folder, NameOf(bucket)) = bucket;
  buckets_.swap(bigger);
}

std::u16string_view CPathList::NameOf(const Bucket& bucket) const {
  return std::u16string_view(names_).substr(bucket.nameOffset, bucket.nameLength);
}
