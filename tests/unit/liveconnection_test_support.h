// Shared pieces of the live-connection tests: a private state folder per test, raw views of
// shared sections (read without going through the connection), and a hosted connection.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "liveconnection/live_connection.h"
#include "liveconnection/section_names.h"
#include "platform_sandbox.h"
#include "twinlink/platform.h"

namespace liveconnection_test {

namespace platform = twinlink::platform;

inline constexpr char16_t kModelPath[] = u"C:\\Models\\House.skp";
inline constexpr char16_t kSectionName[] = u"C:/Models/House.skp";
inline constexpr char16_t kDirectoryKeyPath[] = u"Software\\Qentra\\LiveConnections";

using DirectoryValueList = std::vector<std::pair<std::u16string, uint32_t>>;

// Every value of the directory key as (name, data), straight from the registry, by name.
inline DirectoryValueList DirectoryValues() {
    DirectoryValueList values;
    platform::RegistryKey key;
    platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kDirectoryKeyPath, key);
    platform::RegistryValue value;
    for (uint32_t index = 0; key.EnumValue(index, 1024, 64, value) == platform::kSuccess; ++index) {
        uint32_t data = 0;
        if (value.type == platform::kRegDword && value.data.size() == 4)
            std::memcpy(&data, value.data.data(), 4);
        values.emplace_back(value.name, data);
    }
    std::sort(values.begin(), values.end());
    return values;
}

// Every test gets its own registry, shared-memory and runtime folders below `root`.
class PrivateStateTest : public platform::testing::PlatformSandbox {
  protected:
    void SetUp() override {
        PlatformSandbox::SetUp();
        root = base_;
    }

    // A folder below a regular file: nobody, not even root, can create anything there.
    std::filesystem::path UnusableFolder() {
        std::ofstream(root / "plain-file") << "";
        return root / "plain-file" / "state";
    }

    std::filesystem::path root;
};

// Bytes at their offsets, as Korvan reads them: of a section the test maps, or of one record.
class ByteView {
  public:
    explicit ByteView(void* bytes = nullptr) : view(static_cast<uint8_t*>(bytes)) {}

    uint32_t U32(size_t offset) const {
        uint32_t value;
        std::memcpy(&value, view + offset, sizeof value);
        return value;
    }
    float F32(size_t offset) const { return std::bit_cast<float>(U32(offset)); }
    void SetU32(size_t offset, uint32_t value) { std::memcpy(view + offset, &value, sizeof value); }
    // The text of a field of `capacityUnits` UTF-16 units, up to its terminator if it has one.
    std::u16string Text(size_t offset, size_t capacityUnits) const {
        std::u16string text(capacityUnits, u'\0');
        std::memcpy(text.data(), view + offset, capacityUnits * sizeof(char16_t));
        return text.substr(0, text.find(u'\0'));
    }
    std::string Bytes(size_t offset, size_t count) const {
        return std::string(reinterpret_cast<const char*>(view + offset), count);
    }
    bool AllZero(size_t offset, size_t count) const {
        return Bytes(offset, count) == std::string(count, '\0');
    }

    uint8_t* view = nullptr;
};

// A section mapped by the test itself, to check bytes at their offsets.
class RawSection : public ByteView {
  public:
    RawSection() = default;
    explicit RawSection(const std::u16string& sectionName) { Open(sectionName); }
    ~RawSection() { Close(); }
    RawSection(const RawSection&) = delete;
    RawSection& operator=(const RawSection&) = delete;

    void Open(const std::u16string& sectionName) {
        Close();
        handle = platform::OpenFileMapping(sectionName);
        if (handle != 0) view = static_cast<uint8_t*>(platform::MapViewOfFile(handle));
    }
    void Close() {
        if (view != nullptr) platform::UnmapViewOfFile(view);
        if (handle != 0) platform::CloseHandle(handle);
        view = nullptr;
        handle = 0;
    }
    bool IsOpen() const { return view != nullptr; }
    size_t Size() const { return platform::MappingSize(handle); }

    platform::MappingHandle handle = 0;
};

// The name of this process's data section `id`, as Korvan opens it.
inline std::u16string OwnSection(uint32_t id) {
    return TwinLinkAPI::DataSectionName(platform::GetCurrentProcessId(), id);
}

// `connection` hosts kModelPath with 16 slots; `raw` maps its main section as Korvan does.
class HostedTest : public PrivateStateTest {
  protected:
    void SetUp() override {
        PrivateStateTest::SetUp();
        ASSERT_EQ(connection.Host(kModelPath, 16), 0);
        raw.Open(kSectionName);
        ASSERT_TRUE(raw.IsOpen());
    }
    void TearDown() override {
        raw.Close();
        connection.Close();
        PrivateStateTest::TearDown();
    }

    TwinLinkAPI::LiveConnection connection;
    RawSection raw;
};

}  // namespace liveconnection_test
