#include "support/fixtures.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "platform/system_paths.h"
#include "render/sample_catalog.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace fixtures {

ScratchDir::ScratchDir() {
  std::string pattern = platform::TempFolder() + "vorsk_test_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data())) throw std::runtime_error("cannot create a scratch folder");
  m_path = buffer.data();
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(m_path, ec);
}

TmpfsMount::TmpfsMount(const std::string& folder, long sizeKb, bool bReadOnly) : m_folder(folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::string options = "size=" + std::to_string(sizeKb) + "k,mode=0777";
  const unsigned long flags = bReadOnly ? MS_RDONLY : 0;
  if (::mount("tmpfs", folder.c_str(), "tmpfs", flags, options.c_str()) == 0) {
    m_bMounted = true;
  } else {
    m_reason = "mounting a tmpfs is not allowed here (" + std::string(std::strerror(errno)) + ")";
  }
}

bool TmpfsMount::MakeReadOnly() {
  return m_bMounted && ::mount("tmpfs", m_folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

TmpfsMount::~TmpfsMount() {
  if (m_bMounted) ::umount2(m_folder.c_str(), MNT_DETACH);
}

FullDisk::FullDisk(bool bFillNow) : m_folder(m_dir.File("full")), m_mount(m_folder, 64) {
  if (bFillNow) Fill();
}

bool FullDisk::Fill() {
  if (!m_mount.Mounted()) return false;
  const int fd = ::open(File("filler").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  const std::vector<char> block(4096, 'f');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  // Whatever is left over after the last whole block goes too.
  while (::write(fd, block.data(), 1) > 0) {
  }
  m_bReady = errno == ENOSPC;
  ::close(fd);
  return m_bReady;
}

int RunAsNobody(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kNogroupGid, kNogroupGid, kNogroupGid) != 0 ||
        ::setresuid(kNobodyUid, kNobodyUid, kNobodyUid) != 0) {
      ::_exit(255);
    }
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
  return WEXITSTATUS(status);
}

uint16_t MarkerSample(int entryIndex, int sampleIndex) {
  return static_cast<uint16_t>((entryIndex << kMarkerPositionBits) | (sampleIndex & kMarkerPositionMask));
}

void WriteMarkerArchives(const std::string& folder) {
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    const SampleGroup& group = *archive.group;
    if (group.m_names.size() > kMaxMarkerEntries) throw std::runtime_error("too many entries for markers");
    std::ofstream out(folder + "/" + archive.fileName, std::ios::binary | std::ios::trunc);
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i < group.m_names.size(); ++i) {
      bytes.assign(static_cast<size_t>(group.m_sizes[i]), 0);
      if (group.m_names[i] != kSilenceName) {
        for (size_t k = 0; 2 * k + 1 < bytes.size(); ++k) {
          const uint16_t v = MarkerSample(static_cast<int>(i), static_cast<int>(k));
          bytes[2 * k] = static_cast<unsigned char>(v & 0xFF);
          bytes[2 * k + 1] = static_cast<unsigned char>(v >> 8);
        }
      }
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    if (!out.flush()) throw std::runtime_error("cannot write marker archives into " + folder);
  }
}

namespace {

// Names and sizes of every group, as a digest: marker archives of another layout are stale.
std::string LayoutDigest() {
  const CSampleCatalog catalog;
  std::vector<unsigned char> text;
  for (const auto& archive : catalog.Archives()) {
    for (size_t i = 0; i < archive.group->m_names.size(); ++i) {
      const std::string line = archive.group->m_names[i] + " " + std::to_string(archive.group->m_sizes[i]) + "\n";
      text.insert(text.end(), line.begin(), line.end());
    }
  }
  return Digest(text);
}

}  // namespace

const std::string& SharedMarkerArchives() {
  static const std::string path = [] {
    // Shared by every test process of the build: written once into a fresh folder that is then
    // renamed into place, so a process never sees a half-written set. A process that loses the
    // race to another simply uses the other's folder.
    const fs::path parent = fs::path(VORSK_TEST_DATA_DIR);
    const fs::path target = parent / ("markers-" + LayoutDigest());
    std::error_code ec;
    if (fs::exists(target / "data4.dat", ec)) return target.string();
    fs::create_directories(parent, ec);
    // Processes started together wait for the first to write the set instead of each writing
    // their own; the lock goes with the descriptor.
    const int lock = ::open((parent / "markers.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    struct Unlock {
      int fd;
      ~Unlock() {
        if (fd >= 0) ::close(fd);
      }
    } unlock{lock};
    if (fs::exists(target / "data4.dat", ec)) return target.string();
    std::string pattern = (parent / "writing_XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) throw std::runtime_error("cannot create a folder in " + parent.string());
    const fs::path fresh = buffer.data();
    WriteMarkerArchives(fresh.string());
    fs::rename(fresh, target, ec);
    if (ec) fs::remove_all(fresh, ec);
    if (!fs::exists(target / "data4.dat")) throw std::runtime_error("no marker archives in " + target.string());
    // Marker sets of earlier layouts are of no further use.
    for (const auto& entry : fs::directory_iterator(parent, ec)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("markers-", 0) == 0 && entry.path() != target) fs::remove_all(entry.path(), ec);
    }
    return target.string();
  }();
  return path;
}

std::vector<unsigned char> ReadAll(const std::string& path, size_t maxBytes) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) return {};
  std::vector<unsigned char> bytes(std::min<uintmax_t>(size, maxBytes));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint16_t> ReadSamples(const std::string& path, size_t offset) {
  const auto bytes = ReadAll(path);
  std::vector<uint16_t> samples;
  for (size_t i = offset; i + 1 < bytes.size(); i += 2) {
    samples.push_back(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return samples;
}

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

std::string Digest(const std::vector<unsigned char>& bytes) {
  uint64_t h = 1469598103934665603ULL;
  for (const unsigned char b : bytes) {
    h ^= b;
    h *= 1099511628211ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

std::vector<unsigned char> WaveBytes(int rate, int channels, int bitsPerSample, long long frames,
                                     long long declaredDataBytes) {
  const int blockAlign = channels * bitsPerSample / 8;
  const long long dataBytes = frames * blockAlign;
  const long long declared = declaredDataBytes >= 0 ? declaredDataBytes : dataBytes;
  std::vector<unsigned char> bytes;
  bytes.reserve(44 + static_cast<size_t>(dataBytes));
  auto put = [&bytes](uint32_t v, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto tag = [&bytes](const char* t) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(t[i]));
  };
  tag("RIFF");
  put(static_cast<uint32_t>(36 + declared), 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * blockAlign, 4);
  put(blockAlign, 2);
  put(bitsPerSample, 2);
  tag("data");
  put(static_cast<uint32_t>(declared), 4);
  for (long long f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const int value = static_cast<int>(f % 200) - 100;
      if (bitsPerSample == 8) {
        put(static_cast<uint32_t>(128 + value), 1);
      } else {
        put(static_cast<uint16_t>(value * 50), 2);
      }
    }
  }
  return bytes;
}

}  // namespace fixtures

// The leak checker of the sanitizer build reads these suppressions from the test programs.
// Fontconfig keeps its configuration and font caches for the life of the process once pango
// has laid out text (the boxes the board draws); the process's end frees them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
