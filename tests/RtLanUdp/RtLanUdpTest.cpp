// The socket wrapper on real loopback sockets and free test ports.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ClockFake.h"
#include "LoopbackPeer.h"
#include "RtLanUdp.h"

namespace {

class CudpOnLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    m_local = FreeUdpPorts(3);
    ASSERT_NE(m_local, 0);
    m_remote = m_local + 1;
    m_spare = m_local + 2;
  }

  // Waits for the wrapper's socket to hold a datagram.
  static bool Arrived(CUDP& udp) { return WaitReadable(udp.GetSocket(), LoopbackPeer::kArrival); }

  int m_local = 0;
  int m_remote = 0;
  int m_spare = 0;
};

TEST_F(CudpOnLoopback, SendGoesFromTheLocalPortToTheRemotePort) {
  LoopbackPeer peer(m_remote);
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, 0));

  EXPECT_EQ(udp.Send("hello", LoopbackAddress(), 0), 5);  // length 0: the text without terminator
  std::string bytes;
  UdpSource source;
  ASSERT_TRUE(peer.Receive(bytes, LoopbackPeer::kArrival, &source));
  EXPECT_EQ(bytes, "hello");
  EXPECT_EQ(source.port, m_local);

  EXPECT_EQ(udp.Send("hello", LoopbackAddress(), 6), 6);  // an explicit length is sent as given
  ASSERT_TRUE(peer.Receive(bytes));
  EXPECT_EQ(bytes, std::string("hello", 6));
}

TEST_F(CudpOnLoopback, SendToAddressZeroAfterCreateGoesToTheBindAddressAndLocalPort) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, LoopbackAddress()));
  EXPECT_EQ(udp.Send("self", 0, 0), 4);
  ASSERT_TRUE(Arrived(udp));
  EXPECT_EQ(udp.BytesAvailable(), 4u);
  char buffer[64] = {};
  std::uint32_t sender = 0;
  EXPECT_EQ(udp.Receive(&sender, buffer, true, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "self");
  EXPECT_EQ(sender, LoopbackAddress());
}

TEST_F(CudpOnLoopback, SendToAddressZeroAfterReceiveAnswersTheSenderAtItsPort) {
  LoopbackPeer peer(m_spare);
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, 0));
  ASSERT_TRUE(peer.SendTo(m_local, "question"));
  ASSERT_TRUE(Arrived(udp));
  char buffer[64];
  std::uint32_t sender = 0;
  ASSERT_EQ(udp.Receive(&sender, buffer, true, sizeof buffer), 8);

  EXPECT_EQ(udp.Send("answer", 0, 0), 6);
  std::string bytes;
  ASSERT_TRUE(peer.Receive(bytes));
  EXPECT_EQ(bytes, "answer");
}

TEST_F(CudpOnLoopback, RemotePortZeroIsTakenFromTheFirstSenderOnly) {
  LoopbackPeer first(m_remote);
  LoopbackPeer second(m_spare);
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, 0, 0));
  EXPECT_EQ(udp.GetRemotePort(), 0);
  char buffer[64];
  std::uint32_t sender = 0;

  ASSERT_TRUE(first.SendTo(m_local, "one"));
  ASSERT_TRUE(Arrived(udp));
  ASSERT_EQ(udp.Receive(&sender, buffer, true, sizeof buffer), 3);
  EXPECT_EQ(udp.GetRemotePort(), m_remote);

  ASSERT_TRUE(second.SendTo(m_local, "two"));
  ASSERT_TRUE(Arrived(udp));
  ASSERT_EQ(udp.Receive(&sender, buffer, true, sizeof buffer), 3);
  EXPECT_EQ(udp.GetRemotePort(), m_remote);
}

TEST_F(CudpOnLoopback, ANonZeroRemotePortNeverChanges) {
  LoopbackPeer peer(m_spare);
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, 0));
  ASSERT_TRUE(peer.SendTo(m_local, "hi"));
  ASSERT_TRUE(Arrived(udp));
  char buffer[16];
  std::uint32_t sender = 0;
  ASSERT_EQ(udp.Receive(&sender, buffer, true, sizeof buffer), 2);
  EXPECT_EQ(udp.GetRemotePort(), m_remote);
}

TEST_F(CudpOnLoopback, PeekLeavesTheDatagramForTheNextReceive) {
  LoopbackPeer peer(m_spare);
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, 0, 0));
  ASSERT_TRUE(peer.SendTo(m_local, "peeked"));
  ASSERT_TRUE(Arrived(udp));
  char buffer[16] = {};
  std::uint32_t sender = 12345;
  EXPECT_EQ(udp.Peek(&sender, buffer, false, sizeof buffer), 6);
  EXPECT_EQ(std::string(buffer, 6), "peeked");
  EXPECT_EQ(sender, 12345u);          // Peek reports no sender
  EXPECT_EQ(udp.GetRemotePort(), 0);  // and adopts no port
  EXPECT_EQ(udp.BytesAvailable(), 6u);
  EXPECT_EQ(udp.Receive(&sender, buffer, true, sizeof buffer), 6);
  EXPECT_EQ(udp.BytesAvailable(), 0u);
}

TEST_F(CudpOnLoopback, BytesAvailableGivesTheNextDatagramAndSkipsEmptyOnes) {
  LoopbackPeer peer(m_spare);
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, 0, 0));
  EXPECT_EQ(udp.BytesAvailable(), 0u);

  // An empty datagram would report 0 bytes and hide the one behind it.
  ASSERT_TRUE(peer.SendTo(m_local, ""));
  ASSERT_TRUE(peer.SendTo(m_local, "abc"));
  ASSERT_TRUE(Arrived(udp));
  unsigned long waiting = 0;
  for (int i = 0; i < 1000 && waiting == 0; ++i) {
    waiting = udp.BytesAvailable();
    if (waiting == 0) WaitReadable(udp.GetSocket(), std::chrono::milliseconds(10));
  }
  EXPECT_EQ(waiting, 3u);
}

TEST_F(CudpOnLoopback, ALongDatagramIsCutToTheBuffer) {
  LoopbackPeer peer(m_spare);
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, 0, 0));
  ASSERT_TRUE(peer.SendTo(m_local, std::string(100, 'x')));
  ASSERT_TRUE(Arrived(udp));
  char buffer[10];
  std::uint32_t sender = 0;
  EXPECT_EQ(udp.Receive(&sender, buffer, true, sizeof buffer), 10);
}

TEST_F(CudpOnLoopback, TwoSocketsCanBindOnePort) {
  CUDP first;
  CUDP second;
  EXPECT_TRUE(first.CreateSocket(m_local, m_remote, 0));
  EXPECT_TRUE(second.CreateSocket(m_local, m_remote, 0));
  EXPECT_NE(first.GetSocket(), second.GetSocket());
}

TEST_F(CudpOnLoopback, BindingAPortHeldWithoutSharingFailsAtTheBindStep) {
  LoopbackPeer holder(m_local);  // no SO_REUSEADDR, as a ViewSync receiver may hold its port
  ASSERT_TRUE(holder.IsBound());
  CUDP udp;
  EXPECT_FALSE(udp.CreateSocket(m_local, m_remote, 0));
  EXPECT_STREQ(udp.GetErrorText(),
               "CUDP::CreateSocket Binding Socket\nError Creating Socket! Address already in use");
}

TEST_F(CudpOnLoopback, OnePortFormBindsAndAddressesThatPort) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, LoopbackAddress()));
  EXPECT_EQ(udp.GetRemotePort(), m_local);
  EXPECT_EQ(udp.Send("loop", LoopbackAddress(), 0), 4);
  ASSERT_TRUE(Arrived(udp));
  EXPECT_EQ(udp.BytesAvailable(), 4u);
}

TEST_F(CudpOnLoopback, SetTimeoutReportsSuccessAsFalse) {
  CUDP udp;
  EXPECT_EQ(udp.GetTimeout(), 1000);
  ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, 0));
  EXPECT_FALSE(udp.SetTimeout(250));
  EXPECT_EQ(udp.GetTimeout(), 250);
}

TEST_F(CudpOnLoopback, SendToHostWithADottedAddressUsesTheRemotePort) {
  LoopbackPeer peer(m_remote);
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, 0));
  EXPECT_EQ(udp.SendToHost("dotted", "127.0.0.1", 0), 6);
  std::string bytes;
  ASSERT_TRUE(peer.Receive(bytes));
  EXPECT_EQ(bytes, "dotted");
}

TEST_F(CudpOnLoopback, DestructionClosesTheSocket) {
  {
    CUDP udp;
    ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, 0));
    EXPECT_FALSE(UdpPortFree(m_local));
  }
  EXPECT_TRUE(UdpPortFree(m_local));
}

TEST_F(CudpOnLoopback, ASecondCreateSocketReplacesTheFirst) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, 0));
  ASSERT_TRUE(udp.CreateSocket(m_spare, m_remote, 0));
  EXPECT_TRUE(UdpPortFree(m_local));
}

// Large messages between the wrapper and a peer on plain sockets. The
// receiver's waits run on a stepped clock: each time ReceiveLarge finds
// nothing waiting, the peer sends its next fragment.
class LargeOnLoopback : public CudpOnLoopback {
 protected:
  void SetUp() override {
    CudpOnLoopback::SetUp();
    ASSERT_TRUE(m_receiver.CreateSocket(m_local, m_remote, LoopbackAddress()));
    m_receiver.SetClock(m_clock);
    m_clock.AfterEachSleep([this] {
      if (m_next < m_fragments.size()) m_peer.SendTo(m_local, m_fragments[m_next++]);
    });
  }

  // The message as the fragments of the wire format: 40,959 bytes and a
  // 0xFF marker each, then the rest alone.
  static std::vector<std::string> Fragments(const std::string& message) {
    std::vector<std::string> fragments;
    std::size_t offset = 0;
    for (; message.size() - offset > 40959; offset += 40959) {
      fragments.push_back(message.substr(offset, 40959) + '\xFF');
    }
    fragments.push_back(message.substr(offset));
    return fragments;
  }

  static std::string Message(std::size_t size) {
    std::string message(size, '\0');
    for (std::size_t i = 0; i < size; ++i) message[i] = static_cast<char>(i * 7 % 251);
    return message;
  }

  int ReceiveLarge() {
    static char buffer[CUDP::kBufferSize];
    std::uint32_t address = 0;
    return m_receiver.ReceiveLarge(&address, buffer, true, sizeof buffer);
  }

  LoopbackPeer m_peer;
  Platform::FakeClock m_clock;
  CUDP m_receiver;
  std::vector<std::string> m_fragments;
  std::size_t m_next = 0;
};

TEST_F(LargeOnLoopback, AMessageFromAPlainSocketPeerArrivesByteForByte) {
  const std::string message = Message(100000);
  m_fragments = Fragments(message);
  ASSERT_EQ(m_fragments.size(), 3u);
  EXPECT_EQ(ReceiveLarge(), 99999);
  ASSERT_NE(m_receiver.LargeMessage(), nullptr);
  EXPECT_EQ(std::string(m_receiver.LargeMessage(), 100000), message);
}

TEST_F(LargeOnLoopback, SendLargePutsTheWireFormatOnTheWire) {
  CUDP sender;
  ASSERT_TRUE(sender.CreateSocket(m_remote, m_peer.Port(), LoopbackAddress()));
  const std::string message = Message(100000);
  EXPECT_EQ(sender.SendLarge(message.data(), LoopbackAddress(), 100000), 100002);
  std::vector<std::string> caught;
  for (std::string bytes; caught.size() < 3 && m_peer.Receive(bytes);) caught.push_back(bytes);
  EXPECT_EQ(caught, Fragments(message));
}

TEST_F(LargeOnLoopback, AFragmentDroppedByAFullReceiveBufferFailsTheMessage) {
  // Six middle fragments sent before the receiver reads: its buffer holds two.
  const std::string message = Message(8 * 40959 + 100);
  std::vector<std::string> all = Fragments(message);
  for (std::size_t i = 0; i + 1 < all.size(); ++i) ASSERT_TRUE(m_peer.SendTo(m_local, all[i]));
  m_fragments = {all.back()};
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(ReceiveLarge(), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error Incomplete Message");
  EXPECT_EQ(m_receiver.LargeMessage(), nullptr);
  EXPECT_EQ(
      std::string(m_receiver.GetErrorText()).rfind("Incomplete message: the socket dropped", 0), 0u)
      << m_receiver.GetErrorText();
}

TEST_F(CudpOnLoopback, ANonBlockingSocketSaysSo) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(m_local, m_remote, 0));
  EXPECT_EQ(::fcntl(udp.GetSocket(), F_GETFL) & O_NONBLOCK, 0);
  EXPECT_TRUE(udp.SetNonBlocking(true));
  EXPECT_NE(::fcntl(udp.GetSocket(), F_GETFL) & O_NONBLOCK, 0);
  EXPECT_EQ(udp.Send("still sends", LoopbackAddress(), 0), 11);
  EXPECT_TRUE(udp.SetNonBlocking(false));
  EXPECT_EQ(::fcntl(udp.GetSocket(), F_GETFL) & O_NONBLOCK, 0);
}

}  // namespace
