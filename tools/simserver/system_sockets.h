#pragma once

// The system's socket calls and what the UDP socket of either system shares around them.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include "udp_socket.h"

namespace veltrano::simserver {

// Makes the system's sockets ready before the first call, once per process; raises Error when it
// cannot. Each system's socket file has its own.
void StartSockets();

sockaddr_in ToSockaddr(const UdpEndpoint& endpoint);
UdpEndpoint FromSockaddr(const sockaddr_in& address);

}  // namespace veltrano::simserver
