// The trace of what the add-in skips. The add-in's error modes swallow failures on purpose (a
// failing step is skipped, an operation ends at its first failure), so that nothing ever reaches
// Outlook; in the field nobody could then tell why a button stayed disabled or a picture was not
// saved. Every failure an error mode swallows is reported here, with the step's name and the
// failure's code and text, to the process-wide sink: the Windows build writes it to the debugger
// output and, when the user switches it on, to a log file; tests record it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zormint::trace {

class Sink {
 public:
  virtual ~Sink() = default;
  // `step` names what was skipped ("dsrWrapper.OnConnection: gclsSettings.Initialize").
  virtual void Skipped(const char* step, int32_t code, const std::string& description) noexcept = 0;
};

// Makes `sink` receive every skipped failure from now on (none: failures are only swallowed).
// Returns the sink it replaces.
std::shared_ptr<Sink> SetSink(std::shared_ptr<Sink> sink) noexcept;

// Reports a skipped failure to the sink, if there is one. Never fails.
void Skipped(const char* step, int32_t code, const std::string& description) noexcept;

// How many failures have been skipped so far in this process: an operation that swallows its
// failures can tell from it whether its answer is whole.
uint64_t SkippedCount() noexcept;

}  // namespace zormint::trace
