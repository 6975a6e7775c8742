#include "tool_support.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace vnimg::test {

void ToolTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "-" + info->name();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
  m_folder = std::filesystem::temp_directory_path() / ("vnimg-tool-" + std::to_string(getpid()) + "-" + name);
  std::filesystem::remove_all(m_folder);
  std::filesystem::create_directories(m_folder);
}

void ToolTest::TearDown() { std::filesystem::remove_all(m_folder); }

std::vector<std::string> ToolTest::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(m_folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void ToolTest::WriteBytes(const std::string& name, const std::string& bytes) const {
  std::ofstream(Path(name), std::ios::binary) << bytes;
}

std::string ToolTest::ReadBytes(const std::string& name) const {
  std::ifstream in(Path(name), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

ToolTest::Run ToolTest::Tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = tool::RunTool(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace vnimg::test
