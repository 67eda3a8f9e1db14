// ustar archive and gzip stream writer for tests.
#include "tar_gz_writer.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

namespace standin {

namespace {

void putField(char* field, size_t width, std::string_view text) {
  std::memcpy(field, text.data(), std::min(width, text.size()));
}

// Octal digits filling width-1 characters, then a NUL.
void putOctal(char* field, size_t width, unsigned long long value) {
  std::snprintf(field, width, "%0*llo", static_cast<int>(width - 1), value);
}

void splitName(const std::string& path, std::string& prefix, std::string& name) {
  prefix.clear();
  name = path;
  if (path.size() <= 100) return;
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    if (slash <= 155 && path.size() - slash - 1 <= 100 && slash + 1 < path.size()) {
      prefix = path.substr(0, slash);
      name = path.substr(slash + 1);
      return;
    }
  }
  name = path.substr(0, 100);
}

}  // namespace

std::string makeTar(const std::vector<TarEntry>& entries) {
  std::string archive;
  for (const TarEntry& entry : entries) {
    char header[512] = {};
    std::string prefix, name;
    splitName(entry.path, prefix, name);
    size_t size = entry.type == '5' ? 0 : entry.data.size();
    putField(header, 100, name);
    putOctal(header + 100, 8, entry.type == '5' ? 0755 : 0644);
    putOctal(header + 108, 8, 0);
    putOctal(header + 116, 8, 0);
    putOctal(header + 124, 12, size);
    putOctal(header + 136, 12, 1700000000);
    header[156] = entry.type;
    putField(header + 257, 6, std::string_view("ustar\0", 6));
    putField(header + 263, 2, "00");
    putField(header + 345, 155, prefix);
    // The checksum is taken with its own field as eight spaces.
    std::memset(header + 148, ' ', 8);
    unsigned sum = 0;
    for (unsigned char c : header) sum += c;
    std::snprintf(header + 148, 8, "%06o", sum);
    header[155] = ' ';
    archive.append(header, sizeof header);
    if (size) {
      archive += entry.data;
      archive.append((512 - size % 512) % 512, '\0');
    }
  }
  archive.append(1024, '\0');
  return archive;
}

std::string gzip(std::string_view data, int level) {
  z_stream stream{};
  deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);  // +16: gzip wrapper
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace standin
