#include "net/TCPClient.h"

#include "net/Exceptions.h"
#include "net/IOHandlerSocket.h"

namespace corvalet {

void TNetTCPClient::NotifyConnected() {
    if (OnConnected)
        OnConnected(*this);
}

void TNetTCPClient::Connect(int timeout) {
    constexpr int HighestPort = 65535;
    if (Port < 1 || Port > HighestPort)
        throw ENetInvalidPort(Port);
    if (BoundPort < 0 || BoundPort > HighestPort)
        throw ENetInvalidPort(BoundPort);
    if (Handler == nullptr) {
        OwnedHandler = std::make_unique<TNetIOHandlerSocket>();
        Handler = OwnedHandler.get();
    } else if (Handler->IsOpen()) {
        throw ENetAlreadyConnected();
    }
    // The handler made here reports resolving and connecting to the client's listener.
    if (OwnedHandler)
        Handler->OnStatus = OnStatus;
    try {
        Handler->Open();
        ResetInput();
        Handler->ConnectTo(Host, Port, timeout,
                           TNetLocalBinding{BoundIP, BoundPort, BoundPortMin, BoundPortMax});
        ReportStatus(TNetStatus::hsConnected, Host);
        NotifyConnected();
    } catch (...) {
        DropSocket();
        throw;
    }
}

} // namespace corvalet
