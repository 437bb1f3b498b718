#include "platform/tcp_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tarvik::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;

#ifdef _WIN32
constexpr OsError kRefused = 10061;      // WSAECONNREFUSED
constexpr OsError kTimedOut = 10060;     // WSAETIMEDOUT
constexpr OsError kInterrupted = 10004;  // WSAEINTR
#else
constexpr OsError kRefused = 111;    // ECONNREFUSED
constexpr OsError kTimedOut = 110;   // ETIMEDOUT
constexpr OsError kInterrupted = 4;  // EINTR
#endif

Deadline In(milliseconds ms) {
  return steady_clock::now() + ms;
}

// A connected pair over loopback: the client made by ConnectTcp, the server
// end by the listener.
class TcpPair : public ::testing::Test {
 protected:
  void SetUp() override {
    OsError error = 0;
    listener_ = ListenTcp("127.0.0.1", 0, &error);
    ASSERT_NE(listener_, nullptr) << SystemErrorText(error);
    ASSERT_NE(listener_->port(), 0);
    std::string what;
    client_ = ConnectTcp("127.0.0.1", listener_->port(), In(seconds(10)), &error, &what);
    ASSERT_NE(client_, nullptr) << what << ": " << SystemErrorText(error);
    server_ = listener_->Accept(In(seconds(10)), &error);
    ASSERT_NE(server_, nullptr) << SystemErrorText(error);
  }

  // Everything sent until `count` bytes arrived at `to`, taken `chunk` bytes
  // at most at a time.
  static std::string ReceiveAll(TcpSocket& to, std::size_t count, std::size_t chunk = 4096) {
    std::string got;
    std::vector<char> buffer(chunk);
    while (got.size() < count) {
      OsError error = 0;
      WaitResult w = to.WaitReadable(In(seconds(10)), &error);
      std::size_t n = 0;
      IoStatus s =
          w == WaitResult::kReady ? to.Receive(buffer.data(), chunk, &n, &error) : IoStatus::kError;
      if (s != IoStatus::kOk) {
        ADD_FAILURE() << "wait ended with " << static_cast<int>(w) << ", receive with "
                      << static_cast<int>(s);
        break;
      }
      got.append(buffer.data(), n);
    }
    return got;
  }
  // The status of sending `bytes`; all of them are sent exactly when it is kOk.
  static IoStatus Send(TcpSocket& from, const std::string& bytes,
                       milliseconds limit = seconds(10)) {
    std::size_t sent = 0;
    OsError error = 0;
    IoStatus status = from.Send(bytes.data(), bytes.size(), &sent, In(limit), &error);
    EXPECT_EQ(sent == bytes.size(), status == IoStatus::kOk) << sent << " of " << bytes.size();
    return status;
  }
  // A waiter on the client, woken by `wake`; what its wait ended with.
  WaitResult WakeWaiter(void (TcpSocket::*wake)()) {
    OsError error = 0;
    WaitResult result = WaitResult::kReady;
    std::thread waiter([&] { result = client_->WaitReadable(std::nullopt, &error); });
    std::this_thread::sleep_for(milliseconds(50));
    ((*client_).*wake)();
    waiter.join();
    return result;
  }

  std::unique_ptr<TcpListener> listener_;
  std::unique_ptr<TcpSocket> client_;
  std::unique_ptr<TcpSocket> server_;
};

TEST_F(TcpPair, BytesArriveUnchangedBothWays) {
  const std::string request("\xD9\x01\x10\xC8\x4E\xFF\xFF\x00\x02", 9);
  ASSERT_EQ(Send(*client_, request), IoStatus::kOk);
  EXPECT_EQ(ReceiveAll(*server_, request.size()), request);
  // More than the socket buffers hold at once: sending and receiving overlap.
  std::string reply;
  for (int i = 0; i < 300000; ++i) reply += static_cast<char>(i * 7 % 256);
  std::string got;
  std::thread reader([&] { got = ReceiveAll(*client_, reply.size()); });
  EXPECT_EQ(Send(*server_, reply, seconds(30)), IoStatus::kOk);
  reader.join();
  EXPECT_TRUE(got == reply) << "received " << got.size() << " of " << reply.size() << " bytes";
}

TEST_F(TcpPair, ReceiveTakesWhatIsThereAndReadinessLastsUntilEveryByteIsTaken) {
  char buffer[16];
  std::size_t got = 99;
  OsError error = 0;
  EXPECT_EQ(client_->Receive(buffer, sizeof buffer, &got, &error), IoStatus::kOk);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(client_->WaitReadable(steady_clock::now(), &error), WaitResult::kTimeout);
  ASSERT_EQ(Send(*server_, "abcdef"), IoStatus::kOk);
  ASSERT_EQ(client_->WaitReadable(In(seconds(10)), &error), WaitResult::kReady);
  EXPECT_EQ(client_->WaitReadable(In(seconds(10)), &error), WaitResult::kReady);
  EXPECT_EQ(ReceiveAll(*client_, 6, 2), "abcdef");
  // Consumed: nothing is readable any more.
  EXPECT_EQ(client_->WaitReadable(steady_clock::now(), &error), WaitResult::kTimeout);
}

TEST_F(TcpPair, PeerCloseIsReadableAndReadsAsHangUp) {
  ASSERT_EQ(Send(*server_, "xy"), IoStatus::kOk);
  server_.reset();
  // What was sent before the close still arrives, then the close.
  EXPECT_EQ(ReceiveAll(*client_, 2), "xy");
  OsError error = 0;
  ASSERT_EQ(client_->WaitReadable(In(seconds(10)), &error), WaitResult::kReady);
  char buffer[8];
  std::size_t got = 0;
  EXPECT_EQ(client_->Receive(buffer, sizeof buffer, &got, &error), IoStatus::kHangUp);
  EXPECT_EQ(got, 0u);
}

TEST_F(TcpPair, InterruptWakesAWaitNowOrTheNextOne) {
  EXPECT_EQ(WakeWaiter(&TcpSocket::Interrupt), WaitResult::kInterrupted);
  // Set before the wait starts, it ends that wait once, and only that one.
  client_->Interrupt();
  OsError error = 0;
  EXPECT_EQ(client_->WaitReadable(std::nullopt, &error), WaitResult::kInterrupted);
  EXPECT_EQ(client_->WaitReadable(steady_clock::now(), &error), WaitResult::kTimeout);
}

TEST_F(TcpPair, ShutdownWakesTheWaiterAndThePeerSeesTheClose) {
  WaitResult result = WakeWaiter(&TcpSocket::Shutdown);
  EXPECT_TRUE(result == WaitResult::kInterrupted || result == WaitResult::kReady)
      << static_cast<int>(result);
  char buffer[8];
  std::size_t got = 0;
  OsError error = 0;
  ASSERT_EQ(server_->WaitReadable(In(seconds(10)), &error), WaitResult::kReady);
  EXPECT_EQ(server_->Receive(buffer, sizeof buffer, &got, &error), IoStatus::kHangUp);
  // The shut-down end reads as closed, too, and sends nothing more.
  EXPECT_EQ(client_->Receive(buffer, sizeof buffer, &got, &error), IoStatus::kHangUp);
  EXPECT_NE(Send(*client_, "z", seconds(1)), IoStatus::kOk);
}

TEST_F(TcpPair, SendToAPeerThatDoesNotReadStopsAtTheDeadline) {
  std::string big(64 << 20, 'x');
  std::size_t sent = 0;
  OsError error = 0;
  EXPECT_EQ(client_->Send(big.data(), big.size(), &sent, In(milliseconds(300)), &error),
            IoStatus::kTimeout);
  EXPECT_GT(sent, 0u);
  EXPECT_LT(sent, big.size());
}

TEST(TcpConnect, AddressThatIsNoIpv4AddressFailsBeforeAnySocket) {
  for (const char* address : {"192.168.0", "192.168.0.256", "pokladna", ""}) {
    OsError error = 0;
    std::string what;
    EXPECT_EQ(ConnectTcp(address, 14000, In(seconds(1)), &error, &what), nullptr) << address;
    EXPECT_EQ(what, "address") << address;
    EXPECT_NE(error, 0u) << address;
    EXPECT_EQ(ListenTcp(address, 0, &error), nullptr) << address;
  }
}

TEST(TcpListen, AcceptEndsAtTheDeadlineOrOnInterruptAndAClosedPortRefuses) {
  OsError error = 0;
  auto listener = ListenTcp("127.0.0.1", 0, &error);
  ASSERT_NE(listener, nullptr);
  EXPECT_EQ(listener->Accept(steady_clock::now(), &error), nullptr);
  EXPECT_EQ(error, kTimedOut);
  listener->Interrupt();
  EXPECT_EQ(listener->Accept(std::nullopt, &error), nullptr);
  EXPECT_EQ(error, kInterrupted);
  // A port in use cannot be taken by a second listener.
  EXPECT_EQ(ListenTcp("127.0.0.1", listener->port(), &error), nullptr);
  EXPECT_NE(error, 0u);
  // Closed again, the port refuses in the connect step.
  const std::uint16_t port = listener->port();
  listener.reset();
  std::string what;
  EXPECT_EQ(ConnectTcp("127.0.0.1", port, In(seconds(10)), &error, &what), nullptr);
  EXPECT_EQ(what, "connect");
  EXPECT_EQ(error, kRefused);
  EXPECT_FALSE(SystemErrorText(error).empty());
}

}  // namespace
}  // namespace tarvik::platform
