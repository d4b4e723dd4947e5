#include "DoorlockServiceUnit.h"

#include <stdexcept>

#include "BaseDoorlockUnit.h"
#include "DoorlockMessageHandlerUnit.h"
#include "InterfaceListenerUnit.h"
#include "InterfaceModeUnit.h"
#include "NorvikDoorLockUnit.h"

namespace {
int InterfaceMode_ = 0;
}

int InterfaceMode() { return InterfaceMode_; }

void SetInterfaceMode(int mode) { InterfaceMode_ = mode; }

TDoorlockService::TDoorlockService(const std::string &dir)
    : State_(std::make_unique<TServiceState>(dir)),
      Doorlock_(std::make_unique<TNorvikDoorLock>(State_->Option, State_->LogFile)),
      Listener_(std::make_unique<TInterfaceListener>(
          [this](const std::string &request) { return HandleRequest(request); }))
{
    SetCurrentDoorlock(Doorlock_.get());
    SetInterfaceMode(DoorlockInterfaceMode);
}

TDoorlockService::~TDoorlockService()
{
    Listener_->Stop();
    Listener_.reset();
    if (::CurrentDoorlock() == Doorlock_.get())
        SetCurrentDoorlock(nullptr);
    Doorlock_.reset();
    ResetNorvikPortHandle();
    State_.reset(); // database, options, then the log
}

TServiceState &TDoorlockService::State() { return *State_; }

TBaseDoorlock *TDoorlockService::CurrentDoorlock() { return ::CurrentDoorlock(); }

TNorvikDoorLock &TDoorlockService::NorvikDoorLock() { return *Doorlock_; }

std::mutex &TDoorlockService::CardOperationLock() { return CardOperationLock_; }

void TDoorlockService::StartListener(const std::function<void(const std::string &)> &showLine)
{
    // The line stands also when activation then fails.
    showLine("门锁接口监听服务器已经启动...");
    const int32_t port = State_->SysOption.DoorlockPortNo;
    if (port < 0 || port > 65535)
        throw std::runtime_error("Could not listen on port " + std::to_string(port) +
                                 ": not a TCP port number");
    Listener_->Start(static_cast<uint16_t>(port));
}

void TDoorlockService::StopListener(const std::function<void(const std::string &)> &showLine)
{
    Listener_->Stop();
    showLine("接口监听服务器已经停止。");
}

bool TDoorlockService::Listening() const { return Listener_->Active(); }

uint16_t TDoorlockService::ListeningPort() const { return Listener_->Port(); }

std::optional<std::string> TDoorlockService::HandleRequest(const std::string &request)
{
    std::lock_guard<std::mutex> lock(CardOperationLock_);
    if (Listener_->Stopping())
        return std::nullopt; // waited for its turn while the service was stopping
    std::optional<std::string> answer;
    TDoorlockMessageHandler handler(*State_);
    handler.ProcessRequest([&answer](std::string_view bytes) { answer = std::string(bytes); },
                           DecodeRequestText(request));
    return answer;
}
