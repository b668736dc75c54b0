#include "LocalHttpServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>

namespace kelbrin::test {

namespace {

std::string StatusLine(int status) {
  return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Scripted") + "\r\n";
}

}  // namespace

std::string LocalHttpServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port()) + std::string(path);
}

void LocalHttpServer::setReply(Reply reply) {
  std::lock_guard lock(mutex_);
  reply_ = std::move(reply);
}

std::vector<LocalHttpServer::Request> LocalHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool LocalHttpServer::waitForRequests(std::size_t count, std::chrono::milliseconds guard) const {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, guard, [&] { return requests_.size() >= count; });
}

int LocalHttpServer::closedPort() {
  int port = 0;
  close(ListenOnLoopback(port));
  return port;
}

std::optional<LocalHttpServer::Request> LocalHttpServer::readRequest(int fd) const {
  std::string received;
  std::optional<Request> request;
  std::size_t bodyStart = 0;
  std::size_t bodyLength = 0;
  char buffer[65536];
  while (!request || received.size() < bodyStart + bodyLength) {
    if (stop_.WaitFor(fd, POLLIN, -1) != StopSignal::Wait::Ready) return std::nullopt;
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return std::nullopt;
    received.append(buffer, static_cast<std::size_t>(got));
    if (request) continue;
    const std::size_t headEnd = received.find("\r\n\r\n");
    if (headEnd == std::string::npos) continue;
    request = ParseRequestHead(std::string_view(received).substr(0, headEnd));
    bodyStart = headEnd + 4;
    request->head = received.substr(0, bodyStart);
    if (const auto length = request->header("Content-Length")) {
      std::from_chars(length->data(), length->data() + length->size(), bodyLength);
    }
  }
  request->body = received.substr(bodyStart, bodyLength);
  return request;
}

void LocalHttpServer::holdUntilClientLeaves(int fd, int timeoutMs) const {
  char buffer[4096];
  while (stop_.WaitFor(fd, POLLIN, timeoutMs) == StopSignal::Wait::Ready) {
    if (recv(fd, buffer, sizeof buffer, 0) <= 0) return;
  }
}

void LocalHttpServer::serve(int fd) {
  std::optional<Request> request = readRequest(fd);
  if (!request) return;
  Reply reply;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(*request));
    reply = reply_;
  }
  arrived_.notify_all();
  if (reply.ending == Ending::BlackHole) return holdUntilClientLeaves(fd, -1);
  if (reply.delay.count() > 0) {
    if (stop_.WaitFor(fd, 0, static_cast<int>(reply.delay.count())) == StopSignal::Wait::Stopped) {
      return;
    }
  }
  std::string head = StatusLine(reply.status);
  if (reply.announceLength) head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  if (!reply.location.empty()) head += "Location: " + reply.location + "\r\n";
  head += "Connection: close\r\n\r\n";
  const std::string_view body = reply.ending == Ending::DropMidBody
                                    ? std::string_view(reply.body).substr(0, reply.body.size() / 2)
                                    : std::string_view(reply.body);
  if (stop_.sendAll(fd, head)) stop_.sendAll(fd, body);
}

}  // namespace kelbrin::test
