#include "SysOptionUnit.h"

#include "IniFileUnit.h"

TSysOption::TSysOption(std::string fileName) : FileName(std::move(fileName)) {}

void TSysOption::Load() {
    const TIniFile ini(FileName);
    Password = ini.ReadString("SysOption", "Password", "qembar");
    DoorlockPortNo = ini.ReadInteger("SysOption", "DoorlockPortNo", 8886);
    PolicePortNo = ini.ReadInteger("SysOption", "PolicePortNo", 8885);
    MemberPortNo = ini.ReadInteger("SysOption", "MemberPortNo", 8883);
    ScanPortNo = ini.ReadInteger("SysOption", "ScanPortNo", 8881);
    DelayMinutes = ini.ReadInteger("DoorlockOption", "DelayMinutes", 0);
    DelayMinutes2 = ini.ReadInteger("DoorlockOption", "DelayMinutes2", 0);
    UseNativeDoorlockDb = ini.ReadBool("DoorlockOption", "UseNativeDoorlockDb", false);
    SaveDoorlockRecord = ini.ReadBool("DoorlockOption", "SaveDoorlockRecord", false);
}

void TSysOption::Save() {
    TIniFile ini(FileName);
    ini.WriteString("SysOption", "Password", Password);
    ini.WriteInteger("SysOption", "DoorlockPortNo", DoorlockPortNo);
    ini.WriteInteger("SysOption", "PolicePortNo", PolicePortNo);
    ini.WriteInteger("SysOption", "MemberPortNo", MemberPortNo);
    ini.WriteInteger("SysOption", "ScanPortNo", ScanPortNo);
    ini.WriteInteger("DoorlockOption", "DelayMinutes", DelayMinutes);
    ini.WriteInteger("DoorlockOption", "DelayMinutes2", DelayMinutes2);
    ini.WriteBool("DoorlockOption", "UseNativeDoorlockDb", UseNativeDoorlockDb);
    ini.WriteBool("DoorlockOption", "SaveDoorlockRecord", SaveDoorlockRecord);
}
