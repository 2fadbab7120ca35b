// Fragmenting sends and reassembling receives, through the fake socket calls
// so that fragments cannot be lost to a full receive buffer.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "ClockFake.h"
#include "RtLanUdp.h"
#include "SocketFake.h"

using Platform::FakeSockets;
using Platform::SocketOption;

namespace {

class CudpLarge : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_sender.CreateSocket(7100, 7101, 0));
    ASSERT_TRUE(m_receiver.CreateSocket(7101, 7100, 0));
    m_receiver.SetClock(m_clock);
  }

  static std::string Message(std::size_t size) {
    std::string message(size, '\0');
    for (std::size_t i = 0; i < size; ++i) message[i] = static_cast<char>('a' + i % 23);
    return message;
  }

  // Hands every recorded send to the receiving socket.
  void DeliverSent() {
    for (const FakeSockets::Datagram& sent : m_fake.Sent()) m_fake.Deliver(7101, sent.bytes);
    m_fake.ClearSent();
  }

  FakeSockets m_fake;
  Platform::ScopedSockets m_installed{m_fake};
  Platform::FakeClock m_clock;
  CUDP m_sender;
  CUDP m_receiver;
  char m_buffer[CUDP::kBufferSize] = {};
  std::uint32_t m_address = 0;
};

TEST_F(CudpLarge, ASmallMessageGoesInOneDatagramWithItsTerminator) {
  EXPECT_EQ(m_sender.SendLarge("short", 0x0100007F, 0), 6);
  ASSERT_EQ(m_fake.Sent().size(), 1u);
  EXPECT_EQ(m_fake.Sent()[0].bytes, std::string("short", 6));
}

TEST_F(CudpLarge, ALargeMessageIsCutIntoMarkedFragmentsAndAPlainRest) {
  std::string message = Message(100000);
  EXPECT_EQ(m_sender.SendLarge(message.data(), 0x0100007F, 100000), 40960 + 40960 + 18082);
  const auto& sent = m_fake.Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].bytes, message.substr(0, 40959) + '\xFF');
  EXPECT_EQ(sent[1].bytes, message.substr(40959, 40959) + '\xFF');
  EXPECT_EQ(sent[2].bytes, message.substr(81918));
}

TEST_F(CudpLarge, ReceiveLargeReassemblesTheMessage) {
  std::string message = Message(100000);
  ASSERT_GT(m_sender.SendLarge(message.data(), 0x0100007F, 100000), 0);
  DeliverSent();
  EXPECT_EQ(m_receiver.ReceiveLarge(&m_address, m_buffer, true, sizeof m_buffer), 99999);
  ASSERT_NE(m_receiver.LargeMessage(), nullptr);
  EXPECT_EQ(std::string(m_receiver.LargeMessage(), 100000), message);
}

TEST_F(CudpLarge, EachReceiveLargeReleasesThePreviousMessage) {
  std::string first = Message(50000);
  std::string second(60000, 'z');
  ASSERT_GT(m_sender.SendLarge(first.data(), 0x0100007F, 50000), 0);
  ASSERT_GT(m_sender.SendLarge(second.data(), 0x0100007F, 60000), 0);
  DeliverSent();
  EXPECT_EQ(m_receiver.ReceiveLarge(&m_address, m_buffer, true, sizeof m_buffer), 49999);
  EXPECT_EQ(std::string(m_receiver.LargeMessage(), 50000), first);
  EXPECT_EQ(m_receiver.ReceiveLarge(&m_address, m_buffer, true, sizeof m_buffer), 59999);
  EXPECT_EQ(std::string(m_receiver.LargeMessage(), 60000), second);
  // The sanitizer build reports the first message if it was abandoned.
}

TEST_F(CudpLarge, ReceiveLargeGivesUpAfterTheTimeoutWhenNothingCame) {
  std::uint32_t start = m_clock.Milliseconds();
  EXPECT_EQ(m_receiver.ReceiveLarge(&m_address, m_buffer, true, sizeof m_buffer), 0);
  EXPECT_GT(m_clock.Milliseconds() - start, 1000u);
  EXPECT_LT(m_clock.Milliseconds() - start, 1100u);
}

// Fragments a message never ends with: the time-out's 0 with nothing handed
// out, or a failure for what the socket can tell; the CreateSocket text stays.
TEST_F(CudpLarge, AMessageThatDoesNotComeWholeIsNeverHandedOut) {
  const std::string marked = std::string(40959, 'm') + '\xFF';
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, int>> fragments;  // bytes, source port
    int result;
    const char* reason;
  } cases[] = {
      {"last fragment never comes", {{marked, 40000}, {marked, 40000}}, 0, ""},
      {"fragment from another sender",
       {{marked, 40000}, {"end", 40001}},
       -1,
       "Incomplete message: a fragment from 127.0.0.1:40001 inside a message from 127.0.0.1:40000"},
      {"marked fragment shorter than the buffer",
       {{marked, 40000}, {"short\xFF", 40000}},
       -1,
       "Incomplete message: a marked fragment of 6 bytes, not 40960"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CUDP receiver;
    ASSERT_TRUE(receiver.CreateSocket(7102, 7100, 0));
    receiver.SetClock(m_clock);
    for (const auto& fragment : c.fragments) {
      m_fake.Deliver(7102, fragment.first, 0x0100007F, fragment.second);
    }
    std::strcpy(m_buffer, "stale");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(receiver.ReceiveLarge(&m_address, m_buffer, true, sizeof m_buffer), c.result);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              c.result == -1 ? "Error Incomplete Message" : "");
    EXPECT_EQ(m_buffer[0], '\0');
    EXPECT_EQ(receiver.LargeMessage(), nullptr);
    EXPECT_STREQ(receiver.GetErrorText(), c.reason);
  }
}

TEST_F(CudpLarge, ASingleDatagramIsAWholeMessage) {
  ASSERT_EQ(m_sender.SendLarge("one datagram", 0x0100007F, 0), 13);
  DeliverSent();
  EXPECT_EQ(m_receiver.ReceiveLarge(&m_address, m_buffer, true, sizeof m_buffer), 12);
  EXPECT_STREQ(m_receiver.LargeMessage(), "one datagram");
}

TEST_F(CudpLarge, ASmallBufferMakesReceiveLargeAPlainReceive) {
  m_fake.Deliver(7101, "plain", 0x0200007F);
  char small[100] = {};
  m_address = 99;
  EXPECT_EQ(m_receiver.ReceiveLarge(&m_address, small, false, sizeof small), 5);
  EXPECT_EQ(std::string(small), "plain");
  EXPECT_EQ(m_address, 0x0200007Fu);
}

TEST_F(CudpLarge, AFailedFragmentEndsTheSend) {
  std::string message = Message(100000);
  m_fake.FailNext(FakeSockets::Call::SendTo, 10054);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(m_sender.SendLarge(message.data(), 0x0100007F, 100000), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error Sending Message");
  EXPECT_TRUE(m_fake.Sent().empty());
}

TEST_F(CudpLarge, AnUnreadableBufferSizeStopsBothDirections) {
  m_fake.FailOption(SocketOption::SendBuffer, 10013);
  m_fake.FailOption(SocketOption::ReceiveBuffer, 10013);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(m_sender.SendLarge("x", 0x0100007F, 0), -1);
  EXPECT_EQ(m_receiver.ReceiveLarge(&m_address, m_buffer, true, sizeof m_buffer), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error Maximum Buffer SizeError Maximum Buffer Size");
}

TEST_F(CudpLarge, AFailedFragmentReceiveEmptiesTheCallersBuffer) {
  m_buffer[0] = 'q';
  m_fake.Deliver(7101, "fragment");
  m_fake.FailNext(FakeSockets::Call::ReceiveFrom, 10054);
  EXPECT_EQ(m_receiver.ReceiveLarge(&m_address, m_buffer, true, sizeof m_buffer), -1);
  EXPECT_EQ(m_buffer[0], '\0');
}

}  // namespace
