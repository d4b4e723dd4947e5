// The service's local state made in start-up order.
#include <gtest/gtest.h>

#include "ClientMdb.h"
#include "ServiceStateUnit.h"
#include "StateTestSupport.h"

namespace {

TEST(ServiceState, ExecutableDirHoldsThisTest) {
    const std::string dir = ExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(FileExists(dir + "state_database_test"));
}

TEST(ServiceState, FreshFolderGivesDefaultsAndOneDatabaseLine) {
    TTempDir dir;
    TServiceState state(dir.Path());
    EXPECT_EQ(state.LogFile.FileName(), dir / (FormatDateTime("yyyymmdd", Now()) + ".LOG"));
    EXPECT_EQ(state.Option.FileName, dir / "Option.ini");
    EXPECT_EQ(state.SysOption.FileName, dir / "Option.ini");
    EXPECT_EQ(state.Option.CurrentCardNo, 1);
    EXPECT_EQ(state.SysOption.Password, "qembar");
    EXPECT_EQ(state.DoorlockRecordManager.DatabaseFile(), dir / "Client.mdb");
    // Only the log, with the missing database's line; no Option.ini, no Client.mdb.
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{
                                             FormatDateTime("yyyymmdd", Now()) + ".LOG"});
    const std::string log = ReadWholeFile(state.LogFile.FileName());
    EXPECT_NE(log.find("Client.mdb"), std::string::npos);
    EXPECT_EQ(log.find("\r\n"), log.size() - 2);
}

TEST(ServiceState, OptionsLoadedFromTheFolder) {
    TTempDir dir;
    WriteWholeFile(dir / "Option.ini",
                   "[SysOption]\r\nDoorlockPortNo=9886\r\n[DoorLockOption]\r\nHotelID=7\r\n");
    CreateClientMdb(dir / "Client.mdb");
    TServiceState state(dir.Path());
    EXPECT_EQ(state.SysOption.DoorlockPortNo, 9886);
    EXPECT_EQ(state.Option.HotelID, "7");
    EXPECT_FALSE(FileExists(state.LogFile.FileName()));
    state.DoorlockRecordManager.AddRoom("001101", Now());
    EXPECT_NE(ReadWholeFile(state.LogFile.FileName()).find("新建房间001101"), std::string::npos);
}

} // namespace
