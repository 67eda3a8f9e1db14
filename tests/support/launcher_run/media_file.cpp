// Test support: a media file is the launcher's own bytes followed by a payload from the writer.
#include <windows.h>

#include "common/payload/payload_writer.h"
#include "common/unique_handle.h"
#include "tests/support/launcher_run/launcher_run.h"

namespace drx::test {
namespace {

bool writeWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  FileHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string joinedNames(const MediaSpec& plan) {
  std::string names;
  for (const auto& [name, content] : plan.files) names += (names.empty() ? "" : ";") + name;
  return names;
}

}  // namespace

bool writeMediaFile(const MediaSpec& plan, const std::wstring& outPath) {
  const std::string stub = readFileBytes(plan.stub.empty() ? launcherStubPath() : plan.stub);
  if (stub.empty()) return false;

  payload::VectorSink sink;
  if (!sink.write(stub.data(), stub.size())) return false;
  std::vector<payload::NarrowProperty> narrow;
  for (const auto& [id, value] : plan.narrow) narrow.push_back({id, value});
  // The file list follows the files unless the test set it on purpose.
  if (!plan.narrow.contains(2002)) narrow.push_back({2002, std::to_string(plan.files.size())});
  if (!plan.narrow.contains(2003)) narrow.push_back({2003, joinedNames(plan)});
  std::vector<payload::WideProperty> wide;
  for (const auto& [id, value] : plan.wide) wide.push_back({id, std::u16string(value.begin(), value.end())});

  payload::PayloadWriter writer(sink, static_cast<int64_t>(stub.size()));
  if (writer.writeHeaderAndProperties(plan.verify, narrow, wide) != payload::Error::kNone) return false;
  for (const auto& [name, content] : plan.files) {
    if (writer.beginIncludedFile(static_cast<int64_t>(content.size())) != payload::Error::kNone ||
        writer.writeIncludedFileData(content.data(), content.size()) != payload::Error::kNone)
      return false;
  }
  if (writer.finish() != payload::Error::kNone) return false;
  return writeWholeFile(outPath, sink.bytes());
}

}  // namespace drx::test
