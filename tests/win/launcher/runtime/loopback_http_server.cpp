// The download tests' loopback HTTP server.
#include "tests/win/launcher/runtime/loopback_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace drx::test {
namespace {

constexpr size_t kTrickleChunk = 1024;
constexpr DWORD kTricklePauseMs = 50;

// False when the peer has gone.
bool sendAll(SOCKET connection, const char* data, size_t size) {
  while (size > 0) {
    const int chunk = size > 65536 ? 65536 : static_cast<int>(size);
    const int sent = send(connection, data, chunk, 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

// Closing with a zero linger time sends a reset instead of an orderly end.
void reset(SOCKET connection) {
  linger abort{1, 0};
  setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(HttpAnswer answer, std::string body)
    : answer_(answer), body_(std::move(body)) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      listen(listener_, 16) != 0) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  if (listener_ != INVALID_SOCKET) closesocket(listener_);  // ends the blocking accept
  if (thread_.joinable()) thread_.join();
  WSACleanup();
}

std::string LoopbackHttpServer::url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/jre.tar.gz";
}

void LoopbackHttpServer::serve() {
  while (!stopping_) {
    SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) return;
    answer(connection);
    closesocket(connection);
  }
}

void LoopbackHttpServer::hold() const {
  while (!stopping_) Sleep(20);
}

void LoopbackHttpServer::answer(SOCKET connection) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const int got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    request.append(buffer, static_cast<size_t>(got));
  }
  ++requests_;
  std::string head;
  size_t sent = body_.size();
  switch (answer_) {
    case HttpAnswer::kWithLength:
      head =
          "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: "
          "close\r\nContent-Length: " +
          std::to_string(body_.size()) + "\r\n\r\n";
      break;
    case HttpAnswer::kNotFound:
    case HttpAnswer::kServerError:
      head = std::string(answer_ == HttpAnswer::kNotFound ? "HTTP/1.1 404 Not Found"
                                                          : "HTTP/1.1 500 Internal Server Error") +
             "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\nContent-Length: " +
             std::to_string(body_.size()) + "\r\n\r\n";
      break;
    case HttpAnswer::kWithoutLength:
      head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n";
      break;
    case HttpAnswer::kTrickle:
      head = "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + std::to_string(body_.size()) +
             "\r\n\r\n";
      sendAll(connection, head.data(), head.size());
      for (size_t offset = 0; offset < body_.size() && !stopping_; offset += kTrickleChunk) {
        if (!sendAll(connection, body_.data() + offset, std::min(kTrickleChunk, body_.size() - offset)))
          return;
        Sleep(kTricklePauseMs);
      }
      shutdown(connection, SD_SEND);
      return;
    case HttpAnswer::kCutShort:
    case HttpAnswer::kStallAfterPart:
    case HttpAnswer::kResetAfterPart:
      head = "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + std::to_string(body_.size()) +
             "\r\n\r\n";
      sent = body_.size() / 10;
      break;
    case HttpAnswer::kStall:
      hold();
      return;
    case HttpAnswer::kReset:
      reset(connection);
      return;
  }
  sendAll(connection, head.data(), head.size());
  sendAll(connection, body_.data(), sent);
  if (answer_ == HttpAnswer::kStallAfterPart) {
    hold();
    return;
  }
  if (answer_ == HttpAnswer::kResetAfterPart) {
    reset(connection);
    return;
  }
  shutdown(connection, SD_SEND);
}

}  // namespace drx::test
