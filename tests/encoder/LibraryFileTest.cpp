// Tests on the built libEN24_C1.so, loaded at run time the way the demo
// program loads it.
#include "EN24_C1.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <set>
#include <string>

namespace {

const std::set<std::string> kExports = {
    "OpenPort",     "ClosePort",     "Buzzer",       "test",          "hex_str",      "ReadCard",
    "ReadCardSN",   "WriteRFData",   "ReadAndWriteCard", "EraseCard", "GetCardInfo",  "GetCardInfoSN",
    "GuestCard",    "MasterCard",    "BuildingCard", "FloorCard",     "EmergencyCard", "CheckOutCard",
    "GroupCard",    "GroupCardSet",  "LimitCard",    "TimeSetCard",   "RoomSetCard",  "RecordCard",
    "SealCard",     "SystemCard",    "GetRecord",
};

TEST(LibraryFile, DynamicSymbolTableHoldsExactlyTheExports)
{
    ASSERT_EQ(kExports.size(), 27u);
    const std::string command = "nm -D --defined-only '" EN24_C1_FILE "'";
    FILE *pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    std::array<char, 512> line{};
    while (std::fgets(line.data(), line.size(), pipe) != nullptr) {
        // "<address> <type> <name>"
        std::string text(line.data());
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        const auto blank = text.rfind(' ');
        ASSERT_NE(blank, std::string::npos) << text;
        EXPECT_EQ(text.substr(blank - 2, 3), " T ") << "not a plain function: " << text;
        names.insert(text.substr(blank + 1));
    }
    ASSERT_EQ(::pclose(pipe), 0) << command;
    EXPECT_EQ(names, kExports);
}

class LoadedLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        handle_ = ::dlopen(EN24_C1_FILE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << ::dlerror();
    }
    void TearDown() override
    {
        if (handle_ != nullptr)
            ::dlclose(handle_);
    }
    template <typename F>
    F *Find(const char *name)
    {
        return reinterpret_cast<F *>(::dlsym(handle_, name));
    }

    void *handle_ = nullptr;
};

TEST_F(LoadedLibrary, EveryExportIsFoundByName)
{
    for (const std::string &name : kExports)
        EXPECT_NE(::dlsym(handle_, name.c_str()), nullptr) << name;
}

TEST_F(LoadedLibrary, TestReturns2008)
{
    auto *test = Find<int32_t()>("test");
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test(), 2008);
}

TEST_F(LoadedLibrary, HexStrWritesUpperCaseHexAndZeroByte)
{
    auto *hexStr = Find<int32_t(const unsigned char *, char *, int32_t)>("hex_str");
    ASSERT_NE(hexStr, nullptr);
    const unsigned char bytes[] = {0x00, 0x9F, 0xA0, 0xFF};
    char text[12];
    std::fill(std::begin(text), std::end(text), '#');
    EXPECT_EQ(hexStr(bytes, text, 4), 1);
    EXPECT_STREQ(text, "009FA0FF");
    EXPECT_EQ(text[9], '#');

    EXPECT_EQ(hexStr(bytes, text, 0), 1);
    EXPECT_STREQ(text, "");
}

TEST_F(LoadedLibrary, BadBuffersAreRefusedWithZero)
{
    auto *hexStr = Find<int32_t(const unsigned char *, char *, int32_t)>("hex_str");
    auto *readCard = Find<int32_t(int32_t, char *)>("ReadCard");
    auto *readCardSN = Find<int32_t(int32_t, char *)>("ReadCardSN");
    auto *writeRFData = Find<int32_t(int32_t, const unsigned char *)>("WriteRFData");
    ASSERT_TRUE(hexStr && readCard && readCardSN && writeRFData);
    const unsigned char bytes[] = {0x01};
    char text[4] = "##";
    EXPECT_EQ(hexStr(bytes, nullptr, 1), 0);
    EXPECT_EQ(hexStr(nullptr, text, 1), 0);
    EXPECT_EQ(hexStr(bytes, text, -1), 0);
    EXPECT_STREQ(text, "##");
    // Refused before the handle is used: an invalid handle would give -86.
    EXPECT_EQ(readCard(-1, nullptr), 0);
    EXPECT_EQ(readCardSN(-1, nullptr), 0);
    EXPECT_EQ(writeRFData(-1, nullptr), 0);
}

TEST_F(LoadedLibrary, ClosedHandleFailsWithCodesNotHangs)
{
    auto *readCard = Find<int32_t(int32_t, char *)>("ReadCard");
    auto *writeRFData = Find<int32_t(int32_t, const unsigned char *)>("WriteRFData");
    auto *buzzer = Find<int32_t(int32_t)>("Buzzer");
    auto *closePort = Find<int32_t(int32_t)>("ClosePort");
    ASSERT_TRUE(readCard && writeRFData && buzzer && closePort);
    // A descriptor number that is surely not open.
    const int32_t closed = 1000;
    char text[41] = "untouched";
    const unsigned char record[12] = {};
    EXPECT_EQ(readCard(closed, text), EN24_ERR_READ);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(writeRFData(closed, record), EN24_ERR_READ);
    EXPECT_EQ(buzzer(closed), EN24_ERR_WRITE);
    EXPECT_EQ(closePort(closed), EN24_ERR_CLOSE);
}

} // namespace
