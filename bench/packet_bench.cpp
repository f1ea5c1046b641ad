// Reading and writing whole article packets in both forms, at 100,000 and
// 1,000,000 articles (eight article fields, titles of 40 characters, texts of
// about 600 bytes with line breaks). Prints MB/s of packet bytes and
// records/s. BM_HashXml is what an open adds to reading a data file, the
// hash of the file's version (platform/file_version.h), over the same bytes
// as BM_ReadXml, its peer: compare their times. Run from a release build:
//   build/<dir>/bench/packet_bench --benchmark_filter=100000
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "engine/packet_codec.h"
#include "platform/file_version.h"
#include "tests/packet_samples.h"

namespace {

// With VR_BENCH_KEEP_HEAP set, freed memory stays with the process, as in a
// program that loads packets repeatedly; the figures then show the codec's
// own cost without the kernel zeroing fresh pages for every iteration.
const bool kKeepHeap = [] {
  if (std::getenv("VR_BENCH_KEEP_HEAP") == nullptr) return false;
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  return true;
}();

struct Sample {
  engine::TableData table;
  std::string binary;
  std::string xml;
};

// Built once per size and kept for every benchmark of that size.
const Sample& SampleOf(size_t rows) {
  static std::map<size_t, std::unique_ptr<Sample>> cache;
  auto& slot = cache[rows];
  if (!slot) {
    cache.clear();  // one size in memory at a time
    auto s = std::make_unique<Sample>();
    s->table = packet_samples::Articles(rows, 40, 600);
    std::string error;
    engine::WritePacket(s->table, engine::PacketForm::kBinary, &s->binary, &error);
    engine::WritePacket(s->table, engine::PacketForm::kXml, &s->xml, &error);
    cache[rows] = std::move(s);
  }
  return *cache[rows];
}

void Report(benchmark::State& state, size_t bytes, size_t rows) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(state.iterations() * rows),
                                                   benchmark::Counter::kIsRate);
  state.counters["packet_MB"] = static_cast<double>(bytes) / 1e6;
  state.SetLabel(kKeepHeap ? "heap kept" : "fresh pages");
}

void Read(benchmark::State& state, engine::PacketForm form) {
  const size_t rows = static_cast<size_t>(state.range(0));
  const Sample& s = SampleOf(rows);
  const std::string& bytes = form == engine::PacketForm::kXml ? s.xml : s.binary;
  const std::span packet(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  std::string error;
  for (auto _ : state) {
    engine::TableData t;
    if (engine::ReadPacket(packet, &t, &error) != engine::kDBOk) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(t.cells.data());
  }
  Report(state, bytes.size(), rows);
}

void Write(benchmark::State& state, engine::PacketForm form) {
  const size_t rows = static_cast<size_t>(state.range(0));
  const Sample& s = SampleOf(rows);
  std::string out, error;
  for (auto _ : state) {
    if (engine::WritePacket(s.table, form, &out, &error) != engine::kDBOk) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, out.size(), rows);
}

void BM_HashXml(benchmark::State& state) {
  const size_t rows = static_cast<size_t>(state.range(0));
  const std::string& bytes = SampleOf(rows).xml;
  const std::span packet(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  for (auto _ : state) benchmark::DoNotOptimize(platform::HashBytes(packet));
  Report(state, bytes.size(), rows);
}

void BM_ReadXml(benchmark::State& state) { Read(state, engine::PacketForm::kXml); }
void BM_ReadBinary(benchmark::State& state) { Read(state, engine::PacketForm::kBinary); }
void BM_WriteXml(benchmark::State& state) { Write(state, engine::PacketForm::kXml); }
void BM_WriteBinary(benchmark::State& state) { Write(state, engine::PacketForm::kBinary); }

// Grouped by size so each sample is built once.
BENCHMARK(BM_ReadXml)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HashXml)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBinary)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteXml)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteBinary)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadXml)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ReadBinary)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WriteXml)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_WriteBinary)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
