#pragma once
// Starting another program of the test build and waiting for it.

#include <string>
#include <vector>

namespace NQuillonTest
{
struct CProcess;
// Starts program with arguments; null when it cannot be started.
CProcess* gf_StartProcess(const std::string& program, const std::vector<std::string>& arguments);
// Waits for the program to end and returns its exit code (-1 when it could not be read, or
// when process is null).
int gf_WaitProcess(CProcess* process);
} // namespace NQuillonTest
