// FLC and FLI through the flic writer: the frames' timing planned up front
// from their durations, the bytes through the output file, the header
// written over the start once the file is complete.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "convert/animation_writer.h"

namespace kt {
namespace {

class OutputFileSink : public FlicSink {
 public:
  explicit OutputFileSink(OutputFile& file) : file_(file) {}
  void Append(const uint8_t* bytes, size_t count) override {
    if (!file_.Write(bytes, count)) file_.Check();
  }
  void Overwrite(uint64_t offset, const uint8_t* bytes, size_t count) override {
    if (file_.Seek(static_cast<int64_t>(offset), SEEK_SET) < 0) file_.Check();
    Append(bytes, count);
    if (file_.Seek(0, SEEK_END) < 0) file_.Check();
  }

 private:
  OutputFile& file_;
};

// The header's dates: SOURCE_DATE_EPOCH where set, so that the same input
// gives the same file; otherwise now (0).
std::time_t HeaderTime() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch == nullptr || *epoch == '\0') return 0;
  char* end = nullptr;
  const long long seconds = std::strtoll(epoch, &end, 10);
  return *end == '\0' && seconds > 0 ? static_cast<std::time_t>(seconds) : 0;
}

class FlicAnimationWriter : public AnimationWriter {
 public:
  FlicAnimationWriter(OutputFile& file, const AnimationLayout& layout, const FlicOutput& output)
      : file_(file), sink_(file) {
    std::vector<uint32_t> durations = layout.durationsMs;
    durations.resize(static_cast<size_t>(layout.frames), layout.delayMs);
    timing_ = PlanFlicTiming(durations, output.kind);
    uint64_t records = 0;
    for (uint32_t r : timing_.records) records += r;
    const std::string problem = FlicWriteProblem(output.kind, static_cast<uint64_t>(layout.width),
                                                 static_cast<uint64_t>(layout.height), records);
    if (!problem.empty()) throw ConvertError(file.Target() + ": " + problem);
    FlicWriterSettings settings;
    settings.kind = output.kind;
    settings.width = static_cast<uint16_t>(layout.width);
    settings.height = static_cast<uint16_t>(layout.height);
    settings.speed = timing_.speed;
    settings.fixedPalette = output.fixedPalette;
    settings.kept = output.kept;
    settings.threads = layout.threads;
    settings.time = HeaderTime();
    Guard([&] { writer_.emplace(sink_, settings); });
  }

  void Add(const AnimationFrame& frame) override {
    const size_t at = static_cast<size_t>(frame.index);
    const uint32_t records = at < timing_.records.size() ? timing_.records[at] : 1;
    Guard([&] { writer_->Add(frame.indices, *frame.colours, records); });
  }

  void Finish() override {
    Guard([&] { writer_->Finish(); });
    file_.Check();
  }

 private:
  template <typename Step>
  void Guard(Step step) {
    try {
      step();
    } catch (const FlicWriteError& error) {
      file_.Fail(error.what());
    }
  }

  OutputFile& file_;
  OutputFileSink sink_;
  FlicTiming timing_;
  std::optional<FlicWriter> writer_;
};

}  // namespace

std::unique_ptr<AnimationWriter> MakeFlicWriter(OutputFile& file, const AnimationLayout& layout,
                                                const FlicOutput& output) {
  return std::make_unique<FlicAnimationWriter>(file, layout, output);
}

}  // namespace kt
