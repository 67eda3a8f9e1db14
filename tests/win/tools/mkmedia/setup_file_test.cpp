// The setup file's own resources as Windows reads them: the resource loader sees a rewritten stub's
// resources unchanged, refused stubs say why, and a media file built with every option reports its
// version, shows its icon in the progress dialog and runs to main, unsigned and signed.
#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <tuple>

#include "common/unique_handle.h"
#include "standin_host.h"
#include "tests/win/launcher/runtime/runtime_fixture.h"
#include "tools/mkmedia/build_media.h"
#include "tools/mkmedia/pe_image.h"
#include "tools/mkmedia/resource_section.h"

namespace drx::test {
namespace {

using mkmedia::loadLe32;
using mkmedia::storeLe32;

constexpr DWORD kDialogTimeoutMs = 30000;

std::vector<uint8_t> readBytes(const std::wstring& path) {
  const std::string bytes = readFileBytes(path);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool writeBytes(const std::wstring& path, const void* data, size_t size) {
  FileHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

std::string utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}

// A configuration value with every character escaped, so any text survives the properties syntax.
std::string escaped(const std::wstring& text) {
  std::string out;
  char unit[8];
  for (wchar_t c : text) {
    snprintf(unit, sizeof unit, "\\u%04x", static_cast<unsigned>(c));
    out += unit;
  }
  return out;
}

std::wstring fromCodePage(const std::string& bytes) {
  std::wstring out(bytes.size(), L'\0');
  const int n = MultiByteToWideChar(1252, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                    static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// Every resource of a module as the Windows resource functions return it.
using ResourceKey = std::tuple<std::wstring, std::wstring, WORD>;

std::wstring resourceName(LPCWSTR name) {
  return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name))
                              : std::wstring(name);
}

using LoadedResources = std::map<ResourceKey, std::string>;

BOOL CALLBACK addLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR context) {
  HRSRC info = FindResourceExW(module, type, name, language);
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
  (*reinterpret_cast<LoadedResources*>(context))[{resourceName(type), resourceName(name), language}] =
      bytes ? std::string(bytes, SizeofResource(module, info)) : std::string("(unreadable)");
  return TRUE;
}

BOOL CALLBACK addName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR context) {
  EnumResourceLanguagesW(module, type, name, addLanguage, context);
  return TRUE;
}

BOOL CALLBACK addType(HMODULE module, LPWSTR type, LONG_PTR context) {
  EnumResourceNamesW(module, type, addName, context);
  return TRUE;
}

LoadedResources loadedResources(const std::wstring& path) {
  LoadedResources found;
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return found;
  EnumResourceTypesW(module, addType, reinterpret_cast<LONG_PTR>(&found));
  FreeLibrary(module);
  return found;
}

// The checksum imagehlp computes for the file, and the one its header holds.
bool checksums(const std::wstring& path, DWORD& header, DWORD& computed) {
  return MapFileAndCheckSumW(path.c_str(), &header, &computed) == CHECKSUM_SUCCESS;
}

std::wstring versionString(const std::vector<BYTE>& block, const wchar_t* key) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
  if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
    return L"";
  return std::wstring(value, wcsnlen(value, length));
}

// The unix path of a file, for programs of the machine wine runs on.
std::string unixPath(const std::wstring& path) {
  using Convert = char*(CDECL*)(LPCWSTR);
  auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return std::string();
  char* converted = convert(path.c_str());
  if (!converted) return std::string();
  std::string out(converted);
  HeapFree(GetProcessHeap(), 0, converted);
  return out;
}

// Runs a shell command on the machine wine runs on and returns its exit status (255 when it did
// not run or did not finish within a minute). Wine starts unix programs by their path but hands
// back no process handle to wait on, so the shell leaves the status in a file.
DWORD runUnix(const std::string& command, const ScratchDirectory& scratch) {
  static int runs = 0;
  const std::wstring statusPath = scratch.file(L"status" + std::to_wstring(++runs) + L".txt");
  std::wstring line =
      standin::widen("/bin/sh -c \"" + command + "; echo $? >'" + unixPath(statusPath) + "'\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 255;
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  std::string status;
  waitUntil(60000, [&] {
    status = readFileBytes(statusPath);
    return status.find('\n') != std::string::npos;
  });
  return status.empty() ? 255 : static_cast<DWORD>(std::stoul(status));
}

// Quoted for the shell (the command line itself goes through Windows' splitting in double quotes).
std::string quoted(const std::string& text) { return "'" + text + "'"; }

class SetupFile : public testing::Test {
 protected:
  void SetUp() override { clearStartupMarkers(); }
  void TearDown() override { clearStartupMarkers(); }
  ScratchDirectory scratch_{L"setupfile"};
};

TEST_F(SetupFile, ResourceLoaderReadsARewrittenStubAsTheOriginal) {
  std::vector<uint8_t> image = readBytes(launcherStubPath());
  ASSERT_FALSE(image.empty());
  mkmedia::ResourceTree tree;
  std::string error;
  ASSERT_TRUE(mkmedia::readImageResources(image, tree, error)) << error;
  ASSERT_TRUE(mkmedia::rewriteResourceSection(image, tree, error)) << error;
  const std::wstring rewritten = scratch_.file(L"rewritten.exe");
  ASSERT_TRUE(writeBytes(rewritten, image.data(), image.size()));

  const auto before = loadedResources(launcherStubPath());
  const auto after = loadedResources(rewritten);
  EXPECT_GE(before.size(), 7u);  // two icon images, two dialogs, group 1001, version, manifest
  EXPECT_EQ(after, before);
  DWORD header = 0, computed = 0;
  ASSERT_TRUE(checksums(rewritten, header, computed));
  EXPECT_EQ(header, computed);
}

TEST_F(SetupFile, StubsThatCannotBeRewrittenAreRefusedWithTheReason) {
  const std::vector<uint8_t> original = readBytes(launcherStubPath());
  ASSERT_FALSE(original.empty());
  mkmedia::PeHeaders h;
  std::string error;
  ASSERT_TRUE(mkmedia::parsePeHeaders(original, h, error)) << error;
  const mkmedia::PeSection* resource = nullptr;
  for (const auto& section : h.sections) {
    if (section.virtualAddress == h.directories[mkmedia::kResourceDirectory].rva) resource = &section;
  }
  ASSERT_NE(resource, nullptr);
  const size_t rootEntries = resource->rawOffset + 16;

  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* reason;
  };
  const Case cases[] = {
      {"signed", [&](auto& b) { storeLe32(&b[h.directoryOffset(mkmedia::kSecurityDirectory)], 0x1000); },
       "signed"},
      {"no resources", [&](auto& b) { storeLe32(&b[h.directoryOffset(mkmedia::kResourceDirectory)], 0); },
       "no resource section"},
      {"data behind the last section", [&](auto& b) { b.insert(b.end(), 512, 0x55); },
       "data lies behind the last"},
      {"no PE signature", [&](auto& b) { b[h.peOffset] = 'X'; }, "no PE signature"},
      // The second type's subdirectory made the first's: a tree that would repeat itself.
      {"shared directory", [&](auto& b) { storeLe32(&b[rootEntries + 12], loadLe32(&b[rootEntries + 4])); },
       "reached twice"},
      {"directory outside the section",
       [&](auto& b) { storeLe32(&b[rootEntries + 4], 0x80000000u | 0x7FFFFF0u); }, "outside the section"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> image = original;
    c.damage(image);
    const std::vector<uint8_t> damaged = image;
    mkmedia::ResourceTree tree;
    // Reading is lenient (inspect shows a signed file's resources); rewriting is not.
    if (mkmedia::readImageResources(image, tree, error)) {
      EXPECT_FALSE(mkmedia::rewriteResourceSection(image, tree, error)) << c.name;
    }
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(image, damaged) << c.name << ": a refused image must stay as it was";
  }
}

TEST_F(SetupFile, MediaFileWithEveryOptionShowsItsIconAndVersionAndRunsToMainUnsignedAndSigned) {
  // The runtime rides along as jre.tar.gz; its behaviour comes from a per-run configuration.
  const std::string archive = runtimeArchive(scratch_, standin::RuntimeSpec{}, "");
  const std::wstring archivePath = scratch_.file(L"jre.tar.gz");
  ASSERT_TRUE(writeBytes(archivePath, archive.data(), archive.size()));
  std::string config = "narrow.151 = " + std::to_string(archive.size()) + "\n";
  const MediaSpec texts = basicMediaSpec();
  for (const auto& [id, value] : texts.narrow)
    config += "narrow." + std::to_string(id) + " = " + escaped(fromCodePage(value)) + "\n";
  for (const auto& [id, value] : texts.wide)
    config += "wide." + std::to_string(id) + " = " + escaped(value) + "\n";
  const std::wstring configPath = scratch_.file(L"setup.properties");
  ASSERT_TRUE(writeBytes(configPath, config.data(), config.size()));

  mkmedia::BuildOptions options;
  options.stubPath = utf8(launcherStubPath());
  options.configPath = utf8(configPath);
  options.outputPath = utf8(scratch_.file(L"setup.exe"));
  options.files = {{"jre.tar.gz", utf8(archivePath)}};
  options.setupFile.iconPath = utf8(standin::windowsPath(DRX_TEST_ICON));
  options.setupFile.version = "2.1.0.7";
  options.setupFile.productName = "Example App";
  options.setupFile.company = "Example Ltd";
  options.setupFile.description = "Example App Setup";
  options.setupFile.copyright = "\xC2\xA9 2026 Example Ltd";
  options.setupFile.executionLevel = "highestAvailable";
  std::string error;
  ASSERT_TRUE(mkmedia::buildMedia(options, error)) << error;
  const std::wstring media = scratch_.file(L"setup.exe");

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(media.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(media.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLength = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000007u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00020001u);
  EXPECT_EQ(versionString(block, L"FileVersion"), L"2.1.0.7");
  EXPECT_EQ(versionString(block, L"ProductName"), L"Example App");
  EXPECT_EQ(versionString(block, L"CompanyName"), L"Example Ltd");
  EXPECT_EQ(versionString(block, L"FileDescription"), L"Example App Setup");
  EXPECT_EQ(versionString(block, L"LegalCopyright"), L"\u00A9 2026 Example Ltd");
  EXPECT_EQ(versionString(block, L"OriginalFilename"), L"setup.exe");
  DWORD header = 0, computed = 0;
  ASSERT_TRUE(checksums(media, header, computed));
  EXPECT_EQ(header, computed) << "the checksum covers the whole media file";

  // Signed afterwards with osslsigncode, as a release would be.
  const std::wstring signedMedia = scratch_.file(L"setup-signed.exe");
  const std::string key = unixPath(scratch_.file(L"key.pem"));
  const std::string cert = unixPath(scratch_.file(L"cert.pem"));
  ASSERT_FALSE(key.empty()) << "not running under wine";
  ASSERT_EQ(runUnix("/usr/bin/openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=drx-test -keyout " +
                        quoted(key) + " -out " + quoted(cert) + " 2>/dev/null",
                    scratch_),
            0u);
  ASSERT_EQ(runUnix("/usr/bin/osslsigncode sign -certs " + quoted(cert) + " -key " + quoted(key) + " -in " +
                        quoted(unixPath(media)) + " -out " + quoted(unixPath(signedMedia)) + " >/dev/null",
                    scratch_),
            0u);

  {
    // Unsigned, with the progress dialog: main waits long enough for the dialog to be looked at.
    RuntimeLaunch launch(scratch_);
    launch.setup.prebuiltMedia = media;
    const std::wstring runConfig = launch.setup.directory + L"\\run.cfg";
    const std::string waitThenEnd = "jvm.main.action=sleep 8000\njvm.main.action=exit 0\n";
    CreateDirectoryW(launch.setup.directory.c_str(), nullptr);
    ASSERT_TRUE(writeBytes(runConfig, waitThenEnd.data(), waitThenEnd.size()));
    launch.setup.environment.emplace_back(L"DRX_STANDIN_CONFIG", runConfig);
    ChildProcess child = startLauncher(launch.setup);
    ASSERT_TRUE(child.running());
    HWND dialog = waitForWindow(child.id(), kDialogTimeoutMs,
                                [](HWND window) { return windowClassName(window) == L"MyDialogClass"; });
    if (!dialog) {
      DWORD code = 0;
      child.waitForExit(kRunTimeoutMs, code);
      FAIL() << "no progress dialog; exit code " << code << "\n"
             << readFileBytes(launch.setup.stderrPath) << launch.log();
    }
    HWND icon = nullptr;
    for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
      if ((GetWindowLongW(item, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = item;
    }
    ASSERT_NE(icon, nullptr);
    RECT box{};
    GetWindowRect(icon, &box);
    // The icon is magenta inside a transparent rim; the launcher's own icon has no magenta.
    auto magentaShare = [&] {
      HDC screen = GetDC(nullptr);
      int magenta = 0, total = 0;
      for (int y = box.top + 4; y < box.bottom - 4; y += 2) {
        for (int x = box.left + 4; x < box.right - 4; x += 2, ++total) {
          if (GetPixel(screen, x, y) == RGB(255, 0, 255)) ++magenta;
        }
      }
      ReleaseDC(nullptr, screen);
      return total ? magenta * 100 / total : 0;
    };
    EXPECT_TRUE(waitUntil(kDialogTimeoutMs, [&] { return magentaShare() >= 50; }))
        << magentaShare() << "% magenta";
    EXPECT_TRUE(saveWindowScreenshot(dialog, artefactPath(L"progress_dialog_custom_icon.bmp")));
    DWORD exitCode = 99;
    ASSERT_TRUE(child.waitForExit(kRunTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(launch.report().count("jvm.main"), 1u) << launch.log();
  }
  for (const std::wstring& file : {media, signedMedia}) {
    // Quietly, the whole launch: CRC, extraction, the bundled runtime, main.
    RuntimeLaunch launch(scratch_);
    launch.setup.prebuiltMedia = file;
    launch.setup.arguments = L"-q";
    const LaunchResult result = runToEnd(launch.setup, kRunTimeoutMs);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError << launch.log();
    EXPECT_EQ(launch.report().count("jvm.main"), 1u) << standin::narrow(file);
    EXPECT_TRUE(contains(launch.log(), "untaring JRE was successful")) << launch.log();
  }
}

}  // namespace
}  // namespace drx::test
