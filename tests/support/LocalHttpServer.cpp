#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <stdexcept>

namespace kelbrin::test {

namespace {

int ListenOnLoopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 16) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return fd;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The request line and the header lines, without the blank line that ends them.
LocalHttpServer::Request ParseHead(std::string_view head) {
  LocalHttpServer::Request request;
  std::size_t lineEnd = head.find("\r\n");
  request.requestLine = std::string(head.substr(0, lineEnd));
  while (lineEnd != std::string_view::npos) {
    head.remove_prefix(lineEnd + 2);
    lineEnd = head.find("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const std::size_t colon = std::min(line.find(':'), line.size());
    request.headers.emplace_back(std::string(line.substr(0, colon)),
                                 std::string(Trim(line.substr(std::min(colon + 1, line.size())))));
  }
  return request;
}

std::string StatusLine(int status) {
  return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Scripted") + "\r\n";
}

}  // namespace

std::optional<std::string> LocalHttpServer::Request::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0) {
      return value;
    }
  }
  return std::nullopt;
}

LocalHttpServer::LocalHttpServer() {
  listenFd_ = ListenOnLoopback(port_);
  if (pipe2(wakeFds_, O_CLOEXEC) != 0) {
    close(listenFd_);
    throw std::runtime_error("pipe2 failed");
  }
  thread_ = std::thread([this] { run(); });
}

LocalHttpServer::~LocalHttpServer() {
  const char stop = 's';
  (void)!write(wakeFds_[1], &stop, 1);
  thread_.join();
  close(listenFd_);
  close(wakeFds_[0]);
  close(wakeFds_[1]);
}

std::string LocalHttpServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
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

LocalHttpServer::Wait LocalHttpServer::waitFor(int fd, short events, int timeoutMs) const {
  pollfd fds[2] = {{fd, events, 0}, {wakeFds_[0], POLLIN, 0}};
  int ready = 0;
  do {
    ready = poll(fds, 2, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0 || fds[1].revents != 0) return Wait::Stopped;
  return ready == 0 ? Wait::TimedOut : Wait::Ready;
}

bool LocalHttpServer::sendAll(int fd, std::string_view data) const {
  while (!data.empty()) {
    if (waitFor(fd, POLLOUT, -1) != Wait::Ready) return false;
    const ssize_t sent = send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (sent <= 0) return false;  // the client went away
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

std::optional<LocalHttpServer::Request> LocalHttpServer::readRequest(int fd) const {
  std::string received;
  std::optional<Request> request;
  std::size_t bodyStart = 0;
  std::size_t bodyLength = 0;
  char buffer[65536];
  while (!request || received.size() < bodyStart + bodyLength) {
    if (waitFor(fd, POLLIN, -1) != Wait::Ready) return std::nullopt;
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return std::nullopt;
    received.append(buffer, static_cast<std::size_t>(got));
    if (request) continue;
    const std::size_t headEnd = received.find("\r\n\r\n");
    if (headEnd == std::string::npos) continue;
    request = ParseHead(std::string_view(received).substr(0, headEnd));
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
  while (waitFor(fd, POLLIN, timeoutMs) == Wait::Ready) {
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
    if (waitFor(fd, 0, static_cast<int>(reply.delay.count())) == Wait::Stopped) return;
  }
  std::string head = StatusLine(reply.status);
  if (reply.announceLength) head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  if (!reply.location.empty()) head += "Location: " + reply.location + "\r\n";
  head += "Connection: close\r\n\r\n";
  const std::string_view body = reply.ending == Ending::DropMidBody
                                    ? std::string_view(reply.body).substr(0, reply.body.size() / 2)
                                    : std::string_view(reply.body);
  if (sendAll(fd, head)) sendAll(fd, body);
}

void LocalHttpServer::run() {
  while (waitFor(listenFd_, POLLIN, -1) == Wait::Ready) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    serve(fd);
    close(fd);
  }
}

}  // namespace kelbrin::test
