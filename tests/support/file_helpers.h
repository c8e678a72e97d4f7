// File helpers shared by the tests: whole-file reads and writes, the event log's messages, and
// the pacing that lets a test kill a writer in the middle of an atomic save.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace vexto::test {

// The file's bytes ("" when it cannot be read).
std::string ReadFileBytes(const std::filesystem::path& path);

// Replaces the file with exactly these bytes.
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// The messages of folder/Log/vexto.log: the text after "  -> " on each line, CR LF taken off,
// bytes as written (Windows-1252).
std::vector<std::string> LogMessages(const std::filesystem::path& folder);

// Temporary files left by writers killed inside a save of folder/name: proof that kills landed
// mid-write.
int StrayTempFiles(const std::filesystem::path& folder, const std::string& name);

// Waits (up to 20 s) until a writer's temporary file appears, then a random little more, so a
// kill lands inside the write: between its creation, the flush and the rename.
void WaitUntilInsideAWrite(const std::filesystem::path& folder, const std::string& name,
                           int strays_before, std::mt19937& rng);

}  // namespace vexto::test
