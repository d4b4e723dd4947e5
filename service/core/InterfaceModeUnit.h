// The interface the service serves, set once at start: 1 door lock,
// 2 police, 3 member card.
#pragma once

constexpr int DoorlockInterfaceMode = 1;
constexpr int PoliceInterfaceMode = 2;
constexpr int MemberInterfaceMode = 3;

int InterfaceMode(); // 0 until set
void SetInterfaceMode(int mode);
