// A socket wrapper whose socket was never opened (or failed to open) holds
// handle 0, which is the process's standard input. Here standard input is a
// UDP socket of the test's own, so that any operation reaching handle 0
// would really change or read it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <set>
#include <string>

#include "LoopbackPeer.h"
#include "RtLanUdp.h"

namespace {

// The system's socket calls, noting every handle they are given.
class HandleRecorder : public Platform::SocketApi {
 public:
  std::set<Platform::SocketHandle> handles;

  int StartEnvironment(std::uint16_t version) override {
    return System().StartEnvironment(version);
  }
  void StopEnvironment() override { System().StopEnvironment(); }
  Platform::SocketHandle OpenDatagramSocket() override {
    if (failOpen) return -1;
    return System().OpenDatagramSocket();
  }
  int Close(Platform::SocketHandle socket) override {
    handles.insert(socket);
    return System().Close(socket);
  }
  int SetOption(Platform::SocketHandle socket, Platform::SocketOption option, int value) override {
    handles.insert(socket);
    return System().SetOption(socket, option, value);
  }
  int GetOption(Platform::SocketHandle socket, Platform::SocketOption option, int* value) override {
    handles.insert(socket);
    return System().GetOption(socket, option, value);
  }
  int Bind(Platform::SocketHandle socket, const Platform::SocketAddress& address) override {
    handles.insert(socket);
    return System().Bind(socket, address);
  }
  int SendTo(Platform::SocketHandle socket, const void* data, int length,
             const Platform::SocketAddress& destination) override {
    handles.insert(socket);
    return System().SendTo(socket, data, length, destination);
  }
  int ReceiveFrom(Platform::SocketHandle socket, void* buffer, int size,
                  Platform::SocketAddress* source, bool peek) override {
    handles.insert(socket);
    return System().ReceiveFrom(socket, buffer, size, source, peek);
  }
  int ReceiveMessage(Platform::SocketHandle socket, void* buffer, int size,
                     Platform::SocketAddress* source, Platform::ReceiveDetails* details) override {
    handles.insert(socket);
    return System().ReceiveMessage(socket, buffer, size, source, details);
  }
  int BytesWaiting(Platform::SocketHandle socket, unsigned long* count) override {
    handles.insert(socket);
    return System().BytesWaiting(socket, count);
  }
  bool Readable(Platform::SocketHandle socket) override {
    handles.insert(socket);
    return System().Readable(socket);
  }
  int HostName(char* buffer, int size) override { return System().HostName(buffer, size); }
  bool ResolveHost(const char* name, std::uint32_t* address) override {
    return System().ResolveHost(name, address);
  }
  int LastError() override { return System().LastError(); }

  bool failOpen = false;

 private:
  static Platform::SocketApi& System() { return Platform::SystemSockets(); }
};

class CudpWithoutSocket : public ::testing::Test {
 protected:
  void SetUp() override {
    m_port = FreeUdpPorts(2);
    ASSERT_NE(m_port, 0);
    m_savedInput = ::dup(0);
    {
      LoopbackPeer input(m_port);
      ASSERT_TRUE(input.IsBound());
      ASSERT_EQ(::dup2(input.Handle(), 0), 0);
    }
    m_flags = ::fcntl(0, F_GETFL);
    int buffer = 4096;  // small, so that any size read from it is below a message buffer
    ASSERT_EQ(::setsockopt(0, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer), 0);
    ASSERT_EQ(::setsockopt(0, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer), 0);
    // A datagram waits on standard input; no operation may take it.
    LoopbackPeer sender(m_port + 1, LoopbackAddress());
    ASSERT_TRUE(sender.SendTo(m_port, "stdin's own"));
    ASSERT_TRUE(WaitReadable(0, LoopbackPeer::kArrival));
  }

  void TearDown() override {
    if (m_savedInput >= 0) {
      ::dup2(m_savedInput, 0);
      ::close(m_savedInput);
    } else {
      ::close(0);
    }
  }

  // Standard input as the test left it: no time-outs, same flags, its datagram queued.
  void ExpectStandardInputUntouched() {
    timeval timeout{};
    socklen_t length = sizeof timeout;
    ASSERT_EQ(::getsockopt(0, SOL_SOCKET, SO_SNDTIMEO, &timeout, &length), 0);
    EXPECT_EQ(timeout.tv_sec * 1000 + timeout.tv_usec / 1000, 0);
    length = sizeof timeout;
    ASSERT_EQ(::getsockopt(0, SOL_SOCKET, SO_RCVTIMEO, &timeout, &length), 0);
    EXPECT_EQ(timeout.tv_sec * 1000 + timeout.tv_usec / 1000, 0);
    EXPECT_EQ(::fcntl(0, F_GETFL), m_flags);
    char buffer[64] = {};
    ssize_t count = ::recv(0, buffer, sizeof buffer, MSG_PEEK | MSG_DONTWAIT);
    EXPECT_EQ(std::string(buffer, count > 0 ? static_cast<std::size_t>(count) : 0u), "stdin's own");
  }

  // Every operation of the wrapper, each as it would be called in use.
  void RunEveryOperation(CUDP& udp) {
    LoopbackPeer listener(m_port + 1, LoopbackAddress());
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(udp.SetTimeout(5));  // true: failure
    EXPECT_EQ(udp.BytesAvailable(), 0u);
    EXPECT_EQ(udp.Send("x", LoopbackAddress(), 0), -1);
    EXPECT_EQ(udp.Send("x", 0, 0), -1);
    EXPECT_EQ(udp.SendToHost("x", "127.0.0.1", 0), -1);
    EXPECT_EQ(udp.SendLarge("x", LoopbackAddress(), 0), -1);
    std::string large(100000, 'L');
    EXPECT_EQ(udp.SendLarge(large.data(), LoopbackAddress(), static_cast<int>(large.size())), -1);
    std::uint32_t sender = 0;
    char small[16] = {};
    static char big[CUDP::kBufferSize];
    EXPECT_EQ(udp.Receive(&sender, small, true, sizeof small), -1);
    EXPECT_EQ(udp.Peek(&sender, small, true, sizeof small), -1);
    EXPECT_EQ(udp.ReceiveLarge(&sender, small, true, sizeof small), -1);
    EXPECT_EQ(udp.ReceiveLarge(&sender, big, true, sizeof big), -1);
    EXPECT_FALSE(udp.SetNonBlocking(true));
    EXPECT_NE(udp.GetErrorText(), nullptr);
    std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.find("Error Setting Send Timeout"), 0u) << printed;
    std::string nothing;
    EXPECT_FALSE(listener.Next(nothing));
  }

  int m_port = 0;
  int m_savedInput = -1;
  int m_flags = 0;
};

TEST_F(CudpWithoutSocket, NoOperationOfANeverOpenedSocketReachesHandleZero) {
  HandleRecorder recorder;
  {
    Platform::ScopedSockets installed(recorder);
    CUDP never;
    RunEveryOperation(never);
  }
  EXPECT_EQ(recorder.handles.count(0), 0u);
  ExpectStandardInputUntouched();
}

TEST_F(CudpWithoutSocket, NoOperationAfterAFailedOpenReachesHandleZero) {
  HandleRecorder recorder;
  recorder.failOpen = true;
  {
    Platform::ScopedSockets installed(recorder);
    CUDP failed;
    EXPECT_FALSE(failed.CreateSocket(static_cast<std::uint16_t>(m_port + 1), 0, 0));
    EXPECT_FALSE(failed.CreateSocket(static_cast<std::uint16_t>(m_port + 1), 0));
    RunEveryOperation(failed);
  }
  EXPECT_EQ(recorder.handles.count(0), 0u);
  ExpectStandardInputUntouched();
}

}  // namespace
