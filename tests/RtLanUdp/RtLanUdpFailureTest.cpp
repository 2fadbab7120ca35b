// Failures of the socket wrapper, forced through the fake socket calls.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>

#include "RtLanUdp.h"
#include "SocketFake.h"

using Platform::FakeSockets;
using Platform::SocketOption;

namespace {

class CudpFailures : public ::testing::Test {
 protected:
  FakeSockets m_fake;
  Platform::ScopedSockets m_installed{m_fake};
};

struct SendErrorCase {
  int error;
  const char* text;
};

void PrintTo(const SendErrorCase& value, std::ostream* out) {
  *out << value.error;
}

class CudpSendErrorTexts : public CudpFailures,
                           public ::testing::WithParamInterface<SendErrorCase> {};

TEST_P(CudpSendErrorTexts, AFailedSendLeavesTheErrorsText) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(7100, 7101, 0));
  m_fake.FailNext(FakeSockets::Call::SendTo, GetParam().error);
  EXPECT_EQ(udp.Send("x", 0x0100007F, 0), -1);
  EXPECT_STREQ(udp.GetErrorText(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    WinsockNumbers, CudpSendErrorTexts,
    ::testing::Values(
        SendErrorCase{10013, "WSAEACCES::Permission denied"},
        SendErrorCase{10014, "WSAEFAULT::Bad IP Address (over flow of a pointer ?)"},
        SendErrorCase{10036, "WSAEINPROGRESS::A blocking operation is currently executing"},
        SendErrorCase{10037, "WSAEALREADY::Operation already in progress"},
        SendErrorCase{10047, "WSAEAFNOSUPPORT::Address family not supported by protocol family"},
        SendErrorCase{10048, "WSAEADDRINUSE::Address already in use"},
        SendErrorCase{10049, "WSAEADDRNOTAVAIL::Cannot assign requested address"},
        SendErrorCase{10050, "WSAENETDOWN::Network is down"},
        SendErrorCase{10053, "WSAECONNABORTED::Software caused connection abort"},
        SendErrorCase{10054, "WSAECONNRESET::Connection reset by peer"},
        SendErrorCase{10061, "WSAECONNREFUSED::Connection refused"},
        SendErrorCase{10064, "WSAEHOSTDOWN::Host is down"},
        SendErrorCase{10065, "WSAEHOSTUNREACH::No route to the host"},
        SendErrorCase{10060, "10060"},  // WSAETIMEDOUT is not in the table
        SendErrorCase{10051, "10051"}, SendErrorCase{90, "90"}),
    [](const ::testing::TestParamInfo<SendErrorCase>& param) {
      return "Error" + std::to_string(param.param.error);
    });

TEST_F(CudpFailures, TheLastSendFailureOutlivesLaterSuccess) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(7100, 7101, 0));
  m_fake.FailNext(FakeSockets::Call::SendTo, 10065);
  EXPECT_EQ(udp.Send("x", 0x0100007F, 0), -1);
  EXPECT_EQ(udp.Send("x", 0x0100007F, 0), 1);
  EXPECT_STREQ(udp.GetErrorText(), "WSAEHOSTUNREACH::No route to the host");
}

TEST_F(CudpFailures, TheLastSendsErrorNumberIsKeptUntilTheNextSend) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(7100, 7101, 0));
  EXPECT_EQ(udp.LastSendError(), 0);
  m_fake.FailNext(FakeSockets::Call::SendTo, 10035);
  EXPECT_EQ(udp.Send("x", 0x0100007F, 0), -1);
  EXPECT_EQ(udp.LastSendError(), 10035);
  EXPECT_STREQ(udp.GetErrorText(), "10035");
  EXPECT_EQ(udp.Send("x", 0x0100007F, 0), 1);
  EXPECT_EQ(udp.LastSendError(), 0);
}

TEST_F(CudpFailures, NonBlockingModeIsASocketOption) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(7100, 7101, 0));
  EXPECT_EQ(m_fake.OptionValue(udp.GetSocket(), SocketOption::NonBlocking), 0);
  EXPECT_TRUE(udp.SetNonBlocking(true));
  EXPECT_EQ(m_fake.OptionValue(udp.GetSocket(), SocketOption::NonBlocking), 1);
  m_fake.FailOption(SocketOption::NonBlocking, 10013);
  EXPECT_FALSE(udp.SetNonBlocking(false));
  EXPECT_EQ(udp.GetErrorText(),
            "CUDP::SetNonBlocking\nError Creating Socket! " + std::string(std::strerror(EACCES)));
}

struct CreateStepCase {
  FakeSockets::Call call;
  SocketOption option;
  const char* function;
};

void PrintTo(const CreateStepCase& value, std::ostream* out) {
  *out << value.function;
}

class CudpCreateSteps : public CudpFailures,
                        public ::testing::WithParamInterface<CreateStepCase> {};

TEST_P(CudpCreateSteps, EachFailingStepIsNamed) {
  if (GetParam().call == FakeSockets::Call::SetOption) {
    m_fake.FailOption(GetParam().option, 10013);
  } else {
    m_fake.FailNext(GetParam().call, 10013);
  }
  CUDP udp;
  EXPECT_FALSE(udp.CreateSocket(7100, 7101, 0));
  std::string expected =
      std::string(GetParam().function) + "\nError Creating Socket! " + std::strerror(EACCES);
  EXPECT_EQ(udp.GetErrorText(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CudpCreateSteps,
    ::testing::Values(CreateStepCase{FakeSockets::Call::Open, SocketOption::ReuseAddress,
                                     "CUDP::CreateSocket"},
                      CreateStepCase{FakeSockets::Call::SetOption, SocketOption::ReuseAddress,
                                     "CUDP::CreateSocket Options"},
                      CreateStepCase{FakeSockets::Call::Bind, SocketOption::ReuseAddress,
                                     "CUDP::CreateSocket Binding Socket"},
                      CreateStepCase{FakeSockets::Call::SetOption, SocketOption::ReceiveBuffer,
                                     "CUDP::CreateSocket Options"},
                      CreateStepCase{FakeSockets::Call::SetOption, SocketOption::SendBuffer,
                                     "CUDP::CreateSocket Options"}));

TEST_F(CudpFailures, CreateSocketSharesThePortAndSizesBothBuffers) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(7100, 7101, 0));
  EXPECT_EQ(m_fake.BoundPort(udp.GetSocket()), 7100);
  EXPECT_EQ(m_fake.OptionValue(udp.GetSocket(), SocketOption::ReuseAddress), 1);
  EXPECT_EQ(m_fake.OptionValue(udp.GetSocket(), SocketOption::ReceiveBuffer), 40960);
  EXPECT_EQ(m_fake.OptionValue(udp.GetSocket(), SocketOption::SendBuffer), 40960);

  CUDP onePort;
  ASSERT_TRUE(onePort.CreateSocket(7200, 0));
  EXPECT_EQ(m_fake.BoundPort(onePort.GetSocket()), 7200);
  EXPECT_EQ(m_fake.OptionValue(onePort.GetSocket(), SocketOption::ReceiveBuffer), 0);
  EXPECT_EQ(m_fake.OptionValue(onePort.GetSocket(), SocketOption::SendBuffer), 40960);
}

TEST_F(CudpFailures, SetTimeoutSignalsFailureWithTrueAndSaysWhichOption) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(7100, 7101, 0));

  m_fake.FailOption(SocketOption::SendTimeout, 10013);
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(udp.SetTimeout(300));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error Setting Send Timeout");
  EXPECT_EQ(udp.GetTimeout(), 300);
  EXPECT_EQ(m_fake.OptionValue(udp.GetSocket(), SocketOption::ReceiveTimeout), 0);

  FakeSockets second;
  Platform::ScopedSockets installed(second);
  CUDP other;
  ASSERT_TRUE(other.CreateSocket(7100, 7101, 0));
  second.FailOption(SocketOption::ReceiveTimeout, 10013);
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(other.SetTimeout(300));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error Setting Receive Timeout");
  EXPECT_EQ(second.OptionValue(other.GetSocket(), SocketOption::SendTimeout), 300);
}

TEST_F(CudpFailures, TheEnvironmentStartsWithTheFirstInstanceAndStopsWithTheLast) {
  ASSERT_EQ(CSocketEnvironment::EnvironmentCount(), 0);
  ::testing::internal::CaptureStdout();
  auto* first = new CUDP();
  auto* second = new CUDP();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Environment Set\n");
  EXPECT_EQ(m_fake.EnvironmentStarts(), 1);
  EXPECT_EQ(CSocketEnvironment::EnvironmentCount(), 2);
  delete first;
  EXPECT_EQ(m_fake.EnvironmentStops(), 0);
  delete second;
  EXPECT_EQ(m_fake.EnvironmentStops(), 1);
  EXPECT_EQ(CSocketEnvironment::EnvironmentCount(), 0);
}

TEST_F(CudpFailures, AFailedEnvironmentStartIsPrintedAndCountedAllTheSame) {
  m_fake.FailNext(FakeSockets::Call::Start, 10050);
  ::testing::internal::CaptureStdout();
  {
    CUDP udp;
    EXPECT_EQ(CSocketEnvironment::EnvironmentCount(), 1);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Environment Set\nError Creating the Environment! (10050)\n");
}

TEST_F(CudpFailures, SendToHostResolvesNamesAndGivesUpOnUnknownOnes) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(7100, 7101, 0));
  m_fake.SetHost("station", Platform::AddressFromOctets(10, 0, 0, 3));
  EXPECT_EQ(udp.SendToHost("named", "station", 0), 5);
  ASSERT_EQ(m_fake.Sent().size(), 1u);
  EXPECT_EQ(m_fake.Sent()[0].peer.address, Platform::AddressFromOctets(10, 0, 0, 3));
  EXPECT_EQ(Platform::NetworkToHost16(m_fake.Sent()[0].peer.port), 7101);

  EXPECT_EQ(udp.SendToHost("lost", "nowhere", 0), -1);
  EXPECT_EQ(m_fake.Sent().size(), 1u);

  // A failed SendToHost leaves no send error behind.
  m_fake.FailNext(FakeSockets::Call::SendTo, 10065);
  EXPECT_EQ(udp.SendToHost("x", "127.0.0.1", 0), -1);
  EXPECT_STREQ(udp.GetErrorText(), "");
}

TEST_F(CudpFailures, WithoutASocketNothingIsSentOrRead) {
  CUDP never;
  m_fake.FailNext(FakeSockets::Call::Open, 10013);
  CUDP failed;
  EXPECT_FALSE(failed.CreateSocket(7100, 7101, 0));
  for (CUDP* udp : {&never, &failed}) {
    EXPECT_EQ(udp->GetSocket(), 0);
    EXPECT_EQ(udp->BytesAvailable(), 0u);
    char buffer[8];
    std::uint32_t sender = 0;
    EXPECT_EQ(udp->Receive(&sender, buffer, true, sizeof buffer), -1);
    EXPECT_EQ(udp->Send("x", 0x0100007F, 0), -1);
    EXPECT_STREQ(udp->GetErrorText(), "10038");
  }
  EXPECT_TRUE(m_fake.Sent().empty());
}

TEST_F(CudpFailures, AFailedWaitingByteQueryCountsAsNothingWaiting) {
  CUDP udp;
  ASSERT_TRUE(udp.CreateSocket(7100, 7101, 0));
  ASSERT_TRUE(m_fake.Deliver(7100, "data"));
  EXPECT_EQ(udp.BytesAvailable(), 4u);
  m_fake.FailBytesWaiting(true);
  EXPECT_EQ(udp.BytesAvailable(), 0u);
}

}  // namespace
