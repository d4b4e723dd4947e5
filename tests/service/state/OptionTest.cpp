// TOption and TSysOption over Option.ini.
#include <algorithm>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "IniFileUnit.h"
#include "OptionUnit.h"
#include "StateTestSupport.h"
#include "SysOptionUnit.h"

namespace {

class OptionFile : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string Path = Dir / "Option.ini";
};

TEST_F(OptionFile, DefaultsWithoutAFileAndNoFileCreated) {
    TOption option(Path);
    option.Load();
    TSysOption sysOption(Path);
    sysOption.Load();

    EXPECT_EQ(option.PortName, "COM1");
    EXPECT_EQ(option.Password, "80617");
    EXPECT_EQ(option.HotelID, "");
    EXPECT_FALSE(option.LLock);
    EXPECT_EQ(option.CurrentCardNo, 1);

    EXPECT_EQ(sysOption.Password, "qembar");
    EXPECT_EQ(sysOption.DoorlockPortNo, 8886);
    EXPECT_EQ(sysOption.PolicePortNo, 8885);
    EXPECT_EQ(sysOption.MemberPortNo, 8883);
    EXPECT_EQ(sysOption.ScanPortNo, 8881);
    EXPECT_EQ(sysOption.DelayMinutes, 0);
    EXPECT_EQ(sysOption.DelayMinutes2, 0);
    EXPECT_FALSE(sysOption.UseNativeDoorlockDb);
    EXPECT_FALSE(sysOption.SaveDoorlockRecord);

    EXPECT_FALSE(FileExists(Path));
}

struct TLoadCase {
    const char *Name;
    const char *Lines; // door lock section body
    int64_t CurrentCardNo;
    bool LLock;
    const char *HotelID;
};

const TLoadCase LoadCases[] = {
    {"hexadecimal counter", "CurrentCardNo=0x10\r\n", 16, false, ""},
    {"dollar hexadecimal counter", "CurrentCardNo=$10\r\n", 16, false, ""},
    {"negative counter widened with its sign", "CurrentCardNo=-1\r\n", -1, false, ""},
    {"counter beyond 32 bits gives the default", "CurrentCardNo=4294967296\r\n", 1, false, ""},
    {"LLock 2 is true", "LLock=2\r\n", 1, true, ""},
    {"LLock yes is false", "LLock=yes\r\n", 1, false, ""},
    {"LLock empty is false", "LLock=\r\n", 1, false, ""},
    {"empty HotelID is empty", "HotelID=\r\n", 1, false, ""},
    {"HotelID as written", "HotelID= 12 \r\n", 1, false, "12"},
};

TEST_F(OptionFile, LoadCases) {
    for (const TLoadCase &c : LoadCases) {
        SCOPED_TRACE(c.Name);
        WriteWholeFile(Path, std::string("[DoorlockOption]\r\n") + c.Lines);
        TOption option(Path);
        option.Load();
        EXPECT_EQ(option.CurrentCardNo, c.CurrentCardNo);
        EXPECT_EQ(option.LLock, c.LLock);
        EXPECT_EQ(option.HotelID, c.HotelID);
    }
}

TEST_F(OptionFile, ExampleFileByteForByteThenFirstCardInPlace) {
    TOption option(Path);
    option.Load();
    option.HotelID = "1";
    option.Save();
    const std::string example = "[DoorlockOption]\r\n"
                                "PortName=COM1\r\n"
                                "Password=80617\r\n"
                                "HotelID=1\r\n"
                                "LLock=0\r\n"
                                "CurrentCardNo=1\r\n";
    EXPECT_EQ(ReadWholeFile(Path), example);

    EXPECT_EQ(option.NextCardNo(), 2);
    std::string afterFirstCard = example;
    afterFirstCard.replace(afterFirstCard.find("CurrentCardNo=1"), 15, "CurrentCardNo=2");
    EXPECT_EQ(ReadWholeFile(Path), afterFirstCard);
}

TEST_F(OptionFile, CapitalSectionHeaderReadAndWrittenInPlace) {
    WriteWholeFile(Path, "[DOORLOCKOPTION]\r\nPASSWORD=4321\r\nCurrentCardNo=7\r\nDelayMinutes=30\r\n");
    TOption option(Path);
    option.Load();
    EXPECT_EQ(option.Password, "4321");
    EXPECT_EQ(option.CurrentCardNo, 7);
    TSysOption sysOption(Path);
    sysOption.Load();
    EXPECT_EQ(sysOption.DelayMinutes, 30);

    option.Save();
    EXPECT_EQ(ReadWholeFile(Path), "[DOORLOCKOPTION]\r\n"
                                   "PASSWORD=4321\r\n"
                                   "CurrentCardNo=7\r\n"
                                   "DelayMinutes=30\r\n"
                                   "PortName=COM1\r\n"
                                   "HotelID=\r\n"
                                   "LLock=0\r\n");
}

TEST_F(OptionFile, EachSaveLeavesTheOtherObjectsKeys) {
    const std::string handMade = "; options\r\n"
                                 "[SysOption]\r\n"
                                 "Password=secret\r\n"
                                 "DoorlockPortNo=9000\r\n"
                                 "PolicePortNo=9001\r\n"
                                 "MemberPortNo=9002\r\n"
                                 "ScanPortNo=9003\r\n"
                                 "Extra=kept\r\n"
                                 "[DoorlockOption]\r\n"
                                 "DelayMinutes=30\r\n"
                                 "DelayMinutes2=45\r\n"
                                 "UseNativeDoorlockDb=1\r\n"
                                 "SaveDoorlockRecord=1\r\n"
                                 "PortName=COM3\r\n"
                                 "Password=111\r\n"
                                 "HotelID=12\r\n"
                                 "LLock=1\r\n"
                                 "CurrentCardNo=500\r\n";
    WriteWholeFile(Path, handMade);

    // Values the other object does not know are in memory; a save writes only
    // its own keys, so the file keeps the other's values.
    TOption option(Path);
    option.Load();
    TSysOption sysOption(Path);
    sysOption.Load();
    option.PortName = "COM4";
    option.Save();
    sysOption.Password = "changed";
    sysOption.Save();

    std::string expected = handMade;
    expected.replace(expected.find("PortName=COM3"), 13, "PortName=COM4");
    expected.replace(expected.find("Password=secret"), 15, "Password=changed");
    EXPECT_EQ(ReadWholeFile(Path), expected);
}

TEST_F(OptionFile, SysOptionSaveWritesAllNineKeys) {
    TSysOption saved(Path);
    saved.Load();
    saved.Password = "pw";
    saved.DoorlockPortNo = 1001;
    saved.PolicePortNo = 1002;
    saved.MemberPortNo = 1003;
    saved.ScanPortNo = 1004;
    saved.DelayMinutes = -15;
    saved.DelayMinutes2 = 25;
    saved.UseNativeDoorlockDb = true;
    saved.SaveDoorlockRecord = false;
    saved.Save();
    EXPECT_EQ(ReadWholeFile(Path), "[SysOption]\r\n"
                                   "Password=pw\r\n"
                                   "DoorlockPortNo=1001\r\n"
                                   "PolicePortNo=1002\r\n"
                                   "MemberPortNo=1003\r\n"
                                   "ScanPortNo=1004\r\n"
                                   "[DoorlockOption]\r\n"
                                   "DelayMinutes=-15\r\n"
                                   "DelayMinutes2=25\r\n"
                                   "UseNativeDoorlockDb=1\r\n"
                                   "SaveDoorlockRecord=0\r\n");
    TSysOption loaded(Path);
    loaded.Load();
    EXPECT_EQ(loaded.Password, "pw");
    EXPECT_EQ(loaded.DoorlockPortNo, 1001);
    EXPECT_EQ(loaded.PolicePortNo, 1002);
    EXPECT_EQ(loaded.MemberPortNo, 1003);
    EXPECT_EQ(loaded.ScanPortNo, 1004);
    EXPECT_EQ(loaded.DelayMinutes, -15);
    EXPECT_EQ(loaded.DelayMinutes2, 25);
    EXPECT_TRUE(loaded.UseNativeDoorlockDb);
    EXPECT_FALSE(loaded.SaveDoorlockRecord);
}

TEST_F(OptionFile, CurrentCardNoSavedAsItsLow32Bits) {
    TOption option(Path);
    option.CurrentCardNo = 0x100000005LL;
    option.Save();
    option.CurrentCardNo = 0;
    option.Load();
    EXPECT_EQ(option.CurrentCardNo, 5);
}

struct TPortCase {
    const char *PortName;
    int PortNo;
};

const TPortCase PortCases[] = {
    {"COM1", 1}, {"COM2", 2}, {"COM3", 3}, {"COM4", 4}, {"COM5", 5}, {"COM6", 6},
    {"COM7", 7}, {"COM8", 8}, {"com1", 0}, {"COM9", 0}, {"", 0},     {" COM1", 0},
    {"COM10", 0}, {"COM0", 0},
};

TEST(OptionPortNo, ExactNamesOnly) {
    TOption option("unused");
    for (const TPortCase &c : PortCases) {
        SCOPED_TRACE(std::string("PortName \"") + c.PortName + "\"");
        option.PortName = c.PortName;
        EXPECT_EQ(option.GetPortNo(), c.PortNo);
    }
}

struct TCounterCase {
    int64_t Before;
    int64_t After;
    const char *Saved;
};

const TCounterCase CounterCases[] = {
    {1, 2, "CurrentCardNo=2"},
    {0, 1, "CurrentCardNo=1"},
    {16777212, 16777213, "CurrentCardNo=16777213"},
    {16777213, 0, "CurrentCardNo=0"},
    {-5, -4, "CurrentCardNo=-4"},
    {-1, 0, "CurrentCardNo=0"},
    {20000000, 3222787, "CurrentCardNo=3222787"},
};

TEST_F(OptionFile, CounterAdvancesModulo16777214AndSaves) {
    for (const TCounterCase &c : CounterCases) {
        SCOPED_TRACE("from " + std::to_string(c.Before));
        TOption option(Path);
        option.Load();
        option.CurrentCardNo = c.Before;
        EXPECT_EQ(option.NextCardNo(), c.After);
        EXPECT_EQ(option.CurrentCardNo, c.After);
        EXPECT_NE(ReadWholeFile(Path).find(std::string(c.Saved) + "\r\n"), std::string::npos);
    }
}

TEST(OptionCounter, ConcurrentCardNumbersAreDistinct) {
    TTempDir dir("state-test", MemoryFolder());
    const std::string path = dir / "Option.ini";
    TOption option(path);
    option.Load();
    constexpr int Threads = 4, PerThread = 25;
    std::vector<std::vector<int64_t>> numbers(Threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < PerThread; ++i) {
                numbers[t].push_back(option.NextCardNo());
                // The dialog's save shares the counter's lock.
                if (i % 5 == 0)
                    option.Save();
            }
        });
    for (std::thread &worker : workers)
        worker.join();

    std::set<int64_t> distinct;
    for (const auto &list : numbers)
        distinct.insert(list.begin(), list.end());
    EXPECT_EQ(distinct.size(), size_t{Threads * PerThread});
    EXPECT_EQ(*distinct.begin(), 2);
    EXPECT_EQ(*distinct.rbegin(), 1 + Threads * PerThread);
    TOption reloaded(path);
    reloaded.Load();
    EXPECT_EQ(reloaded.CurrentCardNo, 1 + Threads * PerThread);
}

TEST_F(OptionFile, FailedSaveStopsAtTheKeyAndKeepsEarlierKeys) {
    TOption option(Path);
    option.Load();
    try {
        // Room for the first key's file (33 bytes), not for the second's.
        TFileSizeLimit limit(40);
        option.Save();
        FAIL() << "no error";
    } catch (const EIniFileError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + Path);
    }
    EXPECT_EQ(ReadWholeFile(Path), "[DoorlockOption]\r\nPortName=COM1\r\n");
    EXPECT_EQ(FolderEntries(Dir.Path()), std::vector<std::string>{"Option.ini"});
}

TEST_F(OptionFile, UnwritableFolderRaisesFromBothSaves) {
    WriteWholeFile(Dir / "folder", "");
    const std::string path = Dir / "folder/Option.ini";
    TOption option(path);
    option.Load();
    TSysOption sysOption(path);
    sysOption.Load();
    for (const auto &save : {std::function<void()>([&] { option.Save(); }),
                             std::function<void()>([&] { sysOption.Save(); }),
                             std::function<void()>([&] { option.NextCardNo(); })}) {
        try {
            save();
            ADD_FAILURE() << "no error";
        } catch (const EIniFileError &error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
        }
    }
}

} // namespace
