#include "tests/support/file_helpers.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace vexto::test {

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> LogMessages(const std::filesystem::path& folder) {
  std::vector<std::string> out;
  std::istringstream in(ReadFileBytes(folder / "Log" / "vexto.log"));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto arrow = line.find("  -> ");
    if (arrow != std::string::npos) out.push_back(line.substr(arrow + 5));
  }
  return out;
}

int StrayTempFiles(const std::filesystem::path& folder, const std::string& name) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().filename().string().starts_with("." + name + ".tmp-")) ++n;
  }
  return n;
}

void WaitUntilInsideAWrite(const std::filesystem::path& folder, const std::string& name,
                           int strays_before, std::mt19937& rng) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (StrayTempFiles(folder, name) <= strays_before &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  std::this_thread::sleep_for(std::chrono::microseconds(rng() % 30000));
}

}  // namespace vexto::test
