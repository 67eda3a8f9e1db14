// Test support: the inputs of a typical mkmedia build (stub, configuration, one included file and
// remaining data) written into a scratch folder, for the builder's tests in every preset.
#pragma once

#include <cstddef>
#include <string>

#include "tests/host/common/payload/pe_fixture.h"
#include "tools/mkmedia/build_media.h"

namespace drx::testing {

struct MediaInputs {
  std::string config;        // media.properties
  std::string includedName;  // the included file's name inside the media file
  size_t includedSize = 0;   // its content: that many 'j'
  std::string remainingData;
  std::string outputName;
};

// Writes the inputs with writeFile(path, bytes) into dir (anything with file(name) -> path) and
// returns the build options that name them.
template <class Directory, class WriteFile>
drx::mkmedia::BuildOptions writeMediaInputs(const Directory& dir, WriteFile&& writeFile,
                                            const MediaInputs& inputs) {
  writeFile(dir.file("stub.exe"), makeTypicalStub());
  writeFile(dir.file("media.properties"), inputs.config);
  writeFile(dir.file("app.jar"), std::string(inputs.includedSize, 'j'));
  writeFile(dir.file("rest.bin"), inputs.remainingData);
  drx::mkmedia::BuildOptions options;
  options.stubPath = dir.file("stub.exe");
  options.configPath = dir.file("media.properties");
  options.outputPath = dir.file(inputs.outputName);
  options.files = {{inputs.includedName, dir.file("app.jar")}};
  options.dataPath = dir.file("rest.bin");
  return options;
}

}  // namespace drx::testing
