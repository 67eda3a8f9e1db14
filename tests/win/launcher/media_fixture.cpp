// Builds media files for the reader tests through the payload writer.
#include "tests/win/launcher/media_fixture.h"

#include "common/payload/byte_source.h"
#include "common/payload/property_ids.h"

namespace drx::test {
namespace {

void put32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void put16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

}  // namespace

std::string syntheticStub() {
  std::string stub(kStubPayloadStart, '\0');
  stub[0] = 'M';
  stub[1] = 'Z';
  const uint32_t pe = 128;
  put32(stub, 60, pe);
  stub.replace(pe, 4, std::string("PE\0\0", 4));
  put16(stub, pe + 6, 3);
  put16(stub, pe + 20, 240);
  const size_t lastHeader = pe + 24 + 240 + 40 * 2;
  put32(stub, lastHeader + 16, 0x200);
  put32(stub, lastHeader + 20, 0x400);
  return stub;
}

BuiltMedia buildMedia(const MediaLayout& layout) {
  payload::VectorSink sink;
  const std::string stub = syntheticStub();
  sink.write(stub.data(), stub.size());
  payload::PayloadWriter writer(sink, kStubPayloadStart);
  writer.writeHeaderAndProperties(layout.verify, layout.narrow, layout.wide);
  BuiltMedia built;
  for (const IncludedFile& file : layout.files) {
    writer.beginIncludedFile(static_cast<int64_t>(file.content.size()));
    built.fileContentOffsets.push_back(writer.position());
    if (!file.content.empty()) writer.writeIncludedFileData(file.content.data(), file.content.size());
  }
  if (!layout.remaining.empty()) writer.writeRemainingData(layout.remaining.data(), layout.remaining.size());
  writer.finish();
  built.includedFilesOffset = writer.includedFilesOffset();
  built.unextractedOffset = writer.unextractedOffset();
  built.regionEnd = writer.position();
  built.bytes.assign(sink.bytes().begin(), sink.bytes().end());
  built.bytes += layout.filler;
  return built;
}

std::vector<payload::NarrowProperty> typicalNarrow(int32_t launcherType) {
  std::vector<payload::NarrowProperty> narrow = {
      {payload::kMsgErrorCaption, "Error"},
      {payload::kMsgWrongParameterUsage, "Wrong Parameter Usage"},
      {payload::kMsgInternalError, "An internal error occurred (error code: {0})"},
      {payload::kLauncherFlavour, "d"},
  };
  if (launcherType != 0) narrow.push_back({payload::kLauncherType, std::to_string(launcherType)});
  return narrow;
}

std::vector<payload::WideProperty> typicalWide() {
  return {
      {payload::kMsgWizardTitle, u"deployrix Wizard"},
      {payload::kMsgCorruptedInstaller,
       u"The installation file is corrupted. If it is a download please try it again."},
  };
}

}  // namespace drx::test
