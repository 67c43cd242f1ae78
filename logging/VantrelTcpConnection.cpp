#include "VantrelTcpConnection.h"

#include <cstring>

#include "VRNetStack.h"
#include "VRNetTCPClient.h"

TVantrelTcpConnection::TVantrelTcpConnection() : FTcpClient(std::make_unique<TVRNetTCPClient>(nullptr)) {
  FTcpClient->SetHost(VRNetLoopbackHostName);
  FTcpClient->SetPort(VantrelDefaultTcpPort);
}

TVantrelTcpConnection::TVantrelTcpConnection(const String& Host) : TVantrelTcpConnection() {
  FTcpClient->SetHost(Host);
}

TVantrelTcpConnection::TVantrelTcpConnection(const String& Host, Integer Port) : TVantrelTcpConnection(Host) {
  FTcpClient->SetPort(static_cast<Word>(Port));
}

TVantrelTcpConnection::~TVantrelTcpConnection() {
  ReleaseDispatchIDs();
  try {
    if (FTcpClient->Connected()) FTcpClient->Disconnect();
  } catch (const Exception&) {
    // Going away: a connection that fails while closing has nothing left to deliver.
  }
}

void TVantrelTcpConnection::ConnectClient() { FTcpClient->Connect(); }

Integer TVantrelTcpConnection::SendPackedMessage(TVantrelMessage* Msg) {
  const std::vector<Byte> packet = PackMessage(*Msg);
  TMemoryStream stream;
  stream.WriteBuffer(packet.data(), static_cast<Integer>(packet.size()));
  Integer type = 0;
  std::memcpy(&type, packet.data(), 4);

  FTcpClientCriticalSection.Enter();
  try {
    if (!FTcpClient->Connected()) ConnectClient();
    TVRNetIOHandler* io = FTcpClient->IOHandler();
    io->WriteBufferOpen();
    try {
      io->Write(static_cast<Integer>(VantrelPacketSignature));
      io->Write(type);
      io->Write(static_cast<Integer>(packet.size()));
      io->Write(&stream, 0);
    } catch (...) {
      // A frame cut short would break the framing of everything after it: nothing goes.
      io->WriteBufferCancel();
      throw;
    }
    io->WriteBufferClose();
    const Integer result = io->ReadLongInt();
    FTcpClientCriticalSection.Leave();
    return result;
  } catch (...) {
    FTcpClientCriticalSection.Leave();
    throw;
  }
}
