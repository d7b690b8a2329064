// A fuzz target's entry point as a plain program: runs LLVMFuzzerTestOneInput once over every file
// of the folders (and the files) named on the command line, in name order, without libFuzzer.
// This is how the seed corpus runs as a test with any compiler.  A target's failed check aborts;
// the input it was given is the last one named on the standard error.  Exits 1 when there was
// nothing to replay or an input could not be read, so a misplaced folder cannot pass.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> Inputs(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path named(argv[i]);
    std::error_code error;
    if (!std::filesystem::is_directory(named, error)) {
      inputs.push_back(named);
      continue;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(named, error)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::filesystem::path> inputs = Inputs(argc, argv);
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 1;
  }
  for (const auto& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
      return 1;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "%s (%lu bytes)\n", path.string().c_str(),
                 static_cast<unsigned long>(bytes.size()));
    std::fflush(stderr);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%lu inputs replayed\n", static_cast<unsigned long>(inputs.size()));
  return 0;
}
