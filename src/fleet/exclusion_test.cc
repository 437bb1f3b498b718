#include "fleet/exclusion.h"

#include <gtest/gtest.h>

#include "platform/com_ports.h"

namespace tarvik::fleet {
namespace {

frame::ConnectionLine Serial(int com) {
  frame::ConnectionLine c;
  c.linkType = frame::LinkType::kSerial;
  c.comNumber = com;
  c.comDigit = static_cast<char>('0' + com);
  return c;
}

frame::ConnectionLine Tcp(const std::string& address) {
  frame::ConnectionLine c;
  c.linkType = frame::LinkType::kTcpIp;
  c.ipAddress = address;
  return c;
}

TEST(Exclusion, OneDeviceOrAddressIsOneResource) {
  const std::string ini = "zpozdeni=0\r\ncom1=/dev/ttyUSB0\r\nCOM2=/dev/ttyUSB0\r\n";
  // Two COM numbers mapped to one device meet; an unmapped one is the system's.
  EXPECT_EQ(ExclusiveResource(Serial(1), ini), ExclusiveResource(Serial(2), ini));
  EXPECT_EQ(ExclusiveResource(Serial(3), ini), "serial " + platform::DefaultComDevice(3));
  EXPECT_NE(ExclusiveResource(Serial(3), ini), ExclusiveResource(Serial(1), ini));
  // A later line wins, as tarvik.ini.local is appended after the shared file;
  // comment lines and lines after "konec" do not count.
  EXPECT_EQ(ExclusiveResource(Serial(1), ini + "com1=/dev/ttyUSB1\r\n"), "serial /dev/ttyUSB1");
  EXPECT_EQ(ExclusiveResource(Serial(1), ini + "//com1=/dev/x\r\nkonec\r\ncom1=/dev/y\r\n"),
            "serial /dev/ttyUSB0");
  // An address with and without the register's port is the same register.
  EXPECT_EQ(ExclusiveResource(Tcp("127.0.0.5"), ""), ExclusiveResource(Tcp("127.0.0.5:14000"), ""));
  EXPECT_NE(ExclusiveResource(Tcp("127.0.0.5"), ""), ExclusiveResource(Tcp("127.0.0.5:14001"), ""));
}

TEST(Exclusion, AResourceIsHeldOnceUntilReleased) {
  ResourceSet set;
  EXPECT_TRUE(set.TryTake("serial /dev/ttyS0"));
  EXPECT_FALSE(set.TryTake("serial /dev/ttyS0"));
  EXPECT_TRUE(set.TryTake("serial /dev/ttyS1"));
  set.Release("serial /dev/ttyS0");
  EXPECT_FALSE(set.Held("serial /dev/ttyS0"));
  EXPECT_TRUE(set.TryTake("serial /dev/ttyS0"));
}

}  // namespace
}  // namespace tarvik::fleet
