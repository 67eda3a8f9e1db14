// Host tests of the stand-in runtime's portable formats: report lines, scripting file, packed jars, tar.gz
// writer.
#include "pack_format.h"
#include "report_format.h"
#include "standin_config.h"
#include "tar_gz_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

namespace standin {
namespace {

TEST(StandinReport, ValuesRoundTripExactly) {
  const std::u16string values[] = {
      u"",
      u"plain -Dx=y",
      u"\U0001F600\u00e9\u0416",
      u"back\\slash and \\u0041 written out",
      u"line\r\nbreak\ttab",
      std::u16string(1, u'\xd800') + u"x" + std::u16string(1, u'\xdfff'),  // unpaired surrogates
      std::u16string(u"nul\0inside", 10),
  };
  std::string text;
  for (const auto& value : values) text += reportLine("jvm.arg", value);
  Report report = Report::parse(text);
  EXPECT_EQ(report.values("jvm.arg"), std::vector<std::u16string>(std::begin(values), std::end(values)));
}

TEST(StandinReport, LineFormat) {
  struct Row {
    std::u16string value;
    std::string line;
  } rows[] = {
      {u"a\\b\n", "k a\\\\b\\u000A\n"},
      {u"\u00e9", "k \xc3\xa9\n"},
      {std::u16string(1, u'\xdc01'), "k \\uDC01\n"},
      {u"\x7f", "k \\u007F\n"},
  };
  for (const Row& row : rows) EXPECT_EQ(reportLine("k", row.value), row.line);
  Report report = Report::parse("jvm.create 0\r\n\njvm.destroy\nbare\n");
  ASSERT_EQ(report.entries().size(), 3u);
  EXPECT_EQ(report.utf8Values("jvm.create"), std::vector<std::string>{"0\r"}) << "CR is data, not a line end";
  EXPECT_EQ(report.count("bare"), 1u);
}

TEST(StandinConfig, ParsesLinesCommentsAndRepeats) {
  Config config = Config::parse(
      "\xef\xbb\xbf# comment=ignored\r\n"
      " java.firstLine = openjdk version \"17.0.9\" 2023-10-17\r\n"
      "jvm.main.action=sleep 10\n"
      "no separator line\n"
      "jvm.main.action=call a.dll|Java_x|int|str:a=b\n"
      "java.exitCode=0x10\n"
      "java.exitCode=3\n"
      "java.moreLines=junk\n");
  EXPECT_EQ(config.get("java.firstLine"), " openjdk version \"17.0.9\" 2023-10-17");
  EXPECT_EQ(config.all("jvm.main.action"),
            (std::vector<std::string>{"sleep 10", "call a.dll|Java_x|int|str:a=b"}));
  EXPECT_EQ(config.getInt("java.exitCode", 0), 3);
  EXPECT_EQ(config.getInt("java.moreLines", 2), 2);
  EXPECT_EQ(config.getInt("absent", -7), -7);
  EXPECT_FALSE(config.has("# comment"));
  EXPECT_FALSE(config.has("no separator line"));
  EXPECT_EQ(splitAt("a||b|", '|'), (std::vector<std::string>{"a", "", "b", ""}));
}

TEST(StandinPack, RoundTripAndRejections) {
  const std::string jar("PK\x03\x04\0binary\xff", 13);
  std::string packed = packJar(jar);
  EXPECT_EQ(packed.find("PK"), std::string::npos) << "packed data must not be a usable jar";
  std::string back;
  ASSERT_TRUE(unpackJar(packed, back));
  EXPECT_EQ(back, jar);
  EXPECT_FALSE(unpackJar(packed.substr(0, packed.size() - 1), back)) << "cut short";
  EXPECT_FALSE(unpackJar(packed + "x", back)) << "trailing data";
  EXPECT_FALSE(unpackJar(jar, back)) << "an unpacked jar";
  ASSERT_TRUE(unpackJar(packJar(""), back));
  EXPECT_EQ(back, "");
}

// ustar field readers written from the format, independent of the writer.
std::string field(const std::string& block, size_t offset, size_t width) {
  std::string text = block.substr(offset, width);
  return text.substr(0, text.find('\0'));
}

unsigned long octal(const std::string& block, size_t offset, size_t width) {
  return std::strtoul(field(block, offset, width).c_str(), nullptr, 8);
}

TEST(TarGzWriter, UstarHeadersDataAndEnd) {
  std::string longPath = "jre/" + std::string(60, 'd') + "/" + std::string(70, 'f') + ".jar";
  std::string tar = makeTar({tarDirectory("jre/"), tarFile("jre/bin/java.exe", std::string(513, 'x')),
                             tarFile(longPath, "z"), TarEntry{"link", "", '2'}});
  // Four headers, 513 bytes padded to 1024, one 512-byte block for "z", two zero blocks.
  ASSERT_EQ(tar.size(), 512u * (4 + 2 + 1 + 2));
  struct Row {
    size_t offset;
    std::string name;
    char type;
    unsigned long size;
    std::string prefix;
  } rows[] = {
      {0, "jre/", '5', 0, ""},
      {512, "jre/bin/java.exe", '0', 513, ""},
      {512 * 4, std::string(70, 'f') + ".jar", '0', 1, "jre/" + std::string(60, 'd')},
      {512 * 6, "link", '2', 0, ""},
  };
  for (const Row& row : rows) {
    std::string block = tar.substr(row.offset, 512);
    EXPECT_EQ(field(block, 0, 100), row.name);
    EXPECT_EQ(block[156], row.type);
    EXPECT_EQ(octal(block, 124, 12), row.size);
    EXPECT_EQ(block.substr(257, 6), std::string("ustar\0", 6));
    EXPECT_EQ(block.substr(263, 2), "00");
    EXPECT_EQ(field(block, 345, 155), row.prefix);
    unsigned sum = 0;
    for (size_t i = 0; i < 512; ++i)
      sum += (i >= 148 && i < 156) ? ' ' : static_cast<unsigned char>(block[i]);
    EXPECT_EQ(octal(block, 148, 8), sum) << row.name;
  }
  EXPECT_EQ(tar.substr(1024, 513), std::string(513, 'x'));
  EXPECT_EQ(tar.substr(1024 + 513, 511), std::string(511, '\0'));
  EXPECT_EQ(tar.substr(tar.size() - 1024), std::string(1024, '\0'));
}

TEST(TarGzWriter, GzipStreamInflatesToTheInput) {
  std::string data;
  for (int i = 0; i < 5000; ++i) data += std::to_string(i * 7919 % 1000);
  std::string compressed = gzip(data);
  ASSERT_GE(compressed.size(), 18u);
  EXPECT_EQ(static_cast<unsigned char>(compressed[0]), 0x1f);
  EXPECT_EQ(static_cast<unsigned char>(compressed[1]), 0x8b);
  z_stream stream{};
  ASSERT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
  std::string out(data.size() + 16, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(compressed.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  EXPECT_EQ(out, data);
}

}  // namespace
}  // namespace standin
