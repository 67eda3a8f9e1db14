// Configuration parsing, text encoding and property assembly of the media builder.
#include <gtest/gtest.h>

#include "common/payload/property_ids.h"
#include "tools/mkmedia/build_media.h"
#include "tools/mkmedia/media_config.h"
#include "tools/mkmedia/text_encoding.h"

using namespace drx::mkmedia;
using namespace drx::payload;

TEST(MediaConfig, KeysResolveToIdsAndTables) {
  struct Case {
    const char* line;
    int32_t id;
    bool wide;
    const char* value;
  };
  const Case cases[] = {
      {"mainClass = com.example.Main", kMainClass, false, "com.example.Main"},
      {"jreSearchSequence: E LANQO_JAVA_HOME;R", kJreSearchSequence, false, "E LANQO_JAVA_HOME;R"},
      {"launcherFlavour=l", kLauncherFlavour, false, "l"},
      {"msgCorruptedInstaller = Broken", kMsgCorruptedInstaller, true, "Broken"},
      {"msgErrorCaption = Oops", kMsgErrorCaption, false, "Oops"},
      {"1016 = none ({0})", 1016, false, "none ({0})"},
      {"20005 = pick %S", 20005, true, "pick %S"},
      {"20021 = not a dialog text", 20021, false, "not a dialog text"},
      {"-7 = odd id", -7, false, "odd id"},
      {"wide.30000 = wide by choice", 30000, true, "wide by choice"},
      {"narrow.20013 = narrow by choice", 20013, false, "narrow by choice"},
      {"vmParameters = -Xmx512m \\\n    -Dfoo=bar", kVmParameters, false, "-Xmx512m -Dfoo=bar"},
      {"stderrFile = a\\tb\\nc\\\\d\\=e\\u00e9\\ud83d\\ude00", kStderrFile, false,
       "a\tb\nc\\d=e\xC3\xA9\xF0\x9F\x98\x80"},
      {"classPath =   ", kClassPath, false, ""},
      {"mainClass = with = sign", kMainClass, false, "with = sign"},
  };
  for (const Case& c : cases) {
    std::vector<ConfigEntry> entries;
    std::string error;
    ASSERT_TRUE(parseMediaConfig(c.line, entries, error)) << c.line << ": " << error;
    ASSERT_EQ(entries.size(), 1u) << c.line;
    EXPECT_EQ(entries[0].id, c.id) << c.line;
    EXPECT_EQ(entries[0].wide, c.wide) << c.line;
    EXPECT_EQ(entries[0].value, c.value) << c.line;
  }
}

TEST(MediaConfig, ErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"# settings\n\nmainClass = a\nmainClas = b\n", "4: unknown property name 'mainClas'"},
      {"mainClass\n", "1: expected 'name = value'"},
      {"! note\n = value\n", "2: missing name before '='"},
      {"mainClass = a \\q\n", "1: unknown escape \\q"},
      {"mainClass = \\u12\n", "1: \\u needs four hex digits"},
      {"mainClass = \\ud800x\n", "1: unpaired surrogate in \\u escape"},
      {"a = 1\nb = 2\n\nwide.x = 3\n", "1: unknown property name 'a'"},
      {"mainClass = ok\n\n\nwide.x = 3\n", "4: unknown property name 'wide.x'"},
      {"mainClass = \xC3\n", "1: malformed UTF-8 at byte 1"},
  };
  for (const Case& c : cases) {
    std::vector<ConfigEntry> entries;
    std::string error;
    EXPECT_FALSE(parseMediaConfig(c.text, entries, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

TEST(MediaConfig, CommentsBlankLinesAndCrLfAreIgnored) {
  std::vector<ConfigEntry> entries;
  std::string error;
  ASSERT_TRUE(
      parseMediaConfig("# one\r\n\r\n  ! two\r\nmainClass = M\r\nminJavaVersion = 1.8\r\n", entries, error));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].value, "M");
  EXPECT_EQ(entries[1].line, 5);
  EXPECT_EQ(entries[1].value, "1.8");
}

TEST(TextEncoding, NarrowTextsConvertToTheCodePageOrFail) {
  struct Case {
    const char* utf8;
    int codePage;
    bool ok;
    std::string bytes;
  };
  const Case cases[] = {
      {"plain", 1252, true, "plain"},
      {"caf\xC3\xA9 \xE2\x82\xAC", 1252, true, "caf\xE9 \x80"},  // é €
      {"\xD0\x96", 1251, true, "\xC6"},                          // Ж
      {"\xC5\x91", 1250, true, "\xF5"},                          // ő
      {"\xD0\x96", 1252, false, ""},                             // Ж has no place in 1252
      {"\xCE\xA9", 1252, false, ""},                             // Ω
      {"\xF0\x9F\x98\x80", 1252, false, ""},                     // emoji
      {"\xE6\x97\xA5", 932, true, "\x93\xFA"},                   // 日 in Shift-JIS
  };
  for (const Case& c : cases) {
    std::string out, error;
    EXPECT_EQ(utf8ToCodePage(c.utf8, c.codePage, out, error), c.ok) << c.utf8 << " " << c.codePage;
    if (c.ok) {
      EXPECT_EQ(out, c.bytes) << c.utf8;
    } else {
      EXPECT_NE(error.find("does not exist in code page"), std::string::npos) << error;
      EXPECT_EQ(out.find('?'), std::string::npos);
    }
  }
  std::string out, error;
  EXPECT_FALSE(utf8ToCodePage("x", 99999, out, error));
}

TEST(TextEncoding, Utf16RoundTripWithSurrogates) {
  std::u16string wide;
  std::string error;
  ASSERT_TRUE(utf8ToUtf16("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", wide, error));
  EXPECT_EQ(wide, (std::u16string{u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00}));
  EXPECT_EQ(utf16ToUtf8(wide), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
  const char* malformed[] = {"\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"};
  for (const char* text : malformed) EXPECT_FALSE(utf8ToUtf16(text, wide, error)) << text;
}

TEST(AssembleProperties, DerivesFileListAddsDefaultsAndKeepsConfiguredValues) {
  struct Case {
    const char* config;
    std::vector<std::string> files;
    std::string count;
    std::string names;
    std::u16string title;
  };
  const Case cases[] = {
      {"mainClass = M",
       {"a.txt", "dir\\b", "jre.tar.gz"},
       "3",
       "a.txt;dir\\b;jre.tar.gz",
       u"deployrix Wizard"},
      {"launcherFlavour = l", {}, "0", "", u"lanqo Wizard"},
      {"includedFileCount = 5\nmsgWizardTitle = Mine", {"a"}, "5", "a", u"Mine"},
      {"includedFileNames = x;y", {"a", "b"}, "2", "x;y", u"deployrix Wizard"},
  };
  for (const Case& c : cases) {
    std::vector<ConfigEntry> entries;
    std::string error;
    ASSERT_TRUE(parseMediaConfig(c.config, entries, error)) << error;
    std::vector<NarrowProperty> narrow;
    std::vector<WideProperty> wide;
    ASSERT_TRUE(assembleProperties(entries, c.files, 1252, narrow, wide, error)) << error;
    auto findNarrow = [&](int32_t id) -> std::string {
      for (auto& p : narrow)
        if (p.id == id) return p.value;
      return "<absent>";
    };
    auto findWide = [&](int32_t id) -> std::u16string {
      for (auto& p : wide)
        if (p.id == id) return p.value;
      return u"<absent>";
    };
    EXPECT_EQ(findNarrow(kIncludedFileCount), c.count) << c.config;
    EXPECT_EQ(findNarrow(kIncludedFileNames), c.names) << c.config;
    EXPECT_EQ(findWide(kMsgWizardTitle), c.title) << c.config;
    EXPECT_EQ(findNarrow(kMsgErrorCaption), "Error");
    EXPECT_EQ(findNarrow(kMsgInternalError), "An internal error occurred (error code: {0})");
    EXPECT_EQ(findNarrow(1007), "Wrong Parameter Usage");
    EXPECT_EQ(findWide(20012), u"Cancel");
    EXPECT_EQ(findWide(kMsgDiskFull), u"Not Enough Disk Space");
    // every wide text of the launcher's dialogs has some default, except the unused 20017
    for (int32_t id = 20001; id <= 20020; ++id) {
      if (id != 20017) EXPECT_NE(findWide(id), u"<absent>") << id;
    }
  }
}

TEST(AssembleProperties, UnmappableNarrowTextNamesItsLine) {
  std::vector<ConfigEntry> entries;
  std::string error;
  ASSERT_TRUE(parseMediaConfig(
      "mainClass = M\nmsgErrorCaption = \xCE\xA9rror\nmsgWizardTitle = \xCE\xA9 ok\n", entries, error));
  std::vector<NarrowProperty> narrow;
  std::vector<WideProperty> wide;
  EXPECT_FALSE(assembleProperties(entries, {}, 1252, narrow, wide, error));
  EXPECT_EQ(error.rfind("line 2: msgErrorCaption: character", 0), 0u) << error;
  EXPECT_TRUE(assembleProperties(entries, {}, 1253, narrow, wide, error)) << error;  // Greek
}

TEST(IncludedNames, SlashesBecomeBackslashesAndSeparatorsAreRefused) {
  std::string out, error;
  ASSERT_TRUE(normaliseIncludedName("lib/app.jar", out, error));
  EXPECT_EQ(out, "lib\\app.jar");
  EXPECT_FALSE(normaliseIncludedName("a;b", out, error));
  EXPECT_FALSE(normaliseIncludedName("", out, error));
}
