// Start-up and shut-down of the door lock interface, shared by the windowed
// program and NorvikDoorLockd.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ServiceStateUnit.h"

class TBaseDoorlock;
class TInterfaceListener;
class TNorvikDoorLock;

class TDoorlockService {
public:
    // In this order: the log, Option, SysOption and the database in dir
    // (ending in '/'), the encoder's lock driver installed as the current lock
    // driver, interface mode 1. Date texts are read and written with the fixed
    // "yyyy-MM-dd" and "hh:mm:ss" settings whatever the machine's locale.
    explicit TDoorlockService(const std::string &dir);
    // Stops the listener, then frees in reverse order (the log last).
    ~TDoorlockService();
    TDoorlockService(const TDoorlockService &) = delete;
    TDoorlockService &operator=(const TDoorlockService &) = delete;

    TServiceState &State();
    TBaseDoorlock *CurrentDoorlock();
    TNorvikDoorLock &NorvikDoorLock();
    // Held around each request's handling and each card operation started
    // from a window, so card operations, card numbers, database and log never
    // overlap.
    std::mutex &CardOperationLock();

    // Hands the start line "门锁接口监听服务器已经启动..." to showLine, then
    // activates the listener on SysOption.DoorlockPortNo. Throws
    // std::runtime_error with a readable message when activation fails.
    void StartListener(const std::function<void(const std::string &)> &showLine);
    // Stops the listener (closes connections), then hands
    // "接口监听服务器已经停止。" to showLine.
    void StopListener(const std::function<void(const std::string &)> &showLine);
    bool Listening() const;
    // The port listened on (DoorlockPortNo; with 0 there, the one the system
    // chose); 0 when not listening.
    uint16_t ListeningPort() const;

private:
    std::optional<std::string> HandleRequest(const std::string &request);

    std::unique_ptr<TServiceState> State_;
    std::unique_ptr<TNorvikDoorLock> Doorlock_;
    std::mutex CardOperationLock_;
    std::unique_ptr<TInterfaceListener> Listener_;
};
