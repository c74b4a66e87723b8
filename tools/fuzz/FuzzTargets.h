#pragma once
// The fuzz targets' bodies, one function per input format. libFuzzer drives them in the fuzz
// build (make fuzz); the normal test suite replays every input they found against the same
// functions. A broken oracle goes to the failure handler: by default it prints and aborts,
// which is what libFuzzer records as a crash.

#include <cstddef>
#include <cstdint>
#include <string>

namespace NQuillonFuzz
{
using FFailureHandler = void (*)(const std::string& message);
// Replaces the handler (tests throw instead of aborting); returns the previous one.
FFailureHandler gf_SetFailureHandler(FFailureHandler handler);
void gf_Fail(const std::string& message);

// A settings file image: read, written, read again and written to the same bytes; dumped as
// JSON and built back to the same bytes.
void gf_FuzzSettingsFile(const std::uint8_t* data, std::size_t size);
// quillon-config's JSON: built into a settings file that reads back, writes the same bytes and
// dumps and builds to them again.
void gf_FuzzConfigJson(const std::uint8_t* data, std::size_t size);
// A quillon-sim script on a configuration with repeats and queued wheel steps; short scripts
// also run with their waits cut into 1 ms pieces and must print the same.
void gf_FuzzSimulatorScript(const std::uint8_t* data, std::size_t size);
// The bytes choose a configuration and a session (see SessionModel.h) whose property must
// hold, then raw driver records of any content.
void gf_FuzzEngine(const std::uint8_t* data, std::size_t size);
// An agent pipe message as the service decodes it from a session's agent, and as an agent
// decodes it from the service: refused whole, or exactly 16 bytes that encode back to
// themselves and are refused from the other side.
void gf_FuzzAgentMessageFromAgent(const std::uint8_t* data, std::size_t size);
void gf_FuzzAgentMessageFromService(const std::uint8_t* data, std::size_t size);
} // namespace NQuillonFuzz
