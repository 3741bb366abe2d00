// vorsk_archive_builder: renders the sample archives ("Data0.dat" .. "Data3.dat", "data4.dat")
// into the program folder and the preview sounds into the resource folder, from a General MIDI
// SoundFont. Exit status 0 on success, 1 on a failure (reported on standard error), 2 on bad
// arguments.
//
//   vorsk_archive_builder --soundfont FILE --program-dir DIR --resource-dir DIR [--only NAME]...
//   vorsk_archive_builder --list
//
// --only limits the run to the named archives ("Data1.dat") or to "previews"; repeatable.
// --list prints the catalog, one entry a line, archive by archive in archive order: archive file
// name, byte offset, byte size and sample name, separated by tabs; it renders nothing.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "render/sample_catalog.h"
#include "tools/archive_builder.h"
#include "tools/preview_sounds.h"
#include "tools/sample_designs.h"

namespace {

struct Arguments {
  std::string soundFont;
  std::string programDir;
  std::string resourceDir;
  std::set<std::string> only;
};

bool ParseArguments(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (flag == "--soundfont")
      args.soundFont = value;
    else if (flag == "--program-dir")
      args.programDir = value;
    else if (flag == "--resource-dir")
      args.resourceDir = value;
    else if (flag == "--only")
      args.only.insert(value);
    else
      return false;
  }
  return !args.soundFont.empty() && !args.programDir.empty() && !args.resourceDir.empty();
}

bool Wanted(const Arguments& args, const std::string& name) {
  return args.only.empty() || args.only.count(name) > 0;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool MakeFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec)
    std::fprintf(stderr, "vorsk_archive_builder: cannot create %s: %s\n", folder.c_str(),
                 ec.message().c_str());
  return !ec;
}

void PrintListing() {
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    long long offset = 0;
    const SampleGroup& group = *archive.group;
    for (size_t i = 0; i < group.m_names.size(); ++i) {
      std::printf("%s\t%lld\t%d\t%s\n", archive.fileName, offset, group.m_sizes[i], group.m_names[i].c_str());
      offset += group.m_sizes[i];
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--list") {
    PrintListing();
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  Arguments args;
  if (!ParseArguments(argc, argv, args)) {
    std::fprintf(stderr,
                 "usage: vorsk_archive_builder --soundfont FILE --program-dir DIR --resource-dir DIR "
                 "[--only NAME]...\n       vorsk_archive_builder --list\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  archives::CNoteSynth synth(args.soundFont, archives::kSampleRate);
  if (!synth.Ok()) {
    std::fprintf(stderr, "vorsk_archive_builder: %s\n", synth.Error().c_str());
    return 1;
  }
  std::string error;
  const CSampleCatalog catalog;
  if (!MakeFolder(args.programDir) || !MakeFolder(args.resourceDir)) return 1;
  for (const auto& archive : catalog.Archives()) {
    if (!Wanted(args, archive.fileName)) continue;
    const auto begun = std::chrono::steady_clock::now();
    archives::ArchiveReport report;
    if (!archives::BuildArchive(synth, *archive.group, args.programDir + "/" + archive.fileName, report,
                                error)) {
      std::fprintf(stderr, "vorsk_archive_builder: %s: %s\n", archive.fileName, error.c_str());
      return 1;
    }
    std::printf("%s: %lld bytes in %.1f s\n", archive.fileName, report.bytes, Seconds(begun));
    for (const auto& [family, count] : report.entries) {
      if (family == archives::Family::kSilence) continue;
      std::printf("  %s x%-3d level %+.1f dBFS peak, mean RMS %.1f dBFS\n", archives::FamilyTag(family),
                  count, archives::FamilyPeakDb(family), report.meanRmsDb[family]);
    }
  }
  if (Wanted(args, "previews")) {
    if (!archives::WritePreviewSounds(synth, args.soundFont, args.resourceDir, error)) {
      std::fprintf(stderr, "vorsk_archive_builder: preview sounds: %s\n", error.c_str());
      return 1;
    }
    std::printf("preview sounds: 13 files in %s\n", args.resourceDir.c_str());
  }
  std::printf("done in %.1f s\n", Seconds(start));
  return 0;
}
