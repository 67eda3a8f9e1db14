// `mkmedia build`: a launcher stub followed by a payload made from a configuration and files.
#pragma once

#include <string>
#include <vector>

#include "common/payload/payload_writer.h"
#include "tools/mkmedia/media_config.h"
#include "tools/mkmedia/setup_file.h"

namespace drx::mkmedia {

struct IncludedFileSpec {
  std::string name;  // name inside the temporary directory ('/' already turned into '\')
  std::string path;  // file on this machine
};

struct BuildOptions {
  std::string stubPath;
  std::string configPath;
  std::string outputPath;
  std::vector<IncludedFileSpec> files;
  std::string dataPath;  // empty: no remaining data
  bool verify = true;
  int codePage = 1252;
  std::string jreDigestPath;   // --jre-sha256: its SHA-256 becomes jreDownloadSha256
  SetupFileOptions setupFile;  // the setup file's icon, version, execution level (over the config's)
};

// Turns configuration entries into the two property tables: entries in file order, then
// includedFileCount/includedFileNames derived from `fileNames` unless configured, then the
// default texts for message ids the configuration leaves out. Narrow values are converted to
// `codePage`, wide ones to UTF-16. False with `error` ("line N: ...") on a text that does not fit.
bool assembleProperties(const std::vector<ConfigEntry>& entries, const std::vector<std::string>& fileNames,
                        int codePage, std::vector<payload::NarrowProperty>& narrow,
                        std::vector<payload::WideProperty>& wide, std::string& error);

// Checks a --file name: not empty, no ';'. Returns the name with '/' turned into '\'.
bool normaliseIncludedName(const std::string& name, std::string& out, std::string& error);

// Writes the media file. On any failure no output file is left behind and `error` says why.
bool buildMedia(const BuildOptions& options, std::string& error);

}  // namespace drx::mkmedia
