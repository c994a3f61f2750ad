// The content stages one call at a time, on files in the page cache (every iteration after the
// first reads what the one before it read).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "content/compare_files.h"
#include "content/content_digest.h"
#include "content/content_fingerprint.h"
#include "content/md5.h"

namespace {

constexpr std::int64_t kMebibyte = 1024 * 1024;

std::filesystem::path workFolder;

std::string RandomBytes(std::size_t length, std::uint32_t seed) {
  std::mt19937_64 generator(seed);
  std::string bytes(length, '\0');
  for (std::size_t at = 0; at + 8 <= length; at += 8) {
    const std::uint64_t word = generator();
    bytes.replace(at, 8, reinterpret_cast<const char*>(&word), 8);
  }
  return bytes;
}

// Two equal files of `size` bytes, made once and kept for the whole program.
std::filesystem::path EqualPair(std::int64_t size, int which) {
  const std::filesystem::path path =
      workFolder / ("equal-" + std::to_string(size) + "-" + std::to_string(which));
  if (!std::filesystem::exists(path)) {
    const std::string block = RandomBytes(kMebibyte, 7);
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t written = 0; written < size; written += kMebibyte) {
      const std::int64_t length = std::min<std::int64_t>(kMebibyte, size - written);
      out.write(block.data(), static_cast<std::streamsize>(length));
    }
  }
  return path;
}

void BM_Md5(benchmark::State& state) {
  const std::string bytes = RandomBytes(static_cast<std::size_t>(state.range(0)), 1);
  for (auto _ : state) {
    Md5Context context;
    Md5Init(context);
    Md5Append(context, bytes.data(), static_cast<std::int32_t>(bytes.size()));
    benchmark::DoNotOptimize(Md5Finish(context));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Md5)->Arg(64)->Arg(512)->Arg(64 * 1024);

// Eight fingerprint samples (the most a fingerprint digests) by each way of Md5Several (0 one by
// one, 1 four lanes, 2 eight lanes); compare with eight times BM_Md5/512.
void BM_Md5Several(benchmark::State& state) {
  const Md5Way way = static_cast<Md5Way>(state.range(0));
  if (!Md5WayRuns(way)) {
    state.SkipWithError("this processor does not run that way");
    return;
  }
  std::vector<std::string> messages;
  const unsigned char* starts[kMd5Lanes];
  std::size_t lengths[kMd5Lanes];
  for (int lane = 0; lane < kMd5Lanes; ++lane) {
    messages.push_back(RandomBytes(kMd5SeveralLimit, static_cast<std::uint32_t>(10 + lane)));
  }
  for (int lane = 0; lane < kMd5Lanes; ++lane) {
    starts[lane] =
        reinterpret_cast<const unsigned char*>(messages[static_cast<std::size_t>(lane)].data());
    lengths[lane] = kMd5SeveralLimit;
  }
  Fingerprint digests[kMd5Lanes];
  for (auto _ : state) {
    Md5SeveralBy(way, starts, lengths, kMd5Lanes, digests);
    benchmark::DoNotOptimize(digests);
  }
  state.SetBytesProcessed(state.iterations() * kMd5Lanes *
                          static_cast<std::int64_t>(kMd5SeveralLimit));
}
BENCHMARK(BM_Md5Several)->Arg(0)->Arg(1)->Arg(2);

void BM_DigestBytes(benchmark::State& state) {
  const std::string bytes = RandomBytes(static_cast<std::size_t>(state.range(0)), 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(DigestBytes(bytes.data(), bytes.size()));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DigestBytes)->Arg(512)->Arg(64 * 1024)->Arg(4 * 1024 * 1024);

// One file's fingerprint: open, two reads of 256 bytes (one read below 512), close, MD5.
void BM_ContentFingerprint(benchmark::State& state) {
  const std::int64_t size = state.range(0);
  const std::filesystem::path path = workFolder / ("fingerprint-" + std::to_string(size));
  std::ofstream(path, std::ios::binary) << RandomBytes(static_cast<std::size_t>(size), 3);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ContentFingerprint(path.c_str(), size));
  }
}
BENCHMARK(BM_ContentFingerprint)->Arg(300)->Arg(64 * 1024)->Arg(64 * kMebibyte);

void BM_ContentDigestWhole(benchmark::State& state) {
  const std::int64_t size = state.range(0);
  const std::filesystem::path path = EqualPair(size, 0);
  for (auto _ : state) {
    ContentDigest digest;
    while (!digest.complete && ExtendContentDigest(path.c_str(), digest)) {
    }
    benchmark::DoNotOptimize(digest.lastBlock);
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_ContentDigestWhole)
    ->Arg(64 * 1024)
    ->Arg(16 * kMebibyte)
    ->Unit(benchmark::kMillisecond);

// Two equal files read to their ends: the cost of confirming one duplicate.
void BM_CompareEqualFiles(benchmark::State& state) {
  const std::int64_t size = state.range(0);
  const std::filesystem::path first = EqualPair(size, 0);
  const std::filesystem::path second = EqualPair(size, 1);
  for (auto _ : state) {
    if (CompareFiles(first.c_str(), second.c_str()) != CompareResult::kSame) {
      state.SkipWithError("the equal files compared different");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * size * 2);
}
BENCHMARK(BM_CompareEqualFiles)
    ->Arg(4 * 1024)
    ->Arg(16 * kMebibyte)
    ->Arg(256 * kMebibyte)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  workFolder = std::filesystem::temp_directory_path() / "dupscan-benchmarks";
  std::filesystem::create_directories(workFolder);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(workFolder, ignored);
  return 0;
}
