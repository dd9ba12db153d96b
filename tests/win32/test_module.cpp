// The module as a real host sees it: its export and import directories, the table's
// words and texts in the loaded image, and a FilterProc call through the table.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "refhost/reference_host.h"
#include "tests/common/expected_texts.h"
#include "tests/win32/loaded_module.h"

namespace {

const unsigned char* ImageBase() {
  return reinterpret_cast<const unsigned char*>(Plugin().module);
}

const IMAGE_NT_HEADERS32* NtHeaders() {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(ImageBase());
  return reinterpret_cast<const IMAGE_NT_HEADERS32*>(ImageBase() + dos->e_lfanew);
}

const IMAGE_DATA_DIRECTORY& Directory(int entry) {
  return NtHeaders()->OptionalHeader.DataDirectory[entry];
}

bool InsideImage(const void* pointer) {
  const auto* p = static_cast<const unsigned char*>(pointer);
  return p >= ImageBase() && p < ImageBase() + NtHeaders()->OptionalHeader.SizeOfImage;
}

TEST(Module, IsA32BitDll) {
  EXPECT_EQ(NtHeaders()->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_TRUE(NtHeaders()->FileHeader.Characteristics & IMAGE_FILE_DLL);
  EXPECT_EQ(NtHeaders()->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
}

TEST(Module, ExportsGetFilterTableAndNothingElse) {
  const IMAGE_DATA_DIRECTORY& entry = Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
  ASSERT_NE(entry.VirtualAddress, 0u);
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(ImageBase() + entry.VirtualAddress);
  EXPECT_STREQ(reinterpret_cast<const char*>(ImageBase() + exports->Name), "Brisdale.auf");
  EXPECT_EQ(exports->NumberOfFunctions, 1u);
  ASSERT_EQ(exports->NumberOfNames, 1u);
  const auto* names = reinterpret_cast<const DWORD*>(ImageBase() + exports->AddressOfNames);
  EXPECT_STREQ(reinterpret_cast<const char*>(ImageBase() + names[0]), "GetFilterTable");
}

TEST(Module, ImportsFromSystemDllsOnly) {
  const std::vector<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                            "msvcrt.dll"};
  const IMAGE_DATA_DIRECTORY& entry = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
  ASSERT_NE(entry.VirtualAddress, 0u);
  const auto* import =
      reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(ImageBase() + entry.VirtualAddress);
  int count = 0;
  for (; import->Name != 0; ++import, ++count) {
    std::string name = reinterpret_cast<const char*>(ImageBase() + import->Name);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << name;
  }
  EXPECT_GT(count, 0);
}

TEST(Module, TableWordsInTheLoadedImage) {
  const FilterTable* table = Plugin().getFilterTable();
  ASSERT_TRUE(InsideImage(table));
  const auto* words = reinterpret_cast<const uint32_t*>(table);
  const int pointerWords[] = {3, 5, 6, 7, 8, 12, 16, 21};
  const uint32_t expected[35] = {0x284000, 320, 180, 0, 3};
  for (int word = 0; word < 35; ++word) {
    SCOPED_TRACE(word);
    if (std::find(std::begin(pointerWords), std::end(pointerWords), word) !=
        std::end(pointerWords)) {
      EXPECT_TRUE(InsideImage(reinterpret_cast<const void*>(static_cast<uintptr_t>(words[word]))));
    } else {
      EXPECT_EQ(words[word], expected[word]);
    }
  }
  const int32_t minimums[3] = {0, 0, -599}, maximums[3] = {100, 100, 599};
  for (int track = 0; track < 3; ++track) {
    EXPECT_EQ(table->trackDefaults[track], 0);
    EXPECT_EQ(table->trackMinimums[track], minimums[track]);
    EXPECT_EQ(table->trackMaximums[track], maximums[track]);
    EXPECT_TRUE(InsideImage(table->trackLabels[track]));
  }
}

TEST(Module, TextsDecodeThroughCodePage932) {
  const FilterTable* table = Plugin().getFilterTable();
  struct Text { const char* actual; const char* utf8; size_t bytes; };
  const Text texts[] = {{table->name, kExpectedFilterName, 8},
                        {table->information, kExpectedInformation, 22},
                        {table->trackLabels[0], kExpectedTrackLabels[0], 6},
                        {table->trackLabels[1], kExpectedTrackLabels[1], 6},
                        {table->trackLabels[2], kExpectedTrackLabels[2], 6}};
  for (const Text& text : texts) {
    SCOPED_TRACE(text.utf8);
    EXPECT_EQ(std::strlen(text.actual), text.bytes);
    EXPECT_TRUE(FromCodePage932(text.actual) == FromUtf8(text.utf8));
  }
}

TEST(Module, TableAndArraysAreWritableAndStable) {
  const FilterTable* table = Plugin().getFilterTable();
  EXPECT_EQ(Plugin().getFilterTable(), table);
  const void* places[] = {table, table->trackLabels, table->trackDefaults, table->trackMinimums,
                          table->trackMaximums};
  for (const void* place : places) {
    MEMORY_BASIC_INFORMATION region{};
    ASSERT_NE(VirtualQuery(place, &region, sizeof region), 0u);
    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                           PAGE_EXECUTE_WRITECOPY;
    EXPECT_TRUE(region.Protect & writable) << "protection " << region.Protect;
  }
}

TEST(Module, FilterProcThroughTheTableLeavesAnIdleFrameAlone) {
  Edit edit;
  edit.audioRate = 44100;
  edit.channels = 2;
  edit.videoRate = 30000;
  edit.videoScale = 1001;
  for (int i = 0; i < 2 * 44100 / 4; ++i) edit.samples.push_back(static_cast<int16_t>(i * 31));
  ReferenceHost host(Plugin().getFilterTable, edit);
  std::vector<int16_t> audio;
  EXPECT_EQ(host.ProcessFrame(3, audio), 1);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].service, HostService::GetSelection);
  EXPECT_EQ(audio, FrameSound(host.edit, 3));
  EXPECT_TRUE(host.faults.empty());
}

}  // namespace
