// FuzzDriver.cpp — runs a libFuzzer entry point without libFuzzer: the seed corpus, then a fixed number
// of deterministic mutations of it. It makes a short fuzz run part of every test run on any compiler.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::string> LoadCorpus(const std::filesystem::path& folder) {
  std::vector<std::string> corpus;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::sort(corpus.begin(), corpus.end());
  return corpus;
}

std::string Mutate(const std::vector<std::string>& corpus, std::mt19937& rng) {
  std::string s = corpus.empty() ? std::string() : corpus[rng() % corpus.size()];
  const int steps = 1 + static_cast<int>(rng() % 8);
  for (int i = 0; i < steps; ++i) {
    const auto pos = [&] { return s.empty() ? 0 : rng() % (s.size() + 1); };
    switch (rng() % 7) {
      case 0:  // flip a bit
        if (!s.empty()) s[rng() % s.size()] ^= static_cast<char>(1u << (rng() % 8));
        break;
      case 1:  // random byte
        if (!s.empty()) s[rng() % s.size()] = static_cast<char>(rng());
        break;
      case 2:  // insert bytes
        s.insert(pos(), std::string(1 + rng() % 4, static_cast<char>(rng())));
        break;
      case 3: {  // erase a run
        if (s.empty()) break;
        const auto at = rng() % s.size();
        s.erase(at, 1 + rng() % 16);
        break;
      }
      case 4: {  // splice in a piece of another input
        if (corpus.empty()) break;
        const std::string& other = corpus[rng() % corpus.size()];
        if (other.empty()) break;
        const auto from = rng() % other.size();
        s.insert(pos(), other.substr(from, 1 + rng() % 64));
        break;
      }
      case 5: {  // duplicate a run (deep nesting, long inputs)
        if (s.empty()) break;
        const auto at = rng() % s.size();
        const std::string piece = s.substr(at, 1 + rng() % 32);
        s.insert(at, piece);
        break;
      }
      default:  // truncate
        if (!s.empty()) s.resize(rng() % s.size());
        break;
    }
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s RUNS CORPUS_FOLDER...\n", argv[0]);
    return 2;
  }
  const long runs = std::stol(argv[1]);
  std::vector<std::string> corpus;
  for (int i = 2; i < argc; ++i) {
    auto more = LoadCorpus(argv[i]);
    corpus.insert(corpus.end(), more.begin(), more.end());
  }
  for (const auto& input : corpus) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  }
  std::mt19937 rng(20261209);
  for (long i = 0; i < runs; ++i) {
    const std::string input = Mutate(corpus, rng);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  }
  std::printf("%zu corpus inputs and %ld mutations ran without a crash\n", corpus.size(), runs);
  return 0;
}
