// The settings store: values in a named folder on every system, and on
// Windows, without a folder, REG_BINARY values under
// HKEY_CURRENT_USER\Software\Brindle Audio\Calverine, read back here with the
// registry's own calls.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Files.h"
#include "Process.h"
#include "Settings.h"
#include "TempFolder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Settings, AFolderHoldsOneFileOfRawBytesPerValue) {
    calverine::test::TempFolder home(" \xC3\xA9t\xC3\xA9");
    const std::string folder = platform::joinPath(home.path(), "settings");
    const platform::Settings settings(folder);
    Bytes bytes{9};
    EXPECT_FALSE(settings.read("plockcnt", bytes));

    const std::uint8_t count[4] = {2, 0, 0, 0};
    ASSERT_TRUE(settings.write("plockcnt", count, 4));  // creates the folder
    Bytes file;
    ASSERT_TRUE(platform::readFile(platform::joinPath(folder, "plockcnt"), file));
    EXPECT_EQ(file, (Bytes{2, 0, 0, 0}));
    EXPECT_TRUE(platform::Settings(folder).read("plockcnt", bytes));
    EXPECT_EQ(bytes, file);
}

#ifdef _WIN32

constexpr const wchar_t* kKey = L"Software\\Brindle Audio\\Calverine";

bool registryValue(const wchar_t* name, DWORD& type, Bytes& bytes) {
    bytes.assign(1024, 0);
    DWORD size = static_cast<DWORD>(bytes.size());
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    const LONG result = RegQueryValueExW(key, name, nullptr, &type, bytes.data(), &size);
    RegCloseKey(key);
    bytes.resize(size);
    return result == ERROR_SUCCESS;
}

class RegistrySettings : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::environmentVariable("CALVERINE_SETTINGS_DIR");
        platform::setEnvironmentVariable("CALVERINE_SETTINGS_DIR", "");
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
        platform::setEnvironmentVariable("CALVERINE_SETTINGS_DIR", saved_);
    }
    std::string saved_;
};

TEST_F(RegistrySettings, ValuesAreBinaryRegistryValuesCreatedOnTheFirstWrite) {
    const platform::Settings writer;
    Bytes bytes{1};
    DWORD type = 0;
    EXPECT_FALSE(writer.read("uisize", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(registryValue(L"uisize", type, bytes));

    const std::uint8_t size = 2, lock[8] = {0x11, 0, 1, 0, 0, 0, 0x80, 0x3f};
    ASSERT_TRUE(writer.write("uisize", &size, 1));
    ASSERT_TRUE(writer.write("plock", lock, sizeof(lock)));
    for (const auto& [name, expected] : {std::pair{L"uisize", Bytes{2}}, std::pair{L"plock", Bytes(lock, lock + 8)}}) {
        ASSERT_TRUE(registryValue(name, type, bytes));
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
        EXPECT_EQ(bytes, expected);
    }

    // Another store (another plug-in object) reads what the first wrote, and
    // the last writer wins.
    const platform::Settings reader;
    ASSERT_TRUE(reader.read("plock", bytes));
    EXPECT_EQ(bytes, Bytes(lock, lock + 8));
    const std::uint8_t empty[1] = {};
    ASSERT_TRUE(reader.write("plock", empty, 0));
    EXPECT_TRUE(writer.read("plock", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(writer.read("plockcnt", bytes));
}

TEST_F(RegistrySettings, AValueOfAnotherTypeReadsAsAbsent) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD number = 3;
    RegSetValueExW(key, L"uisize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(key);
    Bytes bytes;
    EXPECT_FALSE(platform::Settings().read("uisize", bytes));
}

#endif

}  // namespace
