// ObjectPicker.show0 end to end over a stand-in picker registered in this process: the
// initialisation it receives, the owner window, the selection's conversion, cancel and failure.
#include <gtest/gtest.h>
#include <windows.h>

#include <mini_jni.h>

#include <cstdio>
#include <string>

#include "drxinst_library.h"
#include "fake_object_picker.h"
#include "probe_run.h"

namespace drxtest {
namespace {

using Show = jobjectArray(JNICALL*)(JNIEnv*, jclass, jboolean, jboolean, jboolean, jboolean, jboolean);

constexpr char kResultClass[] = "com/deployrix/runtime/installer/platform/win32/ObjectPicker$Result";
const char* const kFields[] = {"name", "path", "objectClass", "upn", "sid"};

// S-1-5-21-1-2-3-1001.
const std::vector<BYTE> kUserSid = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0,    0, 1, 0,
                                    0, 0, 2, 0, 0, 0, 3, 0, 0,  0, 0xE9, 3, 0, 0};
// Claims five sub-authorities but carries none of them.
const std::vector<BYTE> kCutSid = {1, 5, 0, 0, 0, 0, 0, 5};

class PickerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    window_ = CreateWindowExW(0, L"STATIC", L"drx picker owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                              200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  static void TearDownTestSuite() { DestroyWindow(window_); }

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    registration_ = new FakePickerRegistration();
    ASSERT_TRUE(registration_->ok());
    ASSERT_NE(window_, nullptr);
    pickerRecord() = PickerRecord();
    pickerScript() = PickerScript();
    vm_.defineClass(kResultClass)
        .field("name", "Ljava/lang/String;")
        .field("path", "Ljava/lang/String;")
        .field("objectClass", "Ljava/lang/String;")
        .field("upn", "Ljava/lang/String;")
        .field("sid", "Ljava/lang/String;")
        .constructor(
            "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)V",
            [](minijni::Call& c) {
              for (int i = 0; i < 5; ++i) c.setField(kFields[i], c.args[i]);
              return minijni::Void();
            });
  }
  void TearDown() override {
    delete registration_;
    CoUninitialize();
  }

  jobjectArray show(bool multiple, bool groups, bool users, bool wellKnown, bool computerOnly) {
    auto flag = [](bool b) { return b ? JNI_TRUE : JNI_FALSE; };
    return show_(vm_.env(), nullptr, flag(multiple), flag(groups), flag(users), flag(wellKnown),
                 flag(computerOnly));
  }

  // The five fields of a Result; "<null>" for a null field.
  std::vector<std::u16string> fields(jobject result) {
    std::vector<std::u16string> values;
    for (const char* name : kFields) {
      jobject value = vm_.field(result, name).l;
      values.push_back(value == nullptr ? u"<null>" : vm_.string(value));
    }
    return values;
  }

  static HWND window_;
  FakePickerRegistration* registration_ = nullptr;
  minijni::Jvm vm_;
  Show show_ = exportOf<Show>("ObjectPicker", "show0", 28);
};

HWND PickerTest::window_ = nullptr;

TEST_F(PickerTest, SelectionBecomesResults) {
  pickerScript().items = {
      {L"alice", L"WinNT://VM/alice", L"user", nullptr, kUserSid},
      {L"crew", L"WinNT://VM/crew", L"group", L"crew@vm", kCutSid},
  };
  jobjectArray results = show(true, true, true, false, false);
  ASSERT_NE(results, nullptr);
  ASSERT_EQ(vm_.arrayLength(results), 2);
  const auto items = vm_.elements(results);
  EXPECT_EQ(vm_.className(items[0]), kResultClass);
  EXPECT_EQ(fields(items[0]), (std::vector<std::u16string>{u"alice", u"WinNT://VM/alice", u"user", u"<null>",
                                                           u"S-1-5-21-1-2-3-1001"}));
  EXPECT_EQ(fields(items[1]),
            (std::vector<std::u16string>{u"crew", u"WinNT://VM/crew", u"group", u"crew@vm", u"<null>"}));
  EXPECT_EQ(pickerRecord().owner, window_);
  EXPECT_EQ(pickerRecord().liveObjects, 0) << "the picker or the selection was not released";
  EXPECT_FALSE(vm_.exceptionPending());
}

TEST_F(PickerTest, InitialisationRecords) {
  struct Row {
    bool multiple, groups, users, wellKnown, computerOnly;
    ULONG types, both, downlevel, options;
  };
  const Row rows[] = {
      {false, false, true, false, false, 0x36F, 0x2, 0x80000001, 0},  // users only
      {false, false, false, true, false, 0x36F, 0x8, 0x800C4000,
       0},  // well-known: SYSTEM and the two services
      {true, true, true, true, true, 0x1, 0x3FE, 0x80020007, 1},
      {true, false, false, false, true, 0x1, 0x0, 0x0, 1},
  };
  pickerScript().invokeResult = S_FALSE;
  for (const Row& r : rows) {
    EXPECT_EQ(show(r.multiple, r.groups, r.users, r.wellKnown, r.computerOnly), nullptr);
    const PickerRecord& got = pickerRecord();
    EXPECT_EQ(got.initSize, sizeof(DSOP_INIT_INFO));
    EXPECT_EQ(got.targetComputer, L"<null>");
    EXPECT_EQ(got.scopeCount, 1u);
    EXPECT_EQ(got.options, r.options);
    EXPECT_EQ(got.attributes, std::vector<std::wstring>{L"objectSID"});
    EXPECT_EQ(got.scopeSize, sizeof(DSOP_SCOPE_INIT_INFO));
    EXPECT_EQ(got.scopeTypes, r.types);
    EXPECT_EQ(got.scopeFlags, 0xC0u);
    EXPECT_EQ(got.bothModes, r.both);
    EXPECT_EQ(got.mixedOnly, 0u);
    EXPECT_EQ(got.nativeOnly, 0u);
    EXPECT_EQ(got.downlevel, r.downlevel);
  }
  EXPECT_EQ(pickerRecord().initializeCalls, 4);
}

TEST_F(PickerTest, CancelAndFailureGiveNull) {
  for (HRESULT answer : {S_FALSE, E_FAIL, HRESULT(0x800704C7) /* cancelled */}) {
    pickerScript().invokeResult = answer;
    pickerScript().items = {{L"alice", nullptr, nullptr, nullptr, kUserSid}};
    EXPECT_EQ(show(false, false, true, false, false), nullptr) << std::hex << answer;
  }
  EXPECT_EQ(pickerRecord().invokeCalls, 3);
  EXPECT_EQ(pickerRecord().liveObjects, 0);
}

TEST_F(PickerTest, EmptySelectionAndMissingSidAttribute) {
  pickerScript().items = {};
  jobjectArray none = show(false, false, true, false, false);
  ASSERT_NE(none, nullptr) << "an empty selection is an empty array, not a cancel";
  EXPECT_EQ(vm_.arrayLength(none), 0);
  PickerItem noSid = {L"bob", nullptr, nullptr, nullptr, {}};
  noSid.sidVariant = false;
  pickerScript().items = {noSid};
  jobjectArray one = show(false, false, true, false, false);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(fields(vm_.elements(one)[0]),
            (std::vector<std::u16string>{u"bob", u"<null>", u"<null>", u"<null>", u"<null>"}));
}

TEST(PickerOfWine, ItsCancelGivesNull) {
  // wine's own picker answers InvokeDialog with S_FALSE at once, as a user's cancel.
  HWND window = CreateWindowExW(0, L"STATIC", L"drx picker owner 2", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  minijni::Jvm vm;
  auto show = exportOf<Show>("ObjectPicker", "show0", 28);
  EXPECT_EQ(show(vm.env(), nullptr, JNI_TRUE, JNI_TRUE, JNI_TRUE, JNI_TRUE, JNI_FALSE), nullptr);
  EXPECT_FALSE(vm.exceptionPending());
  DestroyWindow(window);
}

TEST(PickerWithoutWindow, ReportsAndReturnsNull) {
  EXPECT_EQ(runProbe(L"picker", DETACHED_PROCESS), "could not find window\nresult=null console=no\n");
}

// With a console of its own and no window, the console window is the owner: wine's picker is
// reached (and cancels) instead of the "could not find window" line.
TEST(PickerWithConsoleOnly, UsesTheConsole) {
  EXPECT_EQ(runProbe(L"picker", CREATE_NEW_CONSOLE), "result=null console=yes\n");
}

}  // namespace
}  // namespace drxtest
