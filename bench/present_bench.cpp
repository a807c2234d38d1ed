// The present path alone: palette indices to 32-bit pixels through the
// colours, one to one and scaled, the sizes a playback shows. No display, so
// the figures are the player's own work per frame before Qt and the X server.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/indexed_present.h"

namespace {

void Present(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  const int bw = static_cast<int>(state.range(2));
  const int bh = static_cast<int>(state.range(3));
  const bool keepAspect = state.range(4) != 0;
  std::vector<uint8_t> source(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + i / 13);
  kt::ScreenColours colours{};
  for (int i = 0; i < 256; ++i) colours[static_cast<size_t>(i)] = 0xFF000009u | (i / 2) << 8 | i << 16;
  kt::IndexedPresenter presenter;
  const kt::PresentRect place = keepAspect ? kt::AspectFit(w, h, bw, bh) : kt::PresentRect{0, 0, bw, bh};
  for (auto _ : state) {
    presenter.Configure(w, h, bw, bh, place);  // as every paint does: nothing is made again
    presenter.Convert(source.data(), w, colours);
    benchmark::DoNotOptimize(presenter.Pixels());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["Mpixels/s"] = benchmark::Counter(static_cast<double>(place.width) * place.height * state.iterations(),
                                                   benchmark::Counter::kIsRate, benchmark::Counter::kIs1000);
}

// source w, h; buffer w, h; aspect kept (full screen) or not (window)
BENCHMARK(Present)->Name("present/window/320x200/1:1")->Args({320, 200, 320, 200, 0});
BENCHMARK(Present)->Name("present/window/320x200/2x")->Args({320, 200, 640, 400, 0});
BENCHMARK(Present)->Name("present/window/640x480/1:1")->Args({640, 480, 640, 480, 0});
BENCHMARK(Present)->Name("present/full/320x200/1024x768")->Args({320, 200, 1024, 768, 1});
BENCHMARK(Present)->Name("present/full/640x480/1024x768")->Args({640, 480, 1024, 768, 1});

}  // namespace
