#include "support/fixtures.h"

#include <grp.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

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
  return static_cast<uint16_t>((entryIndex << 8) | (sampleIndex & 0xFF));
}

void WriteMarkerArchives(const std::string& folder) {
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    std::ofstream out(folder + "/" + archive.fileName, std::ios::binary | std::ios::trunc);
    const SampleGroup& group = *archive.group;
    for (size_t i = 0; i < group.m_names.size(); ++i) {
      const int samples = group.m_sizes[i] / 2;
      std::vector<unsigned char> bytes(static_cast<size_t>(group.m_sizes[i]), 0);
      if (group.m_names[i] != kSilenceName) {
        for (int k = 0; k < samples; ++k) {
          const uint16_t v = MarkerSample(static_cast<int>(i), k);
          bytes[2 * k] = static_cast<unsigned char>(v & 0xFF);
          bytes[2 * k + 1] = static_cast<unsigned char>(v >> 8);
        }
      }
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
  }
}

const std::string& SharedMarkerArchives() {
  static std::unique_ptr<ScratchDir> dir;
  static std::string path;
  if (!dir) {
    dir = std::make_unique<ScratchDir>();
    WriteMarkerArchives(dir->Path());
    path = dir->Path();
  }
  return path;
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
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

}  // namespace fixtures
