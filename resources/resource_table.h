// The resources compiled into the program: the window's bitmaps (PNG), the preview sounds
// (WAVE), the animations (AVI) and string 101, looked up by type name and numeric id.
//
// The bytes live in the executable's read-only data for the life of the process; callers get a
// view and own nothing. PNG pictures are decoded by whoever shows them. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace resources {

// Type names as the design's resource script uses them.
inline constexpr const char* kBitmap = "BITMAP";
inline constexpr const char* kWave = "WAVE";
inline constexpr const char* kAvi = "AVI";
inline constexpr const char* kString = "STRING";

using Bytes = std::span<const std::uint8_t>;

// The bytes of resource (type, id), or nothing when the table holds no such resource (a build
// without the sample archives holds no WAVE resources).
std::optional<Bytes> FindResource(const std::string& type, int id);
// The text of string resource id, or "" when there is none.
std::string LoadResourceString(int id);

enum class ExtractResult { kOk = 0, kNoSuchResource, kCannotWrite };
// Writes resource (type, id) byte for byte to path (created or replaced). A file that cannot be
// written completely is removed again.
ExtractResult ExtractResource(const std::string& type, int id, const std::string& path);

// Every resource in the table, for listings and tests.
struct ResourceEntry {
  const char* type;
  int id;
  const std::uint8_t* begin;
  const std::uint8_t* end;
};
std::span<const ResourceEntry> AllResources();

}  // namespace resources
