#include "fleet/exclusion.h"

#include <cctype>

#include "frame/settings.h"
#include "platform/com_ports.h"

namespace tarvik::fleet {

std::string ExclusiveResource(const frame::ConnectionLine& connection, const std::string& iniText) {
  if (connection.linkType == frame::LinkType::kTcpIp) {
    std::string address = connection.ipAddress;
    for (char& c : address) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (address.find(':') == std::string::npos) address += ":14000";
    return "tcp " + address;
  }
  std::string device =
      frame::IniComDevices(iniText)[static_cast<std::size_t>(connection.comNumber)];
  if (device.empty()) device = platform::DefaultComDevice(connection.comNumber);
  return "serial " + device;
}

}  // namespace tarvik::fleet
