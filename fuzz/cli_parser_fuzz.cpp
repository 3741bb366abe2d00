// Feeds arbitrary argument lists to the command-line parser: the bytes are split at NUL into
// arguments, parsed with the generate command's --out flag, and on success the help text is
// printed too. No input may crash, hang or read out of bounds, and a parsed result holds only
// values the parser accepts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::FILE* sink = std::fopen("/dev/null", "w");
  std::vector<std::string> args;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty()) args.push_back(current);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::string outDir;
  bool bOut = false;
  const std::vector<CliExtraFlag> extras = {{"--out", "DIR", "folder", &outDir, &bOut}};
  CliOptions options;
  const CliParseResult result =
      ParseCliOptions("generate", static_cast<int>(args.size()), argv.data(), extras, options, sink);
  if (result == kCliParsed) {
    const int minutes = std::atoi(options.strLength.c_str());
    if (minutes < 1 || minutes > 60) std::abort();  // the parser let a bad length through
  }
  if (result == kCliHelp) PrintCliHelp(sink, "generate", "summary", "0 done", extras);
  return 0;
}
