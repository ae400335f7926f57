// SettingsBench.cpp — how long the settings file takes to read and write, and a key lookup.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "settings/rsAesEncryptor.h"
#include "settings/rsXmlData.h"

namespace {

using namespace varnholt;

std::string FactoryFile() {
  std::ifstream in(std::string(VARNHOLT_TEST_DATA_DIR) + "/settings/Varnholt.xml", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 100 sections of 100 keys of mixed types: far more than the program keeps, to show the growth.
void FillLarge(TrsStorage& store) {
  for (int s = 0; s < 100; ++s) {
    for (int k = 0; k < 100; ++k) {
      const std::string path = "/section" + std::to_string(s) + "/key" + std::to_string(k);
      store.FindKey(path, true);
      switch (k % 4) {
        case 0:
          store.Key().SetInteger(k * 1000);
          break;
        case 1:
          store.Key().SetBoolean(true);
          break;
        case 2:
          store.Key().SetString("some text & more");
          break;
        default:
          store.Key().SetBinary("\x01\x02\x03\x04\x05\x06");
      }
    }
  }
}

void BM_ReadFactoryFile(benchmark::State& state) {
  const std::string text = FactoryFile();
  TrsXMLData xml;
  for (auto _ : state) {
    TrsStorage store;
    xml.ReadText(store, text);
    benchmark::DoNotOptimize(store.Keys().size());
  }
}
BENCHMARK(BM_ReadFactoryFile);

void BM_WriteFactoryFile(benchmark::State& state) {
  TrsStorage store;
  TrsXMLData xml;
  xml.ReadText(store, FactoryFile());
  for (auto _ : state) benchmark::DoNotOptimize(xml.WriteText(store));
}
BENCHMARK(BM_WriteFactoryFile);

void BM_ReadLargeFile(benchmark::State& state) {
  TrsStorage source;
  FillLarge(source);
  TrsXMLData xml;
  const std::string text = xml.WriteText(source);
  for (auto _ : state) {
    TrsStorage store;
    xml.ReadText(store, text);
    benchmark::DoNotOptimize(store.Keys().size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadLargeFile)->Unit(benchmark::kMillisecond);

// A file of n keys in one section, numbered in the order a program would write them ("k10" comes after
// "k9" but sorts before "k2"), so nearly every key belongs in the middle of the keys read so far. Adding
// them one by one into the sorted array took 43 s for 200,000; the reader now sorts once.
std::string NumberedKeysFile(int n) {
  std::string text = "<DOCUMENT>\r\n  <s>\r\n";
  for (int i = 0; i < n; ++i) {
    const std::string name = "key" + std::to_string(i);
    text += "    <" + name + ">" + std::to_string(i * 7) + "</" + name + ">\r\n";
  }
  return text + "  </s>\r\n</DOCUMENT>\r\n";
}

void BM_ReadNumberedKeys(benchmark::State& state) {
  const std::string text = NumberedKeysFile(static_cast<int>(state.range(0)));
  TrsXMLData xml;
  for (auto _ : state) {
    TrsStorage store;
    xml.ReadText(store, text);
    benchmark::DoNotOptimize(store.Keys().size());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadNumberedKeys)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

void BM_WriteLargeFile(benchmark::State& state) {
  TrsStorage store;
  FillLarge(store);
  TrsXMLData xml;
  for (auto _ : state) benchmark::DoNotOptimize(xml.WriteText(store));
}
BENCHMARK(BM_WriteLargeFile)->Unit(benchmark::kMillisecond);

void BM_FindKeyInLargeStore(benchmark::State& state) {
  TrsStorage store;
  FillLarge(store);
  int i = 0;
  for (auto _ : state) {
    // Alternating paths: the remembered last lookup never helps.
    const char* path = (i++ & 1) ? "/section57/KEY42" : "/section3/key99";
    benchmark::DoNotOptimize(store.FindKey(path, false));
  }
}
BENCHMARK(BM_FindKeyInLargeStore);

void BM_EncryptAndDecryptPassword(benchmark::State& state) {
  TrsAesEncryptor aes;
  aes.SetKey("Pqrvst Lmnoxz");
  for (auto _ : state) {
    TrsKeyData key;
    key.type = ktString;
    key.bytes = "Owner-Password";
    aes.EncryptKey(key);
    aes.DecryptKey(key);
    benchmark::DoNotOptimize(key.bytes);
  }
}
BENCHMARK(BM_EncryptAndDecryptPassword);

}  // namespace
