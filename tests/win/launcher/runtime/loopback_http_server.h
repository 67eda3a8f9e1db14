// A small HTTP server on 127.0.0.1 for the download tests: one canned answer per connection,
// served from a thread of its own until the server is destroyed.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>

namespace drx::test {

enum class HttpAnswer {
  kWithLength,      // Content-Length and the whole body
  kWithoutLength,   // an HTTP/1.0 answer that only ends with the connection
  kCutShort,        // announces the body's length, sends a part of it and closes
  kStall,           // reads the request and sends nothing, holding the connection open
  kStallAfterPart,  // announces the body's length, sends a part of it, then holds the connection silently
  kReset,           // reads the request and resets the connection (RST) without an answer
  kResetAfterPart,  // announces the body's length, sends a part of it, then resets the connection
  kNotFound,        // status 404 with Content-Length and the whole body
  kServerError,     // status 500 with Content-Length and the whole body
  kTrickle,         // announces the body's length and sends it 1 KB every 50 ms, a slow line
};

class LoopbackHttpServer {
 public:
  LoopbackHttpServer(HttpAnswer answer, std::string body);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool listening() const { return listener_ != INVALID_SOCKET; }
  // "http://127.0.0.1:<port>/jre.tar.gz"
  std::string url() const;
  int requests() const { return requests_; }

 private:
  void serve();
  void answer(SOCKET connection);
  // Keeps a silent connection open until the server is destroyed.
  void hold() const;

  HttpAnswer answer_;
  std::string body_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<int> requests_{0};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace drx::test
