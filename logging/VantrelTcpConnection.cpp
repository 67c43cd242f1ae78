#include "VantrelTcpConnection.h"

#include <cstring>

#include "VRNetStack.h"
#include "VRNetTCPClient.h"

TVantrelTcpConnection::TVantrelTcpConnection() : FTcpClient(std::make_unique<TVRNetTCPClient>(nullptr)) {
  FTcpClient->SetHost(VRNetLoopbackHostName);
  FTcpClient->SetPort(VantrelDefaultTcpPort);
  FTcpClient->SetReadTimeout(ReplyTimeout);
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

  TVRNetLockScope lock(FTcpClientCriticalSection);
  FTcpClient->SetReadTimeout(ReplyTimeout);
  if (!FTcpClient->Connected()) ConnectClient();
  // Until the reply is read, a failure leaves the stream out of step: drop the connection
  // so that the next send starts a fresh one.
  TScopeExit dropOnFailure([this] { FTcpClient->Disconnect(); });
  TVRNetIOHandler* io = FTcpClient->IOHandler();
  {
    // One send for the whole frame. A frame cut short by a failing write would break the
    // framing of everything after it, so then nothing goes (the scope cancels).
    TVRNetWriteBufferScope frame(io);
    io->Write(static_cast<Integer>(VantrelPacketSignature));
    io->Write(type);
    io->Write(static_cast<Integer>(packet.size()));
    io->Write(&stream, 0);
    frame.Close();
  }
  const Integer reply = io->ReadLongInt();
  dropOnFailure.Dismiss();
  return reply;
}
