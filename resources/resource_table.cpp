#include "resources/resource_table.h"

#include "platform/file_io.h"

namespace resources {

// Defined in the table source that the build generates from the resource files.
extern const ResourceEntry kResourceEntries[];
extern const std::size_t kResourceEntryCount;

std::span<const ResourceEntry> AllResources() { return {kResourceEntries, kResourceEntryCount}; }

std::optional<Bytes> FindResource(const std::string& type, int id) {
  for (const ResourceEntry& e : AllResources())
    if (e.id == id && type == e.type) return Bytes(e.begin, static_cast<std::size_t>(e.end - e.begin));
  return std::nullopt;
}

std::string LoadResourceString(int id) {
  const auto bytes = FindResource(kString, id);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

ExtractResult ExtractResource(const std::string& type, int id, const std::string& path) {
  const auto bytes = FindResource(type, id);
  if (!bytes) return ExtractResult::kNoSuchResource;
  platform::FileHandle h = platform::CreateAlways(path);
  if (!platform::IsOpen(h)) return ExtractResult::kCannotWrite;
  std::size_t done = 0;
  while (done < bytes->size()) {
    const std::size_t chunk = std::min<std::size_t>(bytes->size() - done, 1 << 20);
    const int wrote = platform::WriteFile(h, bytes->data() + done, static_cast<int>(chunk));
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
  platform::CloseFile(h);
  if (done != bytes->size()) {
    platform::DeleteFile(path);
    return ExtractResult::kCannotWrite;
  }
  return ExtractResult::kOk;
}

}  // namespace resources
