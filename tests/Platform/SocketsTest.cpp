// The socket layer's own answers: which addresses the system sends to as a
// broadcast, and errno in the Winsock numbering the socket wrapper reads.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "SocketApi.h"

namespace {

using Platform::AddressFromOctets;
using Platform::IsBroadcastAddress;

TEST(BroadcastAddress, IsWhatTheSystemSendsAsABroadcast) {
  EXPECT_TRUE(IsBroadcastAddress(Platform::InetAddr("255.255.255.255")));
  EXPECT_TRUE(IsBroadcastAddress(Platform::InetAddr("127.255.255.255")));
  EXPECT_FALSE(IsBroadcastAddress(AddressFromOctets(127, 0, 0, 1)));
  EXPECT_FALSE(IsBroadcastAddress(AddressFromOctets(127, 0, 0, 255)));  // a host of 127/8
  EXPECT_FALSE(IsBroadcastAddress(0));
}

TEST(WinsockNumbers, ErrnoIsReadInTheWinsockNumberingAndBack) {
  EXPECT_EQ(Platform::WinsockFromErrno(EHOSTUNREACH), 10065);
  EXPECT_EQ(Platform::WinsockFromErrno(EADDRINUSE), 10048);
  EXPECT_EQ(Platform::WinsockFromErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(Platform::WinsockFromErrno(EAGAIN), 10035);   // a full send buffer, non-blocking
  EXPECT_EQ(Platform::WinsockFromErrno(ENOENT), ENOENT);  // no counterpart: plain errno
  EXPECT_EQ(Platform::ErrnoFromWinsock(10065), EHOSTUNREACH);
  EXPECT_STREQ(Platform::SocketErrorText(10048), std::strerror(EADDRINUSE));
}

TEST(Addresses, DottedTextAndOctetsGiveTheSameNetworkOrderAddress) {
  EXPECT_EQ(Platform::InetAddr("10.1.2.3"), AddressFromOctets(10, 1, 2, 3));
  EXPECT_EQ(Platform::InetAddr("10.1.2"), AddressFromOctets(10, 1, 0, 2)) << "inet_addr's forms";
  EXPECT_EQ(Platform::InetAddr("ten.one"), Platform::kAddressNone);
  EXPECT_EQ(Platform::InetAddr(nullptr), Platform::kAddressNone);
  EXPECT_EQ(Platform::NetworkToHost16(Platform::HostToNetwork16(7001)), 7001);
}

}  // namespace
