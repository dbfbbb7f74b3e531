#include <benchmark/benchmark.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "meters/MeterDatagram.h"
#include "meters/MeterList.h"
#include "meters/MeterStatus.h"
#include "meters/Vita49Tools.h"
#include "support/TextLog.h"

namespace quendal {
namespace {

constexpr int kMeterCount = 100;
constexpr int kPairsPerDatagram = 30;

const char* const kUnits[] = {"dBm", "Volts", "SWR", "degC", "Amps", "dBFS", "RPM"};

TMeter BenchMeter(int id) {
  TMeter m;
  m.ID = std::to_string(id);
  m.Src = "SLC";
  m.Num = std::to_string(id % 4);
  m.Name = "METER" + std::to_string(id);
  m.Low = -150.0;
  m.High = 20.0;
  m.Desc = "Signal strength of signals in the filter passband";
  m.UnitStr = kUnits[id % 7];
  m.FPS = 10;
  return m;
}

// A meter datagram naming 30 meters spread over the list, the last ones included.
std::vector<std::uint8_t> BenchDatagram() {
  const int words = 7 + kPairsPerDatagram;
  std::vector<std::uint8_t> d = {0x38, 0x52, 0x00, static_cast<std::uint8_t>(words)};
  d.insert(d.end(), {0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x1C, 0x2D, 0x53, 0x4C, 0x80, 0x02});
  d.insert(d.end(), 12, 0x00);
  for (int i = 0; i < kPairsPerDatagram; ++i) {
    const int id = 1 + (i * 37) % kMeterCount;
    const auto raw = static_cast<std::uint16_t>(-9344 + i * 97);
    d.insert(d.end(), {0x00, static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(raw >> 8),
                       static_cast<std::uint8_t>(raw)});
  }
  return d;
}

// The list as a plain scan in list order with a copy out and a copy back, for comparison.
class LinearMeterList {
 public:
  TMeter FindById(std::string_view id) const {
    for (const TMeter& m : meters_)
      if (m.ID == id) return m;
    return TMeter{};
  }
  void AddOrUpdateMeter(const TMeter& meter) {
    for (TMeter& m : meters_)
      if (m.ID == meter.ID) {
        m = meter;
        return;
      }
    meters_.push_back(meter);
  }

 private:
  std::vector<TMeter> meters_;
};

void BM_ApplyMeterDatagram_Indexed(benchmark::State& state) {
  TMeterList meters;
  for (int id = 1; id <= kMeterCount; ++id) meters.AddOrUpdateMeter(BenchMeter(id));
  const std::vector<std::uint8_t> datagram = BenchDatagram();
  TextLog log("meters_bench.log");  // off
  for (auto _ : state) {
    ApplyMeterDatagram(datagram, meters, log);
    benchmark::ClobberMemory();
  }
  state.counters["pairs/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kPairsPerDatagram, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ApplyMeterDatagram_Indexed);

// As the radio link runs it: the LEVEL meter and the four transmit meters watched.
void BM_ApplyMeterDatagram_Watched(benchmark::State& state) {
  TMeterList meters;
  for (int id = 1; id <= kMeterCount; ++id) meters.AddOrUpdateMeter(BenchMeter(id));
  const std::vector<std::uint8_t> datagram = BenchDatagram();
  TextLog log("meters_bench.log");  // off
  const std::array<std::string_view, 5> watched = {"38", "75", "12", "49", "86"};
  meters.Watch(watched);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ApplyMeterDatagram(datagram, meters, log));
    benchmark::ClobberMemory();
  }
  state.counters["pairs/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kPairsPerDatagram, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ApplyMeterDatagram_Watched);

// The record-copying path (copy out, update, write back whole) over either list.
template <typename List>
void BM_ApplyMeterDatagram_CopyPath(benchmark::State& state) {
  List meters;
  for (int id = 1; id <= kMeterCount; ++id) meters.AddOrUpdateMeter(BenchMeter(id));
  const std::vector<std::uint8_t> datagram = BenchDatagram();
  TextLog log("meters_bench.log");  // off
  for (auto _ : state) {
    const TVita vita = vita49_decode(datagram);
    for (std::size_t at = 0; at + 4 <= vita.payload.size(); at += 4) {
      const auto id = static_cast<std::uint16_t>(vita.payload[at] << 8 | vita.payload[at + 1]);
      const auto raw = static_cast<std::int16_t>(vita.payload[at + 2] << 8 | vita.payload[at + 3]);
      TMeter working = meters.FindById(std::to_string(id));
      ApplyMeterValue(working, raw, log);
      meters.AddOrUpdateMeter(working);
    }
    benchmark::ClobberMemory();
  }
  state.counters["pairs/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kPairsPerDatagram, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ApplyMeterDatagram_CopyPath<LinearMeterList>)
    ->Name("BM_ApplyMeterDatagram_LinearScan");
BENCHMARK(BM_ApplyMeterDatagram_CopyPath<TMeterList>)
    ->Name("BM_ApplyMeterDatagram_IndexedCopyPath");

void BM_Vita49Decode(benchmark::State& state) {
  const std::vector<std::uint8_t> datagram = BenchDatagram();
  for (auto _ : state) benchmark::DoNotOptimize(vita49_decode(datagram));
}
BENCHMARK(BM_Vita49Decode);

// A 36-byte datagram whose header claims 65535 words, as a flood of garbage brings.
void BM_Vita49Decode_ClaimsMoreThanArrived(benchmark::State& state) {
  std::vector<std::uint8_t> datagram = BenchDatagram();
  datagram.resize(36);
  datagram[2] = 0xFF;
  datagram[3] = 0xFF;
  for (auto _ : state) benchmark::DoNotOptimize(vita49_decode(datagram));
}
BENCHMARK(BM_Vita49Decode_ClaimsMoreThanArrived);

// Finding one meter of a 100-meter list by the number a datagram pair carries:
// through its decimal text, as the radio writes IDs, or by the number itself.
void BM_MeterLookup_ByText(benchmark::State& state) {
  TMeterList meters;
  for (int id = 1; id <= kMeterCount; ++id) meters.AddOrUpdateMeter(BenchMeter(id));
  std::uint16_t id = 0;
  for (auto _ : state) {
    id = static_cast<std::uint16_t>(id % kMeterCount + 1);
    char text[8];
    const auto end = std::to_chars(text, text + sizeof text, id).ptr;
    benchmark::DoNotOptimize(
        meters.IndexOfId(std::string_view(text, static_cast<std::size_t>(end - text))));
  }
}
BENCHMARK(BM_MeterLookup_ByText);

void BM_MeterLookup_ByNumber(benchmark::State& state) {
  TMeterList meters;
  for (int id = 1; id <= kMeterCount; ++id) meters.AddOrUpdateMeter(BenchMeter(id));
  std::uint16_t id = 0;
  for (auto _ : state) {
    id = static_cast<std::uint16_t>(id % kMeterCount + 1);
    benchmark::DoNotOptimize(meters.IndexOfNumericId(id));
  }
}
BENCHMARK(BM_MeterLookup_ByNumber);

// The reply to "meter list" for 100 meters: not on a hot path, measured for scale.
void BM_ParseMeterListReply(benchmark::State& state) {
  std::string reply = "R2|0|meter ";
  for (int id = 1; id <= kMeterCount; ++id) {
    const std::string n = std::to_string(id);
    reply += n + ".src=SLC#" + n + ".num=0#" + n + ".nam=METER" + n + "#" + n + ".low=-150.0#" + n +
             ".hi=20.0#" + n + ".desc=Signal strength of signals in the filter passband#" + n +
             ".unit=" + kUnits[id % 7] + "#" + n + ".fps=10#";
  }
  TextLog log("meters_bench.log");  // off
  for (auto _ : state) {
    TMeterList meters;
    ParseMeterData(reply, meters, log);
    benchmark::DoNotOptimize(meters.Count());
  }
}
BENCHMARK(BM_ParseMeterListReply);

}  // namespace
}  // namespace quendal
